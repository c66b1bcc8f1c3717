#include "raster/RasterCombine.h"

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace rastertest;

namespace {

using CombineFn = void (*)(RasterPixel*, int, int, int, int, int);

struct Named
{
  const char* name;
  CombineFn fn;
  int selector;
};

const Named kOperations[] = {
  {"Copy", RasterCombineCopy, 0},
  {"Add", RasterCombineAdd, 1},
  {"Dodge", RasterCombineDodge, 2},
  {"Multiply", RasterCombineMultiply, 3},
  {"SoftLight", RasterCombineSoftLight, 4},
  {"HsvAdjust", RasterCombineHsvAdjust, 5},
  {"CopySrcAlpha", RasterCombineCopySrcAlpha, 0x10000},
  {"AddSrcAlpha", RasterCombineAddSrcAlpha, 0x10001},
  {"DodgeSrcAlpha", RasterCombineDodgeSrcAlpha, 0x10002},
  {"MultiplySrcAlpha", RasterCombineMultiplySrcAlpha, 0x10003},
  {"SoftLightSrcAlpha", RasterCombineSoftLightSrcAlpha, 0x10004},
  {"HsvAdjustSrcAlpha", RasterCombineHsvAdjustSrcAlpha, 0x10005},
};

int RandomFactor(std::mt19937& rng)
{
  switch (rng() % 7) {
  case 0: return 256;
  case 1: return (int)(rng() % 255) + 1;
  case 2: return -(int)(rng() % 300);
  case 3: return 256 + (int)(rng() % 2000);
  // Far beyond 1.0, up to the int range: applied as they stand.
  case 4: return (int)(rng() % 0x7FFFFFFF) * (rng() % 2 ? 1 : -1);
  case 5: return 16384 + (int)(rng() % 100000);
  default: return (int)(rng() % 257);
  }
}

RasterPixel Apply(CombineFn fn, RasterPixel d, RasterPixel s, int f)
{
  fn(&d, RasterPixelRed(s), RasterPixelGreen(s), RasterPixelBlue(s), RasterPixelAlpha(s), f);
  return d;
}

} // namespace

TEST(RasterCombine, EveryOperationMatchesTheReferenceOverRandomPixelsAndFactors)
{
  std::mt19937 rng(1234);
  for (const Named& op : kOperations) {
    for (int i = 0; i < 20000; ++i) {
      const RasterPixel d = RandomPixel(rng), s = RandomPixel(rng);
      int f = RandomFactor(rng);
      // The plain copy treats f = 256 and negative factors apart only in the mode dispatch.
      RasterPixel expected;
      if (op.selector == 0) {
        const i64 c[4] = {Byte(s, 0), Byte(s, 1), Byte(s, 2), Byte(s, 3)};
        i64 out[4];
        for (int k = 0; k < 4; ++k)
          out[k] = c[k] + (Byte(d, k) - c[k]) * (256 - (i64)f) / 256;
        expected = FromBytes(out);
      } else if (op.selector == 0x10000 && f == 256) {
        f = 255; // the full-strength source-alpha copy is a separate operation
        expected = Combine(d, s, f, op.selector);
      } else {
        expected = Combine(d, s, f, op.selector);
      }
      ASSERT_EQ(Apply(op.fn, d, s, f), expected) << op.name << " d=" << std::hex << d << " s=" << s << std::dec << " f=" << f;
    }
  }
}

TEST(RasterCombine, OpaqueSourceAlphaCopyMatchesTheReference)
{
  std::mt19937 rng(99);
  for (int i = 0; i < 50000; ++i) {
    RasterPixel d = RandomPixel(rng);
    const RasterPixel s = RandomPixel(rng);
    const RasterPixel expected = Combine(d, s, 256, 0x10000);
    RasterCombineCopyOpaqueSrcAlpha(&d, RasterPixelRed(s), RasterPixelGreen(s), RasterPixelBlue(s), RasterPixelAlpha(s));
    ASSERT_EQ(d, expected);
  }
}

TEST(RasterCombine, CombinePixelDispatchesByModeAndIgnoresFactorZero)
{
  std::mt19937 rng(7);
  const int modes[] = {0, 1, 2, 3, 4, 5, 0x10000, 0x10001, 0x10002, 0x10003, 0x10004, 0x10005};
  for (int mode : modes)
    for (int i = 0; i < 5000; ++i) {
      RasterPixel d = RandomPixel(rng);
      const RasterPixel s = RandomPixel(rng);
      const int f = RandomFactor(rng);
      const RasterPixel expected = f == 0 ? d : Combine(d, s, f, mode);
      // Filter bits and unrelated high bits do not change the operation.
      RasterCombinePixel(&d, RasterPixelRed(s), RasterPixelGreen(s), RasterPixelBlue(s), RasterPixelAlpha(s), f,
                         mode | 0x100 | 0x4000000);
      ASSERT_EQ(d, expected) << "mode " << mode << " f " << f;
    }

  RasterPixel d = 0x11223344;
  RasterCombinePixel(&d, 1, 2, 3, 4, 0, RasterModeHsvAdjust);
  RasterCombinePixel(&d, 1, 2, 3, 4, 256, 6);
  RasterCombinePixel(&d, 1, 2, 3, 4, 256, 0x10006);
  RasterCombinePixel(&d, 1, 2, 3, 4, -100, RasterModeCopy);
  EXPECT_EQ(d, 0x11223344u);
}

TEST(RasterCombine, SaturatingTwinHoldsResultsForOutOfRangeSources)
{
  std::mt19937 rng(5);
  for (int mode : {0, 3, 0x10000, 0x10003}) {
    for (int i = 0; i < 5000; ++i) {
      RasterPixel d = RandomPixel(rng);
      const i64 s[4] = {(i64)(rng() % 700) - 200, (i64)(rng() % 700) - 200, (i64)(rng() % 700) - 200,
                        (i64)(rng() % 256)};
      const int f = (int)(rng() % 256) + 1;
      RasterPixel expected;
      i64 out[4];
      const i64 sa = s[3];
      if (mode == 0 && f == 256) {
        for (int k = 0; k < 4; ++k) out[k] = Sat(s[k]);
        expected = FromBytes(out);
      } else if (mode == 0 || mode == 3) {
        for (int k = 0; k < 4; ++k) {
          const i64 dv = Byte(d, k);
          out[k] = Sat(mode == 0 ? s[k] + (dv - s[k]) * (256 - f) / 256 : dv * (s[k] * f + (256 - f) * 256) / 65536);
        }
        expected = FromBytes(out);
      } else if (sa == 0) {
        expected = d;
      } else if (mode == 0x10003) {
        const i64 fa = (i64)f * (sa + 1) / 256;
        for (int k = 0; k < 4; ++k) out[k] = Sat(Byte(d, k) * (s[k] * fa + (256 - fa) * 256) / 65536);
        expected = FromBytes(out);
      } else if (f == 256) {
        for (int k = 0; k < 3; ++k) out[k] = Sat(sa == 255 ? s[k] : s[k] + (Byte(d, k) - s[k]) * (255 - sa) / 256);
        out[3] = sa == 255 ? 255 : (Byte(d, 3) + sa > 255 ? 255 : Byte(d, 3) + sa);
        expected = FromBytes(out);
      } else {
        const i64 fa = (i64)f * (sa + 1) / 256;
        for (int k = 0; k < 3; ++k) out[k] = Sat(s[k] + (Byte(d, k) - s[k]) * (256 - fa) / 256);
        out[3] = Byte(d, 3) + fa > 255 ? 255 : Byte(d, 3) + fa;
        expected = FromBytes(out);
      }
      RasterCombinePixelSat(&d, (int)s[2], (int)s[1], (int)s[0], (int)s[3], f, mode);
      ASSERT_EQ(d, expected) << "mode " << mode;
    }
  }
}

TEST(RasterCombine, ListedExamplesOfTheModes)
{
  RasterPixel p = 0xFFFFFFFF;
  RasterCombineMultiply(&p, 255, 255, 255, 255, 256);
  EXPECT_EQ(p, 0xFEFEFEFEu); // multiplying by white still darkens by one step

  p = 0x00010080;
  RasterCombineDodge(&p, 255, 255, 255, 255, 256);
  EXPECT_EQ(p, 0x00FF00FFu); // any non-zero byte goes to 255, 0 stays 0

  std::mt19937 rng(3);
  for (int i = 0; i < 1000; ++i) {
    const RasterPixel d = (RasterPixel)rng();
    RasterPixel q = d;
    RasterCombineSoftLight(&q, 128, 128, 128, 128, (int)(rng() % 257));
    ASSERT_EQ(q, d); // 128 is the neutral source at any factor
  }

  p = 0x40FF0000; // pure red
  RasterCombineHsvAdjust(&p, 128, 128, 128, 0x99, 256);
  EXPECT_EQ(p, 0x99FF0000u);
  p = 0x10646464; // grey
  RasterCombineHsvAdjust(&p, 128, 128, 128, 0x20, 256);
  EXPECT_EQ(p, 0x20646464u);
  p = 0xFFFF8000;
  RasterCombineHsvAdjust(&p, 128, 128, 128, 255, 256);
  EXPECT_EQ(p, 0xFFFF7F00u); // one step lost through the conversion
}

TEST(RasterCombine, SourceAlphaCopyOfTransparentAndOpaquePixels)
{
  RasterPixel p = 0x12345678;
  RasterCombineCopyOpaqueSrcAlpha(&p, 1, 2, 3, 0);
  EXPECT_EQ(p, 0x12345678u);
  RasterCombineCopySrcAlpha(&p, 1, 2, 3, 0, 200);
  EXPECT_EQ(p, 0x12345678u);
  RasterCombineCopyOpaqueSrcAlpha(&p, 1, 2, 3, 255);
  EXPECT_EQ(p, 0xFF010203u);
}

TEST(RasterCombine, HsvConversionUsesTheReciprocalTable)
{
  const unsigned short* t = RasterHsvReciprocalTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 65535);
  EXPECT_EQ(t[2], 32767);
  EXPECT_EQ(t[255], 256);

  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 7) {
        int h, s, v, rh, rs, rv;
        RasterRgbToHsv(r, g, b, &h, &s, &v);
        RgbToHsv(r, g, b, &rh, &rs, &rv);
        ASSERT_EQ(h, rh);
        ASSERT_EQ(s, rs);
        ASSERT_EQ(v, rv);
        ASSERT_GE(h, 0);
        ASSERT_LT(h, 384);
      }
  int h, s, v;
  RasterRgbToHsv(255, 0, 1, &h, &s, &v);
  EXPECT_EQ(h, 383); // the last red sector counts down from 383, not 384
  RasterRgbToHsv(0, 255, 0, &h, &s, &v);
  EXPECT_EQ(h, 128);
  RasterRgbToHsv(0, 0, 255, &h, &s, &v);
  EXPECT_EQ(h, 256);

  for (int hue = 0; hue < 384; ++hue)
    for (int sat = 0; sat < 256; sat += 15)
      for (int val = 0; val < 256; val += 17)
        ASSERT_EQ(RasterHsvToRgb(hue, sat, val, 0x5A), HsvToRgb(hue, sat, val, 0x5A));
}

TEST(RasterCombine, OpacityBecomesATruncatedFactorHeldOnlyAtTheIntRange)
{
  EXPECT_EQ(RasterOpacityFactor(1.0f), 256);
  EXPECT_EQ(RasterOpacityFactor(0.5f), 128);
  EXPECT_EQ(RasterOpacityFactor(0.003f), 0);
  EXPECT_EQ(RasterOpacityFactor(-0.003f), 0);
  EXPECT_EQ(RasterOpacityFactor(0.4f), 102);
  EXPECT_EQ(RasterOpacityFactor(-1.0f), -256);
  EXPECT_EQ(RasterOpacityFactor(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(RasterOpacityFactor(64.5f), 16512);
  EXPECT_EQ(RasterOpacityFactor(100.0f), 25600);
  EXPECT_EQ(RasterOpacityFactor(-1000.25f), -256064);
  EXPECT_EQ(RasterOpacityFactor(8388607.0f), 2147483392);
  EXPECT_EQ(RasterOpacityFactor(-8388608.0f), RasterMinFactor);
  EXPECT_EQ(RasterOpacityFactor(8388608.0f), RasterMaxFactor);
  EXPECT_EQ(RasterOpacityFactor(1e30f), RasterMaxFactor);
  EXPECT_EQ(RasterOpacityFactor(-1e30f), RasterMinFactor);
  // Not finite: nothing is drawn.
  EXPECT_EQ(RasterOpacityFactor(std::numeric_limits<float>::infinity()), 0);
  EXPECT_EQ(RasterOpacityFactor(-std::numeric_limits<float>::infinity()), 0);
}

TEST(RasterCombine, ExtremeFactorsAndComponentsStayDefined)
{
  // Run under the undefined-behaviour sanitizer: no overflow for any input.
  const int values[] = {0, 1, 255, 256, -1, -255, 1 << 20, -(1 << 20), 0x7FFFFFFF, -0x7FFFFFFF - 1};
  for (const Named& op : kOperations)
    for (int f : values)
      for (int c : values) {
        RasterPixel p = 0x80FF7F01;
        op.fn(&p, c, c, c, c, f);
        RasterCombinePixelSat(&p, c, c, c, c, f, op.selector);
        RasterCombinePixel(&p, c, c, c, c, f, op.selector);
      }
  for (int h : {-1000, -1, 384, 1 << 30})
    (void)RasterHsvToRgb(h, 300, -5, 0);
  SUCCEED();
}
