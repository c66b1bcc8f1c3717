// Parameter and block callbacks, and what the instance tells or asks the host.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "tests/vst/VstTestSupport.h"

namespace {

TEST_F(ProductTest, ParametersReadBackNormalised) {
  fx.SetParameter(1, 0.25f);
  EXPECT_EQ(fx.GetParameter(1), 0.25f);
  EXPECT_EQ(Product().GetParam(1)->GetValue(), 25.0);
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(3), 0.0f);
  EXPECT_EQ(fx.GetParameter(-1), 0.0f);
  EXPECT_EQ(fx.GetParameter(INT_MIN), 0.0f);
  fx.SetParameter(3, 1.0f);  // ignored
  fx.SetParameter(-1, 1.0f);
  EXPECT_EQ(fx.GetParameter(1), 0.25f);
}

TEST_F(ProductTest, HostValuesOutsideZeroToOneStayInRange) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, -inf, -3.0f, 7.0f, inf}) {
    fx.SetParameter(1, bad);
    const double v = Product().GetParam(1)->GetValue();
    EXPECT_TRUE(v >= 0.0 && v <= 100.0) << bad;
    const float n = fx.GetParameter(1);
    EXPECT_TRUE(n >= 0.0f && n <= 1.0f) << bad;
    EXPECT_TRUE(std::isfinite(Product().GetBleedGain())) << bad;
  }
}

TEST_F(ProductTest, PowerBelowHalfRoundsOffAndTheNextBlockPassesThrough) {
  fx.Start(44100.0f, 32);
  fx.SetParameter(1, 1.0f);
  fx.SetParameter(0, 0.4f);
  EXPECT_EQ(Product().GetParam(0)->GetValue(), 0.0);
  std::vector<std::vector<double>> in = {std::vector<double>(32, 0.3),
                                         std::vector<double>(32, -0.1)};
  std::vector<std::vector<double>> out(2, std::vector<double>(32, 5.0));
  fx.ProcessDouble(in, out, 32);
  EXPECT_EQ(out, in);
}

TEST_F(ProductTest, HostParameterChangesAreNotEchoedToTheHost) {
  fx.Dispatch(effOpen);
  host.ClearCalls();
  fx.SetParameter(1, 0.5f);
  fx.SetParameter(2, 1.0f);
  char consumer[] = "Consumer";
  fx.Dispatch(effString2Parameter, 2, 0, consumer);
  EXPECT_TRUE(host.Calls().empty());
}

TEST_F(ProductTest, EditorChangesAreAutomatedInsideTheGesture) {
  fx.Dispatch(effOpen);
  host.ClearCalls();
  Product().HostBeginEdit(1);
  Product().SetParameterFromGUI(1, 0.5);
  Product().SetParameterFromGUI(1, 0.75);
  Product().HostEndEdit(1);
  Product().HostUpdateDisplay();
  auto calls = host.Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls[0].index, 1);
  EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[1].index, 1);
  EXPECT_EQ(calls[1].opt, 0.5f);
  EXPECT_EQ(calls[2].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[2].opt, 0.75f);
  EXPECT_EQ(calls[3].opcode, audioMasterEndEdit);
  EXPECT_EQ(calls[3].index, 1);
  EXPECT_EQ(calls[4].opcode, audioMasterUpdateDisplay);
  for (const auto& c : calls) EXPECT_EQ(c.effect, fx.Record());
  // The product follows at once.
  EXPECT_EQ(Product().GetBleedGain(), 75 * 0.025 * 0.1);
}

TEST_F(ProductTest, HostIsIdentifiedOnceAtOpen) {
  host.settings.productString = "Adobe Audition";
  host.settings.vendorVersion = 50010;  // 5.0.10
  fx.Dispatch(effOpen);
  fx.Dispatch(effOpen);
  auto calls = host.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].opcode, audioMasterGetProductString);
  EXPECT_TRUE(calls[0].hasPtr);
  EXPECT_EQ(calls[1].opcode, audioMasterGetVendorVersion);
  EXPECT_EQ(Product().GetHostId(), kHostAudition);
  EXPECT_EQ(Product().GetHostVersion(), 0x0005000A);
  EXPECT_TRUE(Product().IsHostInitDone());
  // The channel rule for this host touches inputs from the third on: none here.
  EXPECT_TRUE(Product().IsInputConnected(0));
  EXPECT_TRUE(Product().IsInputConnected(1));
  EXPECT_EQ(fx.Record()->numInputs, 2);
  EXPECT_EQ(fx.Record()->numOutputs, 2);
  EXPECT_EQ(Product().IdentifyHost(), kHostAudition);
  EXPECT_EQ(host.Calls().size(), 2u);
}

TEST_F(ProductTest, HostWithoutAProductStringIsNotAskedForItsVersion) {
  host.settings.productString = "";
  fx.Dispatch(effOpen);
  EXPECT_EQ(host.CountOf(audioMasterGetProductString), 1u);
  EXPECT_EQ(host.CountOf(audioMasterGetVendorVersion), 0u);
  EXPECT_EQ(Product().GetHostId(), kHostUnknown);
  EXPECT_EQ(Product().GetHostVersion(), 0);
}

TEST(VstHostRule, ChannelRuleHostsDisconnectInputsFromTheThird) {
  VstTestHost host;
  host.settings.productString = "Orion Platinum";
  LoggingPlugConfig config;
  config.channelIO = "4-4";
  VstEffect fx(CreateLoggingPlug(host, config), &host);
  IPlugVST& plug = *IPlugVST::FromEffect(fx.Record());
  fx.Dispatch(effOpen);
  EXPECT_EQ(plug.GetHostId(), kHostOrion);
  EXPECT_TRUE(plug.IsInputConnected(1));
  EXPECT_FALSE(plug.IsInputConnected(2));
  EXPECT_FALSE(plug.IsInputConnected(3));
  EXPECT_TRUE(plug.IsOutputConnected(3));
  fx.Close();
}

TEST_F(ProductTest, TransportQueriesReadOnlyWhatTheHostMarksValid) {
  VstTimeInfo& t = host.settings.timeInfo;
  t.samplePos = 1000.5;
  t.tempo = 128.0;
  t.ppqPos = 4.25;
  t.barStartPos = -1.0;  // marked valid but negative: not taken
  t.cycleStartPos = 2.0;
  t.cycleEndPos = 6.0;
  t.timeSigNumerator = 7;
  t.timeSigDenominator = 8;
  t.flags = kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid |
            kVstTransportPlaying;
  IPlugVST& plug = Product();
  EXPECT_EQ(plug.GetSamplePosition(), 1001);
  EXPECT_EQ(plug.GetTempo(), 128.0);
  int num = -1, den = -1;
  plug.GetTimeSignature(&num, &den);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(den, 8);

  ITransportInfo info;
  info.lastBarStart = 99.0;
  info.cycleStart = 98.0;
  plug.GetTransportInfo(&info);
  EXPECT_EQ(info.tempo, 128.0);
  EXPECT_EQ(info.samplePosition, 1000.5);
  EXPECT_EQ(info.quarterNotePosition, 4.25);
  EXPECT_EQ(info.lastBarStart, 99.0);
  EXPECT_EQ(info.cycleStart, 98.0);  // cycle not marked valid
  EXPECT_EQ(info.numerator, 7);
  EXPECT_TRUE(info.transportPlaying);
  EXPECT_FALSE(info.cycleActive);

  auto asked = host.CallsWith(audioMasterGetTime);
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_EQ(asked[0].value, 0);
  EXPECT_EQ(asked[1].value, kVstTempoValid);
  EXPECT_EQ(asked[2].value, kVstTimeSigValid);
  EXPECT_EQ(asked[3].value, 0x3E00);
}

TEST_F(ProductTest, TransportQueriesFallBackWithoutTimeInfo) {
  host.settings.provideTime = false;
  IPlugVST& plug = Product();
  EXPECT_EQ(plug.GetSamplePosition(), 0);
  EXPECT_EQ(plug.GetTempo(), 0.0);
  int num = 3, den = 4;
  plug.GetTimeSignature(&num, &den);
  EXPECT_EQ(num, 0);
  EXPECT_EQ(den, 0);
  ITransportInfo info;
  info.tempo = 90.0;
  plug.GetTransportInfo(&info);
  EXPECT_EQ(info.tempo, 90.0);
  plug.GetTimeSignature(nullptr, &den);
  plug.GetTransportInfo(nullptr);

  // Positions beyond the int range saturate rather than overflow.
  host.settings.provideTime = true;
  host.settings.timeInfo.samplePos = 1e300;
  EXPECT_EQ(plug.GetSamplePosition(), INT_MAX);
  host.settings.timeInfo.samplePos = -5.0;
  EXPECT_EQ(plug.GetSamplePosition(), 0);
}

TEST_F(ProductTest, MidiOutGoesAsOneEventListsAndReportsTheHostsAnswer) {
  IMidiMessage a, b;
  a.sampleOffset = 3;
  a.status = 0xB0;
  a.data1 = 7;
  a.data2 = 127;
  b.status = 0x80;
  EXPECT_TRUE(Product().SendMidiMessage(&a));
  auto sent = host.CallsWith(audioMasterProcessEvents);
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].midiEvents.size(), 1u);
  EXPECT_EQ(sent[0].midiEvents[0].deltaFrames, 3);
  EXPECT_EQ((uint8_t)sent[0].midiEvents[0].midiData[0], 0xB0);
  EXPECT_EQ(sent[0].midiEvents[0].midiData[2], 127);

  IPtrList<IMidiMessage> list;
  list.Add(&a);
  list.Add(&b);
  EXPECT_TRUE(Product().SendMidiMessages(&list));
  host.settings.processEventsAnswer = 0;
  EXPECT_FALSE(Product().SendMidiMessage(&b));
  EXPECT_FALSE(Product().SendMidiMessages(&list));
  EXPECT_EQ(host.CountOf(audioMasterProcessEvents), 6u);  // every message is still sent
  EXPECT_FALSE(Product().SendMidiMessage(nullptr));
}

TEST_F(ProductTest, LatencyGoesIntoTheRecordWithoutTellingTheHost) {
  Product().SetLatencyFrames(64);
  EXPECT_EQ(fx.Record()->initialDelay, 64);
  EXPECT_EQ(Product().GetLatency(), 64);
  EXPECT_TRUE(host.Calls().empty());
}

TEST_F(ProductTest, ThirtyTwoAndSixtyFourBitBlocksAgreeAndAccumulateAdds) {
  fx.Start(48000.0f, 128);
  fx.SetParameter(1, 0.8f);
  fx.SetParameter(2, 1.0f);
  VstEffect twin(host.Create(&ProductMain), &host);
  twin.Start(48000.0f, 128);
  twin.SetParameter(1, 0.8f);
  twin.SetParameter(2, 1.0f);
  VstEffect third(host.Create(&ProductMain), &host);
  third.Start(48000.0f, 128);
  third.SetParameter(1, 0.8f);
  third.SetParameter(2, 1.0f);

  std::vector<std::vector<float>> in(2, std::vector<float>(128));
  std::vector<std::vector<double>> in64(2, std::vector<double>(128));
  for (int i = 0; i < 128; ++i) {
    in[0][i] = std::sin(i * 0.1f) * 0.5f;
    in[1][i] = std::cos(i * 0.07f) * 0.5f;
    in64[0][i] = in[0][i];
    in64[1][i] = in[1][i];
  }
  std::vector<std::vector<float>> out32(2, std::vector<float>(128, 3.0f));
  std::vector<std::vector<float>> acc(2, std::vector<float>(128, 0.25f));
  std::vector<std::vector<double>> out64(2, std::vector<double>(128, 3.0));
  fx.ProcessReplacing(in, out32, 128);
  twin.ProcessDouble(in64, out64, 128);
  third.ProcessAccumulating(in, acc, 128);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 128; ++i) {
      EXPECT_EQ(out32[c][i], (float)out64[c][i]);
      EXPECT_EQ(acc[c][i], 0.25f + (float)out64[c][i]);
    }
  twin.Close();
  third.Close();
}

TEST_F(ProductTest, BlocksWithMissingOrOddHostBuffersAreHarmless) {
  fx.Start(44100.0f, 64);
  fx.SetParameter(1, 1.0f);
  AEffect* e = fx.Record();
  std::vector<float> a(64, 0.5f), b(64, 0.5f);
  float* partial[2] = {a.data(), nullptr};
  e->processReplacing(e, partial, partial, 64);
  e->processReplacing(e, nullptr, nullptr, 64);
  e->processDoubleReplacing(e, nullptr, nullptr, 64);
  float* both[2] = {a.data(), b.data()};
  e->processReplacing(e, both, both, 0);
  e->processReplacing(e, both, both, -64);
  e->processReplacing(e, both, both, INT_MIN);
  for (float s : a) EXPECT_TRUE(std::isfinite(s));
  // The instance still processes normally afterwards.
  std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.5f));
  std::vector<std::vector<float>> out(2, std::vector<float>(64, 0.0f));
  fx.ProcessReplacing(in, out, 64);
  EXPECT_TRUE(std::isfinite(out[0][63]));
  EXPECT_NE(out[0][63], 0.5f);
}

}  // namespace
