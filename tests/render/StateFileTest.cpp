#include <gtest/gtest.h>

#include <cstring>

#include "tools/vst2-render/StateFile.h"

using namespace vrender;

TEST(StateFile, ProgramAndBankFilesRoundTripWithTheirHeaders) {
  for (bool bank : {false, true}) {
    StateFile state;
    state.isBank = bank;
    state.uniqueId = 0x5671346D;  // 'Vq4m'
    state.pluginVersion = 10000;
    state.programCount = 3;
    state.programName = bank ? "" : "a program name longer than the field allows";
    state.chunk = {0x74, 0x66, 0x66, 0x70, 0, 0, 1, 0, 9, 8, 7};
    const std::vector<unsigned char> bytes = EncodeStateFile(state);
    const size_t header = bank ? 160 : 60;
    ASSERT_EQ(bytes.size(), header + state.chunk.size());
    EXPECT_EQ(0, std::memcmp(bytes.data(), "CcnK", 4));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 8, bank ? "FBCh" : "FPCh", 4));
    EXPECT_EQ(bytes[7], header - 8 + state.chunk.size());  // big-endian size after the field
    EXPECT_EQ(0, std::memcmp(bytes.data() + 16, "Vq4m", 4));

    StateFile back;
    std::string error;
    ASSERT_TRUE(DecodeStateFile(bytes, back, error)) << error;
    EXPECT_EQ(back.isBank, bank);
    EXPECT_EQ(back.uniqueId, state.uniqueId);
    EXPECT_EQ(back.pluginVersion, 10000);
    EXPECT_EQ(back.programCount, 3);
    EXPECT_EQ(back.programName, bank ? "" : "a program name longer than ");  // 27 characters kept
    EXPECT_EQ(back.chunk, state.chunk);
  }
}

TEST(StateFile, DamagedOrForeignFilesAreRefusedWithAReason) {
  StateFile state;
  state.chunk.assign(32, 0x55);
  const std::vector<unsigned char> good = EncodeStateFile(state);
  StateFile out;
  std::string error;

  std::vector<unsigned char> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'};
  EXPECT_FALSE(DecodeStateFile(text, out, error));
  EXPECT_NE(error.find("not a VST state file"), std::string::npos);
  EXPECT_FALSE(DecodeStateFile({}, out, error));

  std::vector<unsigned char> truncatedChunk(good.begin(), good.end() - 1);
  EXPECT_FALSE(DecodeStateFile(truncatedChunk, out, error));
  EXPECT_NE(error.find("truncated"), std::string::npos);
  std::vector<unsigned char> truncatedHeader(good.begin(), good.begin() + 40);
  EXPECT_FALSE(DecodeStateFile(truncatedHeader, out, error));

  std::vector<unsigned char> paramList = good;
  std::memcpy(paramList.data() + 8, "FxCk", 4);
  EXPECT_FALSE(DecodeStateFile(paramList, out, error));
  EXPECT_NE(error.find("parameter list"), std::string::npos);

  // A chunk size near 4 GB must not wrap around the bounds check.
  std::vector<unsigned char> hugeChunk = good;
  hugeChunk[56] = hugeChunk[57] = hugeChunk[58] = hugeChunk[59] = 0xFF;
  EXPECT_FALSE(DecodeStateFile(hugeChunk, out, error));
}

TEST(StateFile, FourCharCodesShowAsTextOnlyWhenPrintable) {
  EXPECT_EQ(FourCharText(0x5671346D), "Vq4m");
  EXPECT_EQ(FourCharText(0x00000001), "0x00000001");
  EXPECT_EQ(FourCharText(static_cast<int32_t>(0xFFFFFFFF)), "0xFFFFFFFF");
}
