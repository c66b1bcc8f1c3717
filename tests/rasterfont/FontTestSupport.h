#pragma once

#include "raster/RasterBitmap.h"

#include <random>
#include <vector>

namespace fonttest {

// A test bitmap inside a larger buffer: `guard` pixels on every side (and the row padding) must
// never change.
class GuardedBitmap : public RasterBitmap
{
public:
  GuardedBitmap(int w, int h, bool flipped = false, int guard = 8)
    : w(w), h(h), g(guard), flipped(flipped), store((size_t)(w + 2 * guard) * (h + 2 * guard), kGuard)
  {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        At(x, y) = 0;
  }
  RasterPixel* GetBits() override { return store.data() + (size_t)g * Span() + g; }
  int GetWidth() override { return w; }
  int GetHeight() override { return h; }
  int GetRowSpan() override { return Span(); }
  bool IsFlipped() override { return flipped; }
  bool Resize(int, int) override { return false; }

  RasterPixel& At(int x, int y) { return RasterRowPointer(GetBits(), h, Span(), flipped, y)[x]; }
  void Fill(std::mt19937& rng)
  {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        At(x, y) = rng();
  }
  bool GuardIntact()
  {
    for (int y = 0; y < h + 2 * g; ++y)
      for (int x = 0; x < w + 2 * g; ++x) {
        const bool inside = x >= g && x < g + w && y >= g && y < g + h;
        if (!inside && store[(size_t)y * Span() + x] != kGuard)
          return false;
      }
    return true;
  }
  std::vector<RasterPixel> Pixels()
  {
    std::vector<RasterPixel> out;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        out.push_back(At(x, y));
    return out;
  }

  static constexpr RasterPixel kGuard = 0xA5C3E1F7;

private:
  int Span() const { return w + 2 * g; }
  int w, h, g;
  bool flipped;
  std::vector<RasterPixel> store;
};

} // namespace fonttest
