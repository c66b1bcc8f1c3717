#include "product/Vossamere2.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

#include "graphics/IBitmapControl.h"
#include "graphics/IEditorCanvas.h"
#include "graphics/IKnobMultiControlText.h"
#include "graphics/ISwitchControl.h"
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
  IEditorCanvas* editor = MakeEditorWindow();
  if (!editor) return;

  const IBitmapRef knob = editor->LoadBitmap(101, "resources/img/knob.png", 101);
  const IBitmapRef typeSwitch = editor->LoadBitmap(102, "resources/img/switch.png", 2);
  const IBitmapRef powerSwitch = editor->LoadBitmap(103, "resources/img/power.png", 2);
  const IBitmapRef overlay = editor->LoadBitmap(104, "resources/img/monomode.png", 1);
  const ITextStyle knobText("Trebuchet MS", 16, IPixelColor(255, 255, 255, 255), TextStyleNormal, TextAlignCenter, 0,
                            TextQualityClearType);
  const IBlendSpec normal(BlendNormal, 1.0f);
  IControl* controls[4] = {
      new (std::nothrow) IKnobMultiControlText(this, IPixelRect(222, 30, 346, 168), kAmount, knob, knobText, &normal),
      new (std::nothrow) ISwitchControl(this, 20, 63, kType, typeSwitch, &normal),
      new (std::nothrow) ISwitchControl(this, 20, 147, kPower, powerSwitch, &normal),
      new (std::nothrow) IBitmapControl(this, 0, 0, -1, overlay, &normal)};
  editor->AttachBackground(100, "resources/img/background.png");

  // A panel with a missing image (or control) would show holes where the user expects
  // controls: the host's own sliders serve better.
  bool complete = editor->NControls() == 1 && knob.bitmap && typeSwitch.bitmap && powerSwitch.bitmap &&
                  overlay.bitmap;
  for (IControl* control : controls) complete = complete && control;
  if (!complete)
  {
    for (IControl* control : controls) delete control;
    delete editor;
    return;
  }
  editor->AttachControl(controls[0]);
  editor->AttachControl(controls[1]);
  editor->AttachControl(controls[2]);
  const int index = editor->AttachControl(controls[3]);
  if (index < 0)
  {
    delete editor;
    return;
  }
  AttachEditor(editor);
  overlayIndex = index;
}

void Vossamere2::ShowMonoOverlay(bool show)
{
  overlayShown = show;
  // Every block, whatever the state was: SetHidden keeps the overlay (the whole panel) dirty
  // while audio runs, and costs three plain stores.
  if (overlayIndex >= 0)
    if (IControl* control = GetEditor()->GetControl(overlayIndex)) control->SetHidden(!show);
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
