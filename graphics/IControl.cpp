#include "graphics/IControl.h"

#include <cmath>

#include "graphics/IEditorCanvas.h"
#include "plugin/IPlugBase.h"

namespace
{
// Truncates toward zero into the int range (a float too large for an int saturates).
int TruncateFloat(float v)
{
  if (!(v > -2147483648.0f)) return v != v ? 0 : INT32_MIN;
  if (!(v < 2147483648.0f)) return INT32_MAX;
  return (int)v;
}
}  // namespace

IControl::IControl(IPlugBase* plugIn, const IPixelRect& rect, int index, const IBlendSpec* blendIn)
  : plug(plugIn), bounds(rect), hitBounds(rect), paramIndex(index), blend(blendIn ? *blendIn : IBlendSpec())
{
}

IControl::~IControl() {}

void IControl::HandlePress(int, int, const IMouseKeys& keys)
{
  if (keys.right) PromptForValue();
}

void IControl::HandleRelease(int, int, const IMouseKeys&) {}

void IControl::HandleDrag(int, int, int, int, const IMouseKeys&) {}

void IControl::HandleDoubleClick(int, int, const IMouseKeys&)
{
  const double restored = defaultValue;
  if (restored >= 0.0)
  {
    value = restored;
    MarkDirty(true);
  }
}

void IControl::HandleWheel(int, int, const IMouseKeys& keys, int delta)
{
  value += delta * (keys.control || keys.shift ? 0.001 : 0.01);
  MarkDirty(true);
}

bool IControl::HandleKey(int, int, int)
{
  return false;
}

void IControl::HandleHover(int, int, const IMouseKeys&) {}

void IControl::HandleLeave() {}

void IControl::ApplyParamValue(double v)
{
  // The plug-in side sends normalised values; one that is not a number is ignored and one
  // outside 0..1 is held to it, so a control never holds (or takes as its default) a value
  // it cannot show.
  if (std::isnan(v)) return;
  if (v < 0.0) v = 0.0;
  if (v > 1.0) v = 1.0;
  if (defaultValue < 0.0)
  {
    value = v;
    defaultValue = v;
  }
  if (v != value)
  {
    value = v;
    MarkDirty(false);
    needsRedraw = true;
  }
}

void IControl::ApplyEnteredText(const char*) {}

void IControl::SetHidden(bool hidden)
{
  isHidden = hidden;
  needsRedraw = true;
  MarkDirty(false);
}

void IControl::SetGreyed(bool greyed)
{
  isGreyed = greyed;
  blend.weight = greyed ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y)
{
  return !hitBounds.IsEmpty() && hitBounds.Contains(x, y);
}

double IControl::ClampValue(double v) const
{
  if (v < clampLow || std::isnan(v)) return clampLow;
  if (v > clampHigh) return clampHigh;
  return v;
}

void IControl::MarkDirty(bool pushToPlug)
{
  // Store only when the clamp changes something: the audio thread marks the overlay dirty
  // for every block and should not write a value the editor thread may be changing.
  const double v = value;
  const double held = ClampValue(v);
  if (held != v || std::isnan(v)) value = held;
  isDirty = true;
  if (pushToPlug && plug && paramIndex >= 0) plug->SetParameterFromGUI(paramIndex, held);
}

void IControl::MarkClean()
{
  isDirty = needsRedraw.Load();
  needsRedraw = false;
}

bool IControl::IsDirty()
{
  return isDirty;
}

void IControl::ReservedHook() {}

void IControl::ApplyUserValue(double v)
{
  if (v != value)
  {
    value = v;
    MarkDirty(true);
    needsRedraw = true;
  }
}

IPlugParam* IControl::GetParam() const
{
  return plug ? plug->GetParam(paramIndex) : nullptr;
}

void IControl::PromptForValue()
{
  if (paramIndex < 0 || promptDisabled) return;
  IPlugParam* param = GetParam();
  IPixelRect area = bounds;
  if (!param || param->CountValueTexts() < 1)
  {
    const int cx = TruncateFloat(((float)bounds.left + (float)bounds.right) * 0.5f);
    const int cy = TruncateFloat(((float)bounds.top + (float)bounds.bottom) * 0.5f);
    area = IPixelRect(cx - 15, cy - 8, cx + 15, cy + 8);
  }
  if (IEditorCanvas* canvas = plug ? plug->GetEditor() : nullptr) canvas->OpenValuePrompt(this, param, &area);
  needsRedraw = true;
}

void IControl::PromptForValueAt(const IPixelRect& rect)
{
  if (paramIndex < 0 || promptDisabled) return;
  IPlugParam* param = GetParam();
  IPixelRect area = rect;
  if (IEditorCanvas* canvas = plug ? plug->GetEditor() : nullptr) canvas->OpenValuePrompt(this, param, &area);
  needsRedraw = true;
}
