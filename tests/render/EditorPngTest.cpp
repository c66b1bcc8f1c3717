// --editor-png on Vossamere2: the picture the tool takes of the real editor window is the
// panel composed here from the five images (outside the value text, whose glyphs each
// system draws its own way), for several settings and with the mono overlay; and the
// Windows build's pictures equal the Linux build's outside the value text.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "raster/RasterMemBitmap.h"
#include "raster/RasterPng.h"
#include "tests/graphics/ProductPanel.h"
#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/Platform.h"

using namespace vrender;

namespace {

constexpr int kWidth = 368, kHeight = 240;
// The knob's value text area (left, top, right, bottom).
constexpr int kTextLeft = 231, kTextTop = 151, kTextRight = 336, kTextBottom = 168;

struct Setting {
  const char* name;
  double amount, type, power;  // normalised
  bool mono;
  const char* valueText;
};

const Setting kSettings[] = {
  {"default", 0.0, 0.0, 1.0, false, "0"},
  {"half-consumer-off", 0.5, 1.0, 0.0, false, "50"},
  {"full", 1.0, 0.0, 1.0, false, "100"},
  {"mono", 0.25, 1.0, 1.0, true, "25"},
};


bool InValueText(int x, int y) { return x >= kTextLeft && x < kTextRight && y >= kTextTop && y < kTextBottom; }

// Pixels (0x00RRGGBB) of a PNG file; empty when it cannot be read.
std::vector<uint32_t> ReadPicture(const std::string& path, int& width, int& height) {
  RasterMemBitmap bitmap;
  std::vector<uint32_t> pixels;
  if (!RasterLoadPngFile(path.c_str(), &bitmap)) return pixels;
  width = bitmap.GetWidth();
  height = bitmap.GetHeight();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(bitmap.GetBits()[y * bitmap.GetRowSpan() + x] & 0xFFFFFFu);
  return pixels;
}

// "where: N pixels differ, the first at (x, y): have 0x.., want 0x.." or "".
std::string CompareOutsideText(const std::vector<uint32_t>& have, const std::vector<uint32_t>& want) {
  int differing = 0;
  char first[96] = "";
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const size_t i = static_cast<size_t>(y) * kWidth + static_cast<size_t>(x);
      if (InValueText(x, y) || have[i] == want[i]) continue;
      if (differing++ == 0)
        std::snprintf(first, sizeof first, " the first at (%d, %d): have 0x%06X, want 0x%06X", x, y,
                      static_cast<unsigned>(have[i]), static_cast<unsigned>(want[i]));
    }
  return differing ? std::to_string(differing) + " pixels differ," + first : std::string();
}

std::vector<std::string> SettingArguments(const Setting& s) {
  std::vector<std::string> args = {"--param", "1=" + std::to_string(s.amount), "--param",
                                   "2=" + std::to_string(s.type), "--param", "0=" + std::to_string(s.power)};
  if (s.mono) args.push_back("--mono");
  return args;
}

}  // namespace

TEST(EditorPng, ThePictureIsTheComposedPanelOutsideTheValueText) {
  const std::string plugin = Vossamere2Plugin();
  if (plugin.empty()) GTEST_SKIP() << "the plug-in is not built";
  const std::string dir = ScratchFolder();
  for (const Setting& s : kSettings) {
    SCOPED_TRACE(s.name);
    const std::string png = std::string(VOSS_EDITOR_PNG_DIR) + "/editor_" + VOSS_EDITOR_PNG_TREE + "_" + s.name + ".png";
    std::remove(NativePath(png).c_str());
    std::vector<std::string> args = {"--plugin", plugin, "--editor-png", NativePath(png)};
    const std::vector<std::string> settings = SettingArguments(s);
    args.insert(args.end(), settings.begin(), settings.end());
    const ToolResult r = RunTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(368 x 240"), std::string::npos) << r.out;
    int width = 0, height = 0;
    const std::vector<uint32_t> have = ReadPicture(NativePath(png), width, height);
    ASSERT_EQ(width, kWidth);
    ASSERT_EQ(height, kHeight);

    RasterMemBitmap composed(kWidth, kHeight, 1);
    ComposeProductPanel(&composed, s.amount, s.type, s.power, s.mono, s.valueText);
    std::vector<uint32_t> want;
    for (int i = 0; i < kWidth * kHeight; ++i) want.push_back(composed.GetBits()[i] & 0xFFFFFFu);
    EXPECT_EQ(CompareOutsideText(have, want), "");
    // The value text is there: the area is not the knob and background alone.
    int textPixels = 0;
    for (int y = kTextTop; y < kTextBottom; ++y)
      for (int x = kTextLeft; x < kTextRight; ++x) textPixels += (have[static_cast<size_t>(y) * kWidth + x] & 0xFF) > 0xC0;
    EXPECT_GT(textPixels, s.mono ? -1 : 10) << "white value text";
  }
}

TEST(EditorPng, TheOtherBuildsPicturesAgreeOutsideTheValueText) {
  if (!*VOSS_EDITOR_PNG_PEER_DIR) GTEST_SKIP() << "no other build beside this one";
  if (Vossamere2Plugin().empty()) GTEST_SKIP() << "the plug-in is not built";
  int compared = 0;
  for (const Setting& s : kSettings) {
    SCOPED_TRACE(s.name);
    const std::string ours = std::string(VOSS_EDITOR_PNG_DIR) + "/editor_" + VOSS_EDITOR_PNG_TREE + "_" + s.name + ".png";
    const std::string theirs = std::string(VOSS_EDITOR_PNG_PEER_DIR) + "/editor_linux_" + s.name + ".png";
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    const std::vector<uint32_t> a = ReadPicture(NativePath(ours), w1, h1);
    const std::vector<uint32_t> b = ReadPicture(NativePath(theirs), w2, h2);
    if (a.empty() || b.empty()) continue;
    ASSERT_EQ(w1, w2);
    ASSERT_EQ(h1, h2);
    EXPECT_EQ(CompareOutsideText(a, b), "");
    ++compared;
  }
  if (compared == 0) GTEST_SKIP() << "no pictures of both builds to compare";
}

TEST(EditorPng, FailuresPrintOneLineAndExitNonZero) {
  const std::string dir = ScratchFolder();
  const std::string png = dir + "e.png";
  // No editor at all.
  ToolResult r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--editor-png", png});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has no editor"), std::string::npos) << r.err;
  // An editor that refuses to open.
  r = RunTool({"--plugin", FixturePlugin("EditorFails"), "--editor-png", png});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "vst2-render: the plug-in's editor did not open\n");
  EXPECT_FALSE(FileExists(png)) << "nothing written on failure";
  // --mono belongs to the picture.
  r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--list", "--mono"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--mono applies to --editor-png only"), std::string::npos) << r.err;
}
