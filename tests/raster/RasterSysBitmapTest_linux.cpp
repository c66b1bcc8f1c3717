#include "raster/RasterSysBitmap.h"

#include <gtest/gtest.h>

TEST(RasterSysBitmapLinux, HasPixelsButNoDeviceContext)
{
  RasterSysBitmap bm(6, 4);
  EXPECT_EQ(bm.GetDeviceContext(), nullptr);
  EXPECT_NE(bm.GetBits(), nullptr);
}
