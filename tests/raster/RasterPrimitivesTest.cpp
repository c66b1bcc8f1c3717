#include "raster/RasterMemBitmap.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterRowKernels.h"

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace rastertest;

namespace {

// The fill the slow way: word forms for the copy mode's common factors, otherwise the
// reference formula with the factor standing in for the colour's alpha.
void ReferenceFill(TestBitmap& bm, int x, int y, int w, int h, RasterPixel colour, float opacity, int mode)
{
  if (mode & 0x10000)
    opacity *= (float)(colour >> 24) * 0.003921569f;
  if (opacity == 0.0f || !std::isfinite(opacity))
    return;
  const int f = (int)(opacity * 256.0f);
  const int op = mode & 0xFF;
  for (i64 py = y; py < (i64)y + h; ++py)
    for (i64 px = x; px < (i64)x + w; ++px) {
      if (px < 0 || py < 0 || px >= bm.GetWidth() || py >= bm.GetHeight())
        continue;
      RasterPixel& d = bm.At((int)px, (int)py);
      if (op == 0 && f == 256) d = colour;
      else if (op == 0 && f == 128) d = ((colour >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F);
      else if (op == 0 && f == 64) d = ((d >> 1) & 0x7F7F7F7F) + ((d >> 2) & 0x3F3F3F3F) + ((colour >> 2) & 0x3F3F3F3F);
      else if (op == 0 && f == 192) d = ((colour >> 1) & 0x7F7F7F7F) + ((colour >> 2) & 0x3F3F3F3F) + ((d >> 2) & 0x3F3F3F3F);
      else if (f == 0 || op > 5 || (op == 0 && f < 0)) continue;
      else {
        const i64 s[4] = {Byte(colour, 0), Byte(colour, 1), Byte(colour, 2), op == 5 ? Sat(f) : f};
        if (op == 0) {
          i64 out[4];
          for (int k = 0; k < 4; ++k) out[k] = s[k] + (Byte(d, k) - s[k]) * (256 - (i64)f) / 256;
          d = FromBytes(out);
        } else {
          d = Combine(d, s, f, op);
        }
      }
    }
}

// Blur of one pixel of the area [l, r) x [t, b), written from the weights table.
RasterPixel ReferenceBlurPixel(TestBitmap& src, int x, int y, int l, int t, int r, int b)
{
  const bool first = x == l, last = x == r - 1, top = y == t, bottom = y == b - 1;
  struct Term { int dx, dy, shift; };
  std::vector<Term> terms = {{0, 0, 1}};
  if (top || bottom) {
    const int vy = top ? 1 : -1;
    terms.push_back({0, vy, 2});
    if (first) terms.push_back({1, 0, 2});
    else if (last) terms.push_back({-1, 0, 2});
    else { terms.push_back({-1, 0, 3}); terms.push_back({1, 0, 3}); }
  } else {
    terms.push_back({0, -1, 3});
    terms.push_back({0, 1, 3});
    if (first) terms.push_back({1, 0, 2});
    else if (last) terms.push_back({-1, 0, 2});
    else { terms.push_back({-1, 0, 3}); terms.push_back({1, 0, 3}); }
  }
  i64 out[4] = {0, 0, 0, 0};
  for (const Term& term : terms)
    for (int k = 0; k < 4; ++k) out[k] += Byte(src.At(x + term.dx, y + term.dy), k) >> term.shift;
  return FromBytes(out);
}

void ReferenceBlur(TestBitmap& dest, TestBitmap& src, int dstX, int dstY, int sx, int sy, int sw, int sh)
{
  i64 r = (i64)sx + sw, b = (i64)sy + sh, l = sx, t = sy, dx = dstX, dy = dstY;
  r = r < src.GetWidth() ? r : src.GetWidth();
  b = b < src.GetHeight() ? b : src.GetHeight();
  l = l > 0 ? l : 0;
  t = t > 0 ? t : 0;
  if (dx < 0) { l -= dx; dx = 0; }
  if (dy < 0) { t -= dy; dy = 0; }
  if (dx + (r - l) > dest.GetWidth()) r = dest.GetWidth() - dx + l;
  if (dy + (b - t) > dest.GetHeight()) b = dest.GetHeight() - dy + t;
  if (l + 1 >= r || t + 1 >= b) return;
  TestBitmap original = src; // read everything before anything is written
  for (i64 y = t; y < b; ++y)
    for (i64 x = l; x < r; ++x)
      dest.At((int)(dx + x - l), (int)(dy + y - t)) = ReferenceBlurPixel(original, (int)x, (int)y, (int)l, (int)t, (int)r, (int)b);
}

class PrimitivesBothPaths : public ::testing::TestWithParam<bool>
{
protected:
  void SetUp() override { RasterUseSimd(GetParam()); }
  void TearDown() override { RasterUseSimd(true); }
};

} // namespace

TEST_P(PrimitivesBothPaths, FillMatchesReferenceForEveryModeAndOpacity)
{
  std::mt19937 rng(11);
  const float opacities[] = {1.0f,  0.5f,    0.25f,  0.75f,  0.4f,   0.003f, -0.5f,
                             1.7f,  0.9f,    0.1f,   100.0f, -70.0f, 4000.0f, std::numeric_limits<float>::infinity()};
  const int modes[] = {0, 1, 2, 3, 4, 5, 6, 0x10000, 0x10001, 0x10003, 0x10005, 0x200};
  for (int iter = 0; iter < 800; ++iter) {
    TestBitmap bm(1 + rng() % 20, 1 + rng() % 15, rng() & 1);
    for (auto& p : bm.Raw()) p = RandomPixel(rng);
    TestBitmap expected = bm;
    const int x = (int)(rng() % 30) - 8, y = (int)(rng() % 24) - 6, w = (int)(rng() % 30) - 2, h = (int)(rng() % 24) - 2;
    const RasterPixel colour = RandomPixel(rng);
    const float opacity = opacities[rng() % (sizeof opacities / sizeof opacities[0])];
    const int mode = modes[rng() % 12];
    ReferenceFill(expected, x, y, w, h, colour, opacity, mode);
    RasterFillRect(&bm, x, y, w, h, colour, opacity, mode);
    ASSERT_EQ(bm.Raw(), expected.Raw()) << iter << " mode " << mode << " opacity " << opacity;
  }
}

TEST_P(PrimitivesBothPaths, BlurMatchesReferenceInAndOutOfPlace)
{
  std::mt19937 rng(12);
  for (int iter = 0; iter < 400; ++iter) {
    TestBitmap src(1 + rng() % 20, 1 + rng() % 15, rng() & 1);
    TestBitmap dest(1 + rng() % 20, 1 + rng() % 15, rng() & 1);
    FillRandom(src, rng);
    FillRandom(dest, rng);
    const int sx = (int)(rng() % 10) - 3, sy = (int)(rng() % 10) - 3, sw = (int)(rng() % 24), sh = (int)(rng() % 18);
    const int dx = (int)(rng() % 12) - 4, dy = (int)(rng() % 12) - 4;

    TestBitmap expected = dest;
    ReferenceBlur(expected, src, dx, dy, sx, sy, sw, sh);
    RasterBlur(&dest, &src, dx, dy, sx, sy, sw, sh);
    ASSERT_EQ(dest.Raw(), expected.Raw()) << iter;

    // In place, at the same position and shifted: as if the source were read first.
    for (bool shifted : {false, true}) {
      TestBitmap self = src, selfExpected = src;
      const int px = shifted ? dx : (sx > 0 ? sx : 0), py = shifted ? dy : (sy > 0 ? sy : 0);
      ReferenceBlur(selfExpected, self, px, py, sx, sy, sw, sh);
      RasterBlur(&self, &self, px, py, sx, sy, sw, sh);
      ASSERT_EQ(self.Raw(), selfExpected.Raw()) << iter << (shifted ? " shifted" : " in place");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sse2AndScalar, PrimitivesBothPaths, ::testing::Bool());

TEST(RasterFillRect, ClipsNegativeOriginsToTheBitmap)
{
  TestBitmap bm(20, 20, false);
  RasterFillRect(&bm, -5, -5, 10, 10, 0xFF00FF00, 1.0f, RasterModeCopy);
  int filled = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (bm.At(x, y)) {
        ++filled;
        EXPECT_TRUE(x < 5 && y < 5);
      }
  EXPECT_EQ(filled, 25);
}

TEST(RasterFillRect, CopyFormsAndTheFactorAsAlpha)
{
  RasterMemBitmap bm(1, 1);
  RasterPixel& p = bm.GetBits()[0];
  p = 0xFFFFFFFF;
  RasterFillRect(&bm, 0, 0, 1, 1, 0xFF000000, 0.5f, RasterModeCopy);
  EXPECT_EQ(p, 0xFE7F7F7Fu);
  p = 0;
  RasterFillRect(&bm, 0, 0, 1, 1, 0xFF000000, 0.25f, RasterModeCopy);
  EXPECT_EQ(p, 0x3F000000u);
  p = 0;
  RasterFillRect(&bm, 0, 0, 1, 1, 0x00000000, 0.4f, RasterModeCopy);
  EXPECT_EQ(RasterPixelAlpha(p), 41); // alpha moves toward the factor, not the colour's 0
  p = 0x12345678;
  RasterFillRect(&bm, 0, 0, 1, 1, 0x00FFFFFF, 1.0f, RasterModeCopy | RasterModeUseSourceAlpha);
  EXPECT_EQ(p, 0x12345678u); // the colour's alpha of 0 scales the opacity to nothing
  p = 0x00336699;
  RasterFillRect(&bm, 0, 0, 1, 1, 0x00808080, 1.0f, RasterModeHsvAdjust);
  EXPECT_EQ(RasterPixelAlpha(p), 255);
}

TEST(RasterFillRect, BadInputDrawsNothing)
{
  TestBitmap bm(8, 8, true);
  std::mt19937 rng(4);
  FillRandom(bm, rng);
  const auto before = bm.Raw();
  // Rectangles wholly outside, whatever their size.
  const int outside[][4] = {{INT_MAX, 0, INT_MAX, 8}, {INT_MIN, 0, INT_MAX, 8}, {8, 0, INT_MAX, 8},
                            {0, INT_MIN, 8, INT_MAX}, {-9, 0, 9, 8},         {0, 0, INT_MIN, 8},
                            {0, 0, 8, -1},            {INT_MIN, INT_MIN, 0, 0}, {0, 8, 8, INT_MAX}};
  for (const auto& r : outside)
    RasterFillRect(&bm, r[0], r[1], r[2], r[3], 0xFFFFFFFF, 1.0f, 0);
  RasterFillRect(&bm, 0, 0, 8, 8, 0xFFFFFFFF, std::numeric_limits<float>::quiet_NaN(), 1);
  RasterFillRect(&bm, 0, 0, 8, 8, 0xFFFFFFFF, 0.0f, 1);
  RasterFillRect(nullptr, 0, 0, 8, 8, 0xFFFFFFFF, 1.0f, 0);
  EXPECT_EQ(bm.Raw(), before);
  RasterFillRect(&bm, 0, 0, 8, 8, 0xFFFFFFFF, std::numeric_limits<float>::infinity(), RasterModeMultiply);
  RasterFillRect(&bm, 0, 0, 8, 8, 0xFFFFFFFF, -std::numeric_limits<float>::infinity(), RasterModeSoftLight);
  RasterFillRect(&bm, 0, 0, 8, 8, 0xFFFFFFFF, std::numeric_limits<float>::infinity(), RasterModeCopy);
  EXPECT_EQ(bm.Raw(), before);

  // A huge rectangle around the bitmap is clipped to it.
  RasterFillRect(&bm, INT_MIN / 2, -9, INT_MAX, INT_MAX, 0x01020304, 1.0f, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(bm.At(x, y), 0x01020304u);
}

TEST(RasterFillRect, FactorsNearTheIntLimitSquareWithoutOverflow)
{
  // The factor is also the alpha source, so multiply and soft light take it squared.
  const float opacity = 8.0e6f;
  const __int128 f = (__int128)(opacity * 256.0f);
  for (int mode : {RasterModeMultiply, RasterModeSoftLight}) {
    TestBitmap bm(2, 1, false);
    bm.At(0, 0) = 0x37402010;
    RasterFillRect(&bm, 0, 0, 1, 1, 0x00FFFFFF, opacity, mode);
    const __int128 d = 0x37, s = f;
    __int128 expected;
    if (mode == RasterModeMultiply) {
      expected = d * (s * f + (256 - f) * 256) / 65536;
    } else {
      const __int128 o = s * f + (256 - f) * 128;
      expected = ((32768 - o) * d / 256 + o) * d / 32768;
      expected = expected < 0 ? 0 : (expected > 255 ? 255 : expected);
    }
    EXPECT_EQ((int)(bm.At(0, 0) >> 24), (int)(expected & 0xFF)) << mode;
    EXPECT_EQ(bm.At(1, 0), 0u);
  }
}

TEST(RasterClear, SetsEveryPixelButLeavesTheRowPadding)
{
  TestBitmap bm(5, 4, false, 3);
  for (auto& p : bm.Raw()) p = 0x11111111;
  RasterClear(&bm, 0xAABBCCDD);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) ASSERT_EQ(bm.At(x, y), 0xAABBCCDDu);
    for (int x = 5; x < 8; ++x) ASSERT_EQ(bm.Raw()[y * 8 + x], 0x11111111u);
  }
  RasterClear(nullptr, 0);
  RasterMemBitmap empty;
  RasterClear(&empty, 0);
}

TEST(RasterBlur, SolidWhiteLosesAStepInsideAndLessAtEdgesAndCorners)
{
  TestBitmap bm(4, 3, false);
  for (auto& p : bm.Raw()) p = 0xFFFFFFFF;
  RasterBlur(&bm, &bm, 0, 0, 0, 0, 4, 3);
  EXPECT_EQ(bm.At(1, 1), 0xFBFBFBFBu);
  EXPECT_EQ(bm.At(1, 0), 0xFCFCFCFCu);
  EXPECT_EQ(bm.At(0, 1), 0xFCFCFCFCu);
  EXPECT_EQ(bm.At(0, 0), 0xFDFDFDFDu);
  EXPECT_EQ(bm.At(3, 2), 0xFDFDFDFDu);

  TestBitmap thin(1, 10, false);
  for (auto& p : thin.Raw()) p = 0x01020304;
  const auto before = thin.Raw();
  RasterBlur(&thin, &thin, 0, 0, 0, 0, 1, 10);
  RasterBlur(&thin, &thin, 0, 0, 0, 0, 10, 1);
  EXPECT_EQ(thin.Raw(), before);
}

TEST(RasterBlur, WideRowsInPlaceMatchACopy)
{
  std::mt19937 rng(21);
  TestBitmap bm(1500, 4, false), src(1500, 4, false), expected(1500, 4, false);
  FillRandom(bm, rng);
  src = bm;
  expected = bm;
  RasterBlur(&expected, &src, 0, 0, 0, 0, 1500, 4);
  RasterBlur(&bm, &bm, 0, 0, 0, 0, 1500, 4);
  EXPECT_EQ(bm.Raw(), expected.Raw());
}

TEST(RasterBlur, ExtremeCoordinatesDrawNothing)
{
  TestBitmap bm(6, 6, false);
  std::mt19937 rng(2);
  FillRandom(bm, rng);
  const auto before = bm.Raw();
  const int outside[][6] = {{INT_MAX, 0, 0, 0, 6, 6}, {0, INT_MAX, 0, 0, 6, 6}, {0, 0, INT_MAX, 0, INT_MAX, 6},
                            {0, 0, INT_MIN, 0, INT_MAX, 6}, {0, 0, 0, INT_MIN, 6, INT_MAX}, {0, 0, -7, 0, 8, 6},
                            {INT_MIN, 0, 0, 0, 6, 6}, {0, INT_MIN, 0, 0, 6, 6}, {0, 0, 0, 0, INT_MIN, INT_MIN}};
  for (const auto& r : outside)
    RasterBlur(&bm, &bm, r[0], r[1], r[2], r[3], r[4], r[5]);
  RasterBlur(nullptr, &bm, 0, 0, 0, 0, 6, 6);
  RasterBlur(&bm, nullptr, 0, 0, 0, 0, 6, 6);
  EXPECT_EQ(bm.Raw(), before);

  TestBitmap expected = bm, copy = bm;
  RasterBlur(&expected, &copy, 0, 0, 0, 0, 6, 6);
  RasterBlur(&bm, &bm, 0, 0, -3, INT_MIN / 2, INT_MAX, INT_MAX);
  EXPECT_EQ(bm.Raw(), expected.Raw());
}

TEST(RasterPixelAccess, PutCombinesOnePixelAndGetAnswersZeroOutside)
{
  TestBitmap bm(3, 2, true);
  bm.At(1, 0) = 0x80808080;
  RasterPutPixel(&bm, 1, 0, 0xFFFFFFFF, 0.5f, RasterModeCopy);
  EXPECT_EQ(RasterGetPixel(&bm, 1, 0), 0xBFBFBFBFu); // word half average
  RasterPutPixel(&bm, 2, 1, 0x10203040, 1.0f, RasterModeCopy);
  EXPECT_EQ(bm.At(2, 1), 0x10203040u);
  EXPECT_EQ(bm.Raw()[2], 0x10203040u); // row 1 of a flipped bitmap is stored first

  // Other factors combine with the colour's own alpha.
  bm.At(0, 0) = 0;
  RasterPutPixel(&bm, 0, 0, 0x80FF0000, 0.4f, RasterModeCopy);
  const i64 s[4] = {0, 0, 255, 0x80};
  EXPECT_EQ(bm.At(0, 0), Combine(0, s, 102, 0));
  bm.At(0, 1) = 0x10101010;
  RasterPutPixel(&bm, 0, 1, 0x10101010, 1.0f, RasterModeAdd | RasterModeUseSourceAlpha);
  EXPECT_EQ(bm.At(0, 1), 0x20202020u); // the source-alpha bit is not looked at

  const auto before = bm.Raw();
  for (int c : {INT_MIN, -1, 3, INT_MAX}) {
    RasterPutPixel(&bm, c, 0, 0xFFFFFFFF, 1.0f, 0);
    RasterPutPixel(&bm, 0, c, 0xFFFFFFFF, 1.0f, 0);
    EXPECT_EQ(RasterGetPixel(&bm, c, 0), 0u);
  }
  RasterPutPixel(&bm, 0, 0, 0xFFFFFFFF, std::numeric_limits<float>::quiet_NaN(), 1);
  EXPECT_EQ(bm.Raw(), before);
  EXPECT_EQ(RasterGetPixel(&bm, 3, 0), 0u);
  EXPECT_EQ(RasterGetPixel(nullptr, 0, 0), 0u);
}
