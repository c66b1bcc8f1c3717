// Polygons, circles, arcs, rounded rectangles and curves, and bad input for every shape.

#include "raster/RasterBezier.h"
#include "raster/RasterLine.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterShapes.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>

using namespace rastertest;

namespace {

const float kPi = 3.14159265f;

std::string Picture(TestBitmap& bm)
{
  std::string s;
  for (int y = 0; y < bm.GetHeight(); ++y) {
    for (int x = 0; x < bm.GetWidth(); ++x)
      s += bm.At(x, y) ? '#' : '.';
    s += '\n';
  }
  return s;
}

int Count(TestBitmap& bm)
{
  int n = 0;
  for (int y = 0; y < bm.GetHeight(); ++y)
    for (int x = 0; x < bm.GetWidth(); ++x)
      n += bm.At(x, y) != 0;
  return n;
}

// The same drawing on a flipped bitmap must give the same picture counted from the top.
template <class Draw> void ExpectFlipInvariant(int w, int h, Draw draw)
{
  TestBitmap a(w, h, false), b(w, h, true);
  draw(&a);
  draw(&b);
  ASSERT_EQ(Picture(a), Picture(b));
}


using PixelSet = std::set<std::pair<long long, long long>>;

void AddRun(PixelSet& set, long long y, long long lo, long long hi, int w, int h)
{
  for (long long x = lo; x <= hi; ++x)
    if (x >= 0 && y >= 0 && x < w && y < h)
      set.insert({x, y});
}

// The pixels a disc without anti-aliasing paints, straight from the midpoint walk: the outline
// points and the runs between them, each truncated to pixels.
PixelSet MidpointDiscPixels(float cx, float cy, float r, int w, int h)
{
  PixelSet set;
  auto T = [](float v) { return (long long)v; };
  auto point = [&](float x, float y) { AddRun(set, T(y), T(x), T(x), w, h); };
  auto run = [&](float y, float a, float b) { AddRun(set, T(y), T(a), T(b), w, h); };
  point(cx, cy + r);
  point(cx, cy - r);
  point(cx + r, cy);
  point(cx - r, cy);
  run(cy, cx - r + 1, cx + r - 1);
  float x = 0, d = (5 - 4 * r) / 4, rr = r, y;
  do {
    x += 1;
    const bool down = d >= 0;
    y = down ? rr - 1 : rr;
    for (float sx : {1.0f, -1.0f})
      for (float sy : {1.0f, -1.0f}) {
        point(cx + sx * x, cy + sy * y);
        point(cx + sx * y, cy + sy * x);
      }
    run(cy + y, cx - x + 1, cx + x - 1);
    run(cy - y, cx - x + 1, cx + x - 1);
    run(cy + x, cx - y + 1, cx + y - 1);
    run(cy - x, cx - y + 1, cx + y - 1);
    d += down ? 2 * (x - y) + 1 : 2 * x + 1;
    rr = y;
  } while (x < y);
  return set;
}

// The anti-aliased disc's runs between the inner pixels of each step k (spans), and its
// weighted ring pixels (ring), straight from the description of the ring walk.
void AntiAliasedDiscPixels(float cx, float cy, float r, int w, int h, PixelSet* spans, PixelSet* ring)
{
  auto T = [](float v) { return (long long)v; };
  auto e = [r](int k) { return k == 0 ? r : std::sqrt(r * r - (float)k * (float)k); };
  for (int k = 0; (float)k < e(k) + 1; ++k) {
    const float ek = e(k), frac = ek - std::floor(ek), fk = (float)k;
    for (float c : {cx + fk, cx - fk}) {
      const long long lo = frac != 0 ? T(cy - ek + 1) : T(cy - ek), hi = T(cy + ek);
      for (long long y = lo + 1; y <= hi - 1; ++y)
        AddRun(*spans, y, T(c), T(c), w, h);
      for (float yy : {cy + ek + 1, cy - ek, cy + ek, cy - ek + 1})
        AddRun(*ring, T(yy), T(c), T(c), w, h);
    }
    for (float rw : {cy + fk, cy - fk}) {
      const long long lo = frac != 0 ? T(cx - ek + 1) : T(cx - ek), hi = T(cx + ek);
      AddRun(*spans, T(rw), lo + 1, hi - 1, w, h);
      for (float xx : {cx + ek + 1, cx - ek, cx + ek, cx - ek + 1})
        AddRun(*ring, T(rw), T(xx), T(xx), w, h);
    }
  }
}

} // namespace

TEST(RasterShapes, TrapezoidRowsStepInFixedPointAndClipLikeTheWholeShape)
{
  // A trapezoid cut by the bitmap's edges is the matching window of the whole trapezoid.
  std::mt19937 rng(21);
  for (int iter = 0; iter < 400; ++iter) {
    TestBitmap big(60, 60, false), small(20, 20, false);
    int v[6];
    for (int& c : v)
      c = (int)(rng() % 70) - 5;
    const float alpha = iter % 3 == 0 ? 0.75f : 1.0f;
    RasterFillTrapezoid(&big, v[0], v[1], v[2], v[3], v[4], v[5], 0xFF102030, alpha, 0);
    RasterFillTrapezoid(&small, v[0] - 20, v[1] - 20, v[2] - 20, v[3] - 20, v[4] - 20, v[5] - 20, 0xFF102030, alpha, 0);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(small.At(x, y), big.At(x + 20, y + 20)) << iter;
  }
  // Vertical edges: a rectangle, rows and columns inclusive; the copy word forms apply.
  TestBitmap r(8, 8, false), f(8, 8, false);
  for (auto& p : r.Raw())
    p = 0x40404040;
  f.Raw() = r.Raw();
  RasterFillTrapezoid(&r, 5, 1, 6, 1, 5, 2, 0xFFFFFFFF, 0.25f, 0);
  for (int y = 2; y <= 6; ++y)
    for (int x = 1; x <= 5; ++x)
      EXPECT_EQ(r.At(x, y), 0x6F6F6F6Fu);
  EXPECT_EQ(r.At(0, 2), 0x40404040u);
  EXPECT_EQ(r.At(1, 7), 0x40404040u);
}

TEST(RasterShapes, PolygonsAndTriangles)
{
  TestBitmap a(12, 12, false), b(12, 12, false);
  RasterFillTriangle(&a, 1, 1, 10, 4, 3, 10, 0xFFFFFFFF, 1.0f, 0);
  const int xs[3] = {3, 1, 10}, ys[3] = {10, 1, 4};
  RasterFillConvexPolygon(&b, xs, ys, 3, 0xFFFFFFFF, 1.0f, 0);
  EXPECT_EQ(Picture(a), Picture(b));
  // Vertices inside, points outside the hull untouched.
  EXPECT_NE(a.At(1, 1), 0u);
  EXPECT_NE(a.At(10, 4), 0u);
  EXPECT_NE(a.At(3, 10), 0u);
  EXPECT_NE(a.At(5, 5), 0u);
  EXPECT_EQ(a.At(10, 10), 0u);
  EXPECT_EQ(a.At(1, 9), 0u);

  // All points on one row: nothing. Two points: nothing.
  TestBitmap c(12, 12, false);
  const int flatX[4] = {1, 5, 9, 3}, flatY[4] = {4, 4, 4, 4};
  RasterFillConvexPolygon(&c, flatX, flatY, 4, 0xFFFFFFFF, 1.0f, 0);
  RasterFillConvexPolygon(&c, flatX, flatY, 2, 0xFFFFFFFF, 1.0f, 0);
  EXPECT_EQ(Count(c), 0);

  // A square given in any order: its pixels once each (add mode would show a second pass).
  TestBitmap q(12, 12, false);
  const int sx[4] = {8, 2, 2, 8}, sy[4] = {9, 9, 3, 3};
  RasterFillConvexPolygon(&q, sx, sy, 4, 0x01010101, 1.0f, RasterModeAdd);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(q.At(x, y), (x >= 2 && x <= 8 && y >= 3 && y <= 9) ? 0x01010101u : 0u) << x << "," << y;

  // An octagon with more points than fit on the stack, and a flipped bitmap.
  std::vector<int> px(2000), py(2000);
  for (int i = 0; i < 2000; ++i) {
    px[i] = 6 + (int)std::lround(5 * std::cos(i * 2 * kPi / 8));
    py[i] = 6 + (int)std::lround(5 * std::sin(i * 2 * kPi / 8));
  }
  ExpectFlipInvariant(12, 12, [&](RasterBitmap* bm) {
    RasterFillConvexPolygon(bm, px.data(), py.data(), 2000, 0xFFFFFFFF, 1.0f, 0);
  });
}

TEST(RasterShapes, SmallCirclesComeFromTheirMasks)
{
  TestBitmap bm(9, 9, false);
  RasterCircle(&bm, 4.0f, 4.0f, 2.0f, 0xFFFFFFFF, 1.0f, 0, false);
  EXPECT_EQ(Picture(bm), ".........\n"
                         ".........\n"
                         "....#....\n"
                         "...#.#...\n"
                         "..#...#..\n"
                         "...#.#...\n"
                         "....#....\n"
                         ".........\n"
                         ".........\n");
  TestBitmap aa(9, 9, false);
  RasterCircle(&aa, 4.0f, 4.0f, 2.0f, 0xFFFFFFFF, 1.0f, 0, true);
  EXPECT_EQ(aa.At(2, 2), Combine(0, 0xFFFFFFFFu, 0x0F, 0));
  EXPECT_EQ(aa.At(3, 3), Combine(0, 0xFFFFFFFFu, 0xD1, 0));
  EXPECT_EQ(aa.At(4, 4), 0u);
  // Radius 2.1 takes the midpoint method: a different, larger ring.
  TestBitmap m(9, 9, false);
  RasterCircle(&m, 4.0f, 4.0f, 2.1f, 0xFFFFFFFF, 1.0f, 0, false);
  EXPECT_NE(Picture(m), Picture(bm));
  EXPECT_NE(m.At(6, 4), 0u);
  EXPECT_NE(m.At(4, 1), 0u);
  ExpectFlipInvariant(9, 9, [](RasterBitmap* b) { RasterCircle(b, 3.0f, 5.0f, 3.0f, 0xFFFFFFFF, 1.0f, 0, true); });
}

TEST(RasterShapes, CirclesAreSymmetricAndDiscsAreSolid)
{
  for (int aa = 0; aa < 2; ++aa) {
    for (float r : {5.0f, 7.3f, 12.5f}) {
      TestBitmap bm(40, 40, false), disc(40, 40, false);
      RasterCircle(&bm, 20.0f, 20.0f, r, 0xFFFFFFFF, 1.0f, 0, aa);
      RasterFillCircle(&disc, 20.0f, 20.0f, r, 0xFFFFFFFF, 1.0f, 0, aa);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
          // Truncation keeps the outline symmetric for whole radii, and always when anti-aliased.
          if (x > 0 && (aa || r == std::floor(r))) {
            ASSERT_EQ(bm.At(x, y), bm.At(40 - x, y)) << r << " " << x << "," << y;
          }
          if (aa || r == std::floor(r)) {
            ASSERT_EQ(bm.At(x, y), bm.At(y, x)) << r << " " << x << "," << y;
          }
          const double dist = std::hypot(x - 20.0, y - 20.0);
          if (dist < r - 1.5) {
            ASSERT_EQ(disc.At(x, y), 0xFFFFFFFFu) << r << " " << x << "," << y;
          }
          if (dist > r + 1.5) {
            ASSERT_EQ(disc.At(x, y), 0u) << r << " " << x << "," << y;
            ASSERT_EQ(bm.At(x, y), 0u) << r << " " << x << "," << y;
          }
          if (dist < r - 1.5) {
            ASSERT_EQ(bm.At(x, y), 0u) << r << " " << x << "," << y;
          }
        }
    }
  }
  // Every pixel of a disc is combined once, even where the walk revisits a row.
  for (int aa = 0; aa < 2; ++aa) {
    TestBitmap once(50, 50, aa == 1);
    RasterFillCircle(&once, 25.0f, 24.0f, 19.6f, 0x01010101, 1.0f, RasterModeAdd, aa);
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x)
        ASSERT_LE(Byte(once.At(x, y), 0), 1) << aa << " " << x << "," << y;
    EXPECT_EQ(Byte(once.At(25, 24), 0), 1);
  }
  // Discs blend like lines: a quarter opacity is the copy blend, not the polygons' word form.
  TestBitmap q(20, 20, false);
  for (auto& p : q.Raw())
    p = 0x40404040;
  RasterFillCircle(&q, 10.0f, 10.0f, 6.0f, 0xFFFFFFFF, 0.25f, 0, false);
  EXPECT_EQ(q.At(10, 10), Combine(0x40404040u, 0xFFFFFFFFu, 64, 0));
  ExpectFlipInvariant(30, 30, [](RasterBitmap* b) { RasterFillCircle(b, 12.0f, 9.0f, 8.0f, 0xFFFFFFFF, 1.0f, 0, true); });
}

TEST(RasterShapes, DiscsPaintExactlyTheRunsOfTheirWalkEachPixelOnce)
{
  // The reported cases first: a small anti-aliased disc whose middle pixels lie in column runs
  // only, and a disc below one pixel whose outline points on one row leave a gap between them.
  TestBitmap aa(7, 8, false);
  RasterFillCircle(&aa, 4.044f, 4.949f, 1.819f, 0xFFFFFFFF, 1.0f, RasterModeCopy, true);
  EXPECT_EQ(aa.At(4, 3), 0xFFFFFFFFu);
  EXPECT_EQ(aa.At(4, 4), 0xFFFFFFFFu);
  TestBitmap tiny(8, 8, false);
  RasterFillCircle(&tiny, 2.5428f, 6.0f, 0.345f, 0xFFFFFFFF, 1.0f, RasterModeCopy, false);
  EXPECT_EQ(tiny.At(2, 7), 0u);
  EXPECT_EQ(tiny.At(1, 7), 0xFFFFFFFFu);

  std::mt19937 rng(715);
  for (int iter = 0; iter < 4000; ++iter) {
    const int w = 4 + (int)(rng() % 20), h = 4 + (int)(rng() % 20);
    const float cx = (float)((int)(rng() % 3000) - 300) / 100.0f * (float)w / 24.0f;
    const float cy = (float)((int)(rng() % 3000) - 300) / 100.0f * (float)h / 24.0f;
    const float r = iter % 3 == 0 ? (float)(rng() % 1000) / 1000.0f : (float)(rng() % 14000) / 1000.0f;
    const bool antiAlias = iter % 2 == 1;
    SCOPED_TRACE(::testing::Message() << "iter " << iter << " " << w << "x" << h << " centre " << cx << "," << cy
                                      << " radius " << r << (antiAlias ? " aa" : ""));
    PixelSet spans, ring;
    if (antiAlias)
      AntiAliasedDiscPixels(cx, cy, r, w, h, &spans, &ring);
    else
      spans = MidpointDiscPixels(cx, cy, r, w, h);
    TestBitmap copy(w, h, false), add(w, h, false);
    RasterFillCircle(&copy, cx, cy, r, 0xFFFFFFFF, 1.0f, RasterModeCopy, antiAlias);
    // Under add at full strength a run adds 1; a ring pixel adds at most 1 (its weight is below
    // 256 unless it sits on a whole radius); a pixel in two runs would reach 2.
    RasterFillCircle(&add, cx, cy, r, 0x00000001, 1.0f, RasterModeAdd, antiAlias);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inRun = spans.count({x, y}) != 0, onRing = ring.count({x, y}) != 0;
        if (inRun) {
          ASSERT_EQ(copy.At(x, y), 0xFFFFFFFFu) << x << "," << y;
        } else if (!onRing) {
          ASSERT_EQ(copy.At(x, y), 0u) << x << "," << y;
        }
        if (inRun && !onRing) {
          ASSERT_EQ(add.At(x, y), 1u) << x << "," << y;
        }
      }
  }
}

TEST(RasterShapes, ArcsCoverTheirQuartersOfTheCircle)
{
  TestBitmap whole(30, 30, false), quarter(30, 30, false);
  RasterCircle(&whole, 15.0f, 15.0f, 10.0f, 0xFFFFFFFF, 1.0f, 0, false);
  RasterArc(&quarter, 15.0f, 15.0f, 10.0f, 0.0f, kPi / 2, 0xFFFFFFFF, 1.0f, 0, false);
  int n = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      if (quarter.At(x, y)) {
        ++n;
        ASSERT_NE(whole.At(x, y), 0u);
        ASSERT_GE(x, 15);
        ASSERT_LE(y, 15);
      } else if (whole.At(x, y) && x > 15 && y < 15) {
        ADD_FAILURE() << "missing " << x << "," << y;
      }
    }
  EXPECT_GT(n, 10);
  // Four quarters, in any order and past a whole turn, draw the circle once each pixel.
  TestBitmap parts(30, 30, false);
  RasterArc(&parts, 15.0f, 15.0f, 10.0f, kPi / 2, 0.0f, 0x01010101, 1.0f, RasterModeAdd, false);
  RasterArc(&parts, 15.0f, 15.0f, 10.0f, kPi / 2, kPi, 0x01010101, 1.0f, RasterModeAdd, false);
  RasterArc(&parts, 15.0f, 15.0f, 10.0f, -kPi, -kPi / 2, 0x01010101, 1.0f, RasterModeAdd, false);
  RasterArc(&parts, 15.0f, 15.0f, 10.0f, 3 * kPi / 2 + 4 * kPi, 2 * kPi + 4 * kPi, 0x01010101, 1.0f, RasterModeAdd,
            false);
  RasterPixel most = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      ASSERT_EQ(parts.At(x, y) != 0, whole.At(x, y) != 0) << x << "," << y;
      most = std::max(most, parts.At(x, y));
    }
  EXPECT_LE(most, 0x02020202u);
  ExpectFlipInvariant(30, 30, [](RasterBitmap* b) { RasterArc(b, 15.0f, 12.0f, 9.0f, 0.3f, 2.2f, 0xFFFFFFFF, 1.0f, 0, true); });
}

TEST(RasterShapes, RoundRectangles)
{
  TestBitmap a(20, 20, false), b(20, 20, false);
  RasterRoundRect(&a, 2.0f, 3.0f, 12.0f, 9.0f, 1.5f, 0xFFFFFFFF, 1.0f, 0, false);
  RasterRectOutline(&b, 2, 3, 12, 9, 0xFFFFFFFF, 1.0f, 0);
  EXPECT_EQ(Picture(a), Picture(b));
  TestBitmap r(20, 20, false);
  RasterRoundRect(&r, 2.0f, 3.0f, 12.0f, 9.0f, 4.0f, 0xFFFFFFFF, 1.0f, 0, false);
  EXPECT_EQ(r.At(2, 3), 0u);
  EXPECT_EQ(r.At(14, 12), 0u);
  EXPECT_NE(r.At(8, 3), 0u);
  EXPECT_NE(r.At(8, 12), 0u);
  EXPECT_NE(r.At(2, 7), 0u);
  EXPECT_NE(r.At(14, 7), 0u);
  // Each corner has pixels near its arc: one per quadrant off the straight edges.
  EXPECT_GT(r.At(3, 5) | r.At(4, 4) | r.At(3, 4) | r.At(4, 5), 0u);
  EXPECT_GT(r.At(13, 5) | r.At(12, 4) | r.At(13, 4) | r.At(12, 5), 0u);
  EXPECT_GT(r.At(13, 10) | r.At(12, 11) | r.At(13, 11) | r.At(12, 10), 0u);
  EXPECT_GT(r.At(3, 10) | r.At(4, 11) | r.At(3, 11) | r.At(4, 10), 0u);
}

TEST(RasterShapes, CurvesFollowTheirControlPolygons)
{
  // Control points on a straight line: the curve is that line's pixels (within one pixel).
  TestBitmap c(40, 20, false), l(40, 20, false);
  RasterCubicBezier(&c, 2.0f, 3.0f, 12.0f, 6.0f, 22.0f, 9.0f, 32.0f, 12.0f, 0xFFFFFFFF, 1.0f, 0, false, 2.0f);
  RasterQuadBezier(&l, 32.0f, 12.0f, 17.0f, 7.5f, 2.0f, 3.0f, 0xFFFFFFFF, 1.0f, 0, false, 1.0f);
  for (int x = 2; x <= 32; ++x) {
    const double y = 3 + (x - 2) * 9.0 / 30.0;
    bool cubic = false, quad = false;
    for (int d = -1; d <= 1; ++d) {
      const int yy = (int)y + d;
      cubic |= c.At(x, yy) != 0;
      quad |= l.At(x, yy) != 0;
    }
    EXPECT_TRUE(cubic) << x;
    EXPECT_TRUE(quad) << x;
  }
  // Curves reaching past the left and right edges are cut there, not dropped.
  TestBitmap cut(20, 20, false);
  RasterCubicBezier(&cut, -30.0f, 5.0f, -10.0f, 5.0f, 30.0f, 5.0f, 50.0f, 5.0f, 0xFFFFFFFF, 1.0f, 0, false, 1.0f);
  for (int x = 0; x < 20; ++x)
    EXPECT_NE(cut.At(x, 5), 0u) << x;
  // A flat curve filled down to a row is the rectangle between them.
  TestBitmap f(40, 30, false);
  RasterFillCubicBezierToY(&f, 30.0f, 10.0f, 20.0f, 10.0f, 12.0f, 10.0f, 5.0f, 10.0f, 20, 0xFFFFFFFF, 1.0f, 0, 1.0f);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(f.At(x, y) != 0, x >= 5 && x <= 30 && y >= 10 && y <= 20) << x << "," << y;
  TestBitmap g(30, 40, true);
  RasterFillCubicBezierToX(&g, 10.0f, 5.0f, 10.0f, 15.0f, 10.0f, 20.0f, 10.0f, 30.0f, 20, 0xFFFFFFFF, 1.0f, 0, 3.0f);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(g.At(x, y) != 0, x >= 10 && x <= 20 && y >= 5 && y <= 30) << x << "," << y;
}

TEST(RasterShapes, OpacityFarAboveOneIsAppliedAsItStandsAndInfinityDrawsNothing)
{
  // Adding a blue of 1 at opacity 100 adds 100, and a quarter of the colour's share 25.
  TestBitmap line(8, 4, false), aa(8, 8, false), small(9, 9, false);
  RasterLine(&line, 0, 1, 7, 1, 0x00000001, 100.0f, RasterModeAdd, false);
  EXPECT_EQ(line.At(3, 1), 0x00000064u);
  RasterLine(&aa, 0, 0, 5, 5, 0x00000001, 100.0f, RasterModeAdd, true);
  EXPECT_EQ(Byte(aa.At(2, 2), 0), 100 * 192 / 256);
  EXPECT_EQ(Byte(aa.At(3, 2), 0), 100 * 64 / 256);
  RasterCircle(&small, 4.0f, 4.0f, 2.0f, 0x00000001, 100.0f, RasterModeAdd, false);
  EXPECT_EQ(Byte(small.At(4, 2), 0), 25600 * 0xFF / 256 / 256); // from the 5 x 5 mask
  TestBitmap disc(20, 20, false);
  RasterFillCircle(&disc, 10.0f, 10.0f, 6.0f, 0x00000001, 1000.0f, RasterModeAdd, false);
  EXPECT_EQ(disc.At(10, 10), 0x000000FFu);

  const float inf = std::numeric_limits<float>::infinity();
  for (float alpha : {inf, -inf}) {
    TestBitmap bm(12, 12, false);
    for (int mode : {0, 1, 3}) {
      RasterLine(&bm, 0, 0, 11, 7, 0xFFFFFFFF, alpha, mode, true);
      RasterLineF(&bm, 0.5f, 0.0f, 11.0f, 3.5f, 0xFFFFFFFF, alpha, mode, true);
      RasterDashedLine(&bm, 0, 2, 11, 2, 2, 1, 0xFFFFFFFF, alpha, mode);
      RasterFillTriangle(&bm, 0, 0, 11, 0, 5, 11, 0xFFFFFFFF, alpha, mode);
      RasterCircle(&bm, 6.0f, 6.0f, 2.0f, 0xFFFFFFFF, alpha, mode, true);
      RasterFillCircle(&bm, 6.0f, 6.0f, 4.3f, 0xFFFFFFFF, alpha, mode, true);
      RasterBorderedRect(&bm, 1, 1, 8, 8, 0xFFFFFFFF, 0xFFFFFFFF, alpha, mode);
      RasterCubicBezier(&bm, 0, 0, 4, 11, 8, 0, 11, 11, 0xFFFFFFFF, alpha, mode, false, 1.0f);
    }
    EXPECT_EQ(Count(bm), 0) << alpha;
  }
}

TEST(RasterShapes, CubicWithBothEndsOffOneSideIsDrawnWhereItCrossesTheBitmap)
{
  TestBitmap line(10, 10, false), fill(10, 10, false);
  RasterCubicBezier(&line, -2.0f, 2.0f, 12.0f, 2.0f, 12.0f, 8.0f, -1.0f, 8.0f, 0xFFFFFFFF, 1.0f, 0, false, 1.0f);
  RasterFillCubicBezierToY(&fill, -2.0f, 2.0f, 12.0f, 2.0f, 12.0f, 8.0f, -1.0f, 8.0f, 9, 0xFFFFFFFF, 1.0f, 0, 1.0f);
  EXPECT_EQ(Count(line), 20);
  EXPECT_EQ(Count(fill), 72);
  // It reaches its rightmost point (x = 8.6) on row 5 and enters and leaves at column 0.
  EXPECT_NE(line.At(8, 5), 0u);
  EXPECT_NE(line.At(0, 2), 0u);
  EXPECT_NE(line.At(0, 7), 0u);
  // The same curve turned to run off the right edge, and off the top for the column fill.
  TestBitmap right(10, 10, false), across(10, 10, false);
  RasterCubicBezier(&right, 11.0f, 2.0f, -3.0f, 2.0f, -3.0f, 8.0f, 10.0f, 8.0f, 0xFFFFFFFF, 1.0f, 0, false, 1.0f);
  RasterFillCubicBezierToX(&across, 2.0f, -2.0f, 2.0f, 12.0f, 8.0f, 12.0f, 8.0f, -1.0f, 9, 0xFFFFFFFF, 1.0f, 0,
                           1.0f);
  EXPECT_GT(Count(right), 15);
  EXPECT_GT(Count(across), 40);
  // Wholly off one side it draws nothing.
  TestBitmap off(10, 10, false);
  RasterCubicBezier(&off, -2.0f, 2.0f, -0.5f, 2.0f, -0.5f, 8.0f, -1.0f, 8.0f, 0xFFFFFFFF, 1.0f, 0, false, 1.0f);
  EXPECT_EQ(Count(off), 0);
}

TEST(RasterShapes, BadInputStaysInsideTheBitmap)
{
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const float floats[] = {0.0f, 3.5f, -1.0f, 1e9f, -1e9f, 3e38f, -3e38f, inf, -inf, nan, 1e-30f, 2.0f, 4.0f};
  const int ints[] = {0, 5, -1, INT_MIN, INT_MAX, INT_MIN + 1, INT_MAX - 1, 100000, -100000};
  std::mt19937 rng(99);
  auto F = [&] { return floats[rng() % (sizeof floats / sizeof *floats)]; };
  auto I = [&] { return ints[rng() % (sizeof ints / sizeof *ints)]; };
  for (int iter = 0; iter < 4000; ++iter) {
    TestBitmap bm(7, 5, iter % 2 == 0);
    const RasterPixel guard = 0xDEADBEEF;
    for (auto& p : bm.Raw())
      p = guard;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x)
        bm.At(x, y) = 0;
    const int mode = (int)(rng() % 8);
    const float alpha = rng() % 4 ? 1.0f : F();
    const bool aa = rng() % 2;
    switch (iter % 12) {
    case 0: RasterLine(&bm, I(), I(), I(), I(), 0xFFFFFFFF, alpha, mode, aa); break;
    case 1: RasterLineF(&bm, F(), F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa); break;
    case 2: RasterDashedLine(&bm, I(), I(), I(), I(), I(), I(), 0xFFFFFFFF, alpha, mode); break;
    case 3: RasterBorderedRect(&bm, I(), I(), I(), I(), 1, 2, alpha, mode); break;
    case 4: RasterFillTrapezoid(&bm, I(), I(), I(), I(), I(), I(), 0xFFFFFFFF, alpha, mode); break;
    case 5: RasterFillTriangle(&bm, I(), I(), I(), I(), I(), I(), 0xFFFFFFFF, alpha, mode); break;
    case 6: RasterCircle(&bm, F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa); break;
    case 7: RasterFillCircle(&bm, F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa); break;
    case 8: RasterArc(&bm, F(), F(), F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa); break;
    case 9: RasterRoundRect(&bm, F(), F(), F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa); break;
    case 10: RasterCubicBezier(&bm, F(), F(), F(), F(), F(), F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa, F()); break;
    default:
      RasterQuadBezier(&bm, F(), F(), F(), F(), F(), F(), 0xFFFFFFFF, alpha, mode, aa, F());
      RasterFillCubicBezierToY(&bm, F(), F(), F(), F(), F(), F(), F(), F(), I(), 0xFFFFFFFF, alpha, mode, F());
      RasterFillCubicBezierToX(&bm, F(), F(), F(), F(), F(), F(), F(), F(), I(), 0xFFFFFFFF, alpha, mode, F());
      break;
    }
    // Padding after each row and the word after the last row stay untouched.
    const std::vector<RasterPixel>& raw = bm.Raw();
    for (size_t i = 0; i < raw.size(); ++i)
      if (i % 10 >= 7 || i >= 50) {
        ASSERT_EQ(raw[i], guard) << "iteration " << iter << " word " << i;
      }
  }
  // Null and empty bitmaps.
  RasterLine(nullptr, 0, 0, 5, 5, 1, 1.0f, 0, true);
  RasterFillCircle(nullptr, 1, 1, 5, 1, 1.0f, 0, true);
  TestBitmap empty(0, 0, false);
  RasterCubicBezier(&empty, 0, 0, 1, 1, 2, 2, 3, 3, 1, 1.0f, 0, true, 1.0f);
  const int xs[3] = {0, 1, 2};
  RasterFillConvexPolygon(&empty, xs, xs, 3, 1, 1.0f, 0);
  RasterFillConvexPolygon(&empty, nullptr, xs, 3, 1, 1.0f, 0);
}
