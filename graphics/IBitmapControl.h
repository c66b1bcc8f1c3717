#pragma once

#include "graphics/IBitmapRef.h"
#include "graphics/IControl.h"

// Shows the frame of its filmstrip that matches its value: the background, the mono
// overlay, and the base of the switch.
class IBitmapControl : public IControl
{
public:
  // Bounds (x, y, x + width, y + one frame's height). paramIndex -1 binds to nothing.
  IBitmapControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& bitmap, const IBlendSpec* blend);

  // editor thread, inside the redraw pass
  bool Render(IEditorCanvas* canvas) override;

  // The frame (1 .. frames) shown for a value: value 0 shows frame 1, value 1 the last,
  // values between round to the nearest frame, halves up.
  static int FrameForValue(int frames, double value);

  const IBitmapRef& GetBitmap() const { return bitmap; }

protected:
  IBitmapRef bitmap;
};
