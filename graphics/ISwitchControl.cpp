#include "graphics/ISwitchControl.h"

#include <cmath>

ISwitchControl::ISwitchControl(IPlugBase* plugIn, int x, int y, int index, const IBitmapRef& bitmapRef,
                               const IBlendSpec* blendIn)
  : IBitmapControl(plugIn, x, y, index, bitmapRef, blendIn)
{
}

void ISwitchControl::HandlePress(int, int, const IMouseKeys& keys)
{
  if (keys.right)
    PromptForValue();
  else
    value += bitmap.frames > 1 ? 1.0 / (bitmap.frames - 1) : 1.0;
  // Past the last state (with some slack for the sum of the steps) wraps to the first.
  if (value > 1.001 || std::isnan((double)value)) value = 0.0;
  MarkDirty(true);
}

void ISwitchControl::HandleDoubleClick(int x, int y, const IMouseKeys& keys)
{
  HandlePress(x, y, keys);
}
