#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "tests/plugin/TestPlug.h"
#include "plugin/ITrace.h"

namespace
{
// Records what the frame hands to processing, then writes input * 2 + channel to each
// output so the route of every sample is visible.
class RoutePlug : public TestPlug
{
public:
  explicit RoutePlug(const char* io = "1-2 2-2") : TestPlug(3, io) {}

  void ProcessBlock64(double** ins, double** outs, int frames) override
  {
    calls.push_back({ins ? ins[0] : nullptr, ins && NInputs() > 1 ? ins[1] : nullptr, outs[0], outs[1], frames});
    for (int c = 0; c < 2; ++c)
      for (int k = 0; k < frames; ++k) outs[c][k] = ins[c][k] * 2.0 + c;
  }

  struct Call
  {
    double* in0;
    double* in1;
    double* out0;
    double* out1;
    int frames;
  };
  std::vector<Call> calls;
};

// A plug-in that keeps the base pass-through.
class PassPlug : public TestPlug
{
public:
  explicit PassPlug(const char* io) : TestPlug(0, io, 0) {}
};
}  // namespace

TEST(IPlugBase, ParsesChannelIOString)
{
  TestPlug p;
  ASSERT_EQ(2, p.NChannelIOConfigs());
  EXPECT_EQ(1, p.GetChannelIOConfig(0)->inputs);
  EXPECT_EQ(2, p.GetChannelIOConfig(0)->outputs);
  EXPECT_EQ(2, p.GetChannelIOConfig(1)->inputs);
  EXPECT_EQ(2, p.NInputs());
  EXPECT_EQ(2, p.NOutputs());
  EXPECT_EQ(nullptr, p.GetChannelIOConfig(2));

  EXPECT_TRUE(p.LegalIO(1, -1));
  EXPECT_TRUE(p.LegalIO(2, 2));
  EXPECT_TRUE(p.LegalIO(-1, 2));
  EXPECT_TRUE(p.LegalIO(1, 2));
  EXPECT_FALSE(p.LegalIO(2, 1));
  EXPECT_FALSE(p.LegalIO(3, -1));
}

TEST(IPlugBase, MalformedChannelIOStringsGiveSafeCounts)
{
  TestPlug none(0, nullptr, 0);
  EXPECT_EQ(0, none.NChannelIOConfigs());
  EXPECT_EQ(0, none.NInputs());

  TestPlug junk(0, "x-y 3", 0);  // unreadable numbers count as 0; "3" has no outputs
  ASSERT_EQ(2, junk.NChannelIOConfigs());
  EXPECT_EQ(0, junk.GetChannelIOConfig(0)->inputs);
  EXPECT_EQ(3, junk.GetChannelIOConfig(1)->inputs);
  EXPECT_EQ(0, junk.GetChannelIOConfig(1)->outputs);
  EXPECT_EQ(3, junk.NInputs());
  EXPECT_EQ(0, junk.NOutputs());

  TestPlug negative(0, "-4--2 99999999999-1", 0);
  EXPECT_EQ(-4, negative.GetChannelIOConfig(0)->inputs);
  EXPECT_EQ(-2, negative.GetChannelIOConfig(0)->outputs);
  EXPECT_EQ(IPlugBase::kMaxChannels, negative.NInputs());
  EXPECT_EQ(1, negative.NOutputs());

  // Empty arrays reach processing as null.
  PassPlug silent("0-0");
  silent.SetMaxBlockFrames(16);
  silent.RunBlock64(16);
  silent.RunBlock32Replacing(16);
}

TEST(IPlugBase, SixtyFourBitBlocksUseHostBuffersOfConnectedChannelsInOrder)
{
  RoutePlug p;
  p.ConnectInputs(0, 2, true);
  p.ConnectOutputs(0, 2, true);
  p.SetMaxBlockFrames(4);
  p.ConnectInputs(1, 1, false);

  double a[4] = {1, 2, 3, 4}, b[4] = {9, 9, 9, 9}, o0[4] = {}, o1[4] = {};
  double* ins[] = {a, b};
  double* outs[] = {o0, o1};
  p.AttachInputs64(0, 2, ins);
  p.AttachOutputs64(0, 2, outs);
  p.RunBlock64(4);

  ASSERT_EQ(1u, p.calls.size());
  EXPECT_EQ(a, p.calls[0].in0);
  EXPECT_NE(b, p.calls[0].in1);  // B is not used: channel 1 reads its zeroed scratch
  EXPECT_EQ(o0, p.calls[0].out0);
  EXPECT_EQ(o1, p.calls[0].out1);
  EXPECT_EQ(2.0, o0[0]);
  EXPECT_EQ(1.0, o1[0]);
  EXPECT_EQ(9.0, b[0]);
}

TEST(IPlugBase, ThirtyTwoBitBlocksConvertThroughScratchAndReplaceOrAccumulate)
{
  RoutePlug p;
  p.ConnectInputs(0, 2, true);
  p.ConnectOutputs(0, 2, true);
  p.SetMaxBlockFrames(5);

  float a[5] = {1, 2, 3, 4, 5}, b[5] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  float o0[5] = {10, 10, 10, 10, 10}, o1[5] = {10, 10, 10, 10, 10};
  float* ins[] = {a, b};
  float* outs[] = {o0, o1};

  p.AttachInputs32(0, 2, ins, 5);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Replacing(5);
  EXPECT_NE((void*)a, (void*)p.calls[0].in0);  // processing sees 64-bit copies
  for (int k = 0; k < 5; ++k)
  {
    EXPECT_EQ(a[k] * 2.0f, o0[k]) << k;
    EXPECT_EQ(2.0f, o1[k]) << k;
  }

  p.AttachInputs32(0, 2, ins, 5);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Accumulating(5);
  for (int k = 0; k < 5; ++k)
  {
    EXPECT_EQ(a[k] * 4.0f, o0[k]) << k;
    EXPECT_EQ(4.0f, o1[k]) << k;
  }
}

TEST(IPlugBase, DisconnectedOutputLeavesHostBufferUntouched)
{
  RoutePlug p;
  p.ConnectInputs(0, 2, true);
  p.ConnectOutputs(0, 1, true);
  p.SetMaxBlockFrames(3);
  EXPECT_TRUE(p.IsOutputConnected(0));
  EXPECT_FALSE(p.IsOutputConnected(1));
  EXPECT_FALSE(p.IsOutputConnected(2));
  EXPECT_FALSE(p.IsOutputConnected(-1));

  float a[3] = {1, 2, 3}, b[3] = {1, 1, 1}, o0[3] = {}, o1[3] = {7, 7, 7};
  float* ins[] = {a, b};
  float* outs[] = {o0, o1};
  p.AttachInputs32(0, 2, ins, 3);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Replacing(3);
  EXPECT_EQ(6.0f, o0[2]);
  for (float v : o1) EXPECT_EQ(7.0f, v);

  double d0[3] = {}, d1[3] = {7, 7, 7};
  double* douts[] = {d0, d1};
  double din[3] = {1, 2, 3};
  double* dins[] = {din, din};
  p.AttachInputs64(0, 2, dins);
  p.AttachOutputs64(0, 2, douts);
  p.RunBlock64(3);
  for (double v : d1) EXPECT_EQ(7.0, v);
}

TEST(IPlugBase, DisconnectingAnInputSilencesWhatAnEarlierBlockLeft)
{
  RoutePlug p;
  p.ConnectInputs(0, 2, true);
  p.ConnectOutputs(0, 2, true);
  p.SetMaxBlockFrames(2);
  float a[2] = {1, 1}, b[2] = {5, 5}, o0[2], o1[2];
  float* ins[] = {a, b};
  float* outs[] = {o0, o1};
  p.AttachInputs32(0, 2, ins, 2);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Replacing(2);
  EXPECT_EQ(11.0f, o1[0]);

  p.ConnectInputs(1, 1, false);
  p.AttachInputs32(0, 2, ins, 2);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Replacing(2);
  EXPECT_EQ(1.0f, o1[0]);  // 0 * 2 + 1
}

TEST(IPlugBase, BlocksLongerThanTheBlockSizeRunInPieces)
{
  RoutePlug p;
  p.ConnectInputs(0, 2, true);
  p.ConnectOutputs(0, 2, true);
  p.SetMaxBlockFrames(4);

  std::vector<float> a(10), b(10), o0(10, -1), o1(10, -1);
  for (int k = 0; k < 10; ++k) a[k] = (float)k;
  float* ins[] = {a.data(), b.data()};
  float* outs[] = {o0.data(), o1.data()};
  p.AttachInputs32(0, 2, ins, 10);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Replacing(10);
  ASSERT_EQ(3u, p.calls.size());
  EXPECT_EQ(2, p.calls[2].frames);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(2.0f * k, o0[k]) << k;

  std::vector<double> da(10), d0(10), d1(10);
  for (int k = 0; k < 10; ++k) da[k] = k;
  double* dins[] = {da.data(), da.data()};
  double* douts[] = {d0.data(), d1.data()};
  p.AttachInputs64(0, 2, dins);
  p.AttachOutputs64(0, 2, douts);
  p.RunBlock64(10);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(2.0 * k + 1, d1[k]) << k;
}

TEST(IPlugBase, SetMaxBlockFramesZeroesScratchOnlyOnChange)
{
  RoutePlug p;
  p.ConnectInputs(0, 2, true);
  p.ConnectOutputs(0, 2, true);
  p.SetMaxBlockFrames(2);
  float a[2] = {3, 3}, o0[2], o1[2];
  float* ins[] = {a, a};
  float* outs[] = {o0, o1};
  p.AttachInputs32(0, 2, ins, 2);
  p.AttachOutputs32(0, 2, outs);
  p.RunBlock32Replacing(2);
  const double* scratch = p.calls[0].in1;

  p.SetMaxBlockFrames(2);
  EXPECT_EQ(3.0, scratch[0]);
  p.SetMaxBlockFrames(3);
  EXPECT_EQ(3, p.GetBlockSize());
  p.ConnectInputs(0, 2, false);
  p.AttachInputs64(0, 2, nullptr);
  double d0[3], d1[3];
  double* douts[] = {d0, d1};
  p.AttachOutputs64(0, 2, douts);
  p.RunBlock64(3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(0.0, d0[k]);

  p.SetMaxBlockFrames(-5);
  EXPECT_EQ(3, p.GetBlockSize());
}

TEST(IPlugBase, BasePassThroughCopiesAndZeroesExtraOutputs)
{
  PassPlug p("1-3");
  p.ConnectInputs(0, 1, true);
  p.ConnectOutputs(0, 3, true);
  p.SetMaxBlockFrames(3);
  double in[3] = {1, 2, 3}, o0[3] = {}, o1[3] = {5, 5, 5}, o2[3] = {5, 5, 5};
  double* ins[] = {in};
  double* outs[] = {o0, o1, o2};
  p.AttachInputs64(0, 1, ins);
  p.AttachOutputs64(0, 3, outs);
  p.RunBlock64(3);
  for (int k = 0; k < 3; ++k)
  {
    EXPECT_EQ(in[k], o0[k]);
    EXPECT_EQ(0.0, o1[k]);
    EXPECT_EQ(0.0, o2[k]);
  }

  float f[2] = {1, 2}, g[2] = {9, 9};
  float* fin[] = {f};
  float* fout[] = {g, g, g};
  p.ProcessBlock32(fin, fout, 2);
  EXPECT_EQ(0.0f, g[0]);  // the last output written was zeroed
}

TEST(IPlugBase, OutOfRangeConnectionRequestsAreClipped)
{
  TestPlug p;
  p.ConnectInputs(-3, 4, true);  // only index 0
  EXPECT_TRUE(p.IsInputConnected(0));
  EXPECT_FALSE(p.IsInputConnected(1));
  p.ConnectOutputs(1, 1000, true);
  EXPECT_TRUE(p.IsOutputConnected(1));
  p.ConnectOutputs(0, -1, true);
  EXPECT_FALSE(p.IsOutputConnected(0));
  p.ConnectOutputs(2147483647, 2147483647, true);
}

TEST(IPlugBase, HostChannelRuleDisconnectsInputsFromTheThirdOn)
{
  TestPlug p(0, "4-4", 0);
  p.ConnectInputs(0, 4, true);
  p.ApplyHostChannelRule();
  EXPECT_TRUE(p.IsInputConnected(1));
  EXPECT_FALSE(p.IsInputConnected(2));
  EXPECT_FALSE(p.IsInputConnected(3));
  EXPECT_TRUE(p.IsOutputConnected(2));
  EXPECT_TRUE(p.IsOutputConnected(3));
  EXPECT_FALSE(p.IsOutputConnected(0));
}

TEST(IPlugBase, SetParameterFromGUIAutomatesAndNotifies)
{
  TestPlug p;
  p.DeclareProductParams();
  p.SetParameterFromGUI(1, 0.505);
  EXPECT_EQ(51.0, p.GetParam(1)->GetValue());
  ASSERT_EQ(1u, p.automated.size());
  EXPECT_EQ(1, p.automated[0].first);
  EXPECT_EQ(0.505, p.automated[0].second);
  EXPECT_EQ(std::vector<int>{1}, p.changed);

  p.SetParameterFromGUI(3, 0.5);
  p.SetParameterFromGUI(-1, 0.5);
  EXPECT_EQ(1u, p.automated.size());

  p.changed.clear();
  p.NotifyAllParamsChanged();
  EXPECT_EQ((std::vector<int>{0, 1, 2}), p.changed);
}

TEST(IPlugBase, AttachEditorPushesNormalizedValuesThenPreparesAndOwnsTheCanvas)
{
  bool destroyed = false;
  {
    TestPlug p;
    p.DeclareProductParams();
    p.GetParam(1)->SetValue(25);
    p.AttachEditor(nullptr);
    EXPECT_EQ(nullptr, p.GetEditor());

    FakeCanvas* canvas = new FakeCanvas(&destroyed);
    p.AttachEditor(canvas);
    EXPECT_EQ(canvas, p.GetEditor());
    EXPECT_EQ("push push push prepare ", canvas->log);
    EXPECT_EQ(0.25, canvas->pushes[1].value);
    EXPECT_TRUE(canvas->pushes[1].normalized);

    canvas->pushes.clear();
    p.PushParamsToEditor();
    ASSERT_EQ(3u, canvas->pushes.size());
    EXPECT_EQ(25.0, canvas->pushes[1].value);
    EXPECT_FALSE(canvas->pushes[1].normalized);
  }
  EXPECT_TRUE(destroyed);
}

TEST(IPlugBase, ConstructionStoresIdentityAndCutsOverlongNames)
{
  TestPlug p;
  EXPECT_STREQ("Vossamere2", p.GetEffectName());
  EXPECT_STREQ("", p.GetProductName());
  EXPECT_EQ(FourCC("Vq4m"), p.GetUniqueID());
  EXPECT_EQ(0x00010000, p.GetVersionNumber(false));
  EXPECT_EQ(10000, p.GetVersionNumber(true));
  EXPECT_EQ(kHostUninit, p.GetHostId());
  EXPECT_EQ(44100.0, p.GetSampleRate());
  EXPECT_EQ(0, p.GetBlockSize());
  EXPECT_EQ(nullptr, p.GetParam(3));
  EXPECT_EQ(nullptr, p.GetParam(-1));

  const std::string longName(300, 'q');
  TestPlug named(0, "1-1", 0, longName.c_str());
  EXPECT_EQ(127u, std::strlen(named.GetEffectName()));
}

TEST(IPlugBase, VersionNumberInDecimalForm)
{
  struct Versioned : TestPlug
  {
    explicit Versioned(int v) { version = v; }
  };
  EXPECT_EQ(50102, Versioned(0x00050102).GetVersionNumber(true));
  EXPECT_EQ(655352509, Versioned((int)0xFFFF1909).GetVersionNumber(true));
}

TEST(ITrace, TimestampIsLocalTimeFollowedByZoneCapitals)
{
  char out[64];
  IBuildTraceTimestamp(0, out, sizeof out);
  const std::time_t t = 0;
  char expected[64];
  std::strftime(expected, sizeof expected, "%Y%m%d %H:%M ", std::localtime(&t));
  ASSERT_EQ(0, std::strncmp(expected, out, std::strlen(expected)));
  for (const char* z = out + std::strlen(expected); *z; ++z) EXPECT_TRUE(*z >= 'A' && *z <= 'Z') << out;

  char tiny[4];
  IBuildTraceTimestamp(0, tiny, sizeof tiny);
  EXPECT_LT(std::strlen(tiny), sizeof tiny);
}
