// The host against real VST 2 plug-ins from Debian's packages (dpf-plugins-vst, zam-plugins),
// which export only "main" and call the host from inside it.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/AudioFile.h"
#include "tools/vst2-render/Platform.h"

using namespace vrender;

namespace {

std::string Debian(const char* name) {
  const std::string path = std::string("/usr/lib/vst/") + name;
  return FileExists(path) ? path : std::string();
}

AudioBuffer Noise(int channels, size_t frames) {
  AudioBuffer audio;
  audio.Resize(channels, frames);
  uint32_t seed = 12345;
  for (auto& c : audio.channels)
    for (double& x : c) {
      seed = seed * 1664525u + 1013904223u;
      x = (static_cast<double>(seed >> 8) / 8388608.0 - 1.0) * 0.3;
    }
  return audio;
}

}  // namespace

TEST(ThirdPartyPlugins, ListWorksOnPluginsThatExportOnlyMain) {
  ScratchFolder();
  for (const char* name : {"3BandEQ-vst.so", "ZamComp-vst.so", "MaGigaverb-vst.so"}) {
    const std::string plugin = Debian(name);
    if (plugin.empty()) GTEST_SKIP() << name << " is not installed";
    ToolResult r = RunTool({"--plugin", plugin, "--list"});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_NE(r.out.find("entry main"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("parameters"), std::string::npos) << r.out;
    r = RunTool({"--plugin", plugin, "--list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"vstVersion\":2400"), std::string::npos) << r.out;
  }
}

TEST(ThirdPartyPlugins, StereoReverbRendersAndShowsItsCrosstalk) {
  const std::string plugin = Debian("MVerb-vst.so");
  if (plugin.empty()) GTEST_SKIP() << "MVerb is not installed";
  const std::string dir = ScratchFolder();
  std::string error;
  AudioBuffer in = Noise(2, 20000);
  std::fill(in.channels[1].begin(), in.channels[1].end(), 0.0);  // left only
  ASSERT_TRUE(WriteAudioFile(dir + "in.wav", in, SampleFormat::Float32, error));
  ToolResult r = RunTool({"--plugin", plugin, "--in", dir + "in.wav", "--out", dir + "out.flac", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"precision\":\"32\""), std::string::npos);  // no 64-bit callback offered
  EXPECT_TRUE(std::isfinite(JsonNumber(r.out, "leftToRightDb"))) << r.out;
  EXPECT_NE(r.out.find("\"rightToLeftDb\":null"), std::string::npos) << "silent right side: nothing to measure";
  AudioBuffer out;
  std::string description;
  ASSERT_TRUE(ReadAudioFile(dir + "out.flac", out, description, error)) << error;
  EXPECT_EQ(description, "FLAC pcm24");
  EXPECT_EQ(out.FrameCount(), 20000u);
  r = RunTool({"--plugin", plugin, "--in", dir + "in.wav", "--precision", "64"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no 64-bit"), std::string::npos) << r.err;
}

TEST(ThirdPartyPlugins, ChannelCountsDecideHowAFileIsFed) {
  const std::string plugin = Debian("MaBitcrush-vst.so");  // one input, two outputs
  if (plugin.empty()) GTEST_SKIP() << "MaBitcrush is not installed";
  const std::string dir = ScratchFolder();
  std::string error;
  ASSERT_TRUE(WriteAudioFile(dir + "stereo.wav", Noise(2, 4000), SampleFormat::Pcm16, error));
  ASSERT_TRUE(WriteAudioFile(dir + "mono.aiff", Noise(1, 4000), SampleFormat::Pcm24, error));
  ToolResult r = RunTool({"--plugin", plugin, "--in", dir + "stereo.wav", "--out", dir + "x.wav"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has 2 channels but the plug-in has 1 input"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(dir + "x.wav"));
  r = RunTool({"--plugin", plugin, "--in", dir + "mono.aiff", "--out", dir + "x.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("not measured"), std::string::npos) << r.out;
  AudioBuffer out;
  std::string description;
  ASSERT_TRUE(ReadAudioFile(dir + "x.wav", out, description, error));
  EXPECT_EQ(out.ChannelCount(), 2);
}

// ZamComp: a mono compressor with a side-chain input (two in, one out). Below its threshold
// it is a straight wire; once impulses reach the threshold its gain depends on their level.
TEST(ThirdPartyPlugins, CompressorResponseIsFlaggedOnceItCompresses) {
  const std::string plugin = Debian("ZamComp-vst.so");
  if (plugin.empty()) GTEST_SKIP() << "ZamComp is not installed";
  const std::string dir = ScratchFolder();
  ToolResult r = RunTool({"--plugin", plugin, "--response", dir + "idle.png", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_NE(r.out.find("\"linear\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"input\":0,\"output\":0,\"name\":\"in 1 \u2192 out 1\",\"levelDb100Hz\":0,"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"name\":\"in 2 \u2192 out 1\",\"levelDb100Hz\":null"), std::string::npos)
      << "the side chain only steers: " << r.out;

  // Threshold −40 dB (normalised 0.5), 0.1 ms attack: both impulses are compressed, unequally.
  r = RunTool({"--plugin", plugin, "--response", dir + "busy.png", "--param", "4=0.5", "--param", "0=0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.rfind("vst2-render: warning: the plug-in is not linear (impulses 24 dB apart", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_TRUE(FileExists(dir + "busy.png"));
}
