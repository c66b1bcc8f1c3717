// The channel bleed through the effect record's block callbacks, against BleedReference.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "product/Vossamere2.h"
#include "tests/product/BleedReference.h"
#include "vst/IPlugVSTEntry.h"

namespace {

class Plug {
 public:
  Plug() : effect(IPlugVSTCreate(nullptr, &MakeVossamere2)) {
    Dispatch(effOpen);
  }
  ~Plug() {
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  Plug(const Plug&) = delete;
  Plug& operator=(const Plug&) = delete;

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  Vossamere2& Product() { return *static_cast<Vossamere2*>(IPlugVST::FromEffect(effect)); }

  void SetRate(double fs) { Dispatch(effSetSampleRate, 0, 0, nullptr, (float)fs); }
  void SetParams(bool power, int amount, int type) {
    effect->setParameter(effect, Vossamere2::kPower, power ? 1.0f : 0.0f);
    effect->setParameter(effect, Vossamere2::kAmount, amount / 100.0f);
    effect->setParameter(effect, Vossamere2::kType, (float)type);
  }
  void SetChannels(int inputs, int outputs) {
    VstSpeakerArrangement in{}, out{};
    in.numChannels = inputs;
    out.numChannels = outputs;
    Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
  }

  void Run64(const double* l, const double* r, double* o0, double* o1, int n) {
    const double* ins[2] = {l, r};
    double* outs[2] = {o0, o1};
    effect->processDoubleReplacing(effect, const_cast<double**>(ins), outs, n);
  }
  void Run32(const float* l, const float* r, float* o0, float* o1, int n, bool accumulate) {
    const float* ins[2] = {l, r};
    float* outs[2] = {o0, o1};
    (accumulate ? effect->process : effect->processReplacing)(effect, const_cast<float**>(ins),
                                                               outs, n);
  }

  AEffect* effect;
};

struct Signal {
  std::vector<double> l, r;
  Signal(SignalSource& source, int n, double scale = 1.0) : l(n), r(n) {
    for (int i = 0; i < n; ++i) {
      l[i] = source.Sample() * scale;
      r[i] = source.Sample() * scale;
    }
  }
};

const double kRates[] = {44100.0, 48000.0, 96000.0, 32000.0};
const int kAmounts[] = {0, 1, 37, 64, 100};
const int kTotalFrames = 6000;

// Runs kTotalFrames through the 64-bit callback in random host blocks of 1..maxBlock
// frames; the returned count of differing samples must be 0.
int Mismatches64(Plug& plug, BleedReference& ref, SignalSource& source, int maxBlock) {
  Signal in(source, kTotalFrames);
  std::vector<double> o0(kTotalFrames), o1(kTotalFrames);
  for (int done = 0; done < kTotalFrames;) {
    int n = 1 + source.Below(maxBlock);
    if (n > kTotalFrames - done) n = kTotalFrames - done;
    plug.Run64(&in.l[done], &in.r[done], &o0[done], &o1[done], n);
    done += n;
  }
  int bad = 0;
  for (int i = 0; i < kTotalFrames; ++i) {
    double e0, e1;
    ref.Step(in.l[i], in.r[i], &e0, &e1);
    if (std::memcmp(&e0, &o0[i], 8) || std::memcmp(&e1, &o1[i], 8)) ++bad;
  }
  return bad;
}

TEST(Bleed, MatchesReferenceBitForBitIn64BitForEveryTypeAmountPowerAndRate) {
  SignalSource source(1);
  for (double fs : kRates)
    for (int type = 0; type <= 1; ++type)
      for (int amount : kAmounts)
        for (int power = 0; power <= 1; ++power) {
          Plug plug;
          plug.SetRate(fs);
          plug.Dispatch(effSetBlockSize, 0, 4096);
          plug.SetParams(power != 0, amount, type);
          BleedReference ref;
          ref.SetRate(fs);
          ref.SetParams(power != 0, amount, type);
          ASSERT_EQ(Mismatches64(plug, ref, source, 4096), 0)
              << fs << " Hz, type " << type << ", amount " << amount << ", power " << power;
        }
}

TEST(Bleed, MatchesReferenceBitForBitIn32BitReplacingAndAccumulating) {
  SignalSource source(2);
  for (double fs : kRates)
    for (int type = 0; type <= 1; ++type)
      for (int amount : {0, 37, 100})
        for (int accumulate = 0; accumulate <= 1; ++accumulate) {
          Plug plug;
          plug.SetRate(fs);
          plug.Dispatch(effSetBlockSize, 0, 512);
          plug.SetParams(true, amount, type);
          BleedReference ref;
          ref.SetRate(fs);
          ref.SetParams(true, amount, type);

          std::vector<float> l(kTotalFrames), r(kTotalFrames), o0(kTotalFrames), o1(kTotalFrames);
          for (int i = 0; i < kTotalFrames; ++i) {
            l[i] = (float)source.Sample();
            r[i] = (float)source.Sample();
            o0[i] = (float)source.Sample();  // what the host's buffers held
            o1[i] = (float)source.Sample();
          }
          std::vector<float> before0 = o0, before1 = o1;
          // Host blocks of 1..512 frames, within the announced block size.
          for (int done = 0; done < kTotalFrames;) {
            int n = 1 + source.Below(512);
            if (n > kTotalFrames - done) n = kTotalFrames - done;
            plug.Run32(&l[done], &r[done], &o0[done], &o1[done], n, accumulate != 0);
            done += n;
          }
          int bad = 0;
          for (int i = 0; i < kTotalFrames; ++i) {
            double e0, e1;
            ref.Step(l[i], r[i], &e0, &e1);
            float x0 = accumulate ? before0[i] + (float)e0 : (float)e0;
            float x1 = accumulate ? before1[i] + (float)e1 : (float)e1;
            if (std::memcmp(&x0, &o0[i], 4) || std::memcmp(&x1, &o1[i], 4)) ++bad;
          }
          ASSERT_EQ(bad, 0) << fs << " Hz, type " << type << ", amount " << amount
                            << (accumulate ? ", accumulating" : ", replacing");
        }
}

TEST(Bleed, HostBlocksLongerThanTheBlockSizeGiveTheSameSamples) {
  SignalSource source(3);
  for (VstIntPtr blockSize : {1, 64, 1000}) {
    Plug plug;
    plug.Dispatch(effSetBlockSize, 0, blockSize);
    plug.SetParams(true, 100, Vossamere2::kConsumer);
    BleedReference ref;
    ref.SetRate(44100.0);
    ref.SetParams(true, 100, Vossamere2::kConsumer);
    EXPECT_EQ(Mismatches64(plug, ref, source, 4096), 0) << "block size " << blockSize;
  }
}

TEST(Bleed, ZeroAmountOrDefaultsLeaveAudioUnchanged) {
  SignalSource source(4);
  for (int type = 0; type <= 1; ++type) {
    Plug plug;
    if (type) plug.SetParams(true, 0, type);  // the other type's run keeps the defaults
    Signal in(source, 777);
    std::vector<double> o0(777), o1(777);
    plug.Run64(in.l.data(), in.r.data(), o0.data(), o1.data(), 777);
    EXPECT_EQ(o0, in.l);
    EXPECT_EQ(o1, in.r);
  }
}

TEST(Bleed, PowerOffPassesThroughAndResumesFromTheFrozenState) {
  SignalSource source(5);
  Plug plug;
  plug.SetParams(true, 80, Vossamere2::kConsumer);
  BleedReference ref;
  ref.SetRate(44100.0);
  ref.SetParams(true, 80, Vossamere2::kConsumer);
  ASSERT_EQ(Mismatches64(plug, ref, source, 300), 0);

  const double s = plug.Product().GetSmoothedLevel();
  const double y = plug.Product().GetFilterState();
  plug.effect->setParameter(plug.effect, Vossamere2::kPower, 0.4f);  // rounds to off
  EXPECT_FALSE(plug.Product().IsPowerOn());
  Signal in(source, 500);
  std::vector<double> o0(500), o1(500);
  plug.Run64(in.l.data(), in.r.data(), o0.data(), o1.data(), 500);
  EXPECT_EQ(o0, in.l);
  EXPECT_EQ(o1, in.r);
  EXPECT_EQ(plug.Product().GetSmoothedLevel(), s);
  EXPECT_EQ(plug.Product().GetFilterState(), y);

  plug.effect->setParameter(plug.effect, Vossamere2::kPower, 1.0f);
  EXPECT_EQ(Mismatches64(plug, ref, source, 300), 0);
}

TEST(Bleed, MonoOutputCopiesChannelZeroAndLeavesEverythingElseAlone) {
  SignalSource source(6);
  Plug plug;
  plug.SetParams(true, 100, Vossamere2::kConsumer);
  BleedReference ref;
  ref.SetRate(44100.0);
  ref.SetParams(true, 100, Vossamere2::kConsumer);
  ASSERT_EQ(Mismatches64(plug, ref, source, 100), 0);
  const double s = plug.Product().GetSmoothedLevel();
  const double y = plug.Product().GetFilterState();

  plug.SetChannels(2, 1);
  EXPECT_FALSE(plug.Product().IsOutputConnected(1));
  Signal in(source, 300);
  std::vector<double> o0(300, 7.0);
  double* outs[1] = {o0.data()};
  const double* ins[2] = {in.l.data(), in.r.data()};
  plug.effect->processDoubleReplacing(plug.effect, const_cast<double**>(ins), outs, 300);
  EXPECT_EQ(o0, in.l);
  EXPECT_TRUE(plug.Product().IsOverlayShown());
  EXPECT_EQ(plug.Product().GetSmoothedLevel(), s);
  EXPECT_EQ(plug.Product().GetFilterState(), y);

  // Back to stereo: the overlay goes on the next block and the bleed resumes where it was.
  plug.SetChannels(2, 2);
  EXPECT_EQ(Mismatches64(plug, ref, source, 100), 0);
  EXPECT_FALSE(plug.Product().IsOverlayShown());
}

TEST(Bleed, OneInputReadsTheSecondChannelAsSilenceEvenAfter32BitBlocks) {
  SignalSource source(7);
  Plug plug;
  plug.SetParams(true, 50, Vossamere2::kProfessional);
  BleedReference ref;
  ref.SetRate(44100.0);
  ref.SetParams(true, 50, Vossamere2::kProfessional);
  // 32-bit blocks leave converted input in the scratch of input 1 ...
  std::vector<float> l(256), r(256), o0(256), o1(256);
  for (int i = 0; i < 256; ++i) {
    l[i] = (float)source.Sample();
    r[i] = (float)source.Sample();
  }
  plug.Run32(l.data(), r.data(), o0.data(), o1.data(), 256, false);
  double e0, e1;
  for (int i = 0; i < 256; ++i) ref.Step(l[i], r[i], &e0, &e1);

  // ... which must not leak into the "1-2" configuration.
  plug.SetChannels(1, 2);
  Signal in(source, 400);
  std::vector<double> d0(400), d1(400);
  const double* ins[1] = {in.l.data()};
  double* outs[2] = {d0.data(), d1.data()};
  plug.effect->processDoubleReplacing(plug.effect, const_cast<double**>(ins), outs, 400);
  for (int i = 0; i < 400; ++i) {
    ref.Step(in.l[i], 0.0, &e0, &e1);
    ASSERT_EQ(d0[i], e0) << i;
    ASSERT_EQ(d1[i], e1) << i;  // the bleed alone
  }
}

TEST(Bleed, SilenceAfterLoudInputSettlesTheFilterOnPositiveZero) {
  Plug plug;
  plug.SetParams(true, 100, Vossamere2::kConsumer);
  std::vector<double> loud(64, -0.9), o0(64), o1(64);
  plug.Run64(loud.data(), loud.data(), o0.data(), o1.data(), 64);
  ASSERT_LT(plug.Product().GetFilterState(), 0.0);
  double zero = 0.0, a, b;
  bool sawSubnormal = false;
  for (int i = 0; i < 2000; ++i) {
    plug.Run64(&zero, &zero, &a, &b, 1);
    if (std::fpclassify(plug.Product().GetFilterState()) == FP_SUBNORMAL) sawSubnormal = true;
  }
  EXPECT_FALSE(sawSubnormal);
  EXPECT_EQ(plug.Product().GetFilterState(), 0.0);
  EXPECT_FALSE(std::signbit(plug.Product().GetFilterState()));
}

// One infinite or NaN sample from the host spoils only its own frame: the filter restarts
// from +0.0, so the frames after it are finite again, and at amount 0 equal the input.
TEST(Bleed, NonFiniteHostSampleSpoilsOnlyItsOwnFrame) {
  const double kBad[] = {std::nan(""), HUGE_VAL, -HUGE_VAL};
  for (int amount : {0, 100}) {
    for (double bad : kBad) {
      Plug plug;
      plug.SetParams(true, amount, Vossamere2::kConsumer);
      std::vector<double> l(32, 0.25), r(32, -0.5), o0(32), o1(32);
      l[3] = bad;
      plug.Run64(l.data(), r.data(), o0.data(), o1.data(), 32);
      EXPECT_EQ(plug.Product().GetFilterState(), plug.Product().GetFilterState());
      for (int i = 4; i < 32; ++i) {
        ASSERT_TRUE(std::isfinite(o0[i]) && std::isfinite(o1[i])) << amount << " " << bad << " " << i;
        if (amount == 0) {
          EXPECT_EQ(o0[i], l[i]);
          EXPECT_EQ(o1[i], r[i]);
        }
      }
    }
  }
}

TEST(BleedCoefficients, CutoffIsTwentyKilohertzOrHalfTheRate) {
  Plug plug;
  Vossamere2& p = plug.Product();
  EXPECT_EQ(p.GetCutoff(), 20000.0);  // 44100 at construction
  EXPECT_NEAR(p.GetPole(), 0.0579, 1e-4);
  EXPECT_EQ(p.GetPole(), std::exp(20000.0 * -6.283185307179586 / 44100.0));
  EXPECT_EQ(p.GetFeedCoefficient(), 1.0 - p.GetPole());
  EXPECT_EQ(p.GetFeedbackCoefficient(), -p.GetPole());
  for (double fs : {48000.0, 96000.0, 40001.0}) {
    plug.SetRate(fs);
    EXPECT_EQ(p.GetCutoff(), 20000.0) << fs;
    EXPECT_EQ(p.GetProcessingSampleRate(), fs);
  }
  plug.SetRate(32000.0);
  EXPECT_EQ(p.GetCutoff(), 16000.0);
}

TEST(BleedCoefficients, ResetKeepsTheFilterAndSmoothingState) {
  SignalSource source(8);
  Plug plug;
  plug.SetParams(true, 100, Vossamere2::kConsumer);
  Signal in(source, 100);
  std::vector<double> o0(100), o1(100);
  plug.Run64(in.l.data(), in.r.data(), o0.data(), o1.data(), 100);
  const double s = plug.Product().GetSmoothedLevel();
  const double y = plug.Product().GetFilterState();
  plug.SetRate(96000.0);
  plug.Dispatch(effSetBlockSize, 0, 333);
  plug.Dispatch(effMainsChanged, 0, 0);
  EXPECT_EQ(plug.Product().GetSmoothedLevel(), s);
  EXPECT_EQ(plug.Product().GetFilterState(), y);
}

TEST(BleedParameters, TypeAndAmountSetGainAndSmoothingTarget) {
  Plug plug;
  Vossamere2& p = plug.Product();
  plug.SetParams(true, 100, Vossamere2::kConsumer);
  EXPECT_EQ(p.GetBleedGain(), 2.5);
  EXPECT_EQ(p.GetSmoothingTarget(), 0.005);
  plug.SetParams(true, 100, Vossamere2::kProfessional);
  EXPECT_EQ(p.GetBleedGain(), 2.5 * 0.1);
  EXPECT_EQ(p.GetSmoothingTarget(), 0.0001);
}

TEST(BleedParameters, AnyIndexRecomputesAllThreeValues) {
  Plug plug;
  Vossamere2& p = plug.Product();
  p.GetParam(Vossamere2::kPower)->SetValue(0.0);
  p.GetParam(Vossamere2::kAmount)->SetValue(60.0);
  p.GetParam(Vossamere2::kType)->SetValue(1.0);
  p.OnParameterChanged(Vossamere2::kPower);
  EXPECT_FALSE(p.IsPowerOn());
  EXPECT_EQ(p.GetBleedGain(), 60 * 0.025);
  EXPECT_EQ(p.GetSmoothingTarget(), 0.005);
}

TEST(BleedParameters, AmountEnteredAsTextWithDecimalsActsAsItsWholePart) {
  Plug plug;
  char text[] = "37.6";
  EXPECT_EQ(plug.Dispatch(effString2Parameter, Vossamere2::kAmount, 0, text), 1);
  EXPECT_EQ(plug.Product().GetParam(Vossamere2::kAmount)->GetValue(), 37.6);
  EXPECT_EQ(plug.Product().GetBleedGain(), 37 * 0.025 * 0.1);
}

}  // namespace
