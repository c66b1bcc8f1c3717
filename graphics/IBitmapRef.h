#pragma once

#include <cstdint>

class RasterBitmap;

// What a control keeps of a loaded image: the decoded bitmap (owned by the process-wide
// bitmap cache, so it never dangles), its size and how many frames are stacked in it,
// frame 1 on top, each height / frames pixels tall. A failed load leaves bitmap null and
// the size 0, which draws nothing.
struct IBitmapRef
{
  RasterBitmap* bitmap = nullptr;
  int32_t width = 0;
  int32_t height = 0;  // all frames together
  int32_t frames = 1;

  IBitmapRef() = default;
  IBitmapRef(RasterBitmap* b, int w, int h, int n) : bitmap(b), width(w), height(h), frames(n) {}

  // Pixel rows of one frame; a frame count below 1 counts as 1.
  int FrameHeight() const { return frames > 1 ? height / frames : height; }
};
