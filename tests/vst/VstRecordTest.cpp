// The entry point and the effect record it hands to the host.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/vst/VstTestSupport.h"

namespace {

TEST_F(ProductTest, RecordReadsAsDeclared) {
  AEffect* e = fx.Record();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numParams, 3);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  // Editor, replacing, double replacing and mono.
  EXPECT_EQ(e->flags, 0x1019);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->uniqueID, ('V' << 24) | ('q' << 16) | ('4' << 8) | 'm');
  EXPECT_EQ(e->version, 10000);
  EXPECT_EQ(e->object, static_cast<void*>(static_cast<IPlugVST*>(&Product())));
  EXPECT_EQ(e->dispatcher, &IPlugVST::VSTDispatcher);
  EXPECT_EQ(e->process, &VSTAccumulateBlock);
  EXPECT_EQ(e->processReplacing, &VSTReplaceBlock);
  EXPECT_EQ(e->processDoubleReplacing, &VSTReplaceBlock64);
  EXPECT_EQ(e->setParameter, &IPlugVST::VSTSetParameter);
  EXPECT_EQ(e->getParameter, &IPlugVST::VSTGetParameter);
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_EQ(e->resvd2, 0);
  EXPECT_EQ(e->realQualities, 0);
  EXPECT_EQ(e->offQualities, 0);
  EXPECT_EQ(e->user, nullptr);
  const char zeros[sizeof e->future] = {};
  EXPECT_EQ(std::memcmp(e->future, zeros, sizeof zeros), 0);
  EXPECT_EQ(Product().GetMakerID(), ('H' << 24) | ('l' << 16) | ('m' << 8) | 'z');
  EXPECT_EQ(Product().GetBlockSize(), 1024);
  EXPECT_TRUE(Product().IsOutputConnected(0));
  EXPECT_TRUE(Product().IsOutputConnected(1));
}

TEST_F(ProductTest, EntryAsksTheHostNothing) {
  // Host identification waits for effOpen.
  EXPECT_TRUE(host.Calls().empty());
  EXPECT_EQ(Product().GetHostId(), kHostUninit);
}

TEST_F(ProductTest, SpeakerArrangementsStartStereo) {
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(fx.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, kSpeakerArrStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->type, kSpeakerArrStereo);
  EXPECT_EQ(out->numChannels, 2);
  EXPECT_EQ(in->speakers[0].type, 0);
  // Either pointer may be absent.
  EXPECT_EQ(fx.Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST(VstEntry, TwoInstancesAreIndependentAndOutliveEachOther) {
  VstTestHost host;
  VstEffect a(host.Create(&ProductMain), &host);
  VstEffect b(host.Create(&ProductMain), &host);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.Record(), b.Record());
  a.SetParameter(1, 0.5f);
  EXPECT_FLOAT_EQ(a.GetParameter(1), 0.5f);
  EXPECT_FLOAT_EQ(b.GetParameter(1), 0.0f);
  a.Close();
  b.Start(44100.0f, 64);
  b.SetParameter(1, 1.0f);
  std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.5f));
  std::vector<std::vector<float>> out(2, std::vector<float>(64, 0.0f));
  b.ProcessReplacing(in, out, 64);
  EXPECT_NE(out[0][63], 0.5f);  // Amount 100 bleeds
  EXPECT_EQ(b.Text(effGetEffectName), "Vossamere2");
  b.Close();
}

TEST(VstEntry, ProductWithoutPresetSlotsStillReportsOneProgram) {
  VstTestHost host;
  LoggingPlugConfig config;
  config.presets = 0;
  VstEffect fx(CreateLoggingPlug(host, config), &host);
  ASSERT_TRUE(fx);
  EXPECT_EQ(fx.Record()->numPrograms, 1);
  fx.Close();
}

TEST(VstEntry, FlagsAndArrangementsFollowTheChannelString) {
  struct Case {
    const char* io;
    bool mono;
    int inType, outType;
  };
  const Case cases[] = {
      {"2-2", false, kSpeakerArrStereo, kSpeakerArrStereo},
      {"1-1 2-3", true, kSpeakerArrStereo, kSpeakerArrUserDefined},
      {"0-1", false, kSpeakerArrEmpty, kSpeakerArrMono},
  };
  for (const Case& c : cases) {
    VstTestHost host;
    LoggingPlugConfig config;
    config.channelIO = c.io;
    VstEffect fx(CreateLoggingPlug(host, config), &host);
    ASSERT_TRUE(fx) << c.io;
    EXPECT_EQ((fx.Record()->flags & effFlagsCanMono) != 0, c.mono) << c.io;
    EXPECT_EQ(fx.Record()->flags & effFlagsHasEditor, 0) << c.io;
    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    fx.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
    EXPECT_EQ(in->type, c.inType) << c.io;
    EXPECT_EQ(out->type, c.outType) << c.io;
    fx.Close();
  }
}

TEST(VstEntry, InstrumentsAndMidiPlugInsSayWhatTheyAre) {
  VstTestHost host;
  LoggingPlugConfig config;
  config.instrument = true;
  config.midi = true;
  VstEffect fx(CreateLoggingPlug(host, config), &host);
  EXPECT_TRUE(fx.Record()->flags & effFlagsIsSynth);
  EXPECT_EQ(fx.Dispatch(effGetPlugCategory), kPlugCategSynth);
  char caps[][24] = {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents",
                     "receiveVstMidiEvent"};
  for (auto& cap : caps) EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, cap), 1) << cap;
  // A MIDI plug-in asks for MIDI with every block.
  host.ClearCalls();
  std::vector<std::vector<float>> in(2, std::vector<float>(8)), out(2, std::vector<float>(8));
  fx.ProcessReplacing(in, out, 8);
  EXPECT_EQ(host.CountOf(audioMasterWantMidi), 1u);
  fx.Close();
}

TEST(VstEntry, CallbacksOnARecordWithoutInstanceDoNothing) {
  AEffect bare{};
  EXPECT_EQ(IPlugVST::VSTDispatcher(&bare, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(IPlugVST::VSTDispatcher(nullptr, effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(IPlugVST::VSTGetParameter(&bare, 0), 0.0f);
  IPlugVST::VSTSetParameter(nullptr, 0, 1.0f);
  float buffer[4] = {1, 2, 3, 4};
  float* channels[2] = {buffer, buffer};
  VSTReplaceBlock(&bare, channels, channels, 4);
  VSTAccumulateBlock(nullptr, channels, channels, 4);
  VSTReplaceBlock64(&bare, nullptr, nullptr, 4);
  EXPECT_EQ(buffer[3], 4.0f);
}

}  // namespace
