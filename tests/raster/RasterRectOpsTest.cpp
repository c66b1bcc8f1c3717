#include "raster/RasterMemBitmap.h"
#include "raster/RasterRectOps.h"

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>

using namespace rastertest;

TEST(RasterRectOps, ScaleOffsetWorksInByteUnitsAndHoldsResults)
{
  TestBitmap bm(3, 2, true);
  for (auto& p : bm.Raw()) p = 0x80808080;
  // red doubled, green halved plus 10, blue inverted, alpha unchanged; column 2 is outside.
  RasterScaleOffsetRect(&bm, -1, 0, 3, 5, 2.0f, 0.5f, -1.0f, 1.0f, 0.0f, 10.0f, 255.0f, 0.0f);
  EXPECT_EQ(bm.At(0, 0), 0x80FF4A7Fu);
  EXPECT_EQ(bm.At(1, 1), 0x80FF4A7Fu);
  EXPECT_EQ(bm.At(2, 0), 0x80808080u);
}

namespace {
void CountAndMark(RasterPixel* p, void* user)
{
  *p = 0xFFFFFFFF;
  ++*(int*)user;
}
} // namespace

TEST(RasterRectOps, VisitMaskAndKeyColourTouchOnlyTheClippedArea)
{
  TestBitmap bm(4, 4, false);
  int visited = 0;
  RasterVisitRect(&bm, 2, 2, 10, 10, CountAndMark, &visited);
  EXPECT_EQ(visited, 4);
  EXPECT_EQ(bm.At(1, 1), 0u);
  EXPECT_EQ(bm.At(3, 3), 0xFFFFFFFFu);
  RasterVisitRect(&bm, INT_MIN, INT_MIN, INT_MAX, INT_MAX, CountAndMark, &visited);
  EXPECT_EQ(visited, 4);

  RasterMaskRect(&bm, 0, 0, 4, 4, 0x00000011, 0xFF0000FF);
  EXPECT_EQ(bm.At(3, 3), 0xFF0000FFu);
  EXPECT_EQ(bm.At(0, 0), 0x00000011u);

  RasterKeyColorToAlpha(&bm, 0xAB000011);
  EXPECT_EQ(bm.At(0, 0), 0x00000011u);
  EXPECT_EQ(bm.At(3, 3), 0xFF0000FFu);
  bm.At(1, 0) = 0x00123456;
  RasterKeyColorToAlpha(&bm, 0x11);
  EXPECT_EQ(bm.At(1, 0), 0xFF123456u);
}

TEST(RasterRectOps, FloodFillStopsAtBordersAndTerminatesWhenTheColourStillMatches)
{
  TestBitmap bm(6, 5, true);
  // A wall in column 3 except at the bottom row.
  for (int y = 0; y < 4; ++y) bm.At(3, y) = 0xFF000000;
  RasterFloodFill(&bm, 0, 0, 0x00FF0000, 0xFFFFFFFF, 0);
  EXPECT_EQ(bm.At(5, 0), 0x00FF0000u); // reached around the wall
  EXPECT_EQ(bm.At(3, 0), 0xFF000000u);

  // Comparing only the alpha byte: the written colour keeps matching the seed, yet the fill ends.
  TestBitmap same(50, 40, false);
  RasterFloodFill(&same, 10, 10, 0x00ABCDEF, 0xFF000000, 0xFF000000);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(same.At(x, y), 0x00ABCDEFu);

  const auto before = same.Raw();
  RasterFloodFill(&same, -1, 0, 0, 0, 0);
  RasterFloodFill(&same, 50, 0, 0, 0, 0);
  RasterFloodFill(&same, 0, INT_MAX, 0, 0, 0);
  EXPECT_EQ(same.Raw(), before);
}

TEST(RasterRectOps, DownsampleAveragesTwoByTwoBlocksWithinBothSizes)
{
  TestBitmap src(5, 4, false), dest(3, 1, true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) src.At(x, y) = (RasterPixel)(x * 10 + y) * 0x01010101u;
  dest.At(2, 0) = 0x55555555;
  RasterDownsampleHalf(&dest, &src);
  // Block (0,0): values 0, 10, 1, 11 -> 22 / 4 rounded = 6 (5.5 rounds up).
  EXPECT_EQ(dest.At(0, 0), 0x06060606u);
  EXPECT_EQ(dest.At(1, 0), 0x1A1A1A1Au); // 20, 30, 21, 31 -> 25.5 -> 26
  EXPECT_EQ(dest.At(2, 0), 0x55555555u); // beyond half the source width

  RasterDownsampleHalf(&src, &src); // in place reads each block before writing over it
  EXPECT_EQ(src.At(1, 1), 0x1C1C1C1Cu); // 22, 32, 23, 33 -> 27.5 -> 28
}

TEST(RasterRectOps, CompareAnswersSizeDifferencesAndTheDifferingArea)
{
  RasterMemBitmap a(6, 4), b(6, 4), c(4, 4), d(6, 7);
  for (int i = 0; i < a.GetRowSpan() * 4; ++i) a.GetBits()[i] = b.GetBits()[i] = 7;
  int rect[4] = {-1, -1, -1, -1};
  EXPECT_EQ(RasterCompareBitmaps(&a, &b, rect), 0);
  EXPECT_EQ(rect[0], -1);
  EXPECT_EQ(RasterCompareBitmaps(&a, &c, rect), 2);
  EXPECT_EQ(RasterCompareBitmaps(&a, &d, rect), -3);
  b.GetBits()[1 * b.GetRowSpan() + 4] = 8;
  b.GetBits()[2 * b.GetRowSpan() + 2] = 8;
  EXPECT_NE(RasterCompareBitmaps(&a, &b, rect), 0);
  EXPECT_EQ(rect[0], 2);
  EXPECT_EQ(rect[1], 1);
  EXPECT_EQ(rect[2], 5);
  EXPECT_EQ(rect[3], 3);
  EXPECT_NE(RasterCompareBitmaps(&a, &b, nullptr), 0);
  EXPECT_EQ(RasterCompareBitmaps(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(RasterCompareBitmaps(&a, nullptr, nullptr), 6);
}

TEST(RasterRectOps, GradientChangesLinearlyFromTheRectangleCorner)
{
  TestBitmap bm(4, 3, false);
  // Red rises by a quarter per column, blue by half per row; opaque.
  RasterGradientFill(&bm, -1, 0, 5, 3, 0.0f, 0.0f, 0.0f, 1.0f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f,
                     RasterModeCopy);
  EXPECT_EQ(bm.At(0, 0), 0xFF400000u); // column 1 of the rectangle: 0.25 -> 64
  EXPECT_EQ(bm.At(3, 0), 0xFFFF0000u); // 1.0 -> 255
  EXPECT_EQ(bm.At(0, 2), 0xFF4000FFu);
  EXPECT_EQ(bm.At(1, 1), 0xFF800080u);
}

TEST(RasterRectOps, CoverageMaskScalesTheFactorAndSkipsClippedMaskCells)
{
  TestBitmap bm(3, 3, true);
  const unsigned char mask[3 * 2] = {255, 128, 0, 64, 0, 255};
  // At (-1, 1): mask column 0 is skipped; mask row r lands on bitmap row 1 + r.
  RasterDrawCoverageMask(&bm, -1, 1, 0xFFFFFFFF, mask, 3, 2, 1.0f, RasterModeAdd | RasterModeUseSourceAlpha);
  EXPECT_EQ(bm.At(0, 1), 0x7F7F7F7Fu); // v = 128: factor 127
  EXPECT_EQ(bm.At(1, 1), 0u);
  EXPECT_EQ(bm.At(0, 2), 0u);
  EXPECT_EQ(bm.At(1, 2), 0xFEFEFEFEu); // v = 255: factor 255
  EXPECT_EQ(bm.At(0, 0), 0u);

  const auto before = bm.Raw();
  RasterDrawCoverageMask(&bm, 0, 0, 0xFFFFFFFF, mask, 3, 2, -1.0f, RasterModeCopy);
  RasterDrawCoverageMask(&bm, 0, 0, 0xFFFFFFFF, mask, 3, 2, 1.0f, 6);
  RasterDrawCoverageMask(&bm, INT_MAX, INT_MIN, 0xFFFFFFFF, mask, 3, 2, 1.0f, 0);
  RasterDrawCoverageMask(&bm, INT_MIN, 0, 0xFFFFFFFF, mask, 3, 2, 1.0f, 0);
  RasterDrawCoverageMask(&bm, 0, 0, 0xFFFFFFFF, nullptr, 3, 2, 1.0f, 0);
  EXPECT_EQ(bm.Raw(), before);
}
