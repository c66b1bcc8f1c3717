#include "raster/RasterMemBitmap.h"
#include "raster/RasterSysBitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

TEST(RasterMemBitmap, RowsAreAlignedAndRoundedToTheAskedAlignment)
{
  RasterMemBitmap bm(5, 2, 4);
  EXPECT_EQ(bm.GetWidth(), 5);
  EXPECT_EQ(bm.GetHeight(), 2);
  EXPECT_EQ(bm.GetRowSpan(), 8);
  EXPECT_EQ(bm.GetAllocatedBytes(), 64);
  ASSERT_NE(bm.GetBits(), nullptr);
  EXPECT_EQ((uintptr_t)bm.GetBits() % 64, 0u);
  EXPECT_FALSE(bm.IsFlipped());
  EXPECT_EQ(bm.GetDeviceContext(), nullptr);
  EXPECT_EQ(bm.Extended(0, nullptr), 0);

  // Only the lowest set bit of the alignment counts, and 16 is the most.
  EXPECT_EQ(RasterMemBitmap(5, 1, 12).GetRowSpan(), 8);
  EXPECT_EQ(RasterMemBitmap(5, 1, 1).GetRowSpan(), 5);
  EXPECT_EQ(RasterMemBitmap(5, 1, 0).GetRowSpan(), 5);
  EXPECT_EQ(RasterMemBitmap(5, 1, 64).GetRowSpan(), 16);
  // A negative alignment counts by its lowest set bit as well.
  EXPECT_EQ(RasterMemBitmap(5, 1, -4).GetRowSpan(), 8);
  EXPECT_EQ(RasterMemBitmap(5, 1, -1).GetRowSpan(), 5);
  EXPECT_EQ(RasterMemBitmap(5, 1, INT_MIN).GetRowSpan(), 16);
}

TEST(RasterMemBitmap, EmptyBitmapHasNoStorage)
{
  RasterMemBitmap bm(0, 0, 4);
  EXPECT_EQ(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetAllocatedBytes(), 0);
}

TEST(RasterMemBitmap, ResizeAnswersWhetherTheSizeChangedAndFreesAtZero)
{
  RasterMemBitmap bm(10, 10, 4);
  EXPECT_FALSE(bm.Resize(10, 10));
  EXPECT_TRUE(bm.Resize(0, 0));
  EXPECT_EQ(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetAllocatedBytes(), 0);
  EXPECT_TRUE(bm.Resize(0, 7)); // no pixels: the size collapses to 0 x 0
  EXPECT_EQ(bm.GetWidth(), 0);
  EXPECT_EQ(bm.GetHeight(), 0);
}

TEST(RasterMemBitmap, GrowsWithAQuarterOfHeadroomAndNeverShrinks)
{
  RasterMemBitmap bm(100, 100, 4);
  EXPECT_EQ(bm.GetAllocatedBytes(), 40000);
  EXPECT_TRUE(bm.Resize(100, 101));
  EXPECT_EQ(bm.GetAllocatedBytes(), 50500);
  EXPECT_TRUE(bm.Resize(100, 120)); // fits the headroom: no reallocation
  EXPECT_EQ(bm.GetAllocatedBytes(), 50500);
  EXPECT_TRUE(bm.Resize(10, 10));
  EXPECT_EQ(bm.GetAllocatedBytes(), 50500);
  EXPECT_EQ((uintptr_t)bm.GetBits() % 64, 0u);
}

TEST(RasterMemBitmap, NegativeOrHugeSizesLeaveAnEmptyBitmap)
{
  RasterMemBitmap bm(8, 8, 4);
  EXPECT_TRUE(bm.Resize(-4, -4));
  EXPECT_EQ(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetWidth(), 0);
  EXPECT_EQ(bm.GetHeight(), 0);

  EXPECT_TRUE(bm.Resize(INT_MAX, INT_MAX));
  EXPECT_EQ(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetWidth(), 0);
  EXPECT_EQ(bm.GetHeight(), 0);
}

TEST(RasterSysBitmap, SectionWidthIsRoundedUpToFour)
{
  RasterSysBitmap bm(5, 3);
  ASSERT_NE(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetWidth(), 5);
  EXPECT_EQ(bm.GetHeight(), 3);
  EXPECT_EQ(bm.GetRowSpan(), 8);
  EXPECT_FALSE(bm.IsFlipped());
  EXPECT_EQ(bm.Extended(0, nullptr), 0);
  // Every pixel of the section can be written.
  for (int i = 0; i < 8 * 3; ++i)
    bm.GetBits()[i] = 0x12345678u;
}

TEST(RasterSysBitmap, ShrinkKeepsTheSectionAndGrowingBackCostsNothing)
{
  RasterSysBitmap bm(100, 100);
  RasterPixel* const bits = bm.GetBits();
  ASSERT_NE(bits, nullptr);
  EXPECT_FALSE(bm.Resize(100, 100));
  EXPECT_TRUE(bm.Resize(50, 50));
  EXPECT_EQ(bm.GetWidth(), 50);
  EXPECT_EQ(bm.GetHeight(), 50);
  EXPECT_EQ(bm.GetRowSpan(), 100);
  EXPECT_EQ(bm.GetBits(), bits);
  EXPECT_TRUE(bm.Resize(100, 100));
  EXPECT_EQ(bm.GetBits(), bits);
  EXPECT_EQ(bm.GetRowSpan(), 100);

  EXPECT_TRUE(bm.Resize(101, 40)); // wider than the section: a new one
  EXPECT_EQ(bm.GetRowSpan(), 104);
  ASSERT_NE(bm.GetBits(), nullptr);
  bm.GetBits()[104 * 40 - 1] = 1;
}

TEST(RasterSysBitmap, ZeroNegativeAndHugeSizesHaveNoPixels)
{
  RasterSysBitmap bm(0, 0);
  EXPECT_EQ(bm.GetBits(), nullptr);
  bm.Resize(16, 16);
  EXPECT_FALSE(bm.Resize(0, 16));
  EXPECT_EQ(bm.GetBits(), nullptr);
  bm.Resize(16, 16);
  bm.Resize(-5, -5);
  EXPECT_EQ(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetWidth(), 0);
  EXPECT_EQ(bm.GetHeight(), 0);
  bm.Resize(INT_MAX, 3);
  EXPECT_EQ(bm.GetBits(), nullptr);
  EXPECT_EQ(bm.GetWidth(), 0);
}
