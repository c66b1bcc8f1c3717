#include "product/Vossamere2.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

#include "plugin/IPlugParam.h"

// The project's version, packed (product/CMakeLists.txt).
#ifndef VOSS_PRODUCT_VERSION
#error "the build defines VOSS_PRODUCT_VERSION"
#endif

namespace
{
const double kTwoPi = 6.283185307179586;
const double kMaxCutoffHz = 20000.0;
const double kProfessionalTarget = 0.0001;
const double kConsumerTarget = 0.005;
const double kGainPerPercent = 0.025;
const double kProfessionalGainScale = 0.1;

// The exponent field is all zero (zero or subnormal) or all ones (infinite or not a
// number). Either way the filter state is better restarted from +0.0: a subnormal state
// only slows the recursion down, but a non-finite one, left by a single bad host sample,
// would turn every later output into NaN, even at an amount of 0.
inline bool IsZeroSubnormalOrNonFinite(double x)
{
  const double magnitude = std::fabs(x);
  return !(magnitude >= DBL_MIN && magnitude <= DBL_MAX);
}
}  // namespace

Vossamere2::Vossamere2(audioMasterCallback host)
  : IPlugVST(host, kNumParams, "1-2 2-2", 1, "Vossamere2", "", "Quenmoor Audiohouse",
             VOSS_PRODUCT_VERSION, VstFourCC('V', 'q', '4', 'm'), VstFourCC('H', 'l', 'm', 'z'), 0, false,
             false, false)
{
  // Nobody else can reach the instance yet, so no lock.
  ComputeCoefficients(GetSampleRate());

  GetParam(kPower)->DeclareBool("Power", true);
  GetParam(kAmount)->DeclareInt("Amount", 0, 0, 100, "%");
  IPlugParam* type = GetParam(kType);
  type->DeclareInt("Type", 0, 0, 1, "");
  type->AddValueText(kProfessional, "Professional");
  type->AddValueText(kConsumer, "Consumer");

  BuildEditor();
  ShowMonoOverlay(false);

  MakePresetsFromCurrentParams("Default", 1);
}

void Vossamere2::ComputeCoefficients(double fs)
{
  processingSampleRate = fs;
  cutoff = fs * 0.5;
  if (cutoff > kMaxCutoffHz) cutoff = kMaxCutoffHz;
  pole = std::exp(cutoff * -kTwoPi / fs);
  feedCoefficient = 1.0 - pole;
  feedbackCoefficient = -pole;
}

void Vossamere2::OnReset()
{
  IPlugMutexLock lock(mutex);
  ComputeCoefficients(GetSampleRate());
}

void Vossamere2::OnParameterChanged(int)
{
  IPlugMutexLock lock(mutex);
  powerOn = GetParam(kPower)->GetValue() >= 0.5;
  bleedGain = IPlugParam::TruncateToInt(GetParam(kAmount)->GetValue()) * kGainPerPercent;
  if (IPlugParam::TruncateToInt(GetParam(kType)->GetValue()) == kConsumer)
  {
    smoothingTarget = kConsumerTarget;
  }
  else
  {
    bleedGain = bleedGain * kProfessionalGainScale;
    smoothingTarget = kProfessionalTarget;
  }
}

void Vossamere2::BuildEditor()
{
  overlayIndex = -1;
}

void Vossamere2::ShowMonoOverlay(bool show)
{
  overlayShown = show;
}

void Vossamere2::ProcessBlock64(double** inputs, double** outputs, int frames)
{
  const bool stereo = IsOutputConnected(1);
  ShowMonoOverlay(!stereo);
  if (frames <= 0 || !inputs || !outputs) return;

  if (!stereo)
  {
    // Mono pass-through; the filter and the smoothing stay as they are.
    if (outputs[0] != inputs[0])
      std::memmove(outputs[0], inputs[0], (size_t)frames * sizeof(double));
    return;
  }

  const double* left = inputs[0];
  const double* right = inputs[1];
  double* out0 = outputs[0];
  double* out1 = outputs[1];

  if (!powerOn)
  {
    // Read both before writing either: hosts may process in place, crossed or not.
    for (int k = 0; k < frames; ++k)
    {
      const double l = left[k];
      const double r = right[k];
      out0[k] = l;
      out1[k] = r;
    }
    return;
  }

  // The two serial chains (smoothing and the one-pole filter) live in registers for the
  // block; everything else per sample hangs off them.
  const double target = smoothingTarget;
  const double a0 = feedCoefficient;
  const double b1 = feedbackCoefficient;
  const double gain = bleedGain;
  double s = smoothedLevel;
  double y = filterState;
  for (int k = 0; k < frames; ++k)
  {
    const double l = left[k];
    const double r = right[k];
    s = (target + s) * 0.5;
    const double sum = r + l;
    y = sum * a0 - b1 * y;
    const double bleed = (sum * s + (sum - y)) * gain;
    out0[k] = bleed + l;
    out1[k] = bleed + r;
    // Keeps the recursion out of slow subnormal arithmetic when the input falls silent,
    // and lets it recover from a sample that was infinite or not a number. A rarely taken
    // branch (this file is built without if-conversion), so the test stays off the
    // filter's dependency chain.
    if (IsZeroSubnormalOrNonFinite(y)) y = 0.0;
  }
  smoothedLevel = s;
  filterState = y;
}

IPlugVST* MakeVossamere2(audioMasterCallback host)
{
  return new (std::nothrow) Vossamere2(host);
}
