#include "raster/RasterCachedFont.h"
#include "raster/RasterSysFont.h"

#include <gtest/gtest.h>

#include <climits>

TEST(RasterSysFontLinux, ControlCharactersMeasureEmptyAndAreSkipped)
{
  RasterCachedFont f;
  f.SetFont(RasterCreateFont("Trebuchet MS", -15, 400, false), RasterFontOwnsHandle);
  int plain[4] = {0, 0, 0, 0}, with[4] = {0, 0, 0, 0};
  f.DrawTextInRect(nullptr, "ab", -1, plain, RasterTextCalcRect);
  f.DrawTextInRect(nullptr, "a\x01\x7F" "b", -1, with, RasterTextCalcRect);
  EXPECT_EQ(with[2], plain[2]);
  EXPECT_EQ(f.FindGlyph(1)->position, -1);
  EXPECT_EQ(f.FindGlyph(0x7F)->position, -1);
  const size_t stored = f.GetCoverageStore().size();
  f.DrawTextInRect(nullptr, "\x01", -1, with, RasterTextCalcRect);
  EXPECT_EQ(f.GetCoverageStore().size(), stored);
  EXPECT_FALSE(RasterIsWine());
  EXPECT_FALSE(RasterSysFontHasTextPath());
}

TEST(RasterSysFontLinux, AnyFaceNameGivesAFont)
{
  for (const char* face : {"", "No Such Face 123", "Courier New", "Times New Roman"}) {
    RasterFontHandle h = RasterCreateFont(face, -13, 700, true);
    ASSERT_NE(h, nullptr) << face;
    EXPECT_GT(RasterSysFontLineHeight(h, nullptr), 10);
    RasterDeleteFont(h);
  }
  for (int height : {INT_MIN, INT_MAX, -1, 1}) {
    RasterFontHandle h = RasterCreateFont("Arial", height, 400, false);
    ASSERT_NE(h, nullptr) << height;
    RasterCachedFont f;
    f.SetFont(h, RasterFontOwnsHandle);
    int rect[4] = {0, 0, 0, 0};
    EXPECT_GE(f.DrawTextInRect(nullptr, "Wg", -1, rect, RasterTextCalcRect), 0);
  }
  RasterFontHandle nameless = RasterCreateFont(nullptr, 0, 400, false);
  ASSERT_NE(nameless, nullptr);
  RasterDeleteFont(nameless);
  RasterDeleteFont(nullptr);
}
