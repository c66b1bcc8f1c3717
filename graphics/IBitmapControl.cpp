#include "graphics/IBitmapControl.h"

#include "graphics/IEditorCanvas.h"

IBitmapControl::IBitmapControl(IPlugBase* plugIn, int x, int y, int index, const IBitmapRef& bitmapRef,
                               const IBlendSpec* blendIn)
  : IControl(plugIn, IPixelRect(x, y, x + bitmapRef.width, y + bitmapRef.FrameHeight()), index, blendIn),
    bitmap(bitmapRef)
{
}

int IBitmapControl::FrameForValue(int frames, double value)
{
  if (frames <= 1) return 1;
  const double position = (double)(frames - 1) * value + 0.5;
  // Compared before truncating, so that a value out of range (or not a number) can never
  // reach the integer conversion.
  if (!(position >= 1.0)) return 1;
  if (position >= (double)frames) return frames;
  return (int)position + 1;
}

bool IBitmapControl::Render(IEditorCanvas* canvas)
{
  return canvas->DrawBitmapFrame(bitmap, bounds, FrameForValue(bitmap.frames, value), &blend);
}
