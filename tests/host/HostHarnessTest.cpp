// The harness itself, against a minimal effect defined here: routing of calls made before the
// entry returns, recording, and the host's answers.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/host/VstTestHost.h"

namespace {

struct FakeEffect {
  AEffect record{};
  audioMasterCallback host = nullptr;
  float lastParameter = -1.0f;
};

VstIntPtr FakeDispatch(AEffect* e, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  FakeEffect* fx = static_cast<FakeEffect*>(e->object);
  if (opcode == effClose) {
    delete fx;
    return 0;
  }
  if (opcode == effGetEffectName && ptr) {
    std::strcpy(static_cast<char*>(ptr), "Fake");
    return 1;
  }
  if (opcode == effOpen) {
    char product[256] = {};
    fx->host(e, audioMasterGetProductString, 0, 0, product, 0.0f);
    fx->host(e, audioMasterCanDo, 0, 0, const_cast<char*>("sendVstTimeInfo"), 0.0f);
    return std::strcmp(product, "Quenmoor Test Host") == 0 ? 1 : 0;
  }
  return 0;
}

void FakeSet(AEffect* e, VstInt32 index, float value) {
  FakeEffect* fx = static_cast<FakeEffect*>(e->object);
  fx->lastParameter = value;
  fx->host(e, audioMasterAutomate, index, 0, nullptr, value);
}

float FakeGet(AEffect* e, VstInt32) { return static_cast<FakeEffect*>(e->object)->lastParameter; }

void FakeReplace(AEffect*, float** in, float** out, VstInt32 frames) {
  for (VstInt32 i = 0; i < frames; ++i) out[0][i] = in[0][i] * 2.0f;
}

void FakeAccumulate(AEffect*, float** in, float** out, VstInt32 frames) {
  for (VstInt32 i = 0; i < frames; ++i) out[0][i] += in[0][i] * 2.0f;
}

AEffect* FakeEntry(audioMasterCallback host) {
  // Real plug-ins ask the host's version before they have a record.
  if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) != 2400) return nullptr;
  FakeEffect* fx = new FakeEffect;
  fx->host = host;
  fx->record.magic = kEffectMagic;
  fx->record.object = fx;
  fx->record.numInputs = 1;
  fx->record.numOutputs = 1;
  fx->record.dispatcher = FakeDispatch;
  fx->record.setParameter = FakeSet;
  fx->record.getParameter = FakeGet;
  fx->record.processReplacing = FakeReplace;
  fx->record.process = FakeAccumulate;
  // A call with the record before the entry returns is routed to the creating host too.
  host(&fx->record, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
  return &fx->record;
}

TEST(VstTestHost, RoutesCallsMadeDuringCreationAndRecordsThem) {
  HostSettings settings;
  settings.sampleRate = 96000.0;
  VstTestHost host(settings);
  VstEffect fx(host.Create(FakeEntry), &host);
  ASSERT_TRUE(fx);
  auto calls = host.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(calls[0].effect, nullptr);
  EXPECT_EQ(calls[1].opcode, audioMasterGetSampleRate);
  EXPECT_EQ(calls[1].effect, fx.Record());
  fx.Close();
}

TEST(VstTestHost, AnswersProductStringAndRecordsCapabilityQueries) {
  VstTestHost host;
  VstEffect fx(host.Create(FakeEntry), &host);
  host.ClearCalls();
  EXPECT_EQ(fx.Dispatch(effOpen), 1);
  auto canDo = host.CallsWith(audioMasterCanDo);
  ASSERT_EQ(canDo.size(), 1u);
  EXPECT_EQ(canDo[0].text, "sendVstTimeInfo");
  EXPECT_EQ(fx.Text(effGetEffectName), "Fake");
  fx.Close();
}

TEST(VstTestHost, KeepsEffectsOfTwoHostsApart) {
  VstTestHost a, b;
  VstEffect fa(a.Create(FakeEntry), &a);
  VstEffect fb(b.Create(FakeEntry), &b);
  a.ClearCalls();
  b.ClearCalls();
  fb.SetParameter(3, 0.5f);
  EXPECT_EQ(a.CountOf(audioMasterAutomate), 0u);
  auto automate = b.CallsWith(audioMasterAutomate);
  ASSERT_EQ(automate.size(), 1u);
  EXPECT_EQ(automate[0].index, 3);
  EXPECT_FLOAT_EQ(automate[0].opt, 0.5f);
  fa.Close();
  fb.Close();
}

TEST(VstTestHost, BlockHelpersReplaceAndAccumulate) {
  VstTestHost host;
  VstEffect fx(host.Create(FakeEntry), &host);
  std::vector<std::vector<float>> in{{1.0f, 2.0f, 3.0f}};
  std::vector<std::vector<float>> out{{5.0f, 5.0f, 5.0f}};
  fx.ProcessReplacing(in, out, 3);
  EXPECT_EQ(out[0], (std::vector<float>{2.0f, 4.0f, 6.0f}));
  fx.ProcessAccumulating(in, out, 3);
  EXPECT_EQ(out[0], (std::vector<float>{4.0f, 8.0f, 12.0f}));
  fx.Close();
}

TEST(VstPluginFile, MissingFileFailsCleanly) {
  VstPluginFile file;
  EXPECT_FALSE(file.Open("/nonexistent/NoSuchPlugin.so"));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Entry(), nullptr);
}

TEST(VstPluginFile, UnixPathsBecomeDriveZPathsOnWindowsOnly) {
  std::string p = VstPluginFile::NativePath("/work/x/Vossamere2.dll");
#ifdef _WIN32
  EXPECT_EQ(p, "Z:\\work\\x\\Vossamere2.dll");
#else
  EXPECT_EQ(p, "/work/x/Vossamere2.dll");
#endif
}

}  // namespace
