// The built module file, loaded by path through its exports as a host would (under Wine
// for the Windows DLL). Also renders a fixed signal to a file in the build tree, so the
// Linux and Windows builds' samples can be compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "tests/host/VstTestHost.h"

namespace {

class Module : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(file.Open(VOSS_PLUGIN_FILE)) << VOSS_PLUGIN_FILE; }
  VstPluginFile file;
  VstTestHost host;
};

TEST_F(Module, ExportsVSTPluginMainAndMainAsTheSameEntry) {
  EXPECT_EQ(file.EntryName(), "VSTPluginMain");
  EXPECT_TRUE(file.Exports("VSTPluginMain"));
  EXPECT_TRUE(file.Exports("main"));
  EXPECT_FALSE(file.Exports("MakeVossamere2"));
  VstEffect a(host.Create(file.Entry()), &host);
  ASSERT_TRUE(a);
  EXPECT_EQ(a.Record()->magic, kEffectMagic);
  EXPECT_EQ(a.Record()->flags, 0x1019);
  EXPECT_EQ(a.Record()->uniqueID, VstFourCC('V', 'q', '4', 'm'));
  EXPECT_EQ(a.Text(effGetEffectName), "Vossamere2");
  a.Close();
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (FILE* f = std::fopen(VstPluginFile::NativePath(path).c_str(), "rb")) {
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

// The editor's images must travel inside the module: a host copies only the plug-in file.
TEST_F(Module, CarriesTheFiveEditorImagesByteForByte) {
  const std::vector<unsigned char> module = ReadFileBytes(VOSS_PLUGIN_FILE);
  ASSERT_FALSE(module.empty());
  for (const char* name : {"background.png", "knob.png", "switch.png", "power.png", "monomode.png"}) {
    const std::vector<unsigned char> image = ReadFileBytes(std::string(VOSS_IMAGE_DIR) + "/" + name);
    ASSERT_GT(image.size(), 8u) << name;
    EXPECT_NE(std::search(module.begin(), module.end(), image.begin(), image.end()), module.end())
        << name << " is not embedded";
  }
}

TEST_F(Module, SurvivesTheCallOrdersRealHostsUse) {
  VstEffect fx(host.Create(file.Entry()), &host);
  ASSERT_TRUE(fx);
  fx.Dispatch(effMainsChanged, 0, 0);  // suspend before any resume
  fx.Dispatch(effOpen);
  fx.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  fx.Dispatch(effSetBlockSize, 0, 512);
  fx.Dispatch(effMainsChanged, 0, 1);
  fx.Dispatch(effMainsChanged, 0, 1);  // resumed twice
  for (VstInt32 opcode : {(VstInt32)effStartProcess, (VstInt32)effSetProcessPrecision,
                           (VstInt32)effGetTailSize, 200})
    EXPECT_EQ(fx.Dispatch(opcode, 0, 1), 0) << opcode;
  fx.SetParameter(1, 0.5f);
  std::vector<uint8_t> state = fx.GetChunk(true);
  fx.SetParameter(1, 1.0f);
  EXPECT_EQ(fx.SetChunk(state, true), 1);  // while resumed
  EXPECT_EQ(fx.GetParameter(1), 0.5f);
  std::vector<std::vector<float>> in(2, std::vector<float>(512, 0.25f));
  std::vector<std::vector<float>> out(2, std::vector<float>(512, 0.0f));
  fx.ProcessReplacing(in, out, 512);
  EXPECT_TRUE(std::isfinite(out[1][511]));
  EXPECT_EQ(host.CountOf(audioMasterGetProductString), 1u);
  fx.Dispatch(effMainsChanged, 0, 0);
  fx.Close();
}

// A fixed render: every Type, three Amounts, both precisions, four sample rates.
std::vector<double> Render(VstPluginMainProc entry, VstTestHost& host) {
  std::vector<double> result;
  uint32_t seed = 12345;
  auto sample = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return (double)(seed >> 8) / 8388608.0 - 1.0;
  };
  for (float fs : {44100.0f, 48000.0f, 96000.0f, 32000.0f})
    for (int type = 0; type <= 1; ++type)
      for (float amount : {0.1f, 0.5f, 1.0f}) {
        VstEffect fx(host.Create(entry), &host);
        fx.Start(fs, 1024);
        fx.SetParameter(1, amount);
        fx.SetParameter(2, (float)type);
        const int n = 1024;
        std::vector<std::vector<double>> in(2, std::vector<double>(n)), out = in;
        std::vector<std::vector<float>> in32(2, std::vector<float>(n)), out32 = in32;
        for (int i = 0; i < n; ++i)
          for (int c = 0; c < 2; ++c) {
            in[c][i] = sample();
            in32[c][i] = (float)sample();
          }
        fx.ProcessDouble(in, out, n);
        fx.ProcessReplacing(in32, out32, n);
        for (int c = 0; c < 2; ++c) {
          result.insert(result.end(), out[c].begin(), out[c].end());
          result.insert(result.end(), out32[c].begin(), out32[c].end());
        }
        fx.Close();
      }
  return result;
}

TEST_F(Module, RenderIsWrittenAndMatchesTheOtherBuildWhenGiven) {
  std::vector<double> render = Render(file.Entry(), host);
  for (double s : render) ASSERT_TRUE(std::isfinite(s));
  const std::string path = VstPluginFile::NativePath(VOSS_RENDER_FILE);
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(render.data(), sizeof(double), render.size(), f);
    std::fclose(f);
  }
  // The other build's render: named by VOSS_COMPARE_RENDER, or the Linux tree's beside this
  // Windows tree.
  const char* other = std::getenv("VOSS_COMPARE_RENDER");
  if (!other || !*other) other = VOSS_PEER_RENDER_FILE;
  FILE* f = *other ? std::fopen(VstPluginFile::NativePath(other).c_str(), "rb") : nullptr;
  if (!f) GTEST_SKIP() << "no other build's render to compare with";
  std::vector<double> theirs(render.size());
  const size_t got = std::fread(theirs.data(), sizeof(double), theirs.size(), f);
  std::fclose(f);
  ASSERT_EQ(got, render.size());
  double largest = 0.0;
  size_t differing = 0;
  for (size_t i = 0; i < render.size(); ++i) {
    const double d = std::fabs(render[i] - theirs[i]);
    if (d > 0.0 || std::memcmp(&render[i], &theirs[i], sizeof(double)) != 0) ++differing;
    if (d > largest) largest = d;
  }
  std::printf("compared %zu samples: %zu differ, largest difference %.3g\n", render.size(),
              differing, largest);
  RecordProperty("largest_difference", std::to_string(largest));
  EXPECT_LT(largest, 1e-9);
}

}  // namespace
