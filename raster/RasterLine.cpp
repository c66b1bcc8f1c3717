#include "raster/RasterLine.h"

#include "raster/RasterPrimitives.h"
#include "raster/RasterShapePen.h"

#include <climits>
#include <cmath>
#include <utility>

namespace {

using i64 = long long;

// A clip that has not settled after this many moves has met a degenerate case; it draws
// nothing rather than looping.
constexpr int kMaxClipMoves = 16;

int OutCode(i64 x, i64 y, i64 w, i64 h)
{
  return (x < 0 ? 1 : 0) | (x > w - 1 ? 2 : 0) | (y < 0 ? 4 : 0) | (y > h - 1 ? 8 : 0);
}

// Cohen-Sutherland in integers; the ratios in double precision.
bool ClipInt(i64 w, i64 h, i64& x1, i64& y1, i64& x2, i64& y2)
{
  for (int moves = 0; moves < kMaxClipMoves; ++moves) {
    const int c1 = OutCode(x1, y1, w, h), c2 = OutCode(x2, y2, w, h);
    if (!(c1 | c2))
      return true;
    if (c1 & c2)
      return false;
    const int c = c1 ? c1 : c2;
    const double dx = (double)(x2 - x1), dy = (double)(y2 - y1);
    i64 nx, ny;
    if (c & 8) {
      ny = h - 1;
      nx = x1 + (i64)(dx * (double)(h - y1) / dy);
    } else if (c & 4) {
      ny = 0;
      nx = x1 - (i64)(dx * (double)y1 / dy);
    } else if (c & 2) {
      nx = w - 1;
      ny = y1 + (i64)(dy * (double)(w - x1) / dx);
    } else {
      nx = 0;
      ny = y1 - (i64)(dy * (double)x1 / dx);
    }
    if (c1) {
      x1 = nx;
      y1 = ny;
    } else {
      x2 = nx;
      y2 = ny;
    }
  }
  return false;
}

int OutCodeF(float x, float y, float xMax, float yMax)
{
  return (x < 0 ? 1 : 0) | (x > xMax ? 2 : 0) | (y < 0 ? 4 : 0) | (y > yMax ? 8 : 0);
}

// The same in floats against 0..w-1 and 0..h-1.
bool ClipFloat(float w, float h, float& x1, float& y1, float& x2, float& y2)
{
  const float xMax = w - 1, yMax = h - 1;
  for (int moves = 0; moves < kMaxClipMoves; ++moves) {
    const int c1 = OutCodeF(x1, y1, xMax, yMax), c2 = OutCodeF(x2, y2, xMax, yMax);
    if (!(c1 | c2))
      return true;
    if (c1 & c2)
      return false;
    const int c = c1 ? c1 : c2;
    const float dx = x2 - x1, dy = y2 - y1;
    float nx, ny;
    if (c & 8) {
      ny = yMax;
      nx = x1 + dx * (yMax - y1) / dy;
    } else if (c & 4) {
      ny = 0;
      nx = x1 - dx * y1 / dy;
    } else if (c & 2) {
      nx = xMax;
      ny = y1 + dy * (xMax - x1) / dx;
    } else {
      nx = 0;
      ny = y1 - dy * x1 / dx;
    }
    if (!std::isfinite(nx) || !std::isfinite(ny))
      return false;
    if (c1) {
      x1 = nx;
      y1 = ny;
    } else {
      x2 = nx;
      y2 = ny;
    }
  }
  return false;
}

inline int Sign(i64 v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Writes the pixel at colour weight w of 256, scaled by the pen's opacity; skips pixels outside.
template <int Op> inline void PutWeighted(const RasterShapeView& v, const RasterShapePen& pen, i64 x, i64 y, int w)
{
  if (v.Inside(x, y))
    RasterPenPutOp<Op>(pen, v.Raw((int)x, (int)y), RasterScaleFactor(pen.factor, w));
}

// The pair across the minor axis at pixel `base` and the next one toward +minor, the exact
// line lying f / 65536 beyond base.
template <int Op> void PutPair(const RasterShapeView& v, const RasterShapePen& pen, bool majorX, i64 major, i64 base, int f)
{
  const int keep = 255 - (f >> 8), next = f >> 8;
  if (majorX) {
    PutWeighted<Op>(v, pen, major, base, keep);
    PutWeighted<Op>(v, pen, major, base + 1, next);
  } else {
    PutWeighted<Op>(v, pen, base, major, keep);
    PutWeighted<Op>(v, pen, base + 1, major, next);
  }
}

// Which word form a horizontal or vertical line may use in copy mode.
enum class Shortcut { None, Quarter, ThreeQuarters };

template <int Op>
void DrawClippedLineOp(const RasterShapeView& v, const RasterShapePen& pen, float alpha, bool antiAlias, int x1, int y1,
                       int x2, int y2)
{
  const int dx = x2 - x1, dy = y2 - y1;
  const int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;

  if (dx == 0 || dy == 0) {
    Shortcut s = Shortcut::None;
    if (Op == RasterModeCopy && alpha == 0.25f)
      s = Shortcut::Quarter;
    else if (Op == RasterModeCopy && alpha == 0.75f)
      s = Shortcut::ThreeQuarters;
    const int n = (dx == 0 ? ady : adx) + 1;
    RasterPixel* p = v.Raw(dx < 0 ? x2 : x1, dy < 0 ? y2 : y1);
    const ptrdiff_t step = dx == 0 ? v.span : 1;
    for (int i = 0; i < n; ++i, p += step) {
      if (s == Shortcut::Quarter)
        RasterPenPutQuarter(pen, p);
      else if (s == Shortcut::ThreeQuarters)
        RasterPenPutThreeQuarters(pen, p);
      else
        RasterPenPutOp<Op>(pen, p, pen.factor);
    }
    return;
  }

  const int sx = Sign(dx), sy = Sign(dy);
  if (adx == ady) {
    int x = x1, y = y1;
    if (!antiAlias) {
      for (int i = 0; i <= adx; ++i, x += sx, y += sy)
        RasterPenPutOp<Op>(pen, v.Raw(x, y), pen.factor);
      return;
    }
    const bool words = Op == RasterModeCopy && pen.factor == 256;
    const int strong = RasterScaleFactor(pen.factor, 192), weak = RasterScaleFactor(pen.factor, 64);
    for (int i = 0; i <= adx; ++i, x += sx, y += sy) {
      if (words)
        RasterPenPutThreeQuarters(pen, v.Raw(x, y));
      else
        RasterPenPutOp<Op>(pen, v.Raw(x, y), strong);
      if (i == adx)
        break;
      if (words) {
        RasterPenPutQuarter(pen, v.Raw(x + sx, y));
        RasterPenPutQuarter(pen, v.Raw(x, y + sy));
      } else {
        RasterPenPutOp<Op>(pen, v.Raw(x + sx, y), weak);
        RasterPenPutOp<Op>(pen, v.Raw(x, y + sy), weak);
      }
    }
    return;
  }

  // Sloped: the longer axis is the major one; the ends are ordered along it so that a line
  // and its reverse are the same pixels.
  const bool majorX = adx > ady;
  i64 aMaj = majorX ? x1 : y1, aMin = majorX ? y1 : x1;
  i64 bMaj = majorX ? x2 : y2, bMin = majorX ? y2 : x2;
  if (aMaj > bMaj) {
    std::swap(aMaj, bMaj);
    std::swap(aMin, bMin);
  }
  const int major = majorX ? adx : ady, minor = majorX ? ady : adx;
  const int s = Sign(bMin - aMin);
  const int slope = (int)((double)minor * 65536.0 / (double)major);
  auto plot = [&](i64 maj, i64 mn) {
    RasterPenPutOp<Op>(pen, majorX ? v.Raw((int)maj, (int)mn) : v.Raw((int)mn, (int)maj), pen.factor);
  };
  // Exact position of an end relative to its track, in 16.16 toward +minor.
  auto pairAt = [&](i64 maj, i64 mn, int offsetAlongS) {
    const int offset = s > 0 ? offsetAlongS : -offsetAlongS;
    PutPair<Op>(v, pen, majorX, maj, mn + (offset >> 16), offset & 0xFFFF);
  };
  int sum = 0;
  const int steps = (major + 1) / 2;
  for (int i = 0; i < steps; ++i) {
    if (!antiAlias || i == 0) {
      plot(aMaj, aMin);
      plot(bMaj, bMin);
    } else {
      pairAt(aMaj, aMin, sum);
      pairAt(bMaj, bMin, -sum);
    }
    ++aMaj;
    --bMaj;
    sum += slope;
    if (sum >= 0x8000) {
      aMin += s;
      bMin -= s;
      sum -= 0x10000;
    }
  }
  if ((major & 1) == 0) {
    if (antiAlias && steps > 0)
      pairAt(aMaj, aMin, sum);
    else
      plot(aMaj, aMin);
  }
}

void DrawClippedLine(const RasterShapeView& v, const RasterShapePen& pen, float alpha, bool antiAlias, int x1, int y1,
                     int x2, int y2)
{
  RasterDispatchPenOp(pen.op, [&](auto op) {
    DrawClippedLineOp<decltype(op)::value>(v, pen, alpha, antiAlias, x1, y1, x2, y2);
  });
}

// Clamped to the int range, for coordinates that are added to.
inline int SatInt(i64 v) { return v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : (int)v); }

} // namespace

// any thread that owns the bitmap
void RasterLine(RasterBitmap* bitmap, int x1, int y1, int x2, int y2, RasterPixel colour, float alpha, int mode,
                bool antiAlias)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  i64 ax = x1, ay = y1, bx = x2, by = y2;
  if (v.flipped) {
    ay = v.height - 1 - ay;
    by = v.height - 1 - by;
  }
  if (!ClipInt(v.width, v.height, ax, ay, bx, by))
    return;
  DrawClippedLine(v, pen, alpha, antiAlias, (int)ax, (int)ay, (int)bx, (int)by);
}

// any thread that owns the bitmap
void RasterLineF(RasterBitmap* bitmap, float x1, float y1, float x2, float y2, RasterPixel colour, float alpha,
                 int mode, bool antiAlias)
{
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
    return;
  RasterShapeView v;
  RasterShapePen pen;
  if (!RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen))
    return;
  if (!antiAlias) {
    // Ends beyond the int range are first cut to the bitmap, keeping the line's direction.
    const float lim = 2.0e9f;
    if (std::fabs(x1) > lim || std::fabs(y1) > lim || std::fabs(x2) > lim || std::fabs(y2) > lim) {
      if (!ClipFloat((float)v.width, (float)v.height, x1, y1, x2, y2))
        return;
    }
    RasterLine(bitmap, (int)x1, (int)y1, (int)x2, (int)y2, colour, alpha, mode, false);
    return;
  }
  if (v.flipped) {
    y1 = (float)(v.height - 1) - y1;
    y2 = (float)(v.height - 1) - y2;
  }
  if (!ClipFloat((float)v.width, (float)v.height, x1, y1, x2, y2))
    return;
  const float dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0)
    return;
  const bool majorX = std::fabs(dx) >= std::fabs(dy);
  float aMaj = majorX ? x1 : y1, aMin = majorX ? y1 : x1;
  float bMaj = majorX ? x2 : y2, bMin = majorX ? y2 : x2;
  if (aMaj > bMaj) {
    std::swap(aMaj, bMaj);
    std::swap(aMin, bMin);
  }
  const float slope = (bMin - aMin) / (bMaj - aMaj);
  const int first = (int)std::ceil(aMaj), last = (int)std::floor(bMaj);
  const float minorStart = aMin + ((float)first - aMaj) * slope;
  i64 pos = (i64)(minorStart * 65536.0f);
  const i64 step = (i64)(slope * 65536.0f);
  RasterDispatchPenOp(pen.op, [&](auto op) {
    for (int m = first; m <= last; ++m, pos += step)
      PutPair<decltype(op)::value>(v, pen, majorX, m, pos >> 16, (int)(pos & 0xFFFF));
  });
}

// any thread that owns the bitmap
void RasterDashedLine(RasterBitmap* bitmap, int x1, int y1, int x2, int y2, int onCount, int offCount,
                      RasterPixel colour, float alpha, int mode)
{
  RasterShapeView v;
  RasterShapePen pen;
  if (!RasterOpenShapeView(bitmap, &v) || !RasterMakeShapePen(colour, alpha, mode, &pen) || onCount <= 0)
    return;
  i64 ax = x1, ay = y1, bx = x2, by = y2;
  if (v.flipped) {
    ay = v.height - 1 - ay;
    by = v.height - 1 - by;
  }
  if (!ClipInt(v.width, v.height, ax, ay, bx, by))
    return;
  RasterPixel* p;
  ptrdiff_t step;
  i64 length;
  if (ax == bx) {
    if (ay > by)
      std::swap(ay, by);
    p = v.Raw((int)ax, (int)ay);
    step = v.span;
    length = by - ay;
  } else if (ay == by) {
    if (ax > bx)
      std::swap(ax, bx);
    p = v.Raw((int)ax, (int)ay);
    step = 1;
    length = bx - ax;
  } else {
    return;
  }
  const i64 gap = offCount < 0 ? 0 : offCount;
  RasterDispatchPenOp(pen.op, [&](auto op) {
    for (i64 pos = 0; pos < length; pos += gap) {
      for (int k = 0; k < onCount && pos < length; ++k, ++pos)
        RasterPenPutOp<decltype(op)::value>(pen, p + (ptrdiff_t)pos * step, pen.factor);
    }
  });
}

// any thread that owns the bitmap
void RasterRectOutline(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixel colour, float alpha, int mode)
{
  const int r = SatInt((i64)x + w), b = SatInt((i64)y + h);
  RasterLine(bitmap, x, y, r, y, colour, alpha, mode, false);
  RasterLine(bitmap, r, y, r, b, colour, alpha, mode, false);
  RasterLine(bitmap, r, b, x, b, colour, alpha, mode, false);
  RasterLine(bitmap, x, b, x, y, colour, alpha, mode, false);
}

// any thread that owns the bitmap
void RasterBorderedRect(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixel fillColour,
                        RasterPixel borderColour, float alpha, int mode)
{
  // Only the mode's low byte counts for shapes: the fill must not weight by the colour's alpha
  // when the border does not.
  RasterFillRect(bitmap, SatInt((i64)x + 1), SatInt((i64)y + 1), SatInt((i64)w - 1), SatInt((i64)h - 1), fillColour,
                 alpha, mode & 0xFF);
  RasterRectOutline(bitmap, x, y, w, h, borderColour, alpha, mode);
}
