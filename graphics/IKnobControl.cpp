#include "graphics/IKnobControl.h"

IKnobControl::IKnobControl(IPlugBase* plugIn, const IPixelRect& rect, int index, const IBlendSpec* blendIn,
                           int dir, double gear)
  : IControl(plugIn, rect, index, blendIn), direction(dir), gearing(gear)
{
}

void IKnobControl::HandleDrag(int, int, int dX, int dY, const IMouseKeys& keys)
{
  double g = gearing;
  if (keys.control || keys.shift) g *= 10.0;
  // The divisor is the negative height, so moving up raises the value. A knob of no height
  // (or width) does not move: 0 / 0 would reset it to the low end on every press.
  const double span = direction == KnobHorizontal ? (double)bounds.right - (double)bounds.left
                                                  : (double)bounds.top - (double)bounds.bottom;
  const double delta = direction == KnobHorizontal ? (double)dX : (double)dY;
  if (span != 0.0) value += (delta / span) / g;
  MarkDirty(true);
}
