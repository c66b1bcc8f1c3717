// The vst2-render program run as a process against the Crossfeed fixture plug-in, whose
// output is known exactly: out0 = L + g·R, out1 = R + g·L.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/AudioFile.h"
#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/SignalStats.h"

using namespace vrender;

namespace {

AudioBuffer TestSignal(int channels, size_t frames, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> dist(-0.5, 0.5);
  AudioBuffer audio;
  audio.sampleRate = 48000;
  audio.Resize(channels, frames);
  for (auto& c : audio.channels)
    for (double& x : c) x = dist(rng);
  return audio;
}

void WriteInput(const std::string& path, const AudioBuffer& audio) {
  std::string error;
  ASSERT_TRUE(WriteAudioFile(path, audio, SampleFormat::Float64, error)) << error;
}

AudioBuffer ReadBack(const std::string& path) {
  AudioBuffer audio;
  std::string description, error;
  EXPECT_TRUE(ReadAudioFile(path, audio, description, error)) << error;
  return audio;
}

std::vector<std::string> With(std::vector<std::string> base, const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

}  // namespace

TEST(RenderTool, CrossfeedRenderMatchesItsFormulaAndTheMeasuredCrosstalk) {
  const std::string dir = ScratchFolder();
  const AudioBuffer in = TestSignal(2, 3001, 1);
  WriteInput(dir + "in.wav", in);
  ToolResult r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--in", dir + "in.wav", "--out",
                          dir + "out.wav", "--out-format", "double", "--set", "Feed=50", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const AudioBuffer out = ReadBack(dir + "out.wav");
  ASSERT_EQ(out.ChannelCount(), 2);
  ASSERT_EQ(out.FrameCount(), 3001u);
  EXPECT_EQ(out.sampleRate, 48000.0);
  for (size_t k = 0; k < 3001; ++k) {
    ASSERT_EQ(out.channels[0][k], in.channels[0][k] + 0.5 * in.channels[1][k]) << k;
    ASSERT_EQ(out.channels[1][k], in.channels[1][k] + 0.5 * in.channels[0][k]) << k;
  }
  // Fed one side at a time, the other side receives exactly half: −6.02 dB.
  EXPECT_NEAR(JsonNumber(r.out, "leftToRightDb"), 20 * std::log10(0.5), 1e-6);
  EXPECT_NEAR(JsonNumber(r.out, "rightToLeftDb"), 20 * std::log10(0.5), 1e-6);
  EXPECT_NEAR(JsonNumber(r.out, "peakDb"), AmplitudeToDb(MeasureChannel(in.channels[0]).peak), 1e-6);
  EXPECT_NE(r.out.find("\"display\":\"50\""), std::string::npos) << r.out;

  // The text summary names the levels and echoes the setting with its unit.
  r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--in", dir + "in.wav", "--set", "Mode=Inverted",
               "--set", "Feed=25"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Mode = Inverted\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Feed = 25 %\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("crosstalk added (dB): left -> right -12.04, right -> left -12.04"), std::string::npos)
      << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;  // no progress bar when stderr is not a terminal
}

TEST(RenderTool, EveryBlockCallbackAndBlockSizeRendersTheSameSamples) {
  const std::string dir = ScratchFolder();
  const AudioBuffer in = TestSignal(2, 5000, 2);
  WriteInput(dir + "in.wav", in);
  auto render = [&](const std::vector<std::string>& extra, const std::string& name) {
    ToolResult r = RunTool(With({"--plugin", FixturePlugin("Crossfeed"), "--in", dir + "in.wav", "--out",
                                 dir + name, "--out-format", "double", "--param", "0=0.75"},
                                extra));
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadBack(dir + name);
  };
  const AudioBuffer reference = render({"--precision", "64"}, "ref.wav");
  for (const char* block : {"1", "7", "512", "65536"}) {
    const AudioBuffer other = render({"--block", block}, std::string("b") + block + ".wav");
    Difference d;
    std::string error;
    ASSERT_TRUE(CompareAudio(reference, other, d, error)) << error;
    EXPECT_EQ(d.largest, 0.0) << "block " << block;
  }
  const AudioBuffer replacing32 = render({"--precision", "32"}, "r32.wav");
  const AudioBuffer accumulating = render({"--precision", "accumulate"}, "acc.wav");
  Difference d;
  std::string error;
  ASSERT_TRUE(CompareAudio(reference, replacing32, d, error));
  EXPECT_GT(d.largest, 0.0);  // really went through floats
  EXPECT_LT(d.largest, 1e-6);
  ASSERT_TRUE(CompareAudio(replacing32, accumulating, d, error));
  EXPECT_EQ(d.largest, 0.0);  // accumulating into silent outputs equals replacing
}

TEST(RenderTool, MonoFileFeedsBothInputs) {
  const std::string dir = ScratchFolder();
  const AudioBuffer in = TestSignal(1, 1000, 3);
  WriteInput(dir + "mono.wav", in);
  ToolResult r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--in", dir + "mono.wav", "--out",
                          dir + "out.wav", "--out-format", "double", "--set", "Feed=100", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"monoFedToAllInputs\":true"), std::string::npos);
  const AudioBuffer out = ReadBack(dir + "out.wav");
  ASSERT_EQ(out.ChannelCount(), 2);
  for (size_t k = 0; k < 1000; ++k) {
    ASSERT_EQ(out.channels[0][k], in.channels[0][k] + in.channels[0][k]);
    ASSERT_EQ(out.channels[1][k], out.channels[0][k]);
  }
}

TEST(RenderTool, SavedStateLoadedBackRendersIdentically) {
  const std::string dir = ScratchFolder();
  WriteInput(dir + "in.wav", TestSignal(2, 2000, 4));
  const std::string plugin = FixturePlugin("Crossfeed");
  // Program state: Feed 30 on program 1, whose mode is "Inverted".
  ToolResult r = RunTool({"--plugin", plugin, "--in", dir + "in.wav", "--out", dir + "a.wav", "--program", "1",
                          "--set", "Feed=30", "--save-state", dir + "p.fxp"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("saved program state (12-byte chunk)"), std::string::npos) << r.out;
  r = RunTool({"--plugin", plugin, "--in", dir + "in.wav", "--out", dir + "b.wav", "--load-state", dir + "p.fxp"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunTool({"--compare", dir + "a.wav", dir + "b.wav", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(JsonNumber(r.out, "largestDifference"), 0.0) << r.out;

  // Bank state, saved without rendering, then one of its programs selected after loading.
  r = RunTool({"--plugin", plugin, "--set", "Feed=10", "--save-state", dir + "b.fxb", "--bank"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunTool({"--plugin", plugin, "--in", dir + "in.wav", "--out", dir + "c.wav", "--load-state", dir + "b.fxb",
               "--program", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunTool({"--plugin", plugin, "--in", dir + "in.wav", "--out", dir + "d.wav", "--set", "Feed=10"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunTool({"--compare", dir + "c.wav", dir + "d.wav", "--json"});
  EXPECT_EQ(JsonNumber(r.out, "largestDifference"), 0.0) << r.out;
}

TEST(RenderTool, ListShowsTheRecordParametersAndPrograms) {
  ScratchFolder();
  ToolResult r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--list", "--program", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* expected : {"name        Crossfeed", "vendor      Vossamere2 tests", "unique ID   VrXf (0x56725866)",
                               "I/O         2 in, 2 out", "flags       0x1030 (replacing, chunks, double-replacing)",
                               "Feed", "Inverted", "  1  Second  (current)"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--list", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* expected : {"\"uniqueId\":\"VrXf\"", "\"inputs\":2", "\"programs\":[\"First\",\"Second\"]",
                               "{\"index\":1,\"name\":\"Mode\",\"display\":\"Plain\",\"label\":\"\",\"value\":0}"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  EXPECT_EQ(r.out.front(), '{');
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
}

TEST(RenderTool, DemoSignalIsHardPannedWhereItShouldBe) {
  const std::string dir = ScratchFolder();
  ToolResult r = RunTool({"--demo", dir + "demo.wav"});
  ASSERT_EQ(r.status, 0) << r.err;
  const AudioBuffer demo = ReadBack(dir + "demo.wav");
  ASSERT_EQ(demo.ChannelCount(), 2);
  const size_t part = demo.FrameCount() / 3;
  EXPECT_EQ(demo.sampleRate, 44100.0);
  auto slice = [&](int c, size_t p) {
    return std::vector<double>(demo.channels[c].begin() + p * part, demo.channels[c].begin() + (p + 1) * part);
  };
  EXPECT_GT(MeasureChannel(slice(0, 0)).rms, 0.01);
  EXPECT_EQ(MeasureChannel(slice(1, 0)).peak, 0.0);
  EXPECT_EQ(MeasureChannel(slice(0, 1)).peak, 0.0);
  EXPECT_GT(MeasureChannel(slice(1, 1)).rms, 0.01);
  EXPECT_GT(MeasureChannel(slice(0, 2)).rms, 0.01);
  EXPECT_GT(MeasureChannel(slice(1, 2)).rms, 0.01);
  EXPECT_LE(MeasureChannel(demo.channels[0]).peak, 1.0);
}

// Each bad input: a non-zero status (not a crash), one line on stderr naming the problem,
// and no output file, finished or partial.
TEST(RenderTool, BadInputIsRefusedWithOneLineAndLeavesNoOutput) {
  const std::string dir = ScratchFolder();
  const std::string crossfeed = FixturePlugin("Crossfeed");
  WriteInput(dir + "in.wav", TestSignal(2, 100, 5));
  WriteInput(dir + "three.wav", TestSignal(3, 100, 6));
  ASSERT_TRUE(WriteWholeFileAtomically(dir + "text.wav", std::vector<unsigned char>(300, 'x')));
  ASSERT_TRUE(WriteWholeFileAtomically(dir + "fake.plugin", std::vector<unsigned char>(300, 'x')));
  ASSERT_TRUE(WriteWholeFileAtomically(dir + "junk.fxp", std::vector<unsigned char>(100, 'j')));
  // A state file that belongs to another plug-in ("BadMagic" never gets that far, so make one by hand).
  ASSERT_EQ(RunTool({"--plugin", crossfeed, "--save-state", dir + "ok.fxp"}).status, 0);
  std::vector<unsigned char> foreign;
  ASSERT_TRUE(ReadWholeFile(dir + "ok.fxp", foreign));
  foreign[16] = 'Z';
  ASSERT_TRUE(WriteWholeFileAtomically(dir + "foreign.fxp", foreign));
  const std::vector<std::string> inputs = FilesIn(dir);

  const std::string in = dir + "in.wav", out = dir + "out.wav";
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--plugin", crossfeed, "--in", dir + "missing.wav", "--out", out}, "does not exist"},
      {{"--plugin", crossfeed, "--in", dir + "text.wav", "--out", out}, "is not a readable audio file"},
      {{"--plugin", dir + "missing.plugin", "--in", in, "--out", out}, "plug-in file"},
      {{"--plugin", dir + "fake.plugin", "--in", in, "--out", out}, "is not a loadable plug-in library"},
      {{"--plugin", dir, "--in", in, "--out", out}, "is a directory"},
      {{"--plugin", FixturePlugin("NoEntry"), "--in", in, "--out", out}, "exports neither VSTPluginMain nor main"},
      {{"--plugin", FixturePlugin("NullEntry"), "--in", in, "--out", out}, "entry point main returned no effect"},
      {{"--plugin", FixturePlugin("BadMagic"), "--in", in, "--out", out}, "has magic 0x4E6F7065"},
      {{"--plugin", crossfeed, "--in", dir + "three.wav", "--out", out}, "has 3 channels but the plug-in has 2 inputs"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--set", "Volume=3"}, "unknown parameter 'Volume' (the plug-in has: Feed, Mode)"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--set", "Mode=Loud"}, "rejected 'Loud' for parameter 'Mode'"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--param", "2=0.5"}, "parameter index 2 does not exist"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--program", "2"}, "program 2 does not exist"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--load-state", dir + "junk.fxp"}, "not a VST state file"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--load-state", dir + "none.fxp"}, "state file"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--load-state", dir + "foreign.fxp"}, "was saved by plug-in 'Zr"},
      {{"--plugin", crossfeed, "--in", in, "--out", dir + "no/such/dir/out.wav"}, "cannot write output file"},
      {{"--plugin", crossfeed, "--in", in, "--out", dir + "out.mp3"}, "cannot write"},
      {{"--plugin", crossfeed, "--in", in, "--out", out, "--block", "0"}, "--block expects"},
  };
  for (const auto& c : cases) {
    const ToolResult r = RunTool(c.args);
    SCOPED_TRACE(c.message);
    EXPECT_TRUE(r.status == 1 || r.status == 2) << "status " << r.status;
    EXPECT_EQ(r.err.rfind("vst2-render: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "more than one line: " << r.err;
    EXPECT_EQ(FilesIn(dir), inputs);
  }

  // A failed run leaves an earlier output of the same name as it was.
  ASSERT_TRUE(WriteWholeFileAtomically(out, std::vector<unsigned char>(10, 'o')));
  EXPECT_EQ(RunTool({"--plugin", crossfeed, "--in", in, "--out", out, "--set", "Mode=Loud"}).status, 1);
  std::vector<unsigned char> kept;
  ASSERT_TRUE(ReadWholeFile(out, kept));
  EXPECT_EQ(kept, std::vector<unsigned char>(10, 'o'));
}
