#pragma once

#include <cstdint>

// A colour as the editor describes it: four 32-bit fields, each meant to hold 0..255.
struct IPixelColor
{
  int32_t alpha = 255;
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;

  IPixelColor() = default;
  IPixelColor(int a, int r, int g, int b) : alpha(a), red(r), green(g), blue(b) {}
};
