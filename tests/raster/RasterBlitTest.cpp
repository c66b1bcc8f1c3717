#include "raster/RasterBlit.h"
#include "raster/RasterMemBitmap.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterRowKernels.h"

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

using namespace rastertest;

namespace {

// The blit written the slow way: every source pixel of the clipped rectangle, mapped to the
// destination one by one, combined by the reference formulas.
void ReferenceBlit(TestBitmap& dest, TestBitmap& src, int dstX, int dstY, const int* rect, float opacity, int mode)
{
  if (opacity == 0.0f || !std::isfinite(opacity))
    return;
  const i64 l = rect ? rect[0] : 0, t = rect ? rect[1] : 0;
  const i64 r = rect ? rect[2] : src.GetWidth(), b = rect ? rect[3] : src.GetHeight();
  const int low = mode & 0xFF, selector = mode & 0x100FF;
  const int f = (int)(opacity * 256.0f);
  for (i64 sy = t < 0 ? 0 : t; sy < b && sy < src.GetHeight(); ++sy)
    for (i64 sx = l < 0 ? 0 : l; sx < r && sx < src.GetWidth(); ++sx) {
      const i64 x = dstX + (sx - l), y = dstY + (sy - t);
      if (x < 0 || y < 0 || x >= dest.GetWidth() || y >= dest.GetHeight())
        continue;
      RasterPixel& d = dest.At((int)x, (int)y);
      const RasterPixel s = src.At((int)sx, (int)sy);
      if (low >= 240) {
        const int db = (mode >> 2) & 3, sb = mode & 3;
        d = (d & ~(0xFFu << (8 * db))) | ((RasterPixel)Byte(s, sb) << (8 * db));
      } else if (selector == 0 && opacity == 1.0f) {
        d = s;
      } else if (selector == 0 && opacity == 0.5f) {
        d = ((s >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F);
      } else if (f != 0) {
        d = Combine(d, s, f, selector);
      }
    }
}

const int kModes[] = {0, 1, 2, 3, 4, 5, 0x10000, 0x10001, 0x10002, 0x10003, 0x10004, 0x10005, 0xFC, 0xF1, 6, 0x100};
// Far beyond 1.0 the factor still is the opacity * 256 (up to 2^31); infinities draw nothing.
const float kOpacities[] = {1.0f,   0.5f,   0.25f,   0.75f,  0.4f,     0.003f,    -1.0f,
                            -0.3f,  1.5f,   0.999f,  2.0f,   64.5f,    100.0f,    -70.0f,
                            1000.0f, 8.0e6f, -8.3e6f, std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};

class BlitBothPaths : public ::testing::TestWithParam<bool>
{
protected:
  void SetUp() override { RasterUseSimd(GetParam()); }
  void TearDown() override { RasterUseSimd(true); }
};

} // namespace

TEST_P(BlitBothPaths, MatchesReferenceForEveryModeOpacityRectangleAndRowOrder)
{
  std::mt19937 rng(42);
  for (int iter = 0; iter < 600; ++iter) {
    const bool srcFlip = rng() & 1, destFlip = rng() & 1;
    TestBitmap src(1 + rng() % 23, 1 + rng() % 17, srcFlip), dest(1 + rng() % 23, 1 + rng() % 17, destFlip);
    for (auto& p : src.Raw()) p = RandomPixel(rng);
    for (auto& p : dest.Raw()) p = RandomPixel(rng);
    TestBitmap expected = dest;
    const int rect[4] = {(int)(rng() % 40) - 10, (int)(rng() % 30) - 8, (int)(rng() % 40) - 5, (int)(rng() % 30) - 5};
    const bool useRect = rng() % 4 != 0;
    const int dx = (int)(rng() % 40) - 15, dy = (int)(rng() % 30) - 10;
    const int mode = kModes[rng() % (sizeof kModes / sizeof kModes[0])] | (rng() % 3 == 0 ? 0x2300 : 0);
    const float opacity = kOpacities[rng() % (sizeof kOpacities / sizeof kOpacities[0])];

    ReferenceBlit(expected, src, dx, dy, useRect ? rect : nullptr, opacity, mode);
    RasterBlit(&dest, &src, dx, dy, useRect ? rect : nullptr, opacity, mode);
    ASSERT_EQ(dest.Raw(), expected.Raw()) << "iteration " << iter << " mode " << std::hex << mode << std::dec
                                          << " opacity " << opacity;
  }
}

INSTANTIATE_TEST_SUITE_P(Sse2AndScalar, BlitBothPaths, ::testing::Bool());

TEST(RasterBlit, HalfOpacityCopyIsTheWordAverage)
{
  RasterMemBitmap src(4, 1), dest(4, 1);
  for (int i = 0; i < 4; ++i) {
    src.GetBits()[i] = 0xFFFFFFFF;
    dest.GetBits()[i] = 0;
  }
  RasterBlit(&dest, &src, 0, 0, nullptr, 0.5f, RasterModeCopy);
  EXPECT_EQ(dest.GetBits()[3], 0x7F7F7F7Fu); // not the general formula's 0x80808080

  for (int i = 0; i < 4; ++i) dest.GetBits()[i] = 0;
  RasterBlit(&dest, &src, 0, 0, nullptr, 0.25f, RasterModeCopy);
  EXPECT_EQ(dest.GetBits()[0], 0x40404040u);

  // Only an opacity of exactly 0.5 takes the word average: one that merely truncates to the
  // same factor 128 blends by the formula. (The fill, by contrast, picks its forms by factor.)
  for (int i = 0; i < 4; ++i) dest.GetBits()[i] = 0;
  RasterBlit(&dest, &src, 0, 0, nullptr, 0.5001f, RasterModeCopy);
  EXPECT_EQ(dest.GetBits()[3], 0x80808080u);
  for (int i = 0; i < 4; ++i) dest.GetBits()[i] = 0;
  RasterFillRect(&dest, 0, 0, 4, 1, 0xFFFFFFFF, 0.5001f, RasterModeCopy);
  EXPECT_EQ(dest.GetBits()[3], 0x7F7F7F7Fu);
}

TEST(RasterBlit, TinyAndNegativeOpacities)
{
  RasterMemBitmap src(2, 2), dest(2, 2);
  for (int i = 0; i < 2 * src.GetRowSpan(); ++i) src.GetBits()[i] = 0x40404040;
  for (int i = 0; i < 2 * dest.GetRowSpan(); ++i) dest.GetBits()[i] = 0x80808080;
  RasterBlit(&dest, &src, 0, 0, nullptr, 0.003f, RasterModeAdd);
  EXPECT_EQ(dest.GetBits()[0], 0x80808080u);
  RasterBlit(&dest, &src, 0, 0, nullptr, -1.0f, RasterModeCopy);
  EXPECT_EQ(dest.GetBits()[0], 0x80808080u);
  RasterBlit(&dest, &src, 0, 0, nullptr, -1.0f, RasterModeAdd);
  EXPECT_EQ(dest.GetBits()[0], 0x40404040u); // adding at -1 subtracts
}

TEST(RasterBlit, ChannelCopyMovesOneByte)
{
  RasterMemBitmap src(1, 1), dest(1, 1);
  src.GetBits()[0] = 0x11223344;
  dest.GetBits()[0] = 0xAABBCCDD;
  RasterBlit(&dest, &src, 0, 0, nullptr, 0.1f, 240 + 4 * 3 + 0);
  EXPECT_EQ(dest.GetBits()[0], 0x44BBCCDDu);
  RasterBlit(&dest, &src, 0, 0, nullptr, 1.0f, RasterModeChannelCopyOf(0, 2));
  EXPECT_EQ(dest.GetBits()[0], 0x44BBCC22u);
}

TEST(RasterBlit, NegativeSourceRectangleMovesTheDestination)
{
  TestBitmap src(30, 30, false), dest(40, 40, false);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) src.At(x, y) = (RasterPixel)(y << 8 | x) | 0xFF000000u;
  const int rect[4] = {-10, -5, 20, 20};
  RasterBlit(&dest, &src, 0, 0, rect, 1.0f, RasterModeCopy);
  EXPECT_EQ(dest.At(9, 5), 0u);
  EXPECT_EQ(dest.At(10, 5), 0xFF000000u);
  EXPECT_EQ(dest.At(29, 24), 0xFF001313u);
  EXPECT_EQ(dest.At(30, 24), 0u);
  EXPECT_EQ(dest.At(29, 25), 0u);

  TestBitmap narrow(8, 2, false);
  RasterBlit(&narrow, &src, -3, 0, nullptr, 1.0f, RasterModeCopy);
  EXPECT_EQ(narrow.At(0, 0), 0xFF000003u); // the first three columns are skipped
  EXPECT_EQ(narrow.At(7, 1), 0xFF00010Au); // and the blit stops at the right edge
  EXPECT_EQ(narrow.Raw()[8], 0u);          // padding beyond the width is untouched
}

TEST(RasterBlit, SourceAlphaCopyLeavesTransparentAndReplacesOpaque)
{
  RasterMemBitmap src(2, 1), dest(2, 1);
  src.GetBits()[0] = 0x00FFFFFF;
  src.GetBits()[1] = 0xFF102030;
  dest.GetBits()[0] = 0x12345678;
  dest.GetBits()[1] = 0x12345678;
  RasterBlit(&dest, &src, 0, 0, nullptr, 1.0f, RasterModeCopy | RasterModeUseSourceAlpha);
  EXPECT_EQ(dest.GetBits()[0], 0x12345678u);
  EXPECT_EQ(dest.GetBits()[1], 0xFF102030u);
}

TEST(RasterBlit, BadInputDrawsNothing)
{
  TestBitmap src(10, 10, false), dest(10, 10, true);
  std::mt19937 rng(8);
  FillRandom(src, rng);
  FillRandom(dest, rng);
  const auto before = dest.Raw();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  RasterBlit(nullptr, &src, 0, 0, nullptr, 1.0f, 0);
  RasterBlit(&dest, nullptr, 0, 0, nullptr, 1.0f, 0);
  RasterBlit(&dest, &src, 0, 0, nullptr, nan, 0);
  RasterBlit(&dest, &src, 0, 0, nullptr, 0.0f, 0);
  RasterBlit(&dest, &src, 0, 0, nullptr, 1.0f, 0x10006);
  const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000, -11, 10, 1000000, INT_MAX - 1, INT_MAX};
  for (int a : extremes)
    for (int b : extremes) {
      const int rect[4] = {a, b, b, a};
      const int rect2[4] = {a, a, b, b};
      RasterBlit(&dest, &src, a, b, rect, 1.0f, 0);
      RasterBlit(&dest, &src, b, a, rect2, 0.5f, 1);
      RasterBlitRect(&dest, &src, a, b, a, b, b, a, 1.0f, 0);
      RasterBlitRect(&dest, &src, INT_MAX, INT_MAX, a, b, INT_MAX, INT_MAX, 1.0f, 0);
    }
  EXPECT_EQ(dest.Raw(), before);

  // An opacity that is not finite draws nothing, not even a channel copy.
  for (int mode : {(int)RasterModeMultiply, (int)RasterModeSoftLight, RasterModeChannelCopyOf(3, 0), (int)RasterModeCopy})
    for (float inf : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()})
      RasterBlit(&dest, &src, 0, 0, nullptr, inf, mode);
  EXPECT_EQ(dest.Raw(), before);

  RasterMemBitmap empty(0, 0);
  RasterBlit(&dest, &empty, 0, 0, nullptr, 1.0f, 0);
  RasterBlit(&empty, &src, 0, 0, nullptr, 1.0f, 0);
}

TEST(RasterBlit, OverlappingAreasOfOneBitmapReadTheOriginalPixels)
{
  std::mt19937 rng(77);
  for (int iter = 0; iter < 200; ++iter) {
    TestBitmap bm(16, 12, rng() & 1);
    FillRandom(bm, rng);
    TestBitmap copy = bm, expected = bm;
    const int rect[4] = {(int)(rng() % 10), (int)(rng() % 8), 4 + (int)(rng() % 12), 4 + (int)(rng() % 8)};
    const int dx = (int)(rng() % 12) - 3, dy = (int)(rng() % 10) - 3;
    const int mode = (int)(rng() % 3);
    const float opacity = rng() & 1 ? 1.0f : 0.6f;
    RasterBlit(&expected, &copy, dx, dy, rect, opacity, mode);
    RasterBlit(&bm, &bm, dx, dy, rect, opacity, mode);
    ASSERT_EQ(bm.Raw(), expected.Raw()) << iter;
  }
}

TEST(RasterBlit, CopyResizesTheDestination)
{
  RasterMemBitmap src(7, 3), dest(1, 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) src.GetBits()[y * src.GetRowSpan() + x] = (RasterPixel)(x * 16 + y);
  RasterCopy(&dest, &src);
  ASSERT_EQ(dest.GetWidth(), 7);
  ASSERT_EQ(dest.GetHeight(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(dest.GetBits()[y * dest.GetRowSpan() + x], (RasterPixel)(x * 16 + y));
}

TEST(RasterRowKernels, Sse2AndScalarMatchTheReferenceOnEveryLength)
{
  std::mt19937 rng(2024);
  const RasterRowKernels* sets[] = {&RasterScalarRowKernels(), &RasterSse2RowKernels(), &RasterAvx2RowKernels()};
  for (int iter = 0; iter < 400; ++iter) {
    const int n = (int)(rng() % 37);
    std::vector<RasterPixel> d(n + 1), s(n + 1);
    for (auto& p : d) p = RandomPixel(rng);
    for (auto& p : s) p = RandomPixel(rng);
    const int f = 1 + (int)(rng() % 255);
    const RasterPixel colour = RandomPixel(rng);

    std::vector<RasterPixel> blend(d), opaque(d), srcAlpha(d), half(d), fillBlend(d), fq(d), f3q(d), fh(d);
    for (int i = 0; i < n; ++i) {
      blend[i] = Combine(d[i], s[i], f, 0);
      opaque[i] = Combine(d[i], s[i], 256, 0x10000);
      srcAlpha[i] = Combine(d[i], s[i], f, 0x10000);
      half[i] = ((s[i] >> 1) & 0x7F7F7F7F) + ((d[i] >> 1) & 0x7F7F7F7F);
      fillBlend[i] = Combine(d[i], colour, f, 0);
      fh[i] = ((colour >> 1) & 0x7F7F7F7F) + ((d[i] >> 1) & 0x7F7F7F7F);
      fq[i] = ((d[i] >> 1) & 0x7F7F7F7F) + ((d[i] >> 2) & 0x3F3F3F3F) + ((colour >> 2) & 0x3F3F3F3F);
      f3q[i] = ((colour >> 1) & 0x7F7F7F7F) + ((colour >> 2) & 0x3F3F3F3F) + ((d[i] >> 2) & 0x3F3F3F3F);
    }
    for (const RasterRowKernels* k : sets) {
      std::vector<RasterPixel> out(d);
      k->copyBlend(out.data(), s.data(), n, f);
      ASSERT_EQ(out, blend);
      out = d;
      k->copyOpaqueSrcAlpha(out.data(), s.data(), n);
      ASSERT_EQ(out, opaque);
      out = d;
      k->copySrcAlpha(out.data(), s.data(), n, f);
      ASSERT_EQ(out, srcAlpha);
      out = d;
      k->halfCopy(out.data(), s.data(), n);
      ASSERT_EQ(out, half);
      out = d;
      k->fillBlend(out.data(), n, colour, f);
      ASSERT_EQ(out, fillBlend);
      out = d;
      k->fillHalf(out.data(), n, colour);
      ASSERT_EQ(out, fh);
      out = d;
      k->fillQuarter(out.data(), n, colour);
      ASSERT_EQ(out, fq);
      out = d;
      k->fillThreeQuarters(out.data(), n, colour);
      ASSERT_EQ(out, f3q);
      out = d;
      k->fillSolid(out.data(), n, colour);
      for (int i = 0; i < n; ++i) ASSERT_EQ(out[i], colour);
      ASSERT_EQ(out[n], d[n]);
    }
  }
}
