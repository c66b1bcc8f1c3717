// The dispatcher: answers, texts, programs, chunks, channels, events, and the nonsense real
// hosts send.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "tests/vst/VstTestSupport.h"

namespace {

// A buffer that shows whether (and how far) the plug-in wrote into it.
struct TextBuffer {
  char bytes[256];
  TextBuffer() { std::memset(bytes, '#', sizeof bytes); }
  bool Untouched() const {
    for (char c : bytes)
      if (c != '#') return false;
    return true;
  }
};

TEST_F(ProductTest, ParameterNamesLabelsAndDisplayTexts) {
  EXPECT_EQ(fx.Text(effGetParamName, 0), "Power");
  EXPECT_EQ(fx.Text(effGetParamName, 1), "Amount");
  EXPECT_EQ(fx.Text(effGetParamName, 2), "Type");
  EXPECT_EQ(fx.Text(effGetParamLabel, 0), "");
  EXPECT_EQ(fx.Text(effGetParamLabel, 1), "%");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 0), "on");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "0");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 2), "Professional");
  fx.SetParameter(0, 0.0f);
  fx.SetParameter(1, 0.51f);
  fx.SetParameter(2, 1.0f);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 0), "off");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "51");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 2), "Consumer");
}

TEST_F(ProductTest, InvalidParameterIndexWritesNothing) {
  for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
    for (VstInt32 index : {-1, 3, INT_MAX}) {
      TextBuffer b;
      EXPECT_EQ(fx.Dispatch(opcode, index, 0, b.bytes), 0);
      EXPECT_TRUE(b.Untouched()) << opcode << " " << index;
    }
  // A null buffer is skipped too.
  EXPECT_EQ(fx.Dispatch(effGetParamName, 0, 0, nullptr), 0);
}

TEST_F(ProductTest, NamesVersionIdentityAndCategory) {
  VstIntPtr r = 0;
  EXPECT_EQ(fx.Text(effGetEffectName, 0, &r), "Vossamere2");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(fx.Text(effGetVendorString, 0, &r), "Quenmoor Audiohouse");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(fx.Text(effGetProductString, 0, &r), "");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(fx.Dispatch(effGetEffectName, 0, 0, nullptr), 0);
  EXPECT_EQ(fx.Dispatch(effGetVendorString, 0, 0, nullptr), 0);
  EXPECT_EQ(fx.Dispatch(effGetProductString, 0, 0, nullptr), 0);
  EXPECT_EQ(fx.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(fx.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(fx.Dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(fx.Dispatch(effCanBeAutomated, 2), 1);
}

TEST_F(ProductTest, CanDoAnswersAndRemembersCockosHosts) {
  char timeInfo[] = "receiveVstTimeInfo";
  char events[] = "receiveVstEvents";
  char cockos[] = "hasCockosExtensions";
  char view[] = "hasCockosViewAsConfig";
  char upper[] = "ReceiveVstTimeInfo";
  char other[] = "bypass";
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, timeInfo), 1);
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, events), 0);  // no MIDI in this product
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, upper), 0);
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, other), 0);
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, nullptr), 0);
  EXPECT_EQ(Product().GetHostCapabilities(), 0);
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, cockos), (VstIntPtr)0xBEEF0000);
  EXPECT_EQ(Product().GetHostCapabilities(), 1);
  EXPECT_EQ(fx.Dispatch(effCanDo, 0, 0, view), (VstIntPtr)0xBEEF0000);
  EXPECT_EQ(Product().GetHostCapabilities(), 3);
}

TEST_F(ProductTest, PinPropertiesPairChannelsIntoStereo) {
  for (VstInt32 opcode : {effGetInputProperties, effGetOutputProperties}) {
    const char* word = opcode == effGetInputProperties ? "Input" : "Output";
    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof pin);
    EXPECT_EQ(fx.Dispatch(opcode, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(std::string(pin.label), std::string(word) + " 1");
    EXPECT_EQ(pin.arrangementType, 0x55555555);  // fields not named are not written
    EXPECT_EQ(fx.Dispatch(opcode, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_EQ(std::string(pin.label), std::string(word) + " 2");
    for (VstInt32 bad : {2, -1, INT_MIN}) EXPECT_EQ(fx.Dispatch(opcode, bad, 0, &pin), 0);
    EXPECT_EQ(fx.Dispatch(opcode, 0, 0, nullptr), 0);
  }
}

TEST_F(ProductTest, EditorOpcodesAnswerForThePanel) {
  ERect* rect = nullptr;
  EXPECT_EQ(fx.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_EQ(rect, &Product().GetEditorRect());
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 240);
  EXPECT_EQ(rect->right, 368);
  EXPECT_EQ(fx.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  // No parent window: the editor cannot open, and closing it anyway is harmless.
  EXPECT_EQ(fx.Dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(fx.Dispatch(effEditClose), 1);
  EXPECT_EQ(fx.Dispatch(effEditIdle), 0);
}

TEST_F(ProductTest, TextToValueUsesValueTextsOrNumbers) {
  char consumer[] = "Consumer";
  char lower[] = "consumer";
  char fraction[] = "37.6";
  char tooBig[] = "150";
  char negative[] = "-20";
  char notANumber[] = "nan";
  char garbage[] = "loud";
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 2, 0, consumer), 1);
  EXPECT_EQ(Product().GetParam(2)->GetValue(), 1.0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 2, 0, lower), 0);
  EXPECT_EQ(Product().GetParam(2)->GetValue(), 1.0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 1, 0, fraction), 1);
  EXPECT_EQ(Product().GetParam(1)->GetValue(), 37.6);  // no rounding to the step
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 1, 0, tooBig), 1);
  EXPECT_EQ(Product().GetParam(1)->GetValue(), 100.0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 1, 0, negative), 1);
  EXPECT_EQ(Product().GetParam(1)->GetValue(), 0.0);
  fx.Dispatch(effString2Parameter, 1, 0, tooBig);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 1, 0, notANumber), 1);
  EXPECT_EQ(Product().GetParam(1)->GetValue(), 0.0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 1, 0, garbage), 1);  // unreadable reads as 0
  EXPECT_EQ(Product().GetParam(1)->GetValue(), 0.0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 3, 0, consumer), 0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, -1, 0, consumer), 0);
  EXPECT_EQ(fx.Dispatch(effString2Parameter, 1, 0, nullptr), 1);
  // The product follows: Consumer with Amount 100 bleeds at 2.5.
  fx.Dispatch(effString2Parameter, 1, 0, tooBig);
  EXPECT_EQ(Product().GetBleedGain(), 2.5);
}

TEST_F(ProductTest, VendorSpecificFormatsANormalisedValue) {
  TextBuffer b;
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, 1, b.bytes, 0.5f), 0xBEEF);
  EXPECT_STREQ(b.bytes, "50");
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, 2, b.bytes, 1.0f), 0xBEEF);
  EXPECT_STREQ(b.bytes, "Consumer");
  TextBuffer untouched;
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, 3, untouched.bytes, 0.5f), 0xBEEF);
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, -1, untouched.bytes, 0.5f), 0xBEEF);
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, (VstIntPtr)1 << 40, untouched.bytes, 0.5f),
            0xBEEF);
  EXPECT_TRUE(untouched.Untouched());
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, 1, nullptr, 0.5f), 0);
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 6, 1, b.bytes, 0.5f), 0);
  EXPECT_EQ(fx.Dispatch(effVendorSpecific, 7, 1, b.bytes, std::nanf("")), 0xBEEF);
  EXPECT_LT(std::strlen(b.bytes), 32u);
}

TEST_F(ProductTest, ProgramsNameSelectAndRename) {
  VstIntPtr r = 0;
  EXPECT_EQ(fx.Dispatch(effGetProgram), 0);
  EXPECT_EQ(fx.Text(effGetProgramName), "Default");
  EXPECT_EQ(fx.Text(effGetProgramNameIndexed, 0, &r), "Default");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(fx.Text(effGetProgramNameIndexed, 1, &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(fx.Text(effGetProgramNameIndexed, -1, &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(fx.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

  char name[] = "Wide desk";
  fx.Dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(fx.Text(effGetProgramName), "Wide desk");
  EXPECT_EQ(fx.Dispatch(effSetProgramName, 0, 0, nullptr), 0);

  // Selecting stores the current values first; no slot 5, and 2^32 must not wrap to 0.
  fx.SetParameter(1, 0.3f);
  fx.Dispatch(effSetProgram, 0, 5);
  fx.Dispatch(effSetProgram, 0, (VstIntPtr)1 << 32);
  EXPECT_EQ(fx.Dispatch(effGetProgram), 0);
  fx.SetParameter(1, 0.9f);
  fx.Dispatch(effSetProgram, 0, 0);
  EXPECT_FLOAT_EQ(fx.GetParameter(1), 0.9f);  // stored, then reloaded
}

TEST_F(ProductTest, ProgramNamesLongerThanHostsExpectAreCut) {
  char longName[] = "A name of thirty characters!!";
  fx.Dispatch(effSetProgramName, 0, 0, longName);
  TextBuffer b;
  fx.Dispatch(effGetProgramName, 0, 0, b.bytes);
  EXPECT_EQ(std::strlen(b.bytes), (size_t)kVstMaxProgNameLen);
  EXPECT_EQ(b.bytes[kVstMaxProgNameLen + 1], '#');
}

std::vector<uint8_t> Bytes(std::initializer_list<double> values, bool header) {
  std::vector<uint8_t> out;
  if (header) out = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  for (double v : values) {
    uint8_t b[8];
    std::memcpy(b, &v, 8);
    out.insert(out.end(), b, b + 8);
  }
  return out;
}

TEST_F(ProductTest, ProgramChunkIsHeaderThenThreeDoubles) {
  fx.SetParameter(1, 0.25f);
  fx.SetParameter(2, 1.0f);
  EXPECT_EQ(fx.GetChunk(true), Bytes({1.0, 25.0, 1.0}, true));
  void* data = nullptr;
  EXPECT_EQ(fx.Dispatch(effGetChunk, 1, 0, nullptr), 0);
  EXPECT_EQ(fx.Dispatch(effGetChunk, 1, 0, &data), 32);
  EXPECT_NE(data, nullptr);
}

TEST_F(ProductTest, BankChunkHoldsTheDefaultSlot) {
  fx.SetParameter(1, 0.5f);
  std::vector<uint8_t> expected = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00,
                                   7,    0,    0,    0,    'D',  'e',  'f',  'a',
                                   'u',  'l',  't',  1};
  std::vector<uint8_t> values = Bytes({1.0, 50.0, 0.0}, false);
  expected.insert(expected.end(), values.begin(), values.end());
  EXPECT_EQ(fx.GetChunk(false), expected);
  EXPECT_EQ(expected.size(), 44u);
}

TEST_F(ProductTest, ChunksRestoreWhatWasSaved) {
  fx.Start(48000.0f, 256);  // resumed: hosts load state while running
  fx.SetParameter(0, 0.0f);
  fx.SetParameter(1, 0.75f);
  fx.SetParameter(2, 1.0f);
  std::vector<uint8_t> program = fx.GetChunk(true);
  std::vector<uint8_t> bank = fx.GetChunk(false);
  fx.SetParameter(0, 1.0f);
  fx.SetParameter(1, 0.1f);
  fx.SetParameter(2, 0.0f);
  EXPECT_EQ(fx.SetChunk(program, true), 1);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 0), "off");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "75");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 2), "Consumer");
  EXPECT_FALSE(Product().IsPowerOn());
  EXPECT_EQ(Product().GetBleedGain(), 75 * 0.025);

  fx.SetParameter(1, 0.1f);
  EXPECT_EQ(fx.SetChunk(bank, false), 1);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "75");
  EXPECT_EQ(fx.Text(effGetProgramName), "Default");

  // Some hosts hand back the very pointer they were given.
  void* own = nullptr;
  VstIntPtr size = fx.Dispatch(effGetChunk, 1, 0, &own);
  EXPECT_EQ(fx.Dispatch(effSetChunk, 1, size, own), 1);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "75");
}

TEST_F(ProductTest, BadChunksFailWithoutHarm) {
  std::vector<uint8_t> magicOnly = {0x74, 0x66, 0x66, 0x70};
  EXPECT_EQ(fx.SetChunk(magicOnly, true), 0);
  uint8_t data[64] = {};
  EXPECT_EQ(fx.Dispatch(effSetChunk, 1, 32, nullptr), 0);
  EXPECT_EQ(fx.Dispatch(effSetChunk, 1, -1, data), 0);
  EXPECT_EQ(fx.Dispatch(effSetChunk, 0, INT_MIN, data), 0);
  EXPECT_EQ(fx.Dispatch(effSetChunk, 0, (VstIntPtr)1 << 40, data), 0);
  EXPECT_EQ(fx.Dispatch(effSetChunk, 1, INT_MAX, data), 0);
  // A header-less 24-byte block still loads, with values clamped.
  EXPECT_EQ(fx.SetChunk(Bytes({0.0, 150.0, -3.0}, false), true), 1);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 0), "off");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "100");
  EXPECT_EQ(fx.Text(effGetParamDisplay, 2), "Professional");
  // The instance still answers and saves normally.
  EXPECT_EQ(fx.GetChunk(true).size(), 32u);
}

TEST_F(ProductTest, SampleRatesThatAreNotPositiveNumbersAreIgnored) {
  fx.Dispatch(effSetSampleRate, 0, 0, nullptr, 32000.0f);
  EXPECT_EQ(Product().GetCutoff(), 16000.0);
  for (float bad : {0.0f, -48000.0f, std::nanf(""), std::numeric_limits<float>::infinity()}) {
    fx.Dispatch(effSetSampleRate, 0, 0, nullptr, bad);
    EXPECT_EQ(Product().GetSampleRate(), 32000.0) << bad;
    EXPECT_EQ(Product().GetCutoff(), 16000.0) << bad;
    EXPECT_TRUE(std::isfinite(Product().GetPole())) << bad;
  }
}

TEST_F(ProductTest, BlockSizesOutsideOneToAMillionAreIgnored) {
  fx.Dispatch(effSetBlockSize, 0, 300);
  EXPECT_EQ(Product().GetBlockSize(), 300);
  for (VstIntPtr bad : {(VstIntPtr)0, (VstIntPtr)-1, (VstIntPtr)INT_MIN, (VstIntPtr)1 << 21,
                        (VstIntPtr)1 << 40})
    fx.Dispatch(effSetBlockSize, 0, bad);
  EXPECT_EQ(Product().GetBlockSize(), 300);
  // Blocks of any length still process, in parts.
  fx.SetParameter(1, 1.0f);
  std::vector<std::vector<double>> in(2, std::vector<double>(5000, 0.25));
  std::vector<std::vector<double>> out(2, std::vector<double>(5000, 0.0));
  fx.ProcessDouble(in, out, 5000);
  EXPECT_NE(out[1][4999], 0.0);
  EXPECT_TRUE(std::isfinite(out[1][4999]));
}

TEST(VstDispatcher, SuspendResetsAfterDeactivatingAndResumeOnlyActivates) {
  VstTestHost host;
  VstEffect fx(CreateLoggingPlug(host, LoggingPlugConfig()), &host);
  LoggingPlug& plug = *static_cast<LoggingPlug*>(IPlugVST::FromEffect(fx.Record()));
  fx.Dispatch(effMainsChanged, 0, 0);  // hosts may suspend first
  EXPECT_EQ(plug.log, (std::vector<std::string>{"deactivate", "reset"}));
  plug.log.clear();
  fx.Dispatch(effMainsChanged, 0, 1);
  fx.Dispatch(effMainsChanged, 0, 1);
  EXPECT_EQ(plug.log, (std::vector<std::string>{"activate", "activate"}));
  plug.log.clear();
  fx.Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
  fx.Dispatch(effSetBlockSize, 0, 99);
  EXPECT_EQ(plug.log, (std::vector<std::string>{"reset", "reset"}));
  plug.log.clear();
  fx.Dispatch(effOpen);
  EXPECT_EQ(plug.log, (std::vector<std::string>{"param 0", "param 1"}));
  fx.Close();
}

TEST(VstDispatcher, OpcodesItDoesNotKnowAnswerZeroAndChangeNothing) {
  VstTestHost host;
  VstEffect fx(CreateLoggingPlug(host, LoggingPlugConfig()), &host);
  LoggingPlug& plug = *static_cast<LoggingPlug*>(IPlugVST::FromEffect(fx.Record()));
  std::vector<uint8_t> before = fx.GetChunk(true);
  char scratch[256] = {};
  for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 38, 39, 40, 41, 43, 44,
                          46, 49, 52, 53, 54, 55, 56, 57, 59, 60, 61, 62, 63, 64, 65, 67, 68, 70,
                          71, 77, 78, 79, 80, 1000, -1, INT_MIN, INT_MAX})
    EXPECT_EQ(fx.Dispatch(opcode, 1, 1, scratch, 1.0f), 0) << opcode;
  EXPECT_TRUE(plug.log.empty());
  EXPECT_EQ(fx.GetChunk(true), before);
  EXPECT_EQ(host.CountOf(audioMasterGetProductString), 0u);
  fx.Close();
}

TEST_F(ProductTest, OneOutputChannelSwitchesToMonoPassThrough) {
  fx.Start(44100.0f, 64);
  fx.SetParameter(1, 1.0f);
  VstSpeakerArrangement in{}, out{};
  in.numChannels = 2;
  out.numChannels = 1;
  EXPECT_EQ(fx.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  EXPECT_FALSE(Product().IsOutputConnected(1));
  std::vector<std::vector<float>> input = {std::vector<float>(64, 0.5f),
                                           std::vector<float>(64, -0.25f)};
  std::vector<std::vector<float>> output = {std::vector<float>(64, 9.0f)};
  fx.ProcessReplacing(input, output, 64);
  EXPECT_EQ(output[0], input[0]);
  EXPECT_TRUE(Product().IsOverlayShown());
}

TEST_F(ProductTest, ArrangementsWithImpossibleChannelCountsAreClamped) {
  VstSpeakerArrangement in{}, out{};
  in.numChannels = -7;
  out.numChannels = 1000;
  EXPECT_EQ(fx.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  EXPECT_FALSE(Product().IsInputConnected(0));
  EXPECT_FALSE(Product().IsInputConnected(1));
  EXPECT_TRUE(Product().IsOutputConnected(1));
  in.numChannels = INT_MAX;
  EXPECT_EQ(fx.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), nullptr), 1);
  EXPECT_TRUE(Product().IsInputConnected(1));
  EXPECT_EQ(fx.Dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST_F(ProductTest, EventsGoBackToTheHostOneAtATime) {
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof note;
  note.deltaFrames = 17;
  note.midiData[0] = (char)0x90;
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstEvent other{};
  other.type = kVstSysExMidiType;
  other.byteSize = sizeof other;
  struct {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[3];
  } list = {3, 0, {reinterpret_cast<VstEvent*>(&note), nullptr, &other}};
  host.ClearCalls();
  EXPECT_EQ(fx.Dispatch(effProcessEvents, 0, 0, &list), 1);
  auto sent = host.CallsWith(audioMasterProcessEvents);
  ASSERT_EQ(sent.size(), 2u);
  // The MIDI message is passed on as a fresh one-event list (the core's default thru) ...
  ASSERT_EQ(sent[0].midiEvents.size(), 1u);
  const VstMidiEvent& thru = sent[0].midiEvents[0];
  EXPECT_EQ(thru.byteSize, 32);
  EXPECT_EQ(thru.deltaFrames, 17);
  EXPECT_EQ((uint8_t)thru.midiData[0], 0x90);
  EXPECT_EQ(thru.midiData[1], 60);
  EXPECT_EQ(thru.midiData[2], 100);
  EXPECT_EQ(thru.noteLength, 0);
  // ... and any other event goes back unchanged, alone.
  EXPECT_EQ(sent[1].eventTypes, (std::vector<VstInt32>{kVstSysExMidiType}));
  EXPECT_EQ(fx.Dispatch(effProcessEvents, 0, 0, nullptr), 0);
  list.numEvents = -5;
  EXPECT_EQ(fx.Dispatch(effProcessEvents, 0, 0, &list), 1);
}

TEST_F(ProductTest, MidiKeyNamesAreEmpty) {
  MidiKeyName key{};
  key.thisKeyNumber = 60;
  std::strcpy(key.keyName, "stale");
  EXPECT_EQ(fx.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
  EXPECT_EQ(fx.Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

}  // namespace
