#include "raster/RasterBlit.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterRectOps.h"

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace rastertest;

namespace {

int Coordinate(std::mt19937& rng)
{
  static const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000, -17, -1, 0, 1, 5, 16, 1000000, INT_MAX - 1, INT_MAX};
  return rng() % 3 ? (int)(rng() % 40) - 12 : extremes[rng() % 12];
}

float Opacity(std::mt19937& rng)
{
  static const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 0.0f, -0.0f, 1e-30f};
  return rng() % 3 ? (float)((int)(rng() % 600) - 100) / 256.0f : odd[rng() % 8];
}

// Every byte outside the bitmaps' pixels (row padding and one guard pixel) must survive.
std::vector<RasterPixel> Outside(TestBitmap& bm)
{
  std::vector<RasterPixel> out;
  auto& raw = bm.Raw();
  const int span = bm.GetRowSpan();
  for (size_t i = 0; i < raw.size(); ++i)
    if (i >= (size_t)span * bm.GetHeight() || (int)(i % span) >= bm.GetWidth())
      out.push_back(raw[i]);
  return out;
}

} // namespace

TEST(RasterFuzz, RandomCallsWithExtremeArgumentsStayInsideTheBitmaps)
{
  std::mt19937 rng(31337);
  const int iterations = 100000;
  for (int iter = 0; iter < iterations; ++iter) {
    TestBitmap a(1 + rng() % 12, 1 + rng() % 9, rng() & 1, 1 + rng() % 3);
    TestBitmap b(1 + rng() % 12, 1 + rng() % 9, rng() & 1, 1 + rng() % 3);
    FillRandom(a, rng);
    FillRandom(b, rng);
    const auto outsideA = Outside(a), outsideB = Outside(b);
    TestBitmap* src = rng() % 4 ? &b : &a; // sometimes the bitmap onto itself
    const int mode = (int)(rng() % 2 ? rng() % 7 : rng()) | (rng() % 2 ? 0x10000 : 0);
    const int x = Coordinate(rng), y = Coordinate(rng), w = Coordinate(rng), h = Coordinate(rng);
    const int sx = Coordinate(rng), sy = Coordinate(rng);
    const float opacity = Opacity(rng);
    const int rect[4] = {sx, sy, w, h};
    const unsigned char mask[16 * 16] = {1, 255, 128, 0, 7};
    switch (rng() % 12) {
    case 0: RasterBlit(&a, src, x, y, rng() % 4 ? rect : nullptr, opacity, mode); break;
    case 1: RasterBlitRect(&a, src, x, y, sx, sy, w, h, opacity, mode); break;
    case 2: RasterFillRect(&a, x, y, w, h, (RasterPixel)rng(), opacity, mode); break;
    case 3: RasterBlur(&a, src, x, y, sx, sy, w, h); break;
    case 4: RasterPutPixel(&a, x, y, (RasterPixel)rng(), opacity, mode); break;
    case 5: RasterScaleOffsetRect(&a, x, y, w, h, opacity, -opacity, 2.0f, 1.0f, opacity * 300.0f, 0.0f, -5.0f, 1.0f); break;
    case 6: RasterMaskRect(&a, x, y, w, h, (RasterPixel)rng(), (RasterPixel)rng()); break;
    case 7: RasterFloodFill(&a, x, y, (RasterPixel)rng(), (RasterPixel)rng(), (RasterPixel)rng()); break;
    case 8: RasterDownsampleHalf(&a, src); break;
    case 9: RasterGradientFill(&a, x, y, w, h, opacity, 0.5f, 0.1f, 1.0f, opacity, 0.1f, -0.1f, 0.0f, 0.2f, opacity, 0.0f, 0.0f, mode); break;
    case 10: RasterDrawCoverageMask(&a, x, y, (RasterPixel)rng(), mask, 1 + (int)(rng() % 16), 1 + (int)(rng() % 16), opacity, mode); break;
    default: {
      int out[4];
      RasterCompareBitmaps(&a, src, out);
      (void)RasterGetPixel(&a, x, y);
      break;
    }
    }
    ASSERT_EQ(Outside(a), outsideA) << "iteration " << iter;
    ASSERT_EQ(Outside(b), outsideB) << "iteration " << iter;
  }
}
