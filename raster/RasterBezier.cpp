#include "raster/RasterBezier.h"

#include "raster/RasterLine.h"
#include "raster/RasterShapePen.h"
#include "raster/RasterShapes.h"

#include <cmath>
#include <utility>

namespace {

// Segment counts are held here: enough for any curve that fits a bitmap at one pixel per
// segment, and a bound on the work for absurd lengths or tiny segment lengths.
constexpr int kMaxSegments = 65536;

bool Finite(std::initializer_list<float> values)
{
  for (float v : values)
    if (!std::isfinite(v) || std::fabs(v) > 1e15f)
      return false;
  return true;
}

int SegmentCount(double length, float segmentLength)
{
  const double seg = segmentLength > 0 ? (double)segmentLength : 1.0;
  const double n = length / seg;
  if (!(n >= 1))
    return 1;
  return n >= kMaxSegments ? kMaxSegments : (int)n;
}

double Dist(double ax, double ay, double bx, double by) { return std::hypot(bx - ax, by - ay); }

// Smallest parameter in [lo, hi] where f crosses `target`, f(lo) below it and f(hi) not.
template <class F> double Crossing(F f, double target, double lo, double hi)
{
  for (int i = 0; i < 60; ++i) {
    const double mid = (lo + hi) / 2;
    if (f(mid) < target)
      lo = mid;
    else
      hi = mid;
  }
  return hi;
}

struct Cubic
{
  double p0[2], k1[2], k2[2], k3[2];
  double At(int axis, double t) const { return p0[axis] + t * (k1[axis] + t * (k2[axis] + t * k3[axis])); }
};

// The cubic ordered so that the coordinate `axis` grows from end to end, its parameter range
// narrowed where that coordinate enters 0 (from below) and leaves at limit. Both ends may lie
// off one side while the curve passes over the bitmap between them, so that alone does not
// make it empty: the lines it is drawn with are clipped. False only for an empty range.
bool PrepareCubic(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3, int axis,
                  double limit, Cubic* c, double* t0, double* t1, double* length)
{
  double P[4][2] = {{x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}};
  if (P[0][axis] > P[3][axis]) {
    std::swap(P[0], P[3]);
    std::swap(P[1], P[2]);
  }
  for (int a = 0; a < 2; ++a) {
    c->p0[a] = P[0][a];
    c->k1[a] = 3 * (P[1][a] - P[0][a]);
    c->k2[a] = 3 * (P[2][a] - P[1][a]) - c->k1[a];
    c->k3[a] = P[3][a] - P[0][a] - c->k1[a] - c->k2[a];
  }
  auto f = [&](double t) { return c->At(axis, t); };
  *t0 = P[0][axis] < 0 ? Crossing(f, 0.0, 0.0, 1.0) : 0.0;
  *t1 = P[3][axis] > limit ? Crossing(f, limit, *t0, 1.0) : 1.0;
  *length = Dist(P[0][0], P[0][1], P[1][0], P[1][1]) + Dist(P[1][0], P[1][1], P[2][0], P[2][1]) +
            Dist(P[2][0], P[2][1], P[3][0], P[3][1]);
  return *t1 >= *t0;
}

inline int Round(double v) { return RasterShapeTruncInt(std::floor(v + 0.5)); }

// Fills one segment's area to the base line (axis 1: base row; axis 0: base column).
void FillSegment(RasterBitmap* bitmap, int ax, int ay, int bx, int by, int base, int axis, RasterPixel colour,
                 float alpha, int mode)
{
  // Work in (along, across) where `across` is the coordinate measured to the base line.
  const int a0 = axis == 1 ? ax : ay, a1 = axis == 1 ? ay : ax;
  const int b0 = axis == 1 ? bx : by, b1 = axis == 1 ? by : bx;
  auto poly = [&](const long long (*pts)[2], int n) {
    int xs[4], ys[4];
    for (int i = 0; i < n; ++i) {
      xs[i] = (int)(axis == 1 ? pts[i][0] : pts[i][1]);
      ys[i] = (int)(axis == 1 ? pts[i][1] : pts[i][0]);
    }
    RasterFillConvexPolygon(bitmap, xs, ys, n, colour, alpha, mode);
  };
  if (a0 == b0) {
    // No width along the base line: a single line from the curve to the base.
    int lo = a1 < b1 ? a1 : b1, hi = a1 < b1 ? b1 : a1;
    if (base < lo)
      lo = base;
    if (base > hi)
      hi = base;
    if (axis == 1)
      RasterLine(bitmap, a0, lo, a0, hi, colour, alpha, mode, false);
    else
      RasterLine(bitmap, lo, a0, hi, a0, colour, alpha, mode, false);
    return;
  }
  const long long da = (long long)a1 - base, db = (long long)b1 - base;
  if ((da < 0 && db > 0) || (da > 0 && db < 0)) {
    // The segment crosses the base line: one triangle on each side.
    const long long c0 = a0 + (long long)((double)(b0 - a0) * (double)(base - a1) / (double)(b1 - a1));
    const long long t1[3][2] = {{a0, a1}, {c0, base}, {a0, base}};
    const long long t2[3][2] = {{c0, base}, {b0, b1}, {b0, base}};
    poly(t1, 3);
    poly(t2, 3);
    return;
  }
  const long long q[4][2] = {{a0, a1}, {b0, b1}, {b0, base}, {a0, base}};
  poly(q, 4);
}

void FillCubic(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3,
               int base, int axis, RasterPixel colour, float alpha, int mode, float segmentLength)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!Finite({x0, y0, x1, y1, x2, y2, x3, y3}) || !RasterOpenShapeView(bitmap, &v) ||
      !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  // The walk runs along the other axis than the one measured to the base line.
  const int walk = axis == 1 ? 0 : 1;
  const double limit = walk == 0 ? v.width - 1 : v.height - 1;
  Cubic c;
  double t0, t1, length;
  if (!PrepareCubic(x0, y0, x1, y1, x2, y2, x3, y3, walk, limit, &c, &t0, &t1, &length))
    return;
  const int n = SegmentCount(length * (t1 - t0), segmentLength);
  int px = Round(c.At(0, t0)), py = Round(c.At(1, t0));
  for (int k = 1; k <= n; ++k) {
    const double t = t0 + (t1 - t0) * k / n;
    const int qx = Round(c.At(0, t)), qy = Round(c.At(1, t));
    FillSegment(bitmap, px, py, qx, qy, base, axis, colour, alpha, mode);
    px = qx;
    py = qy;
  }
}

} // namespace

// any thread that owns the bitmap
void RasterQuadBezier(RasterBitmap* bitmap, float x0, float y0, float cx, float cy, float x1, float y1,
                      RasterPixel colour, float alpha, int mode, bool antiAlias, float segmentLength)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!Finite({x0, y0, cx, cy, x1, y1}) || !RasterOpenShapeView(bitmap, &v) ||
      !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const double X0 = x0, Y0 = y0, QX = cx, QY = cy, X1 = x1, Y1 = y1;
  auto at = [&](double t, int axis) {
    const double u = 1 - t;
    return axis == 0 ? X0 * u * u + 2 * QX * t * u + X1 * t * t : Y0 * u * u + 2 * QY * t * u + Y1 * t * t;
  };
  auto xAt = [&](double t) { return at(t, 0); };
  double sx = X0, sy = Y0, ex = X1, ey = Y1;
  const double last = v.width - 1;
  if (sx < 0) {
    sx = 0;
    sy = at(Crossing(xAt, 0.0, 0.0, 1.0), 1);
  }
  if (ex >= last) {
    ex = last;
    ey = at(Crossing(xAt, last, 0.0, 1.0), 1);
  }
  if (sx > ex)
    return;
  const int n = SegmentCount(Dist(X0, Y0, QX, QY) + Dist(QX, QY, X1, Y1), segmentLength);
  double px = sx, py = sy;
  for (int k = 1; k <= n; ++k) {
    double qx = ex, qy = ey;
    if (k < n) {
      const double t = (double)k / n;
      qx = at(t, 0);
      qy = at(t, 1);
    }
    RasterLineF(bitmap, (float)px, (float)py, (float)qx, (float)qy, colour, alpha, mode, antiAlias);
    px = qx;
    py = qy;
  }
}

// any thread that owns the bitmap
void RasterCubicBezier(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                       float y3, RasterPixel colour, float alpha, int mode, bool antiAlias, float segmentLength)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!Finite({x0, y0, x1, y1, x2, y2, x3, y3}) || !RasterOpenShapeView(bitmap, &v) ||
      !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  Cubic c;
  double t0, t1, length;
  if (!PrepareCubic(x0, y0, x1, y1, x2, y2, x3, y3, 0, v.width - 1, &c, &t0, &t1, &length))
    return;
  const int n = SegmentCount(length * (t1 - t0), segmentLength);
  double px = c.At(0, t0), py = c.At(1, t0);
  for (int k = 1; k <= n; ++k) {
    const double t = t0 + (t1 - t0) * k / n;
    const double qx = c.At(0, t), qy = c.At(1, t);
    RasterLineF(bitmap, (float)px, (float)py, (float)qx, (float)qy, colour, alpha, mode, antiAlias);
    px = qx;
    py = qy;
  }
}

// any thread that owns the bitmap
void RasterFillCubicBezierToY(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2,
                              float x3, float y3, int baseRow, RasterPixel colour, float alpha, int mode,
                              float segmentLength)
{
  FillCubic(bitmap, x0, y0, x1, y1, x2, y2, x3, y3, baseRow, 1, colour, alpha, mode, segmentLength);
}

// any thread that owns the bitmap
void RasterFillCubicBezierToX(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2,
                              float x3, float y3, int baseColumn, RasterPixel colour, float alpha, int mode,
                              float segmentLength)
{
  FillCubic(bitmap, x0, y0, x1, y1, x2, y2, x3, y3, baseColumn, 0, colour, alpha, mode, segmentLength);
}
