#include "raster/RasterCachedFont.h"
#include "raster/RasterSysBitmap.h"
#include "raster/RasterSysFont.h"
#include "tests/rasterfont/FontTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

using fonttest::GuardedBitmap;

TEST(RasterSysFontWin, WineCheckAgreesWithWinesOwnExport)
{
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  EXPECT_EQ(RasterIsWine(), wine);
  EXPECT_EQ(RasterIsWine(), wine); // the remembered answer
  EXPECT_TRUE(RasterSysFontHasTextPath());
}

// The whole-text path is never chosen under Wine, so it is exercised here directly.
TEST(RasterSysFontWin, SystemTextPathMeasuresAndDrawsInsideItsBox)
{
  RasterCachedFont cached;
  cached.SetFont(RasterCreateFont("Trebuchet MS", -15, 400, false), RasterFontOwnsHandle);
  RasterFontHandle font = cached.GetFont();
  ASSERT_NE(font, nullptr);
  int expect[4] = {0, 0, 0, 0};
  cached.DrawTextInRect(nullptr, "Hello", -1, expect, RasterTextCalcRect);

  // Measuring without a destination goes through the off-screen bitmap.
  int rect[4] = {5, 7, 5, 7};
  EXPECT_EQ(RasterSysFontDrawText(font, nullptr, "Hello", -1, rect, RasterTextCalcRect, 0, 1, 0, 1.0f),
            cached.GetLineHeight());
  EXPECT_EQ(rect[2] - rect[0], expect[2]);
  EXPECT_EQ(rect[3] - rect[1], expect[3]);

  // Right-aligned into a bitmap without a device context: ink only within the narrowed box.
  GuardedBitmap dest(80, 30);
  int box[4] = {2, 2, 70, 28};
  EXPECT_GT(RasterSysFontDrawText(font, &dest, "Hello", -1, box, RasterTextRight, 0xFFFFFFFF, 1, 0, 1.0f), 0);
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x)
      if (dest.At(x, y) & 0xFFFFFF) {
        ++inked;
        EXPECT_GE(x, 70 - expect[2]);
        EXPECT_LT(x, 70);
        EXPECT_GE(y, 2);
        EXPECT_LT(y, 2 + expect[3]);
      }
  EXPECT_GT(inked, 20);
  EXPECT_TRUE(dest.GuardIntact());

  // A multibyte text is drawn wide; a long one takes the heap buffer.
  std::string longText;
  for (int i = 0; i < 600; ++i)
    longText += "\xC3\xA9";
  RasterSysBitmap sys(64, 20);
  int sysRect[4] = {0, 0, 0, 0};
  EXPECT_EQ(RasterSysFontDrawText(font, &sys, longText.c_str(), -1, sysRect, RasterTextCalcRect | RasterTextSingleLine,
                                  0, 1, 0, 1.0f),
            cached.GetLineHeight());
  EXPECT_GT(sysRect[2], 600 * 4);
  int cut[4] = {0, 0, 0, 0};
  RasterSysFontDrawText(font, &sys, "\xC3\xA9\xC3\xA9", 3, cut, RasterTextCalcRect | RasterTextSingleLine, 0, 1, 0, 1.0f);
  EXPECT_GT(cut[2], 0);
}
