#include "raster/RasterSysBitmap.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(RasterSysBitmapWin, SystemDrawsIntoTheTopDownSectionThroughItsDeviceContext)
{
  RasterSysBitmap bm(6, 4);
  HDC dc = bm.GetDeviceContext();
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(bm.GetBits(), nullptr);
  for (int i = 0; i < bm.GetRowSpan() * 4; ++i)
    bm.GetBits()[i] = 0;
  SetPixel(dc, 2, 1, RGB(255, 0, 0));
  GdiFlush();
  // Row 1 is the second row in memory: the section is top-down like every bitmap here.
  EXPECT_EQ(bm.GetBits()[1 * bm.GetRowSpan() + 2] & 0x00FFFFFFu, 0x00FF0000u);

  // Growing keeps the section selected so the device context keeps drawing into the pixels.
  EXPECT_TRUE(bm.Resize(40, 10));
  ASSERT_NE(bm.GetBits(), nullptr);
  for (int i = 0; i < bm.GetRowSpan() * 10; ++i)
    bm.GetBits()[i] = 0;
  SetPixel(bm.GetDeviceContext(), 39, 9, RGB(0, 0, 255));
  GdiFlush();
  EXPECT_EQ(bm.GetBits()[9 * 40 + 39] & 0x00FFFFFFu, 0x000000FFu);
}
