// Lines, dashed lines and rectangle outlines.

#include "raster/RasterLine.h"
#include "raster/RasterPrimitives.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <set>
#include <utility>

using namespace rastertest;

namespace {

using PixelSet = std::set<std::pair<int, int>>;

// Pixels that differ from the background 0.
PixelSet Drawn(TestBitmap& bm)
{
  PixelSet s;
  for (int y = 0; y < bm.GetHeight(); ++y)
    for (int x = 0; x < bm.GetWidth(); ++x)
      if (bm.At(x, y) != 0)
        s.insert({x, y});
  return s;
}

// The pixels of a sloped line inside the bitmap, in closed form: after i steps from the lower
// end along the major axis the minor coordinate has moved floor((i * slope + 1/2) / 1) pixels;
// the other end mirrors it.
std::vector<std::pair<int, int>> ReferenceSlopedLine(int x1, int y1, int x2, int y2)
{
  const bool majorX = std::abs(x2 - x1) > std::abs(y2 - y1);
  int aMaj = majorX ? x1 : y1, aMin = majorX ? y1 : x1, bMaj = majorX ? x2 : y2, bMin = majorX ? y2 : x2;
  if (aMaj > bMaj) {
    std::swap(aMaj, bMaj);
    std::swap(aMin, bMin);
  }
  const i64 major = bMaj - aMaj, minor = std::abs(bMin - aMin), s = bMin > aMin ? 1 : -1;
  const i64 slope = (i64)((double)minor * 65536.0 / (double)major);
  std::vector<std::pair<int, int>> out;
  auto add = [&](i64 maj, i64 mn) { out.push_back(majorX ? std::make_pair((int)maj, (int)mn) : std::make_pair((int)mn, (int)maj)); };
  const i64 steps = (major + 1) / 2;
  auto moved = [&](i64 i) { return (i * slope + 0x8000) >> 16; };
  for (i64 i = 0; i < steps; ++i) {
    add(aMaj + i, aMin + s * moved(i));
    add(bMaj - i, bMin - s * moved(i));
  }
  if (major % 2 == 0)
    add(aMaj + steps, aMin + s * moved(steps));
  return out;
}

} // namespace

TEST(RasterLine, SlopedLinesMatchTheClosedFormStepping)
{
  std::mt19937 rng(11);
  for (int iter = 0; iter < 3000; ++iter) {
    const int w = 1 + rng() % 40, h = 1 + rng() % 40;
    TestBitmap bm(w, h, rng() % 2 == 0), ref(w, h, false);
    FillRandom(bm, rng);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ref.At(x, y) = bm.At(x, y);
    const int x1 = rng() % w, y1 = rng() % h, x2 = rng() % w, y2 = rng() % h;
    if (x1 == x2 || y1 == y2 || std::abs(x2 - x1) == std::abs(y2 - y1))
      continue;
    const RasterPixel colour = RandomPixel(rng);
    const int mode = rng() % 6;
    const float alpha = (float)(rng() % 300) / 256.0f;
    RasterLine(&bm, x1, y1, x2, y2, colour, alpha, mode, false);
    const int f = (int)(alpha * 256);
    if (f != 0 && !(mode == 0 && f < 0)) {
      // Flipped bitmaps step in stored row order: y is converted before drawing.
      const bool flip = bm.IsFlipped();
      const int m1 = flip ? h - 1 - y1 : y1, m2 = flip ? h - 1 - y2 : y2;
      for (auto p : ReferenceSlopedLine(x1, m1, x2, m2)) {
        RasterPixel& d = ref.At(p.first, flip ? h - 1 - p.second : p.second);
        d = (mode == 0 && f == 128) ? ((colour >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F) : Combine(d, colour, f, mode);
      }
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(bm.At(x, y), ref.At(x, y)) << iter << " at " << x << "," << y;
  }
}

TEST(RasterLine, ReversedLineHasTheSamePixels)
{
  TestBitmap a(16, 8, false), b(16, 8, false);
  RasterLine(&a, 0, 0, 10, 3, 0xFFFFFFFF, 1.0f, 0, false);
  RasterLine(&b, 10, 3, 0, 0, 0xFFFFFFFF, 1.0f, 0, false);
  EXPECT_EQ(Drawn(a), Drawn(b));
  EXPECT_EQ(Drawn(a).size(), 11u);
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i) {
    TestBitmap c(30, 30, false), d(30, 30, false);
    const int x1 = rng() % 30, y1 = rng() % 30, x2 = rng() % 30, y2 = rng() % 30;
    const bool aa = rng() % 2;
    RasterLine(&c, x1, y1, x2, y2, 0xFF808080, 1.0f, 0, aa);
    RasterLine(&d, x2, y2, x1, y1, 0xFF808080, 1.0f, 0, aa);
    ASSERT_EQ(c.Raw(), d.Raw()) << x1 << "," << y1 << " " << x2 << "," << y2;
  }
}

TEST(RasterLine, ClippingCutsAtTheEdgesAndDropsLinesOutside)
{
  TestBitmap bm(10, 10, false);
  RasterLine(&bm, -5, -1, 20, -1, 0xFFFFFFFF, 1.0f, 0, false);
  RasterLine(&bm, 12, -3, 30, 8, 0xFFFFFFFF, 1.0f, 0, true);
  RasterLineF(&bm, -5.5f, 11.0f, 30.0f, 40.0f, 0xFFFFFFFF, 1.0f, 0, true);
  EXPECT_TRUE(Drawn(bm).empty());
  RasterLine(&bm, -100, 4, 100, 4, 0xFFFFFFFF, 1.0f, 0, false);
  EXPECT_EQ(Drawn(bm).size(), 10u);
  RasterLine(&bm, 5, INT_MIN, 5, INT_MAX, 0xFFFFFFFF, 1.0f, 0, false);
  for (int y = 0; y < 10; ++y)
    EXPECT_EQ(bm.At(5, y), 0xFFFFFFFFu);
}

TEST(RasterLine, CopyShortcutsForStraightLines)
{
  const RasterPixel colour = 0x80FF4020, dest = 0x10305070;
  auto one = [&](float alpha, int x2, int y2) {
    TestBitmap bm(4, 4, false);
    for (auto& p : bm.Raw())
      p = dest;
    RasterLine(&bm, 0, 0, x2, y2, colour, alpha, 0, false);
    return bm.At(0, 0);
  };
  const RasterPixel half = ((colour >> 1) & 0x7F7F7F7F) + ((dest >> 1) & 0x7F7F7F7F);
  EXPECT_EQ(one(0.5f, 3, 0), half);
  EXPECT_EQ(one(0.5f, 3, 3), half);
  EXPECT_EQ(one(1.0f, 0, 3), colour);
  const RasterPixel quarter = ((dest >> 1) & 0x7F7F7F7F) + ((dest >> 2) & 0x3F3F3F3F) + ((colour >> 2) & 0x3F3F3F3F);
  const RasterPixel threeQ = ((colour >> 1) & 0x7F7F7F7F) + ((colour >> 2) & 0x3F3F3F3F) + ((dest >> 2) & 0x3F3F3F3F);
  EXPECT_EQ(one(0.25f, 3, 0), quarter);
  EXPECT_EQ(one(0.75f, 0, 3), threeQ);
  // The word forms need those exact alphas; the same opacity from another alpha blends, as
  // does a quarter on a diagonal.
  EXPECT_EQ(one(0.2510f, 3, 0), Combine(dest, colour, 64, 0));
  EXPECT_EQ(one(0.25f, 3, 3), Combine(dest, colour, 64, 0));
  EXPECT_EQ(one(-0.5f, 3, 0), dest);
  EXPECT_EQ(one(std::nanf(""), 3, 0), dest);
}

TEST(RasterLine, AntiAliasedPairsShareTheColourAcrossTheMinorAxis)
{
  // White on black at full opacity: along a shallow line each column's two pixels split 255.
  TestBitmap bm(64, 16, false);
  RasterLineF(&bm, 2.0f, 3.25f, 60.0f, 11.7f, 0xFFFFFFFF, 1.0f, 0, true);
  for (int x = 2; x <= 60; ++x) {
    int sum = 0, count = 0;
    for (int y = 0; y < 16; ++y) {
      const int v = Byte(bm.At(x, y), 0);
      sum += v;
      count += v != 0;
    }
    EXPECT_GE(sum, 253) << x;
    EXPECT_LE(sum, 256) << x;
    EXPECT_LE(count, 2) << x;
    // The stronger pixel is the one nearer the exact line.
    const double exact = 3.25 + (x - 2) * (11.7 - 3.25) / 58.0;
    const int nearest = (int)std::floor(exact + 0.5);
    EXPECT_GE(Byte(bm.At(x, nearest), 0), 127) << x;
  }
  // The integer form steps from both ends; its pairs share the colour the same way, whichever
  // way the minor axis runs.
  for (int dir = 0; dir < 2; ++dir) {
    TestBitmap l(64, 16, dir == 1);
    RasterLine(&l, 60, dir ? 2 : 13, 3, dir ? 13 : 2, 0xFFFFFFFF, 1.0f, 0, true);
    for (int x = 3; x <= 60; ++x) {
      int sum = 0, count = 0;
      for (int y = 0; y < 16; ++y) {
        sum += Byte(l.At(x, y), 0);
        count += l.At(x, y) != 0;
      }
      EXPECT_GE(sum, 253) << x;
      EXPECT_LE(sum, 256) << x;
      EXPECT_LE(count, 2) << x;
      const double exact = dir ? 2 + (60 - x) * 11.0 / 57.0 : 13 - (60 - x) * 11.0 / 57.0;
      EXPECT_GE(Byte(l.At(x, (int)std::floor(exact + 0.5)), 0), 120) << dir << " " << x;
    }
  }
  // Integer anti-aliased diagonal: 3/4 on the line, 1/4 beside it, nothing after the last pixel.
  TestBitmap d(6, 6, false);
  RasterLine(&d, 0, 0, 3, 3, 0xFFFFFFFF, 1.0f, 0, true);
  EXPECT_EQ(d.At(0, 0), 0xBEBEBEBEu);
  EXPECT_EQ(d.At(1, 0), 0x3F3F3F3Fu);
  EXPECT_EQ(d.At(0, 1), 0x3F3F3F3Fu);
  EXPECT_EQ(d.At(3, 3), 0xBEBEBEBEu);
  EXPECT_EQ(d.At(4, 3), 0u);
}

TEST(RasterLine, NonAntiAliasedFloatLineIsTheTruncatedIntegerLine)
{
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) {
    TestBitmap a(20, 20, true), b(20, 20, true);
    const float x1 = (float)(rng() % 3000) / 100 - 5, y1 = (float)(rng() % 3000) / 100 - 5;
    const float x2 = (float)(rng() % 3000) / 100 - 5, y2 = (float)(rng() % 3000) / 100 - 5;
    RasterLineF(&a, x1, y1, x2, y2, 0xFF00FF00, 1.0f, 1, false);
    RasterLine(&b, (int)x1, (int)y1, (int)x2, (int)y2, 0xFF00FF00, 1.0f, 1, false);
    ASSERT_EQ(a.Raw(), b.Raw());
  }
}

TEST(RasterLine, DashesAlternateFromTheFirstEndAndStopBeforeTheSecond)
{
  TestBitmap bm(4, 16, false);
  RasterDashedLine(&bm, 1, 2, 1, 13, 3, 2, 0xFFFFFFFF, 1.0f, 0);
  std::string got;
  for (int y = 0; y < 16; ++y)
    got += bm.At(1, y) ? '#' : '.';
  EXPECT_EQ(got, "..###..###..#...");
  TestBitmap r(16, 3, false);
  RasterDashedLine(&r, 12, 1, 2, 1, 1, 1, 0xFFFFFFFF, 1.0f, 0);
  got.clear();
  for (int x = 0; x < 16; ++x)
    got += r.At(x, 1) ? '#' : '.';
  EXPECT_EQ(got, "..#.#.#.#.#.....");
  TestBitmap s(16, 16, false);
  RasterDashedLine(&s, 0, 0, 10, 10, 2, 2, 0xFFFFFFFF, 1.0f, 0);
  RasterDashedLine(&s, 0, 0, 10, 0, 0, 2, 0xFFFFFFFF, 1.0f, 0);
  RasterDashedLine(&s, 0, 5, 15, 5, INT_MAX, INT_MAX, 0xFFFFFFFF, 1.0f, 7);
  EXPECT_TRUE(Drawn(s).empty());
}

TEST(RasterLine, RectangleOutlineAndBorderedRect)
{
  TestBitmap bm(10, 10, false);
  RasterRectOutline(&bm, 1, 2, 5, 4, 0xFF000001, 1.0f, RasterModeAdd);
  // Add mode shows the corners drawn twice.
  EXPECT_EQ(bm.At(1, 2), 0xFF000002u);
  EXPECT_EQ(bm.At(6, 6), 0xFF000002u);
  EXPECT_EQ(bm.At(3, 2), 0xFF000001u);
  EXPECT_EQ(bm.At(3, 4), 0u);
  EXPECT_EQ(Drawn(bm).size(), 18u);
  TestBitmap b(10, 10, true);
  RasterBorderedRect(&b, 1, 1, 4, 4, 0xFF00FF00, 0xFFFF0000, 1.0f, 0);
  EXPECT_EQ(b.At(1, 1), 0xFFFF0000u);
  EXPECT_EQ(b.At(3, 3), 0xFF00FF00u);
  EXPECT_EQ(b.At(5, 5), 0xFFFF0000u);
  EXPECT_EQ(b.At(6, 6), 0u);
  // The source-alpha flag changes nothing for shapes, the fill included.
  TestBitmap c(10, 10, false), d(10, 10, false);
  RasterBorderedRect(&c, 1, 1, 6, 5, 0x8000FF00, 0x40FF0000, 0.5f, RasterModeAdd | RasterModeUseSourceAlpha);
  RasterBorderedRect(&d, 1, 1, 6, 5, 0x8000FF00, 0x40FF0000, 0.5f, RasterModeAdd);
  EXPECT_EQ(c.Raw(), d.Raw());
  EXPECT_EQ(c.At(3, 3), 0x40007F00u);
  RasterRectOutline(&b, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0xFFFFFFFF, 1.0f, 0);
  RasterBorderedRect(&b, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 1, 1, 1.0f, 0);
}
