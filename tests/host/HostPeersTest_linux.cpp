// The harness against real third-party VST2 plug-ins from Debian (dpf-plugins-vst,
// zam-plugins). These export only "main"; editor opcodes are left out on purpose because some
// of them open an X display when asked for their editor.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "tests/host/VstTestHost.h"

namespace {

struct Peer {
  const char* file;
  const char* name;
};

const Peer kPeers[] = {
    {"/usr/lib/vst/3BandEQ-vst.so", "3 Band EQ"},
    {"/usr/lib/vst/PingPongPan-vst.so", "Ping Pong Pan"},
    {"/usr/lib/vst/ZamComp-vst.so", "ZamComp"},
    {"/usr/lib/vst/ZamDelay-vst.so", "ZamDelay"},
};

// Names the peer in test listings instead of dumping its bytes.
void PrintTo(const Peer& peer, std::ostream* os) { *os << peer.name; }

class HostPeers : public ::testing::TestWithParam<Peer> {
 protected:
  void SetUp() override {
    if (access(GetParam().file, R_OK) != 0) GTEST_SKIP() << GetParam().file << " not installed";
    ASSERT_TRUE(file.Open(GetParam().file));
    effect = VstEffect(host.Create(file.Entry()), &host);
    ASSERT_TRUE(effect);
  }
  void TearDown() override { effect.Close(); }

  std::vector<std::vector<float>> Buffers(int channels, int frames, float value) {
    return std::vector<std::vector<float>>(channels, std::vector<float>(frames, value));
  }

  VstPluginFile file;
  VstTestHost host;
  VstEffect effect;
};

TEST_P(HostPeers, LoadsThroughMainAndAnswersCallsMadeBeforeTheEntryReturns) {
  EXPECT_EQ(file.EntryName(), "main");
  // Calls the plug-in made from inside its entry (typically audioMasterVersion with a null
  // effect) were routed to this host and answered.
  for (const auto& call : host.Calls()) {
    EXPECT_TRUE(call.effect == nullptr || call.effect == effect.Record());
  }
}

TEST_P(HostPeers, ReportsASaneRecordAndTexts) {
  AEffect* e = effect.Record();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_GT(e->numParams, 0);
  EXPECT_GE(e->numPrograms, 1);
  EXPECT_GE(e->numInputs, 1);
  EXPECT_GE(e->numOutputs, 1);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);
  EXPECT_NE(e->uniqueID, 0);
  EXPECT_EQ(effect.Text(effGetEffectName), GetParam().name);
  EXPECT_FALSE(effect.Text(effGetVendorString).empty());
  EXPECT_EQ(effect.Dispatch(effGetVstVersion), kVstVersion);
  for (int i = 0; i < e->numParams; ++i) {
    EXPECT_FALSE(effect.Text(effGetParamName, i).empty()) << i;
    float v = effect.GetParameter(i);
    EXPECT_GE(v, 0.0f) << i;
    EXPECT_LE(v, 1.0f) << i;
  }
}

TEST_P(HostPeers, ProcessesAudioReplacingWhatTheOutputHeld) {
  AEffect* e = effect.Record();
  const int frames = 256;
  effect.Start(48000.0f, frames);
  auto in = Buffers(e->numInputs, frames, 0.25f);
  double energy = 0.0;
  for (int block = 0; block < 8; ++block) {
    auto out = Buffers(e->numOutputs, frames, 9.0f);
    effect.ProcessReplacing(in, out, frames);
    for (auto& channel : out) {
      for (float s : channel) {
        ASSERT_TRUE(std::isfinite(s));
        ASSERT_LT(std::fabs(s), 4.0f);  // nothing left of the 9.0 the buffers held
        energy += double(s) * s;
      }
    }
  }
  EXPECT_GT(energy, 0.0);
  effect.Dispatch(effMainsChanged, 0, 0);
}

TEST_P(HostPeers, ParameterSetByTheHostReadsBackOnceOpen) {
  AEffect* e = effect.Record();
  // DPF plug-ins create their processing object on effOpen and ignore parameters before.
  effect.Start(44100.0f, 128);
  int last = e->numParams - 1;
  effect.SetParameter(last, 0.0f);
  float low = effect.GetParameter(last);
  effect.SetParameter(last, 1.0f);
  float high = effect.GetParameter(last);
  EXPECT_LE(low, high);
  EXPECT_NEAR(high, 1.0f, 1e-3);
}

TEST_P(HostPeers, SurvivesTheCallOrdersRealHostsUse) {
  AEffect* e = effect.Record();
  // Suspend without an earlier resume, then resume twice, then unknown opcodes.
  effect.Dispatch(effMainsChanged, 0, 0);
  effect.Dispatch(effOpen);
  effect.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  effect.Dispatch(effSetBlockSize, 0, 64);
  effect.Dispatch(effMainsChanged, 0, 1);
  effect.Dispatch(effMainsChanged, 0, 1);
  EXPECT_EQ(effect.Dispatch(effGetPlugCategory) >= 0, true);
  auto in = Buffers(e->numInputs, 64, 0.1f);
  auto out = Buffers(e->numOutputs, 64, 0.0f);
  effect.ProcessReplacing(in, out, 64);
  for (float s : out[0]) ASSERT_TRUE(std::isfinite(s));
  effect.Dispatch(effMainsChanged, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Debian, HostPeers, ::testing::ValuesIn(kPeers),
                         [](const ::testing::TestParamInfo<Peer>& info) {
                           std::string n;
                           for (const char* c = info.param.name; *c; ++c) {
                             if (isalnum(static_cast<unsigned char>(*c))) n += *c;
                           }
                           return n;
                         });

}  // namespace
