#pragma once

// Shared plumbing of the line and shape drawers: a raw view of the bitmap's rows and the
// per-pixel write of one colour at a factor out of 256. Internal to the raster library.

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

#include <cmath>
#include <cstddef>
#include <type_traits>

struct RasterShapeView
{
  RasterPixel* bits = nullptr;
  int width = 0;
  int height = 0;
  ptrdiff_t span = 0;
  bool flipped = false;

  // Row y as stored in memory (not corrected for flipping: the drawers convert y first).
  RasterPixel* Raw(int x, int y) const { return bits + (ptrdiff_t)y * span + x; }
  bool Inside(long long x, long long y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  // Row index in memory for y counted from the top.
  int MemoryRow(int y) const { return flipped ? height - 1 - y : y; }
};

inline bool RasterOpenShapeView(RasterBitmap* bitmap, RasterShapeView* v)
{
  if (!bitmap)
    return false;
  v->bits = bitmap->GetBits();
  v->width = bitmap->GetWidth();
  v->height = bitmap->GetHeight();
  v->span = bitmap->GetRowSpan();
  v->flipped = bitmap->IsFlipped();
  return v->bits && v->width > 0 && v->height > 0 && v->span >= v->width;
}

inline RasterPixel RasterHalfWord(RasterPixel p) { return (p >> 1) & 0x7F7F7F7Fu; }
inline RasterPixel RasterQuarterWord(RasterPixel p) { return (p >> 2) & 0x3F3F3F3Fu; }

// One colour under one mode at one opacity.
struct RasterShapePen
{
  RasterPixel colour = 0;
  int red = 0, green = 0, blue = 0, alpha = 0;
  int op = 0;      // mode & 0xFF, 0..5
  int factor = 0;  // trunc(alpha * 256), held as the combine operations hold it
};

// False when the pen draws nothing at all: an unknown mode, an opacity of 0 (or not a
// number), or a negative opacity in copy mode.
inline bool RasterMakeShapePen(RasterPixel colour, float alpha, int mode, RasterShapePen* pen)
{
  pen->colour = colour;
  pen->red = RasterPixelRed(colour);
  pen->green = RasterPixelGreen(colour);
  pen->blue = RasterPixelBlue(colour);
  pen->alpha = RasterPixelAlpha(colour);
  pen->op = mode & 0xFF;
  pen->factor = RasterOpacityFactor(alpha);
  if (pen->op > RasterModeHsvAdjust || pen->factor == 0)
    return false;
  return !(pen->op == RasterModeCopy && pen->factor < 0);
}

// Combines one pixel at factor f: in copy mode 256 stores the colour word, 128 the half
// average, other positive factors blend; the other modes use their combine operation. The
// mode is a template argument so that each drawing loop is compiled once per mode.
template <int Op> inline void RasterPenPutOp(const RasterShapePen& pen, RasterPixel* p, int f)
{
  if (f == 0)
    return;
  if constexpr (Op == RasterModeCopy) {
    if (f == 256)
      *p = pen.colour;
    else if (f == 128)
      *p = RasterHalfWord(pen.colour) + RasterHalfWord(*p);
    else if (f > 0)
      RasterCombineCopy(p, pen.red, pen.green, pen.blue, pen.alpha, f);
  } else if constexpr (Op == RasterModeAdd) {
    RasterCombineAdd(p, pen.red, pen.green, pen.blue, pen.alpha, f);
  } else if constexpr (Op == RasterModeDodge) {
    RasterCombineDodge(p, pen.red, pen.green, pen.blue, pen.alpha, f);
  } else if constexpr (Op == RasterModeMultiply) {
    RasterCombineMultiply(p, pen.red, pen.green, pen.blue, pen.alpha, f);
  } else if constexpr (Op == RasterModeSoftLight) {
    RasterCombineSoftLight(p, pen.red, pen.green, pen.blue, pen.alpha, f);
  } else {
    RasterCombineHsvAdjust(p, pen.red, pen.green, pen.blue, pen.alpha, f);
  }
}

// Calls fn with std::integral_constant<int, op> for the pen's mode 0..5.
template <class Fn> inline void RasterDispatchPenOp(int op, Fn&& fn)
{
  switch (op) {
  case RasterModeCopy: fn(std::integral_constant<int, RasterModeCopy>()); return;
  case RasterModeAdd: fn(std::integral_constant<int, RasterModeAdd>()); return;
  case RasterModeDodge: fn(std::integral_constant<int, RasterModeDodge>()); return;
  case RasterModeMultiply: fn(std::integral_constant<int, RasterModeMultiply>()); return;
  case RasterModeSoftLight: fn(std::integral_constant<int, RasterModeSoftLight>()); return;
  case RasterModeHsvAdjust: fn(std::integral_constant<int, RasterModeHsvAdjust>()); return;
  default: return;
  }
}

// The same with the mode chosen per pixel, for the scattered pixels of circles.
inline void RasterPenPut(const RasterShapePen& pen, RasterPixel* p, int f)
{
  RasterDispatchPenOp(pen.op, [&](auto op) { RasterPenPutOp<decltype(op)::value>(pen, p, f); });
}

// Copy mode's word forms for a quarter and three quarters of the colour.
inline void RasterPenPutQuarter(const RasterShapePen& pen, RasterPixel* p)
{
  *p = RasterHalfWord(*p) + RasterQuarterWord(*p) + RasterQuarterWord(pen.colour);
}
inline void RasterPenPutThreeQuarters(const RasterShapePen& pen, RasterPixel* p)
{
  *p = RasterHalfWord(pen.colour) + RasterQuarterWord(pen.colour) + RasterQuarterWord(*p);
}

// Float to pixel coordinate, truncated; false when not finite or far outside any bitmap.
inline bool RasterShapeTrunc(double v, long long* out)
{
  if (!(v > -1e15 && v < 1e15))
    return false;
  *out = (long long)v;
  return true;
}

// Float to int, truncated and held within the int range; not a number gives 0.
inline int RasterShapeTruncInt(double v)
{
  if (!(v == v))
    return 0;
  if (v >= 2147483647.0)
    return 2147483647;
  if (v <= -2147483648.0)
    return (-2147483647 - 1);
  return (int)v;
}
