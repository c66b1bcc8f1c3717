// Vossamere2 rendered through the tool, checked against the channel bleed computed here
// independently, sample for sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/AudioFile.h"
#include "tools/vst2-render/DemoSignal.h"
#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/SignalStats.h"

using namespace vrender;

namespace {


// The bleed of a freshly created instance at 'fs' with integer Amount and Type.
AudioBuffer ReferenceBleed(const AudioBuffer& in, double fs, int amount, int type, bool power = true) {
  double gain = amount * 0.025;
  double target = 0.0001;
  if (type == 1) target = 0.005;
  else gain = gain * 0.1;
  const double cutoff = fs * 0.5 > 20000 ? 20000 : fs * 0.5;
  const double pole = std::exp(cutoff * (-6.283185307179586) / fs);
  const double a0 = 1 - pole, b1 = -pole;
  double s = 0.0001, y = 0.0;
  AudioBuffer out;
  out.sampleRate = fs;
  out.Resize(2, in.FrameCount());
  for (size_t k = 0; k < in.FrameCount(); ++k) {
    const double l = in.channels[0][k], r = in.channels[1][k];
    if (!power) {
      out.channels[0][k] = l;
      out.channels[1][k] = r;
      continue;
    }
    s = (target + s) * 0.5;
    const double sum = r + l;
    y = sum * a0 - b1 * y;
    const double bleed = (sum * s + (sum - y)) * gain;
    out.channels[0][k] = bleed + l;
    out.channels[1][k] = bleed + r;
    uint64_t bits;
    std::memcpy(&bits, &y, 8);
    if ((bits & 0x7FF0000000000000ull) == 0) y = 0.0;
  }
  return out;
}

AudioBuffer ReadBack(const std::string& path) {
  AudioBuffer audio;
  std::string description, error;
  EXPECT_TRUE(ReadAudioFile(path, audio, description, error)) << error;
  return audio;
}

void ExpectSame(const AudioBuffer& expected, const AudioBuffer& actual) {
  ASSERT_EQ(actual.ChannelCount(), 2);
  ASSERT_EQ(actual.FrameCount(), expected.FrameCount());
  for (int c = 0; c < 2; ++c)
    for (size_t k = 0; k < expected.FrameCount(); ++k)
      ASSERT_EQ(actual.channels[c][k], expected.channels[c][k]) << "channel " << c << " frame " << k;
}

#define REQUIRE_PLUGIN()                                          \
  const std::string plugin = Vossamere2Plugin();                        \
  if (plugin.empty()) GTEST_SKIP() << "Vossamere2 is not built in this tree"

}  // namespace

TEST(Vossamere2Render, BleedMatchesTheIndependentComputation) {
  REQUIRE_PLUGIN();
  const std::string dir = ScratchFolder();
  const AudioBuffer demo = MakeDemoSignal(44100);
  std::string error;
  ASSERT_TRUE(WriteAudioFile(dir + "demo.wav", demo, SampleFormat::Float64, error));
  const struct {
    const char* amount;
    const char* type;
    int amountInt, typeInt;
    const char* precision;
  } cases[] = {
      {"100", "Consumer", 100, 1, "64"},
      {"37.6", "Professional", 37, 0, "64"},  // text-to-value does not round; processing truncates
      {"100", "Consumer", 100, 1, "32"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.amount) + " " + c.type + " " + c.precision);
    ToolResult r = RunTool({"--plugin", plugin, "--in", dir + "demo.wav", "--out", dir + "out.wav",
                            "--out-format", "double", "--set", std::string("Amount=") + c.amount, "--set",
                            std::string("Type=") + c.type, "--precision", c.precision, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const AudioBuffer expected = ReferenceBleed(demo, 44100, c.amountInt, c.typeInt);
    const AudioBuffer actual = ReadBack(dir + "out.wav");
    if (std::string(c.precision) == "64") {
      ExpectSame(expected, actual);
    } else {
      Difference d;
      ASSERT_TRUE(CompareAudio(expected, actual, d, error));
      EXPECT_LT(d.largest, 1e-5);
    }
    // The crosstalk the tool reports is the bleed of each side alone reaching the other.
    AudioBuffer leftOnly = demo, rightOnly = demo;
    std::fill(leftOnly.channels[1].begin(), leftOnly.channels[1].end(), 0.0);
    std::fill(rightOnly.channels[0].begin(), rightOnly.channels[0].end(), 0.0);
    const double l2r = LeakageDb(ReferenceBleed(leftOnly, 44100, c.amountInt, c.typeInt).channels[1], demo.channels[0]);
    const double r2l = LeakageDb(ReferenceBleed(rightOnly, 44100, c.amountInt, c.typeInt).channels[0], demo.channels[1]);
    EXPECT_NEAR(JsonNumber(r.out, "leftToRightDb"), l2r, 1e-6);
    EXPECT_NEAR(JsonNumber(r.out, "rightToLeftDb"), r2l, 1e-6);
  }
}

TEST(Vossamere2Render, DefaultsAndPowerOffPassAudioThroughUnchanged) {
  REQUIRE_PLUGIN();
  const std::string dir = ScratchFolder();
  const AudioBuffer demo = MakeDemoSignal(48000);
  std::string error;
  ASSERT_TRUE(WriteAudioFile(dir + "demo.wav", demo, SampleFormat::Float64, error));
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{}, std::vector<std::string>{"--set", "Amount=100", "--set", "Power=off"}}) {
    std::vector<std::string> args = {"--plugin", plugin, "--in", dir + "demo.wav", "--out", dir + "out.wav",
                                     "--out-format", "double", "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    ToolResult r = RunTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSame(demo, ReadBack(dir + "out.wav"));
    EXPECT_NE(r.out.find("\"leftToRightDb\":null"), std::string::npos) << "no bleed at all: -inf dB";
  }
}

TEST(Vossamere2Render, StateSavedAndLoadedBackGivesTheSameRender) {
  REQUIRE_PLUGIN();
  const std::string dir = ScratchFolder();
  std::string error;
  ASSERT_TRUE(WriteAudioFile(dir + "demo.wav", MakeDemoSignal(44100), SampleFormat::Float32, error));
  for (bool bank : {false, true}) {
    SCOPED_TRACE(bank ? "bank" : "program");
    const std::string state = dir + (bank ? "s.fxb" : "s.fxp");
    std::vector<std::string> save = {"--plugin", plugin, "--in", dir + "demo.wav", "--out", dir + "a.wav",
                                     "--set", "Amount=70", "--set", "Type=Consumer", "--save-state", state};
    if (bank) save.push_back("--bank");
    ToolResult r = RunTool(save);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(bank ? "(44-byte chunk)" : "(32-byte chunk)"), std::string::npos) << r.out;
    r = RunTool({"--plugin", plugin, "--in", dir + "demo.wav", "--out", dir + "b.wav", "--load-state", state});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunTool({"--compare", dir + "a.wav", dir + "b.wav", "--json"});
    EXPECT_EQ(JsonNumber(r.out, "largestDifference"), 0.0) << r.out;
    r = RunTool({"--plugin", plugin, "--list", "--load-state", state});
    EXPECT_NE(r.out.find("Consumer"), std::string::npos) << r.out;
  }
}

TEST(Vossamere2Render, SettingsEchoTheirDisplayAndRejectUnknownTexts) {
  REQUIRE_PLUGIN();
  ScratchFolder();
  ToolResult r = RunTool({"--plugin", plugin, "--list", "--set", "Amount=150", "--set", "Type=Consumer"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Amount = 100"), std::string::npos) << r.out;  // clamped to the range
  EXPECT_NE(r.out.find("Type = Consumer\n"), std::string::npos) << r.out;
  for (const char* expected : {"name        Vossamere2", "vendor      Quenmoor Audiohouse", "unique ID   Vq4m",
                               "version     10000", "I/O         2 in, 2 out", "mono, replacing, double-replacing", "Default"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  r = RunTool({"--plugin", plugin, "--list", "--set", "Type=Hifi"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("rejected 'Hifi' for parameter 'Type'"), std::string::npos) << r.err;
}
