#pragma once

#include "graphics/IBitmapControl.h"

// A bitmap control that steps to its next state on each click and wraps to the first.
class ISwitchControl : public IBitmapControl
{
public:
  ISwitchControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& bitmap, const IBlendSpec* blend);

  // editor thread
  void HandlePress(int x, int y, const IMouseKeys& keys) override;
  // A double click steps once more, as a press does.
  void HandleDoubleClick(int x, int y, const IMouseKeys& keys) override;
};
