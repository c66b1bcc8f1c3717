#include "raster/RasterShapes.h"

#include "raster/RasterLine.h"
#include "raster/RasterRectOps.h"
#include "raster/RasterShapeFill.h"
#include "raster/RasterShapePen.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using i64 = long long;

constexpr double kPi = 3.14159265358979323846;
// Radii beyond this are refused: float steps of one pixel stop adding up long before 2^24,
// and no bitmap is large enough to show such a circle's curvature.
constexpr float kMaxRadius = 4194304.0f;

// Fills pixels lo..hi of memory row y (clipped) in the pen's colour and opacity. The polygon
// fills take copy mode's quarter word forms at opacities 64 and 192; circles blend there as
// lines do.
void Span(const RasterShapeView& v, const RasterShapePen& pen, i64 y, i64 lo, i64 hi, bool quarterForms)
{
  if (y < 0 || y >= v.height)
    return;
  if (lo < 0)
    lo = 0;
  if (hi > v.width - 1)
    hi = v.width - 1;
  if (lo > hi)
    return;
  RasterPixel* p = v.Raw((int)lo, (int)y);
  const int n = (int)(hi - lo + 1);
  if (quarterForms && pen.op == RasterModeCopy && pen.factor == 64) {
    for (int i = 0; i < n; ++i)
      RasterPenPutQuarter(pen, p + i);
  } else if (quarterForms && pen.op == RasterModeCopy && pen.factor == 192) {
    for (int i = 0; i < n; ++i)
      RasterPenPutThreeQuarters(pen, p + i);
  } else {
    RasterDispatchPenOp(pen.op, [&](auto op) {
      for (int i = 0; i < n; ++i)
        RasterPenPutOp<decltype(op)::value>(pen, p + i, pen.factor);
    });
  }
}

struct Pt
{
  i64 x, y;
};

// x on the edge a-b at row y (a.y < b.y), truncated toward zero from a.
i64 EdgeX(const Pt& a, const Pt& b, i64 y)
{
  if (b.y == a.y)
    return a.x;
  return a.x + (i64)((double)(b.x - a.x) * (double)(y - a.y) / (double)(b.y - a.y));
}

// Next vertex of a chain from vertex c: among the points below it, the one with the smallest
// (left chain) or largest (right chain) dx / dy. -1 when none is below.
int NextVertex(const Pt* p, int n, int c, bool left)
{
  int best = -1;
  double bestSlope = 0;
  for (int j = 0; j < n; ++j) {
    if (p[j].y <= p[c].y)
      continue;
    const double s = (double)(p[j].x - p[c].x) / (double)(p[j].y - p[c].y);
    if (best < 0 || (left ? s < bestSlope : s > bestSlope)) {
      best = j;
      bestSlope = s;
    }
  }
  return best;
}

// The midpoint and ring drawers work in memory rows; `clip` (inclusive, memory rows) limits
// them for arcs.
struct ClipBox
{
  i64 x0, y0, x1, y1;
};

struct CircleCtx
{
  const RasterShapeView& v;
  const RasterShapePen& pen;
  ClipBox clip;

  void Put(double x, double y, int f) const
  {
    i64 px, py;
    if (!RasterShapeTrunc(x, &px) || !RasterShapeTrunc(y, &py))
      return;
    PutAt(px, py, f);
  }
  void PutAt(i64 px, i64 py, int f) const
  {
    if (px < clip.x0 || px > clip.x1 || py < clip.y0 || py > clip.y1 || !v.Inside(px, py))
      return;
    RasterPenPut(pen, v.Raw((int)px, (int)py), f);
  }
  // Pixels lo..hi of row y, both included.
  void Row(i64 y, i64 lo, i64 hi) const
  {
    if (y < clip.y0 || y > clip.y1)
      return;
    Span(v, pen, y, std::max(lo, clip.x0), std::min(hi, clip.x1), false);
  }
  // Pixels lo..hi of column x, both included.
  void Column(i64 x, i64 lo, i64 hi) const
  {
    if (x < clip.x0 || x > clip.x1 || x < 0 || x >= v.width)
      return;
    lo = std::max(std::max(lo, clip.y0), (i64)0);
    hi = std::min(std::min(hi, clip.y1), (i64)v.height - 1);
    for (i64 y = lo; y <= hi; ++y)
      RasterPenPut(pen, v.Raw((int)x, (int)y), pen.factor);
  }
};

inline i64 T(double v)
{
  i64 r = 0;
  RasterShapeTrunc(v, &r);
  return r;
}

// Pixels lo..hi of row y.
struct RowRun
{
  i64 y, lo, hi;
};

// Paints the union of the runs row by row, each pixel once.
void PaintRowUnions(const CircleCtx& c, std::vector<RowRun>& runs)
{
  std::sort(runs.begin(), runs.end(),
            [](const RowRun& a, const RowRun& b) { return a.y != b.y ? a.y < b.y : a.lo < b.lo; });
  for (size_t i = 0; i < runs.size();) {
    RowRun cur = runs[i++];
    while (i < runs.size() && runs[i].y == cur.y && runs[i].lo <= cur.hi + 1) {
      cur.hi = std::max(cur.hi, runs[i].hi);
      ++i;
    }
    c.Row(cur.y, cur.lo, cur.hi);
  }
}

// The midpoint method's outline: the four axis points, then eight symmetric points per step.
// `point(x, y)` receives each; `span(y, lo, hi)` the runs a disc fills between them.
template <class Point, class SpanFn>
void MidpointWalk(float cx, float cy, float r, Point point, SpanFn span)
{
  point(cx, cy + r);
  point(cx, cy - r);
  point(cx + r, cy);
  point(cx - r, cy);
  span(cy, cx - r + 1, cx + r - 1);
  float x = 0, d = (5 - 4 * r) / 4, rr = r, y;
  do {
    x += 1;
    const bool down = d >= 0;
    y = down ? rr - 1 : rr;
    point(cx + x, cy + y);
    point(cx - x, cy + y);
    point(cx + x, cy - y);
    point(cx - x, cy - y);
    point(cx + y, cy + x);
    point(cx - y, cy + x);
    point(cx + y, cy - x);
    point(cx - y, cy - x);
    span(cy + y, cx - x + 1, cx + x - 1);
    span(cy - y, cx - x + 1, cx + x - 1);
    span(cy + x, cx - y + 1, cx + y - 1);
    span(cy - x, cx - y + 1, cx + y - 1);
    d += down ? 2 * (x - y) + 1 : 2 * x + 1;
    rr = y;
  } while (x < y);
}

void MidpointCircle(const CircleCtx& c, float cx, float cy, float r, bool filled)
{
  const int f = c.pen.factor;
  if (!filled) {
    MidpointWalk(cx, cy, r, [&](float x, float y) { c.Put(x, y, f); }, [](float, float, float) {});
    return;
  }
  // A disc revisits rows (the runs of one row grow step by step and cover earlier outline
  // points), so every row is filled once with the union of its points and runs: the same
  // pixels, each combined once at any opacity.
  const int h = c.v.height;
  if (r >= 1) {
    // From a radius of one up, a row's points and runs always join up around the centre, so
    // its union is its extent.
    std::vector<i64> lo((size_t)h, INT64_MAX), hi((size_t)h, INT64_MIN);
    auto widen = [&](i64 y, i64 a, i64 b) {
      if (y < 0 || y >= h || a > b)
        return;
      lo[(size_t)y] = std::min(lo[(size_t)y], a);
      hi[(size_t)y] = std::max(hi[(size_t)y], b);
    };
    MidpointWalk(
        cx, cy, r,
        [&](float x, float y) {
          i64 px, py;
          if (RasterShapeTrunc(x, &px) && RasterShapeTrunc(y, &py))
            widen(py, px, px);
        },
        [&](float y, float a, float b) { widen(T(y), T(a), T(b)); });
    for (int y = 0; y < h; ++y)
      if (lo[(size_t)y] <= hi[(size_t)y])
        c.Row(y, lo[(size_t)y], hi[(size_t)y]);
    return;
  }
  // Below it the runs are empty and the outline points of one row may stand apart: paint
  // exactly their union.
  std::vector<RowRun> runs;
  MidpointWalk(
      cx, cy, r,
      [&](float x, float y) {
        i64 px, py;
        if (RasterShapeTrunc(x, &px) && RasterShapeTrunc(y, &py) && py >= 0 && py < h)
          runs.push_back({py, px, px});
      },
      [&](float y, float a, float b) {
        const i64 ry = T(y);
        if (ry >= 0 && ry < h && T(a) <= T(b))
          runs.push_back({ry, T(a), T(b)});
      });
  PaintRowUnions(c, runs);
}

// Ring of weighted pixel pairs at each whole step k from the centre, in both axes.
void AntiAliasedCircle(const CircleCtx& c, float cx, float cy, float r, bool filled)
{
  const int full = c.pen.factor;
  auto radiusAt = [r](int k) { return k == 0 ? r : std::sqrt(r * r - (float)k * (float)k); };
  // A disc's inside is the runs between the inner pixels of every step, down the columns and
  // along the rows. They overlap in the middle; they are collected (only where they can show)
  // and each pixel of their union is painted once, after the ring.
  std::vector<RowRun> rowRuns, columnRuns; // a column run keeps its column in `y`
  const i64 x0 = std::max<i64>(0, c.clip.x0), x1 = std::min<i64>(c.v.width - 1, c.clip.x1);
  const i64 y0 = std::max<i64>(0, c.clip.y0), y1 = std::min<i64>(c.v.height - 1, c.clip.y1);
  auto rowRun = [&](i64 y, i64 lo, i64 hi) {
    if (filled && y >= y0 && y <= y1 && lo <= hi && hi >= x0 && lo <= x1)
      rowRuns.push_back({y, lo, hi});
  };
  auto columnRun = [&](i64 x, i64 lo, i64 hi) {
    if (filled && x >= x0 && x <= x1 && lo <= hi && hi >= y0 && lo <= y1)
      columnRuns.push_back({x, lo, hi});
  };
  for (int k = 0; k < (1 << 24) && (float)k < radiusAt(k) + 1; ++k) {
    const float e = radiusAt(k);
    const float frac = e - std::floor(e);
    const int o = (int)((float)full * frac);
    const float fk = (float)k;
    const i64 cols[2] = {T(cx + fk), T(cx - fk)};
    const i64 rows[2] = {T(cy + fk), T(cy - fk)};
    const int nCols = cols[0] == cols[1] ? 1 : 2, nRows = rows[0] == rows[1] ? 1 : 2;
    if (frac != 0) {
      const i64 outerHi = T(cy + e + 1), outerLo = T(cy - e), innerHi = T(cy + e), innerLo = T(cy - e + 1);
      for (int i = 0; i < nCols; ++i) {
        c.PutAt(cols[i], outerHi, o);
        c.PutAt(cols[i], outerLo, o);
        c.PutAt(cols[i], innerHi, full - o);
        c.PutAt(cols[i], innerLo, full - o);
        columnRun(cols[i], innerLo + 1, innerHi - 1);
      }
      const i64 outerR = T(cx + e + 1), outerL = T(cx - e), innerR = T(cx + e), innerL = T(cx - e + 1);
      for (int i = 0; i < nRows; ++i) {
        c.PutAt(outerR, rows[i], o);
        c.PutAt(outerL, rows[i], o);
        c.PutAt(innerR, rows[i], full - o);
        c.PutAt(innerL, rows[i], full - o);
        rowRun(rows[i], innerL + 1, innerR - 1);
      }
    } else {
      const i64 hi = T(cy + e), lo = T(cy - e), right = T(cx + e), left = T(cx - e);
      for (int i = 0; i < nCols; ++i) {
        c.PutAt(cols[i], hi, full);
        c.PutAt(cols[i], lo, full);
        columnRun(cols[i], lo + 1, hi - 1);
      }
      for (int i = 0; i < nRows; ++i) {
        c.PutAt(right, rows[i], full);
        c.PutAt(left, rows[i], full);
        rowRun(rows[i], left + 1, right - 1);
      }
    }
  }
  if (rowRuns.empty() && columnRuns.empty())
    return;
  // Row by row: the row runs of the row plus the columns whose run passes through it.
  std::sort(columnRuns.begin(), columnRuns.end(), [](const RowRun& a, const RowRun& b) { return a.y < b.y; });
  i64 top = INT64_MAX, bottom = INT64_MIN;
  for (const RowRun& run : rowRuns) {
    top = std::min(top, run.y);
    bottom = std::max(bottom, run.y);
  }
  for (const RowRun& run : columnRuns) {
    top = std::min(top, std::max(run.lo, y0));
    bottom = std::max(bottom, std::min(run.hi, y1));
  }
  std::sort(rowRuns.begin(), rowRuns.end(), [](const RowRun& a, const RowRun& b) { return a.y < b.y; });
  std::vector<RowRun> pieces;
  size_t next = 0;
  for (i64 y = top; y <= bottom; ++y) {
    pieces.clear();
    for (; next < rowRuns.size() && rowRuns[next].y == y; ++next)
      pieces.push_back(rowRuns[next]);
    for (const RowRun& run : columnRuns)
      if (run.lo <= y && y <= run.hi) {
        if (!pieces.empty() && pieces.back().y == y && pieces.back().hi + 1 >= run.y && pieces.back().lo <= run.y)
          pieces.back().hi = std::max(pieces.back().hi, run.y);
        else
          pieces.push_back({y, run.y, run.y});
      }
    PaintRowUnions(c, pieces);
  }
}

void DrawCircle(const RasterShapeView& v, const RasterShapePen& pen, float cx, float cy, float r, bool filled,
                bool antiAlias, const ClipBox& clip)
{
  const CircleCtx c{v, pen, clip};
  if (antiAlias)
    AntiAliasedCircle(c, cx, cy, r, filled);
  else
    MidpointCircle(c, cx, cy, r, filled);
}

bool ShapeArgsOk(float cx, float cy, float r)
{
  return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(r) && std::fabs(cx) < 1e9f &&
         std::fabs(cy) < 1e9f && std::fabs(r) <= kMaxRadius;
}

const ClipBox kNoClip = {INT64_MIN / 4, INT64_MIN / 4, INT64_MAX / 4, INT64_MAX / 4};

// Coverage masks of the small circles, anti-aliased set then plain set, radius 1.5 to 4.
const unsigned char kMask15a[] = {0x4F, 0xFF, 0xFF, 0x4F, 0xFF, 0x0F, 0x0F, 0xFF,
                                  0xFF, 0x0F, 0x0F, 0xFF, 0x4F, 0xFF, 0xFF, 0x4F};
const unsigned char kMask15p[] = {0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF,
                                  0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00};
const unsigned char kMask20a[] = {0x0F, 0xBF, 0xFF, 0xBF, 0x0F, 0xBF, 0xD1, 0x4F, 0xD1, 0xBF, 0xFF, 0x4F, 0x00,
                                  0x4F, 0xFF, 0xBF, 0xD1, 0x4F, 0xD1, 0xBF, 0x0F, 0xBF, 0xFF, 0xBF, 0x0F};
const unsigned char kMask20p[] = {0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00,
                                  0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00};
const unsigned char kMask25a[] = {0x0F, 0xBF, 0xFF, 0xFF, 0xBF, 0x0F, 0xBF, 0xD1, 0x4F, 0x4F, 0xD1, 0xBF,
                                  0xFF, 0x4F, 0x00, 0x00, 0x4F, 0xFF, 0xFF, 0x4F, 0x00, 0x00, 0x4F, 0xFF,
                                  0xBF, 0xD1, 0x4F, 0x4F, 0xD1, 0xBF, 0x0F, 0xBF, 0xFF, 0xFF, 0xBF, 0x0F};
const unsigned char kMask25p[] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00,
                                  0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF,
                                  0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};
const unsigned char kMask30a[] = {
    0x00, 0x8F, 0xFF, 0xFF, 0xFF, 0x8F, 0x00, 0x8F, 0xFF, 0x61, 0x40, 0x61, 0xFF, 0x8F, 0xFF, 0x70, 0x00,
    0x00, 0x00, 0x70, 0xFF, 0xFF, 0x30, 0x00, 0x00, 0x00, 0x30, 0xFF, 0xFF, 0x70, 0x00, 0x00, 0x00, 0x70,
    0xFF, 0x8F, 0xFF, 0x61, 0x40, 0x61, 0xFF, 0x8F, 0x00, 0x8F, 0xFF, 0xFF, 0xFF, 0x8F, 0x00};
const unsigned char kMask30p[] = {
    0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00,
    0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
const unsigned char kMask35a[] = {
    0x00, 0x4F, 0xDE, 0xFF, 0xFF, 0xDE, 0x4F, 0x00, 0x4F, 0xFF, 0xB0, 0x40, 0x40, 0xB0, 0xFF, 0x4F,
    0xDE, 0xB0, 0x00, 0x00, 0x00, 0x00, 0xB0, 0xDE, 0xFF, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0xFF,
    0xFF, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0xFF, 0xDE, 0xB0, 0x00, 0x00, 0x00, 0x00, 0xB0, 0xDE,
    0x4F, 0xFF, 0xB0, 0x40, 0x40, 0xB0, 0xFF, 0x4F, 0x00, 0x4F, 0xDE, 0xFF, 0xFF, 0xDE, 0x4F, 0x00};
const unsigned char kMask35p[] = {
    0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00,
    0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF,
    0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,
    0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
const unsigned char kMask40a[] = {
    0x00, 0x1F, 0xB0, 0xFF, 0xFF, 0xFF, 0xB0, 0x1F, 0x00, 0x1F, 0xF0, 0xD1, 0x4F, 0x40, 0x4F, 0xD1, 0xF0,
    0x1F, 0xB0, 0xD1, 0x0F, 0x00, 0x00, 0x00, 0x0F, 0xD1, 0xB0, 0xFF, 0x4F, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x4F, 0xFF, 0xFF, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x30, 0xFF, 0xFF, 0x4F, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x4F, 0xFF, 0xB0, 0xD1, 0x0F, 0x00, 0x00, 0x00, 0x0F, 0xD1, 0xB0, 0x1F, 0xF0, 0xD1, 0x4F, 0x40,
    0x4F, 0xD1, 0xF0, 0x1F, 0x00, 0x1F, 0xB0, 0xFF, 0xFF, 0xFF, 0xB0, 0x1F, 0x00};
const unsigned char kMask40p[] = {
    0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF,
    0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x00,
    0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};

struct SmallCircle
{
  float radius;
  int size;
  const unsigned char* antiAliased;
  const unsigned char* plain;
};

const SmallCircle kSmallCircles[] = {
    {1.5f, 4, kMask15a, kMask15p}, {2.0f, 5, kMask20a, kMask20p}, {2.5f, 6, kMask25a, kMask25p},
    {3.0f, 7, kMask30a, kMask30p}, {3.5f, 8, kMask35a, kMask35p}, {4.0f, 9, kMask40a, kMask40p},
};

void CircleCommon(RasterBitmap* bitmap, float cx, float cy, float r, RasterPixel colour, float alpha, int mode,
                  bool antiAlias, bool filled)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!ShapeArgsOk(cx, cy, r) || !RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  if (v.flipped)
    cy = (float)(v.height - 1) - cy;
  if (!filled) {
    for (const SmallCircle& s : kSmallCircles) {
      if (r != s.radius)
        continue;
      const i64 left = T(cx - r), memTop = T(cy - r);
      // The mask drawer counts rows from the top; the masks are symmetric top to bottom.
      const i64 top = v.flipped ? (i64)v.height - s.size - memTop : memTop;
      if (left < -64 || top < -64 || left > v.width || top > v.height)
        return;
      RasterDrawCoverageMask(bitmap, (int)left, (int)top, colour, antiAlias ? s.antiAliased : s.plain, s.size,
                             s.size, alpha, mode);
      return;
    }
  }
  DrawCircle(v, pen, cx, cy, r, filled, antiAlias, kNoClip);
}

} // namespace

void RasterShapeFillTrapezoidRows(const RasterShapeView& v, const RasterShapePen& pen, i64 x1a, i64 x1b, i64 y1,
                                  i64 x2a, i64 x2b, i64 y2, bool includeLastRow)
{
  if (y1 > y2) {
    std::swap(y1, y2);
    std::swap(x1a, x2a);
    std::swap(x1b, x2b);
  }
  if (x1a > x1b)
    std::swap(x1a, x1b);
  if (x2a > x2b)
    std::swap(x2a, x2b);
  if ((x1b < 0 && x2b < 0) || (x1a >= v.width && x2a >= v.width))
    return;
  if (y2 < 0 || y1 >= v.height)
    return;
  const i64 dy = y2 - y1;
  const i64 limit = (i64)1 << 29;
  auto slope = [&](i64 from, i64 to) {
    if (dy == 0)
      return (i64)0;
    const i64 s = (to - from) * 65536 / dy;
    return s < -limit ? -limit : (s > limit ? limit : s);
  };
  const i64 stepA = slope(x1a, x2a), stepB = slope(x1b, x2b);
  i64 posA = x1a * 65536, posB = x1b * 65536;
  i64 y = y1;
  if (y < 0) {
    posA += stepA * -y;
    posB += stepB * -y;
    y = 0;
  }
  i64 yEnd = includeLastRow ? y2 : y2 - 1;
  if (yEnd > v.height - 1)
    yEnd = v.height - 1;
  for (; y <= yEnd; ++y, posA += stepA, posB += stepB)
    Span(v, pen, y, posA >> 16, posB >> 16, true);
}

void RasterShapeFillPolygon(const RasterShapeView& v, const RasterShapePen& pen, const i64* xs, const i64* ys,
                            int count)
{
  if (count < 3 || !xs || !ys)
    return;
  Pt stackPoints[512];
  std::vector<Pt> heapPoints;
  Pt* p = stackPoints;
  if (count > 512) {
    heapPoints.resize((size_t)count);
    p = heapPoints.data();
  }
  for (int i = 0; i < count; ++i)
    p[i] = {xs[i], ys[i]};
  std::sort(p, p + count, [](const Pt& a, const Pt& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  if (p[0].y == p[count - 1].y)
    return;
  const i64 bottom = p[count - 1].y;
  int left = 0, right = 0;
  while (right + 1 < count && p[right + 1].y == p[0].y)
    ++right;
  i64 yTop = p[0].y;
  int leftNext = NextVertex(p, count, left, true), rightNext = NextVertex(p, count, right, false);
  while (leftNext >= 0 && rightNext >= 0) {
    const i64 yBot = std::min(p[leftNext].y, p[rightNext].y);
    RasterShapeFillTrapezoidRows(v, pen, EdgeX(p[left], p[leftNext], yTop), EdgeX(p[right], p[rightNext], yTop), yTop,
                                 EdgeX(p[left], p[leftNext], yBot), EdgeX(p[right], p[rightNext], yBot), yBot,
                                 yBot == bottom);
    if (p[leftNext].y == yBot) {
      left = leftNext;
      leftNext = NextVertex(p, count, left, true);
    }
    if (p[rightNext].y == yBot) {
      right = rightNext;
      rightNext = NextVertex(p, count, right, false);
    }
    yTop = yBot;
  }
}

// any thread that owns the bitmap
void RasterFillTrapezoid(RasterBitmap* bitmap, int x1a, int x1b, int y1, int x2a, int x2b, int y2,
                         RasterPixel colour, float alpha, int mode)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  i64 ya = y1, yb = y2;
  if (v.flipped) {
    ya = v.height - 1 - ya;
    yb = v.height - 1 - yb;
  }
  RasterShapeFillTrapezoidRows(v, pen, x1a, x1b, ya, x2a, x2b, yb, true);
}

// any thread that owns the bitmap
void RasterFillTriangle(RasterBitmap* bitmap, int x1, int y1, int x2, int y2, int x3, int y3, RasterPixel colour,
                        float alpha, int mode)
{
  const int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
  RasterFillConvexPolygon(bitmap, xs, ys, 3, colour, alpha, mode);
}

// any thread that owns the bitmap
void RasterFillConvexPolygon(RasterBitmap* bitmap, const int* x, const int* y, int count, RasterPixel colour,
                             float alpha, int mode)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (count < 3 || !x || !y || !RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  i64 stackX[512], stackY[512];
  std::vector<i64> heapX, heapY;
  i64 *xs = stackX, *ys = stackY;
  if (count > 512) {
    heapX.resize((size_t)count);
    heapY.resize((size_t)count);
    xs = heapX.data();
    ys = heapY.data();
  }
  for (int i = 0; i < count; ++i) {
    xs[i] = x[i];
    ys[i] = v.flipped ? (i64)v.height - 1 - y[i] : (i64)y[i];
  }
  RasterShapeFillPolygon(v, pen, xs, ys, count);
}

// any thread that owns the bitmap
void RasterCircle(RasterBitmap* bitmap, float cx, float cy, float radius, RasterPixel colour, float alpha, int mode,
                  bool antiAlias)
{
  CircleCommon(bitmap, cx, cy, radius, colour, alpha, mode, antiAlias, false);
}

// any thread that owns the bitmap
void RasterFillCircle(RasterBitmap* bitmap, float cx, float cy, float radius, RasterPixel colour, float alpha,
                      int mode, bool antiAlias)
{
  CircleCommon(bitmap, cx, cy, radius, colour, alpha, mode, antiAlias, true);
}

// any thread that owns the bitmap
void RasterArc(RasterBitmap* bitmap, float cx, float cy, float r, float startAngle, float endAngle,
               RasterPixel colour, float alpha, int mode, bool antiAlias)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!ShapeArgsOk(cx, cy, r) || !std::isfinite(startAngle) || !std::isfinite(endAngle) ||
      !RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  double a1 = startAngle, a2 = endAngle;
  if (v.flipped) {
    a1 = kPi - a1;
    a2 = kPi - a2;
    cy = (float)(v.height - 1) - cy;
  }
  if (a1 > a2)
    std::swap(a1, a2);
  if (a2 - a1 >= 2 * kPi) {
    DrawCircle(v, pen, cx, cy, r, false, antiAlias, kNoClip);
    return;
  }
  if (std::fabs(a1) > 2 * kPi)
    a1 = std::fmod(a1, 2 * kPi);
  if (std::fabs(a2) > 2 * kPi)
    a2 = std::fmod(a2, 2 * kPi);
  // After the reduction the end may lie before the start: the arc then runs through a whole turn.
  if (a2 < a1)
    a2 += 2 * kPi;
  // Start in [-pi, pi) so that the pieces below cover every arc.
  while (a1 < -kPi) {
    a1 += 2 * kPi;
    a2 += 2 * kPi;
  }
  while (a1 >= kPi) {
    a1 -= 2 * kPi;
    a2 -= 2 * kPi;
  }
  const double cuts[] = {-kPi, 0.0, kPi, 2 * kPi, 3 * kPi};
  const i64 centreColumn = T(cx);
  double from = a1;
  for (int i = 0; i < 5 && from < a2; ++i) {
    if (cuts[i] <= from)
      continue;
    const double to = std::min(a2, cuts[i]);
    // Pieces in [0, pi) lie right of the centre, those in [-pi, 0) (one turn on: [pi, 2pi)) left.
    double mid = (from + to) / 2;
    if (mid >= kPi)
      mid -= 2 * kPi;
    const bool rightSide = mid >= 0;
    i64 rowA = T(cy - r * std::cos(from) + 0.5), rowB = T(cy - r * std::cos(to) + 0.5);
    if (rowA > rowB)
      std::swap(rowA, rowB);
    ClipBox clip = kNoClip;
    clip.y0 = rowA;
    clip.y1 = rowB;
    if (rightSide)
      clip.x0 = centreColumn;
    else
      clip.x1 = centreColumn - 1;
    DrawCircle(v, pen, cx, cy, r, false, antiAlias, clip);
    from = to;
  }
}

// any thread that owns the bitmap
void RasterRoundRect(RasterBitmap* bitmap, float x, float y, float w, float h, float cornerRadius,
                     RasterPixel colour, float alpha, int mode, bool antiAlias)
{
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h) ||
      !std::isfinite(cornerRadius))
    return;
  float r = std::min(cornerRadius, std::min(w / 2, h / 2));
  r = std::floor(r);
  auto I = [](double v) { return RasterShapeTruncInt(v); };
  if (r >= 2) {
    const double X = x, Y = y, W = w, H = h, R = r;
    RasterLine(bitmap, I(X + R), I(Y), I(X + W - R), I(Y), colour, alpha, mode, antiAlias);
    RasterLine(bitmap, I(X + R - 1), I(Y + H), I(X + W - R), I(Y + H), colour, alpha, mode, antiAlias);
    RasterLine(bitmap, I(X + W), I(Y + R), I(X + W), I(Y + H - R), colour, alpha, mode, antiAlias);
    RasterLine(bitmap, I(X), I(Y + R - 1), I(X), I(Y + H - R), colour, alpha, mode, antiAlias);
    const float hp = (float)(kPi / 2), p = (float)kPi;
    RasterArc(bitmap, x + r, y + r, r, -hp, 0, colour, alpha, mode, antiAlias);
    RasterArc(bitmap, x + w - r, y + r, r, 0, hp, colour, alpha, mode, antiAlias);
    RasterArc(bitmap, x + w - r, y + h - r, r, hp, p, colour, alpha, mode, antiAlias);
    RasterArc(bitmap, x + r, y + h - r, r, p, 3 * hp, colour, alpha, mode, antiAlias);
    return;
  }
  RasterRectOutline(bitmap, I(x), I(y), I(w), I(h), colour, alpha, mode);
}
