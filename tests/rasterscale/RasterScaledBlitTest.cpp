#include "raster/RasterBlit.h"
#include "raster/RasterScaledBlit.h"

#include "../raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace rastertest;

namespace {

constexpr int kBilinear = RasterModeFilterBilinear;

int Ch(RasterPixel p, int c) { return (int)((p >> (8 * c)) & 0xFF); }

// The scaled blit written the slow way: every destination pixel of the clipped rectangle, its
// sample position computed on its own, checked against the source limits and filtered by the
// formulas one channel at a time. Not for same-size requests (those go to RasterBlit).
void ReferenceScaled(TestBitmap& d, TestBitmap& s, int dx, int dy, int dw, int dh, float sx, float sy, float sw,
                     float sh, float alpha, int mode)
{
  if (dw < 0) { dw = -dw; dx -= dw; sx += sw; sw = -sw; }
  if (dh < 0) { dh = -dh; dy -= dh; sy += sh; sh = -sh; }
  const double xadv = sw / (float)dw, yadv = sh / (float)dh;
  const int right = (int)std::min<double>(s.GetWidth(), (double)(std::max(sw, 0.0f) + sx) + 0.999999);
  const int bottom = (int)std::min<double>(s.GetHeight(), (double)(std::max(sh, 0.0f) + sy) + 0.999999);
  const i64 xstep = (i64)(xadv * 65536), ystep = (i64)(yadv * 65536);
  // A backward step samples the near end of each footprint, one step below its start.
  i64 x0 = (i64)(((double)sx + (xadv < 0 ? xadv : 0.0)) * 65536), y0 = (i64)(((double)sy + (yadv < 0 ? yadv : 0.0)) * 65536);
  // Clipping skips whole steps of the unclipped drawing.
  if (dx < 0) { dw += dx; x0 -= dx * xstep; dx = 0; }
  if (dy < 0) { dh += dy; y0 -= dy * ystep; dy = 0; }
  dw = std::min(dw, d.GetWidth() - dx);
  dh = std::min(dh, d.GetHeight() - dy);
  if (dw < 1 || dh < 1)
    return;
  const int f = (int)(alpha * 256);
  const bool bilinear = (mode & 0xFF00) == 0x100;
  const bool box = bilinear && xadv >= 1.7 && yadv >= 1.7;
  const int n = std::max(xstep, ystep) <= 0x30000 ? 3 : 5;
  for (int i = 0; i < dh; ++i) {
    const i64 y = y0 + i * ystep;
    if (ystep > 0 && y < 0)
      continue;
    const i64 row = y / 65536, fy = y & 0xFFFF;
    if (row < 0 || row >= bottom)
      continue;
    for (int j = 0; j < dw; ++j) {
      const i64 x = x0 + j * xstep;
      if (xstep > 0 && x < 0)
        continue;
      const i64 col = x / 65536, fx = x & 0xFFFF;
      if (col < 0 || col >= right)
        continue;
      RasterPixel& out = d.At(dx + j, dy + i);
      i64 v[4];
      for (int c = 0; c < 4; ++c) {
        auto P = [&](i64 r, i64 k) { return (i64)Ch(s.At((int)k, (int)r), c); };
        if (box) {
          i64 sum = 0, count = 0;
          for (i64 r = row - n / 2; r < row - n / 2 + n; ++r)
            for (i64 k = col - n / 2; k < col - n / 2 + n; ++k)
              if (r >= 0 && r < bottom && k >= 0 && k < right) {
                sum += P(r, k);
                ++count;
              }
          v[c] = sum / count;
        } else if (!bilinear) {
          v[c] = P(row, col);
        } else if (row < bottom - 1 && col < right - 1) {
          const i64 br = fx * fy >> 16, tr = fx - br, bl = fy - br, tl = 65536 - tr - fy;
          v[c] = (tl * P(row, col) + tr * P(row, col + 1) + bl * P(row + 1, col) + br * P(row + 1, col + 1)) / 65536;
        } else if (row < bottom - 1) {
          v[c] = (P(row, col) * (65536 - fy) + P(row + 1, col) * fy) >> 16;
        } else if (col < right - 1) {
          v[c] = (P(row, col) * (65536 - fx) + P(row, col + 1) * fx) >> 16;
        } else {
          v[c] = P(row, col);
        }
      }
      const RasterPixel sampled = FromBytes(v);
      if ((mode & 0x1FFFF) == 0 && f == 128)
        out = ((out >> 1) & 0x7F7F7F7Fu) + ((sampled >> 1) & 0x7F7F7F7Fu);
      else if (f != 0)
        out = Combine(out, sampled, f, mode & 0x100FF);
    }
  }
}

void ExpectSame(TestBitmap& a, TestBitmap& b, const char* what)
{
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      ASSERT_EQ(a.At(x, y), b.At(x, y)) << what << " at " << x << "," << y;
}

void FillSeeded(TestBitmap& bm, unsigned seed)
{
  std::mt19937 rng(seed);
  for (int y = 0; y < bm.GetHeight(); ++y)
    for (int x = 0; x < bm.GetWidth(); ++x)
      bm.At(x, y) = RandomPixel(rng);
}

// A bitmap whose pixels sit inside a frame of guard pixels that must never change.
class GuardedBitmap : public RasterBitmap
{
public:
  static constexpr int kGuard = 4;
  static constexpr RasterPixel kMark = 0xA5C3E1F7u;
  GuardedBitmap(int w, int h) : width(w), height(h), span(w + 2 * kGuard), store((size_t)span * (h + 2 * kGuard), kMark)
  {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        store[(size_t)(y + kGuard) * span + kGuard + x] = 0x11223344u;
  }
  RasterPixel* GetBits() override { return store.data() + (size_t)kGuard * span + kGuard; }
  int GetWidth() override { return width; }
  int GetHeight() override { return height; }
  int GetRowSpan() override { return span; }
  bool Resize(int, int) override { return false; }
  bool GuardsIntact() const
  {
    for (int y = 0; y < height + 2 * kGuard; ++y)
      for (int x = 0; x < span; ++x) {
        const bool inside = y >= kGuard && y < height + kGuard && x >= kGuard && x < width + kGuard;
        if (!inside && store[(size_t)y * span + x] != kMark)
          return false;
      }
    return true;
  }

private:
  int width, height, span;
  std::vector<RasterPixel> store;
};

const int kSelectors[] = {0, 1, 2, 3, 4, 5, 0x10000, 0x10001, 0x10002, 0x10003, 0x10004, 0x10005, 6, 241};

} // namespace

TEST(RasterScaledBlit, MatchesReferenceOverRandomScalesModesAndClipping)
{
  std::mt19937 rng(20261208);
  const float alphas[] = {1.0f, 0.5f, 0.25f, 0.8f, -0.5f, 1.5f};
  for (int iter = 0; iter < 3000; ++iter) {
    const int sw0 = 1 + (int)(rng() % 23), sh0 = 1 + (int)(rng() % 19);
    TestBitmap src(sw0, sh0, rng() % 2 == 0, 0);
    TestBitmap a(1 + (int)(rng() % 30), 1 + (int)(rng() % 30), rng() % 2 == 0, 2);
    TestBitmap b(a.GetWidth(), a.GetHeight(), false, 0);
    FillSeeded(src, rng());
    FillSeeded(b, rng());
    for (int y = 0; y < b.GetHeight(); ++y)
      for (int x = 0; x < b.GetWidth(); ++x)
        a.At(x, y) = b.At(x, y);
    int dw = 1 + (int)(rng() % 40), dh = 1 + (int)(rng() % 40);
    if (rng() % 4 == 0) dw = -dw;
    if (rng() % 4 == 0) dh = -dh;
    const int dx = (int)(rng() % 50) - 15, dy = (int)(rng() % 50) - 15;
    auto coord = [&](int extent) { return (float)((int)(rng() % (unsigned)(extent * 64 + 64)) - 32) / 64.0f; };
    float sx = coord(sw0), sy = coord(sh0);
    float sw = 0.25f + (float)(rng() % (unsigned)(sw0 * 32 + 32)) / 16.0f;
    float sh = 0.25f + (float)(rng() % (unsigned)(sh0 * 32 + 32)) / 16.0f;
    // A negative source size runs backwards from its start, as a mirrored destination does.
    if (rng() % 6 == 0) { sx += sw; sw = -sw; }
    if (rng() % 6 == 0) { sy += sh; sh = -sh; }
    if (std::fabs(std::fabs(sw) - std::abs(dw)) < 0.01f || std::fabs(std::fabs(sh) - std::abs(dh)) < 0.01f)
      continue;
    const int mode = kSelectors[rng() % 14] | (rng() % 2 ? kBilinear : (rng() % 3 == 0 ? 0x200 : 0));
    const float alpha = alphas[rng() % 6];
    RasterScaledBlit(&a, &src, dx, dy, dw, dh, sx, sy, sw, sh, alpha, mode);
    ReferenceScaled(b, src, dx, dy, dw, dh, sx, sy, sw, sh, alpha, mode);
    SCOPED_TRACE(::testing::Message() << "iter " << iter << " mode " << mode << " alpha " << alpha << " d " << dx
                                      << "," << dy << "," << dw << "," << dh << " s " << sx << "," << sy << "," << sw
                                      << "," << sh);
    ExpectSame(a, b, "scaled");
    if (HasFatalFailure())
      return;
  }
}

TEST(RasterScaledBlit, SameSizeGoesToBlitUnlessBilinearOffTheGrid)
{
  TestBitmap src(16, 8, false, 0);
  FillSeeded(src, 7);
  const int channelCopy = RasterModeChannelCopyOf(0, 2);
  // The channel-copy modes only work through the blit, so they show which path ran.
  TestBitmap a(16, 8, false, 0), b(16, 8, false, 0);
  RasterScaledBlit(&a, &src, 2, 1, 10, 5, 3.0004f, 1.0f, 10.0005f, 5.0f, 1.0f, channelCopy | kBilinear);
  const int rect[4] = {3, 1, 13, 6};
  RasterBlit(&b, &src, 2, 1, rect, 1.0f, channelCopy);
  ExpectSame(a, b, "bilinear on whole pixels");

  TestBitmap c(16, 8, false, 0), e(16, 8, false, 0);
  RasterScaledBlit(&c, &src, 0, 0, 4, 4, 10.02f, 0.0f, 4.0f, 4.0f, 1.0f, kBilinear);
  RasterBlitRect(&e, &src, 0, 0, 10, 0, 4, 4, 1.0f, 0);
  ExpectSame(c, e, "within 0.03 of a pixel");

  // Half a pixel off: interpolated between neighbours, not a blit.
  TestBitmap g(16, 8, false, 0);
  RasterScaledBlit(&g, &src, 0, 0, 4, 4, 10.5f, 0.0f, 4.0f, 4.0f, 1.0f, kBilinear);
  for (int ch = 0; ch < 4; ++ch)
    EXPECT_EQ(Ch(g.At(0, 0), ch), (Ch(src.At(10, 0), ch) + Ch(src.At(11, 0), ch)) / 2);
  TestBitmap h(16, 8, false, 0);
  RasterScaledBlit(&h, &src, 0, 0, 4, 4, 10.5f, 0.0f, 4.0f, 4.0f, 1.0f, channelCopy | kBilinear);
  EXPECT_EQ(h.At(0, 0), 0u) << "channel copy draws nothing when scaling";
}

TEST(RasterScaledBlit, NegativeSizeMirrorsEveryColumnAndRow)
{
  TestBitmap src(7, 5, true, 0);
  FillSeeded(src, 11);
  for (int mode : {0, kBilinear, 1}) {
    TestBitmap d(7, 5, false, 0);
    RasterScaledBlit(&d, &src, 7, 5, -7, -5, 0.0f, 0.0f, 7.0f, 5.0f, 1.0f, mode);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x)
        ASSERT_EQ(d.At(x, y), mode == 1 ? Combine(0u, src.At(6 - x, 4 - y), 256, 1) : src.At(6 - x, 4 - y))
            << x << "," << y << " mode " << mode;
  }
}

TEST(RasterScaledBlit, ClippedStartMovesTheSourceBySameSteps)
{
  TestBitmap src(20, 20, false, 0);
  FillSeeded(src, 3);
  for (int mode : {0, kBilinear, 1 | kBilinear}) {
    TestBitmap whole(40, 40, false, 0), part(30, 30, false, 0);
    RasterScaledBlit(&whole, &src, 0, 0, 30, 26, 1.0f, 2.0f, 15.0f, 13.0f, 0.75f, mode);
    RasterScaledBlit(&part, &src, -10, -6, 30, 26, 1.0f, 2.0f, 15.0f, 13.0f, 0.75f, mode);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(part.At(x, y), whole.At(x + 10, y + 6)) << x << "," << y << " mode " << mode;
  }
}

TEST(RasterScaledBlit, ClippingNeverChangesAPixelThatRemains)
{
  // The drawing clipped at the left and top equals the same window of the unclipped drawing.
  auto pattern = [](int x, int y) { return (RasterPixel)(((unsigned)x * 73856093u) ^ ((unsigned)y * 19349663u)); };
  auto compare = [&](TestBitmap& src, int x, int y, int dw, int dh, float sx, float sy, float sw, float sh,
                     float alpha, int mode, int offX, int offY) {
    TestBitmap whole(64, 64, false, 0), part(30, 30, false, 0);
    for (int j = 0; j < 64; ++j)
      for (int i = 0; i < 64; ++i)
        whole.At(i, j) = pattern(i, j);
    for (int j = 0; j < 30; ++j)
      for (int i = 0; i < 30; ++i)
        part.At(i, j) = pattern(i + offX, j + offY);
    RasterScaledBlit(&whole, &src, x, y, dw, dh, sx, sy, sw, sh, alpha, mode);
    RasterScaledBlit(&part, &src, x - offX, y - offY, dw, dh, sx, sy, sw, sh, alpha, mode);
    for (int j = 0; j < 30; ++j)
      for (int i = 0; i < 30; ++i)
        ASSERT_EQ(part.At(i, j), whole.At(i + offX, j + offY)) << "at " << i << "," << j;
  };
  {
    TestBitmap src(11, 7, false, 0);
    FillSeeded(src, 1);
    SCOPED_TRACE("reported case");
    compare(src, 7, 1, 24, 38, 6.04f, 1.0f, 2.962f, 8.116f, 0.6f, kBilinear, 11, 5);
  }
  std::mt19937 rng(515);
  for (int iter = 0; iter < 3000; ++iter) {
    TestBitmap src(1 + (int)(rng() % 16), 1 + (int)(rng() % 16), rng() % 2 == 0, 0);
    FillSeeded(src, rng());
    int dw = 1 + (int)(rng() % 40), dh = 1 + (int)(rng() % 40);
    int x = (int)(rng() % 10), y = (int)(rng() % 10);
    if (rng() % 4 == 0) { dw = -dw; x += -dw; }
    if (rng() % 4 == 0) { dh = -dh; y += -dh; }
    const float sx = (float)((int)(rng() % 2000) - 300) / 97.0f, sy = (float)((int)(rng() % 2000) - 300) / 89.0f;
    float sw = 0.1f + (float)(rng() % 3000) / 113.0f, sh = 0.1f + (float)(rng() % 3000) / 127.0f;
    if (rng() % 5 == 0) sw = -sw;
    if (rng() % 5 == 0) sh = -sh;
    const int mode = kSelectors[rng() % 12] | (rng() % 3 ? kBilinear : 0);
    const float alphas[] = {1.0f, 0.5f, 0.6f, 0.3f};
    const float alpha = alphas[rng() % 4];
    const int offX = (int)(rng() % 24), offY = (int)(rng() % 24);
    SCOPED_TRACE(::testing::Message() << "iter " << iter << " mode " << mode << " d " << x << "," << y << "," << dw
                                      << "," << dh << " s " << sx << "," << sy << "," << sw << "," << sh << " off "
                                      << offX << "," << offY);
    compare(src, x, y, dw, dh, sx, sy, sw, sh, alpha, mode, offX, offY);
    if (HasFatalFailure())
      return;
  }
}

TEST(RasterScaledBlit, BackwardSourceSizeMirrorsEveryColumnAndRow)
{
  // A negative source size and a negative destination size mirror alike; both at once draw
  // the image the right way round.
  TestBitmap src(4, 3, false, 0);
  FillSeeded(src, 23);
  for (int mode : {0, kBilinear}) {
    TestBitmap a(8, 6, false, 0), b(8, 6, false, 0), c(8, 6, false, 0);
    RasterScaledBlit(&a, &src, 0, 0, 8, 6, 4.0f, 3.0f, -4.0f, -3.0f, 1.0f, mode);
    RasterScaledBlit(&b, &src, 8, 6, -8, -6, 0.0f, 0.0f, 4.0f, 3.0f, 1.0f, mode);
    RasterScaledBlit(&c, &src, 8, 6, -8, -6, 4.0f, 3.0f, -4.0f, -3.0f, 1.0f, mode);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        if (mode == 0) {
          ASSERT_EQ(a.At(x, y), src.At(3 - x / 2, 2 - y / 2)) << x << "," << y;
          ASSERT_EQ(c.At(x, y), src.At(x / 2, y / 2)) << x << "," << y;
        }
        ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y << " mode " << mode;
      }
  }
}

TEST(RasterScaledBlit, BilinearDownscaleAveragesBoxesAndSmallerOnesInterpolate)
{
  TestBitmap src(24, 24, false, 0);
  FillSeeded(src, 5);
  auto average = [&](int cx, int cy, int n) {
    i64 v[4] = {0, 0, 0, 0};
    int count = 0;
    for (int y = cy - n / 2; y <= cy + n / 2; ++y)
      for (int x = cx - n / 2; x <= cx + n / 2; ++x)
        if (x >= 0 && y >= 0 && x < 24 && y < 24) {
          for (int c = 0; c < 4; ++c)
            v[c] += Ch(src.At(x, y), c);
          ++count;
        }
    for (auto& c : v)
      c /= count;
    return FromBytes(v);
  };
  TestBitmap half(12, 12, false, 0), quarter(6, 6, false, 0);
  RasterScaledBlit(&half, &src, 0, 0, 12, 12, 0.0f, 0.0f, 24.0f, 24.0f, 1.0f, kBilinear);
  RasterScaledBlit(&quarter, &src, 0, 0, 6, 6, 0.0f, 0.0f, 24.0f, 24.0f, 1.0f, kBilinear);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(half.At(x, y), average(2 * x, 2 * y, 3)) << x << "," << y;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      ASSERT_EQ(quarter.At(x, y), average(4 * x, 4 * y, 5)) << x << "," << y;

  // By 1.5 the source is sampled between pixels: destination x = 1 lies half way from (1,0) to (2,0).
  TestBitmap third(16, 16, false, 0);
  RasterScaledBlit(&third, &src, 0, 0, 16, 16, 0.0f, 0.0f, 24.0f, 24.0f, 1.0f, kBilinear);
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(Ch(third.At(1, 0), c), (Ch(src.At(1, 0), c) + Ch(src.At(2, 0), c)) / 2);
}

TEST(RasterScaledBlit, BilinearEdgesInterpolateOneWayAndReadNothingBeyond)
{
  // No row padding: a read past the last pixel is caught by the address sanitizer.
  TestBitmap src(4, 4, false, 0);
  FillSeeded(src, 9);
  TestBitmap d(16, 16, false, 0);
  RasterScaledBlit(&d, &src, 0, 0, 16, 16, 0.0f, 0.0f, 4.0f, 4.0f, 1.0f, kBilinear);
  for (int y = 12; y < 16; ++y)
    for (int x = 12; x < 16; ++x)
      EXPECT_EQ(d.At(x, y), src.At(3, 3)) << "last pixel unchanged";
  // Last column, a quarter of the way down to the next row: one-way vertical interpolation.
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(Ch(d.At(13, 1), c), (Ch(src.At(3, 0), c) * 49152 + Ch(src.At(3, 1), c) * 16384) >> 16);
}

TEST(RasterScaledBlit, NearestCopyAtHalfAveragesWordsAndAtOneStoresThem)
{
  TestBitmap src(5, 5, false, 0);
  FillSeeded(src, 13);
  TestBitmap d(10, 10, false, 0), e(10, 10, false, 0);
  FillSeeded(d, 17);
  FillSeeded(e, 17);
  RasterScaledBlit(&d, &src, 0, 0, 10, 10, 0.0f, 0.0f, 5.0f, 5.0f, 0.5f, 0);
  RasterScaledBlit(&e, &src, 0, 0, 10, 10, 0.0f, 0.0f, 5.0f, 5.0f, 1.0f, 0);
  TestBitmap before(10, 10, false, 0);
  FillSeeded(before, 17);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const RasterPixel s = src.At(x / 2, y / 2);
      ASSERT_EQ(d.At(x, y), ((before.At(x, y) >> 1) & 0x7F7F7F7Fu) + ((s >> 1) & 0x7F7F7F7Fu));
      ASSERT_EQ(e.At(x, y), s);
    }
}

TEST(RasterScaledBlit, BadInputDrawsNothingOrStaysInside)
{
  TestBitmap src(6, 6, false, 0);
  FillSeeded(src, 21);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  GuardedBitmap d(8, 8);
  RasterScaledBlit(nullptr, &src, 0, 0, 4, 4, 0, 0, 3, 3, 1, 0);
  RasterScaledBlit(&d, nullptr, 0, 0, 4, 4, 0, 0, 3, 3, 1, 0);
  const int ints[] = {INT_MIN, INT_MIN + 1, -100000, -1, 0, 3, 100000, INT_MAX};
  const float floats[] = {nan, inf, -inf, -1e30f, -40000.5f, -0.5f, 0.0f, 2.5f, 40000.0f, 1e30f};
  std::mt19937 rng(99);
  for (int iter = 0; iter < 20000; ++iter) {
    auto I = [&] { return rng() % 3 ? (int)(rng() % 20) - 6 : ints[rng() % 8]; };
    auto F = [&] { return rng() % 3 ? (float)((int)(rng() % 40) - 10) / 3.0f : floats[rng() % 10]; };
    const int mode = kSelectors[rng() % 14] | (rng() % 2 ? kBilinear : 0);
    const float alpha = rng() % 4 ? 1.0f : F();
    RasterScaledBlit(&d, &src, I(), I(), I(), I(), F(), F(), F(), F(), alpha, mode);
    RasterRotatedBlit(&d, &src, I(), I(), I(), I(), F(), F(), F(), F(), F(), rng() % 2 == 0, alpha, mode, F(), F());
    RasterDeltaBlit(&d, &src, I(), I(), I(), I(), F(), F(), F(), F(), F(), F(), F(), F(), F() / 64, F() / 64,
                    rng() % 2 == 0, alpha, mode);
    float grid[12];
    for (float& g : grid)
      g = F();
    RasterGridWarpBlit(&d, &src, I(), I(), I(), I(), grid, 2 + (int)(rng() % 2), 2, alpha, mode);
  }
  EXPECT_TRUE(d.GuardsIntact());
  RasterGridWarpBlit(&d, &src, 0, 0, 8, 8, nullptr, 2, 2, 1.0f, 0);
  const float grid[8] = {0, 0, 6, 0, 0, 6, 6, 6};
  GuardedBitmap e(8, 8);
  RasterGridWarpBlit(&e, &src, 0, 0, 8, 8, grid, 1, 8, 1.0f, 0);
  RasterGridWarpBlit(&e, &src, 0, 0, 0, 8, grid, 2, 2, 1.0f, 0);
  RasterRotatedBlit(&e, &src, 0, 0, 8, 8, 0, 0, 6, 6, nan, false, 1.0f, 0, 0, 0);
  RasterScaledBlit(&e, &src, 0, 0, 8, 8, 0, 0, 6, 6, nan, 0);
  EXPECT_TRUE(e.GuardsIntact());
  EXPECT_EQ(e.GetBits()[0], 0x11223344u) << "nothing drawn";
}

TEST(RasterScaledBlit, OpacityFarAboveOneIsAppliedAsItStandsAndInfinityDrawsNothing)
{
  TestBitmap src(1, 1, false, 0);
  src.At(0, 0) = 0xFF000001;
  for (int width : {2, 1}) { // scaled, and the same-size shortcut through the blit
    TestBitmap d(2, 1, false, 0);
    d.At(0, 0) = d.At(1, 0) = 0xFF000000;
    RasterScaledBlit(&d, &src, 0, 0, width, 1, 0.0f, 0.0f, 1.0f, 1.0f, 100.0f, RasterModeAdd);
    EXPECT_EQ(d.At(0, 0), 0xFF000064u) << width;
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (float alpha : {inf, -inf}) {
    GuardedBitmap e(8, 8);
    RasterScaledBlit(&e, &src, 0, 0, 8, 8, 0, 0, 1, 1, alpha, RasterModeAdd);
    RasterScaledBlit(&e, &src, 0, 0, 1, 1, 0, 0, 1, 1, alpha, RasterModeChannelCopyOf(3, 0));
    RasterRotatedBlit(&e, &src, 0, 0, 8, 8, 0, 0, 1, 1, 0.5f, false, alpha, RasterModeMultiply, 0, 0);
    RasterDeltaBlit(&e, &src, 0, 0, 8, 8, 0, 0, 1, 1, 0.1, 0, 0, 0.1, 0, 0, false, alpha, RasterModeAdd);
    EXPECT_EQ(e.GetBits()[0], 0x11223344u);
    EXPECT_EQ(e.GetBits()[7 * e.GetRowSpan() + 7], 0x11223344u);
  }
}

TEST(RasterRotatedBlit, AngleZeroCopiesAndHalfTurnFlipsAboutTheMiddle)
{
  TestBitmap src(10, 10, false, 0);
  FillSeeded(src, 31);
  TestBitmap d(12, 12, true, 1);
  RasterRotatedBlit(&d, &src, 1, 1, 10, 10, 0.0f, 0.0f, 10.0f, 10.0f, 0.0f, true, 1.0f, 0, 0.0f, 0.0f);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(d.At(x + 1, y + 1), src.At(x, y));
  EXPECT_EQ(d.At(0, 0), 0u);

  // The half turn maps every pixel to its mirror image about the middle: (x, y) shows
  // (9 - x, 9 - y), none lost at either edge. A quarter turn likewise maps (x, y) to (y, 9 - x).
  TestBitmap h(10, 10, false, 0), q(10, 10, false, 0);
  RasterRotatedBlit(&h, &src, 0, 0, 10, 10, 0.0f, 0.0f, 10.0f, 10.0f, 3.14159265358979f, true, 1.0f, 0, 0.0f, 0.0f);
  RasterRotatedBlit(&q, &src, 0, 0, 10, 10, 0.0f, 0.0f, 10.0f, 10.0f, 1.57079632679f, true, 1.0f, 0, 0.0f, 0.0f);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      ASSERT_EQ(h.At(x, y), src.At(9 - x, 9 - y)) << x << "," << y;
      ASSERT_EQ(q.At(x, y), src.At(y, 9 - x)) << x << "," << y;
    }
}

TEST(RasterRotatedBlit, MirroringKeepsTheFirstColumnAndRow)
{
  // A negative destination size, a negative source size, or a delta blit stepping backwards:
  // each shows every source column and row once, the first one included.
  TestBitmap src(4, 3, false, 0);
  FillSeeded(src, 37);
  for (int mode : {0, kBilinear}) {
    TestBitmap a(4, 3, false, 0), b(4, 3, false, 0), c(4, 3, false, 0), e(4, 3, false, 0);
    RasterRotatedBlit(&a, &src, 4, 3, -4, -3, 0.0f, 0.0f, 4.0f, 3.0f, 0.0f, true, 1.0f, mode, 0.0f, 0.0f);
    RasterRotatedBlit(&b, &src, 0, 0, 4, 3, 4.0f, 3.0f, -4.0f, -3.0f, 0.0f, false, 1.0f, mode, 0.0f, 0.0f);
    RasterDeltaBlit(&c, &src, 4, 3, -4, -3, 0.0f, 0.0f, 4.0f, 3.0f, -1.0, 0.0, 0.0, -1.0, 0.0, 0.0, true, 1.0f, mode);
    RasterRotatedBlit(&e, &src, 4, 3, -4, -3, 4.0f, 3.0f, -4.0f, -3.0f, 0.0f, false, 1.0f, mode, 0.0f, 0.0f);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        const RasterPixel mirrored = src.At(3 - x, 2 - y);
        ASSERT_EQ(a.At(x, y), mirrored) << x << "," << y << " mode " << mode;
        ASSERT_EQ(b.At(x, y), mirrored) << x << "," << y << " mode " << mode;
        ASSERT_EQ(c.At(x, y), mirrored) << x << "," << y << " mode " << mode;
        ASSERT_EQ(e.At(x, y), src.At(x, y)) << x << "," << y << " mode " << mode;
      }
  }
  // One row of four, mirrored by the destination width alone.
  TestBitmap row(4, 1, false, 0), d(4, 1, false, 0);
  FillSeeded(row, 39);
  RasterRotatedBlit(&d, &row, 4, 0, -4, 1, 0.0f, 0.0f, 4.0f, 1.0f, 0.0f, true, 1.0f, 0, 0.0f, 0.0f);
  for (int x = 0; x < 4; ++x)
    EXPECT_EQ(d.At(x, 0), row.At(3 - x, 0)) << x;
}

TEST(RasterDeltaBlit, AxisStepsReproduceTheScaledBlit)
{
  std::mt19937 rng(77);
  for (int iter = 0; iter < 400; ++iter) {
    const int sw = 2 + (int)(rng() % 12), sh = 2 + (int)(rng() % 12);
    TestBitmap src(sw, sh, rng() % 2 == 0, 0);
    FillSeeded(src, rng());
    const int dw = 1 + (int)(rng() % 30), dh = 1 + (int)(rng() % 30);
    if (dw == sw || dh == sh || (double)sw / dw >= 1.7)
      continue;
    const int mode = kSelectors[rng() % 12] | (rng() % 2 ? kBilinear : 0);
    const float alpha = mode & 0xFF ? 0.75f : 1.0f;
    TestBitmap a(32, 32, false, 0), b(32, 32, false, 0);
    FillSeeded(a, iter);
    FillSeeded(b, iter);
    RasterScaledBlit(&a, &src, 1, 2, dw, dh, 0.0f, 0.0f, (float)sw, (float)sh, alpha, mode);
    RasterDeltaBlit(&b, &src, 1, 2, dw, dh, 0.0f, 0.0f, (float)sw, (float)sh, (float)sw / (float)dw, 0.0, 0.0,
                    (float)sh / (float)dh, 0.0, 0.0, true, alpha, mode);
    SCOPED_TRACE(::testing::Message() << "iter " << iter << " mode " << mode);
    ExpectSame(a, b, "delta");
    if (HasFatalFailure())
      return;
  }
}

TEST(RasterDeltaBlit, ClippingKeepsTheWarpOfSkippedRowsAndColumns)
{
  TestBitmap src(32, 32, false, 0);
  FillSeeded(src, 41);
  for (int mode : {0, kBilinear}) {
    TestBitmap whole(40, 40, false, 0), part(40, 40, false, 0);
    // Steps in 64ths so the moved start is exact either way.
    RasterDeltaBlit(&whole, &src, 0, 0, 24, 24, 2.0f, 3.0f, 0, 0, 0.75, 0.125, -0.0625, 0.875, 0.015625, -0.0078125,
                    false, 1.0f, mode);
    RasterDeltaBlit(&part, &src, -5, -7, 24, 24, 2.0f, 3.0f, 0, 0, 0.75, 0.125, -0.0625, 0.875, 0.015625, -0.0078125,
                    false, 1.0f, mode);
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 19; ++x)
        ASSERT_EQ(part.At(x, y), whole.At(x + 5, y + 7)) << x << "," << y << " mode " << mode;
  }
}

TEST(RasterGridWarpBlit, RegularGridReproducesTheScaledDrawing)
{
  TestBitmap src(16, 12, false, 0);
  FillSeeded(src, 51);
  // 5 x 4 points over the whole source, the destination twice as large.
  float grid[4][5][2];
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 5; ++i) {
      grid[j][i][0] = 4.0f * i;
      grid[j][i][1] = 4.0f * j;
    }
  for (int mode : {0, kBilinear, 0x10004 | kBilinear}) {
    TestBitmap warped(40, 30, false, 0), scaled(40, 30, false, 0);
    RasterGridWarpBlit(&warped, &src, -3, 2, 32, 24, &grid[0][0][0], 5, 4, 0.75f, mode);
    RasterScaledBlit(&scaled, &src, -3, 2, 32, 24, 0.0f, 0.0f, 16.0f, 12.0f, 0.75f, mode);
    ExpectSame(warped, scaled, "grid");
  }
}

TEST(RasterGridWarpBlit, LastCellReachesTheRectangleEdge)
{
  // Eleven boundaries a tenth of a pixel apart: only the last cell is a pixel wide, and summing
  // 0.1 ten times falls just short of 1.
  TestBitmap src(16, 2, false, 0);
  FillSeeded(src, 61);
  float grid[2][11][2];
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 11; ++i) {
      grid[j][i][0] = (float)i;
      grid[j][i][1] = (float)j;
    }
  TestBitmap d(1, 1, false, 0);
  RasterGridWarpBlit(&d, &src, 0, 0, 1, 1, &grid[0][0][0], 11, 2, 1.0f, 0);
  EXPECT_EQ(d.At(0, 0), src.At(9, 0));
}
