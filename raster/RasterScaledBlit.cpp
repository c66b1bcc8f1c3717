#include "raster/RasterScaledBlit.h"

#include "raster/RasterBlit.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using i64 = long long;
using u64 = unsigned long long;

constexpr int kOne = 0x10000;

// Fixed-point values are held within +-2^47 (source positions of +-2^31 pixels, beyond any
// bitmap) and kept in 64 bits, so that positions far outside the source neither wrap nor
// overflow; within 32 bits they are exactly the truncated value * 65536.
constexpr double kFixedLimit = 140737488355328.0;

i64 ToFixed(double v)
{
  if (!(v == v))
    return 0;
  const double scaled = v * 65536.0;
  if (scaled >= kFixedLimit)
    return (i64)kFixedLimit;
  if (scaled <= -kFixedLimit)
    return -(i64)kFixedLimit;
  return (i64)scaled;
}

// The same rounded to the nearest 1/65536 instead of truncated.
i64 ToFixedRounded(double v)
{
  if (!(v == v))
    return 0;
  return ToFixed(std::floor(v * 65536.0 + 0.5) / 65536.0);
}

// Truncation to a pixel coordinate, held within the int range (callers test for finiteness).
int ToInt(double v)
{
  if (v >= 2147483647.0)
    return 0x7FFFFFFF;
  if (v <= -2147483648.0)
    return -0x7FFFFFFF - 1;
  return (int)v;
}

i64 FloorDiv(i64 a, i64 b) // b > 0
{
  const i64 q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

bool Finite(double v) { return std::isfinite(v); }

// *start += count * step. False when the result lies beyond +-2^62: every later sample then
// moves further out (count >= 0), far past any source, and nothing is drawn.
bool Advance(i64* start, i64 count, i64 step)
{
  const __int128 v = (__int128)*start + (__int128)count * step;
  const __int128 limit = (__int128)1 << 62;
  if (v > limit || v < -limit)
    return false;
  *start = (i64)v;
  return true;
}

struct Plane
{
  RasterPixel* bits;
  int width;
  int height;
  int span;
  bool flipped;

  RasterPixel* Row(int y) const { return RasterRowPointer(bits, height, span, flipped, y); }
};

bool GetPlane(RasterBitmap* bm, Plane* p)
{
  p->bits = bm->GetBits();
  p->width = bm->GetWidth();
  p->height = bm->GetHeight();
  p->span = bm->GetRowSpan();
  p->flipped = bm->IsFlipped();
  return p->bits && p->width > 0 && p->height > 0 && p->span >= p->width;
}

// The operations' pixel steps, as types so that each scaled-blit loop is built per operation.
struct OpStore
{
  static void Apply(RasterPixel* p, int r, int g, int b, int a, int) { *p = RasterPackPixel(r, g, b, a); }
};
struct OpCopy { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineCopy(p, r, g, b, a, f); } };
struct OpAdd { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineAdd(p, r, g, b, a, f); } };
struct OpDodge { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineDodge(p, r, g, b, a, f); } };
struct OpMultiply { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineMultiply(p, r, g, b, a, f); } };
struct OpSoftLight { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineSoftLight(p, r, g, b, a, f); } };
struct OpHsv { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineHsvAdjust(p, r, g, b, a, f); } };
struct OpCopyOpaqueSA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int) { RasterCombineCopyOpaqueSrcAlpha(p, r, g, b, a); } };
struct OpCopySA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineCopySrcAlpha(p, r, g, b, a, f); } };
struct OpAddSA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineAddSrcAlpha(p, r, g, b, a, f); } };
struct OpDodgeSA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineDodgeSrcAlpha(p, r, g, b, a, f); } };
struct OpMultiplySA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineMultiplySrcAlpha(p, r, g, b, a, f); } };
struct OpSoftLightSA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineSoftLightSrcAlpha(p, r, g, b, a, f); } };
struct OpHsvSA { static void Apply(RasterPixel* p, int r, int g, int b, int a, int f) { RasterCombineHsvAdjustSrcAlpha(p, r, g, b, a, f); } };

using PixelStep = void (*)(RasterPixel*, int, int, int, int, int);

// Channel c (0 blue .. 3 alpha) of a pixel.
inline unsigned Ch(RasterPixel p, int c) { return (p >> (8 * c)) & 0xFF; }

// Bilinear sample at fractions fx, fy (0..0xFFFF) from a source pixel whose right and lower
// neighbours exist (hasRight, hasBelow); the missing direction is not interpolated.
template <class Step>
inline void Bilinear(const RasterPixel* p00, ptrdiff_t rowStep, bool hasRight, bool hasBelow,
                     unsigned fx, unsigned fy, Step step)
{
  unsigned v[4];
  if (hasRight && hasBelow) {
    const RasterPixel a = p00[0], b = p00[1], c = p00[rowStep], d = p00[rowStep + 1];
    const unsigned wBR = (fx * fy) >> 16;
    const unsigned wTR = fx - wBR, wBL = fy - wBR, wTL = kOne - wTR - fy;
    for (int k = 0; k < 4; ++k)
      v[k] = (wTL * Ch(a, k) + wTR * Ch(b, k) + wBL * Ch(c, k) + wBR * Ch(d, k)) >> 16;
  } else if (hasBelow) {
    const RasterPixel a = p00[0], c = p00[rowStep];
    for (int k = 0; k < 4; ++k)
      v[k] = (Ch(a, k) * (kOne - fy) + Ch(c, k) * fy) >> 16;
  } else if (hasRight) {
    const RasterPixel a = p00[0], b = p00[1];
    for (int k = 0; k < 4; ++k)
      v[k] = (Ch(a, k) * (kOne - fx) + Ch(b, k) * fx) >> 16;
  } else {
    const RasterPixel a = p00[0];
    for (int k = 0; k < 4; ++k)
      v[k] = Ch(a, k);
  }
  step((int)v[2], (int)v[1], (int)v[0], (int)v[3]);
}

// ---- scaled blit ----

struct ScaledJob
{
  Plane dst, src;
  int dx, dy;          // destination of sample (0, 0)
  int jFirst, jEnd;    // destination columns whose sample lies inside the source limits
  int iFirst, iEnd;    // destination rows likewise
  i64 x0, xstep, y0, ystep;
  int right, bottom;   // source limits (exclusive)
  int factor;
};

enum class Sampling { Nearest, Bilinear, Box };

template <class Op>
void SampleLoop(const ScaledJob& c, bool bilinear)
{
  const ptrdiff_t srcStep = RasterRowStep(c.src.span, c.src.flipped);
  const int f = c.factor;
  for (int i = c.iFirst; i < c.iEnd; ++i) {
    const i64 y = c.y0 + (i64)i * c.ystep;
    const int row = (int)(y / kOne);
    const RasterPixel* srow = c.src.Row(row);
    RasterPixel* drow = c.dst.Row(c.dy + i) + c.dx;
    if (!bilinear) {
      for (int j = c.jFirst; j < c.jEnd; ++j) {
        const RasterPixel p = srow[(int)((c.x0 + (i64)j * c.xstep) / kOne)];
        Op::Apply(drow + j, RasterPixelRed(p), RasterPixelGreen(p), RasterPixelBlue(p), RasterPixelAlpha(p), f);
      }
      continue;
    }
    const unsigned fy = (unsigned)(y & 0xFFFF);
    const bool hasBelow = row < c.bottom - 1;
    for (int j = c.jFirst; j < c.jEnd; ++j) {
      const i64 x = c.x0 + (i64)j * c.xstep;
      const int col = (int)(x / kOne);
      RasterPixel* d = drow + j;
      Bilinear(srow + col, srcStep, col < c.right - 1, hasBelow, (unsigned)(x & 0xFFFF), fy,
               [d, f](int r, int g, int b, int a) { Op::Apply(d, r, g, b, a, f); });
    }
  }
}

template <class Op>
void BoxLoop(const ScaledJob& c, const int* kernel, int n)
{
  const int offset = -(n / 2);
  const int f = c.factor;
  for (int i = c.iFirst; i < c.iEnd; ++i) {
    const int row = (int)((c.y0 + (i64)i * c.ystep) / kOne);
    RasterPixel* drow = c.dst.Row(c.dy + i) + c.dx;
    for (int j = c.jFirst; j < c.jEnd; ++j) {
      const int col = (int)((c.x0 + (i64)j * c.xstep) / kOne);
      int sum[4] = {0, 0, 0, 0};
      int weights = 0;
      for (int kr = 0; kr < n; ++kr) {
        const int sr = row + offset + kr;
        if (sr >= c.bottom)
          break;
        if (sr < 0)
          continue;
        const RasterPixel* srow = c.src.Row(sr);
        for (int kc = 0; kc < n; ++kc) {
          const int sc = col + offset + kc;
          if (sc < 0 || sc >= c.right)
            continue;
          const int w = kernel[kr * n + kc];
          const RasterPixel p = srow[sc];
          for (int k = 0; k < 4; ++k)
            sum[k] += w * (int)Ch(p, k);
          weights += w;
        }
      }
      if (weights > 0)
        Op::Apply(drow + j, sum[2] / weights, sum[1] / weights, sum[0] / weights, sum[3] / weights, f);
    }
  }
}

template <class Op>
void RunScaled(const ScaledJob& c, Sampling sampling)
{
  if (sampling == Sampling::Box) {
    // Equal weights: the plain average of the pixels under the kernel.
    const int n = (c.xstep > c.ystep ? c.xstep : c.ystep) <= 0x30000 ? 3 : 5;
    int kernel[25];
    for (int k = 0; k < n * n; ++k)
      kernel[k] = kOne;
    BoxLoop<Op>(c, kernel, n);
  } else {
    SampleLoop<Op>(c, sampling == Sampling::Bilinear);
  }
}

// Nearest sampling on whole words: the source word stored, or averaged with the destination.
template <bool Half>
void WordLoop(const ScaledJob& c)
{
  for (int i = c.iFirst; i < c.iEnd; ++i) {
    const RasterPixel* srow = c.src.Row((int)((c.y0 + (i64)i * c.ystep) / kOne));
    RasterPixel* drow = c.dst.Row(c.dy + i) + c.dx;
    for (int j = c.jFirst; j < c.jEnd; ++j) {
      const RasterPixel s = srow[(int)((c.x0 + (i64)j * c.xstep) / kOne)];
      drow[j] = Half ? ((drow[j] >> 1) & 0x7F7F7F7Fu) + ((s >> 1) & 0x7F7F7F7Fu) : s;
    }
  }
}

// The destination indices k in [0, count) whose sample x0 + k * step satisfies lo < x < hi.
// Computed by division so that nothing overflows however far the samples run.
bool SampleRange(i64 x0, i64 step, i64 lo, i64 hi, i64 count, int* first, int* end)
{
  i64 a, b;
  if (step > 0) {
    a = FloorDiv(lo - x0, step) + 1;
    b = FloorDiv(hi - x0 - 1, step) + 1;
  } else if (step < 0) {
    a = FloorDiv(x0 - hi, -step) + 1;
    b = FloorDiv(x0 - lo - 1, -step) + 1;
  } else {
    a = 0;
    b = (x0 > lo && x0 < hi) ? count : 0;
  }
  if (a < 0)
    a = 0;
  if (b > count)
    b = count;
  if (a >= b)
    return false;
  *first = (int)a;
  *end = (int)b;
  return true;
}

// ---- transform loop of the rotated, delta and grid-warp blits ----

struct TransformJob
{
  Plane dst, src;
  int dx, dy, w, h;
  i64 s0, t0, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy;
  int left, top, right, bottom;
  int factor;
  bool bilinear;
  PixelStep step;
};

// Additions wrap rather than overflow; every sample is range-checked before it is read.
inline i64 Wrap(i64 a, i64 b) { return (i64)((u64)a + (u64)b); }

void TransformLoop(TransformJob c)
{
  const ptrdiff_t srcStep = RasterRowStep(c.src.span, c.src.flipped);
  for (int i = 0; i < c.h; ++i) {
    RasterPixel* drow = c.dst.Row(c.dy + i) + c.dx;
    // Each destination pixel samples the near (lower) corner of its footprint in the source:
    // where a step runs backwards (mirroring, a half turn) that corner is one step on. The
    // step to the next row differs from column to column by the second-order step.
    const i64 backS = c.dsdx < 0 ? c.dsdx : 0, backT = c.dtdx < 0 ? c.dtdx : 0;
    i64 s = c.s0, t = c.t0, downS = c.dsdy, downT = c.dtdy;
    for (int j = 0; j < c.w; ++j, s = Wrap(s, c.dsdx), t = Wrap(t, c.dtdx), downS = Wrap(downS, c.dsdxdy),
             downT = Wrap(downT, c.dtdxdy)) {
      const i64 ss = Wrap(Wrap(s, backS), downS < 0 ? downS : 0);
      const i64 tt = Wrap(Wrap(t, backT), downT < 0 ? downT : 0);
      const i64 row = tt / kOne, col = ss / kOne;
      if (row < c.top || row >= c.bottom || col < c.left || col >= c.right)
        continue;
      const RasterPixel* p = c.src.Row((int)row) + col;
      if (!c.bilinear) {
        const RasterPixel v = *p;
        c.step(drow + j, RasterPixelRed(v), RasterPixelGreen(v), RasterPixelBlue(v), RasterPixelAlpha(v), c.factor);
        continue;
      }
      RasterPixel* d = drow + j;
      const PixelStep step = c.step;
      const int f = c.factor;
      Bilinear(p, srcStep, col < c.right - 1, row < c.bottom - 1, (unsigned)(ss & 0xFFFF), (unsigned)(tt & 0xFFFF),
               [d, f, step](int r, int g, int b, int a) { step(d, r, g, b, a, f); });
    }
    c.s0 = Wrap(c.s0, c.dsdy);
    c.t0 = Wrap(c.t0, c.dtdy);
    c.dsdx = Wrap(c.dsdx, c.dsdxdy);
    c.dtdx = Wrap(c.dtdx, c.dtdxdy);
  }
}

void StepStore(RasterPixel* p, int r, int g, int b, int a, int) { *p = RasterPackPixel(r, g, b, a); }
void StepCopyOpaqueSA(RasterPixel* p, int r, int g, int b, int a, int) { RasterCombineCopyOpaqueSrcAlpha(p, r, g, b, a); }

PixelStep ChoosePixelStep(int selector, int f)
{
  switch (selector) {
  case RasterModeCopy: return f == 256 ? StepStore : (f > 0 ? RasterCombineCopy : nullptr);
  case RasterModeAdd: return RasterCombineAdd;
  case RasterModeDodge: return RasterCombineDodge;
  case RasterModeMultiply: return RasterCombineMultiply;
  case RasterModeSoftLight: return RasterCombineSoftLight;
  case RasterModeHsvAdjust: return RasterCombineHsvAdjust;
  case RasterModeUseSourceAlpha | RasterModeCopy: return f == 256 ? StepCopyOpaqueSA : RasterCombineCopySrcAlpha;
  case RasterModeUseSourceAlpha | RasterModeAdd: return RasterCombineAddSrcAlpha;
  case RasterModeUseSourceAlpha | RasterModeDodge: return RasterCombineDodgeSrcAlpha;
  case RasterModeUseSourceAlpha | RasterModeMultiply: return RasterCombineMultiplySrcAlpha;
  case RasterModeUseSourceAlpha | RasterModeSoftLight: return RasterCombineSoftLightSrcAlpha;
  case RasterModeUseSourceAlpha | RasterModeHsvAdjust: return RasterCombineHsvAdjustSrcAlpha;
  default: return nullptr;
  }
}

// Clips to the destination and runs the transform loop. Positions and steps are in pixels;
// the start moves with every skipped column and row, including the growth of the per-pixel
// step over skipped rows and its effect on the row start over skipped columns.
void DrawTransformed(RasterBitmap* dest, RasterBitmap* src, i64 dx, i64 dy, i64 dw, i64 dh, double sx, double sy,
                     double dsdx, double dtdx, double dsdy, double dtdy, double dsdxdy, double dtdxdy, double clipL,
                     double clipT, double clipR, double clipB, float alpha, int mode)
{
  // A start that the loop moves back by whole steps is rounded rather than truncated: an angle
  // of pi is not exact in single precision, and its noise would otherwise put the start a hair
  // below a pixel edge, one pixel short of the forward case. Decided on the caller's steps, so
  // that clipping does not change it.
  const bool roundS = dsdx * 65536.0 <= -1.0 || dsdy * 65536.0 <= -1.0;
  const bool roundT = dtdx * 65536.0 <= -1.0 || dtdy * 65536.0 <= -1.0;
  if (dx < 0) {
    dw += dx;
    sx -= dx * dsdx;
    sy -= dx * dtdx;
    dsdy -= dx * dsdxdy;
    dtdy -= dx * dtdxdy;
    dx = 0;
  }
  if (dy < 0) {
    dh += dy;
    sy -= dy * dtdy;
    sx -= dy * dsdy;
    dsdx -= dy * dsdxdy;
    dtdx -= dy * dtdxdy;
    dy = 0;
  }
  const double all[] = {sx, sy, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy, clipL, clipT, clipR, clipB};
  for (double v : all)
    if (!Finite(v))
      return;

  TransformJob c;
  if (!GetPlane(dest, &c.dst) || !GetPlane(src, &c.src))
    return;
  if (dw > c.dst.width - dx)
    dw = c.dst.width - dx;
  if (dh > c.dst.height - dy)
    dh = c.dst.height - dy;
  if (dw < 1 || dh < 1)
    return;

  c.factor = RasterOpacityFactor(alpha);
  if (c.factor == 0)
    return;
  c.step = ChoosePixelStep(mode & 0x100FF, c.factor);
  if (!c.step)
    return;

  // The clip rectangle never reaches outside the source bitmap.
  auto hold = [](int v, int limit) { return v < 0 ? 0 : (v > limit ? limit : v); };
  c.left = hold(ToInt(clipL), c.src.width);
  c.top = hold(ToInt(clipT), c.src.height);
  c.right = hold(ToInt(clipR), c.src.width);
  c.bottom = hold(ToInt(clipB), c.src.height);
  if (c.left >= c.right || c.top >= c.bottom)
    return;

  c.dx = (int)dx;
  c.dy = (int)dy;
  c.w = (int)dw;
  c.h = (int)dh;
  c.dsdx = ToFixed(dsdx);
  c.dtdx = ToFixed(dtdx);
  c.dsdy = ToFixed(dsdy);
  c.dtdy = ToFixed(dtdy);
  c.dsdxdy = ToFixed(dsdxdy);
  c.dtdxdy = ToFixed(dtdxdy);
  c.s0 = roundS ? ToFixedRounded(sx) : ToFixed(sx);
  c.t0 = roundT ? ToFixedRounded(sy) : ToFixed(sy);
  c.bilinear = (mode & RasterModeFilterMask) == RasterModeFilterBilinear;
  TransformLoop(c);
}

} // namespace

// any thread that owns both bitmaps
void RasterScaledBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth, int dstHeight,
                      float srcX, float srcY, float srcWidth, float srcHeight, float alpha, int mode)
{
  if (!dest || !src || dstWidth == 0 || dstHeight == 0 || alpha == 0.0f)
    return;
  if (!Finite(srcX) || !Finite(srcY) || !Finite(srcWidth) || !Finite(srcHeight))
    return;
  const bool bilinear = (mode & RasterModeFilterMask) == RasterModeFilterBilinear;

  if (std::fabs(srcWidth - (float)dstWidth) < 0.001 && std::fabs(srcHeight - (float)dstHeight) < 0.001 &&
      (!bilinear || (std::fabs(srcX - std::floor(srcX + 0.5)) < 0.03 && std::fabs(srcY - std::floor(srcY + 0.5)) < 0.03))) {
    const double l = std::trunc(srcX + 0.5), t = std::trunc(srcY + 0.5);
    // A start beyond the int range lies beyond any source (the size is at most 2^31 here).
    if (l < -2147483648.0 || l > 2147483647.0 || t < -2147483648.0 || t > 2147483647.0)
      return;
    RasterBlitRect(dest, src, dstX, dstY, (int)l, (int)t, dstWidth, dstHeight, alpha, mode);
    return;
  }

  // 64-bit so that mirroring and clipping near INT_MIN/INT_MAX cannot wrap.
  i64 dx = dstX, dy = dstY, dw = dstWidth, dh = dstHeight;
  float sx = srcX, sy = srcY, sw = srcWidth, sh = srcHeight;
  if (dw < 0) {
    dw = -dw;
    dx -= dw;
    sx += sw;
    sw = -sw;
  }
  if (dh < 0) {
    dh = -dh;
    dy -= dh;
    sy += sh;
    sh = -sh;
  }
  const double xadv = sw / (float)dw, yadv = sh / (float)dh;
  if (!Finite(sx) || !Finite(sy) || !Finite(xadv) || !Finite(yadv))
    return;

  // Source limits: the far edges of the source rectangle, rounded up. Taken before the
  // destination clip, so that a clipped drawing reads exactly the pixels the unclipped one does.
  const double r = (double)((sw > 0.0f ? sw : 0.0f) + sx) + 0.999999;
  const double b = (double)((sh > 0.0f ? sh : 0.0f) + sy) + 0.999999;

  Plane dst, source;
  if (!GetPlane(dest, &dst) || !GetPlane(src, &source))
    return;

  ScaledJob c;
  c.dst = dst;
  c.src = source;
  c.xstep = ToFixed(xadv);
  c.ystep = ToFixed(yadv);
  // Every destination pixel samples the near (lower) end of its footprint in the source. Going
  // backwards (a mirrored destination or a negative source size) that end is one step below
  // the footprint's start: without this the drawing would start at the source's far edge,
  // skip its first column and show one too few.
  i64 x0 = ToFixed(xadv < 0 ? sx + xadv : (double)sx);
  i64 y0 = ToFixed(yadv < 0 ? sy + yadv : (double)sy);

  // Clip to the destination. The start of the clipped part is the unclipped start moved by
  // whole fixed-point steps, so clipping never changes the pixels that remain.
  i64 skipX = 0, skipY = 0;
  if (dx < 0) {
    skipX = -dx;
    dw += dx;
    dx = 0;
  }
  if (dy < 0) {
    skipY = -dy;
    dh += dy;
    dy = 0;
  }
  if (dw > dst.width - dx)
    dw = dst.width - dx;
  if (dh > dst.height - dy)
    dh = dst.height - dy;
  if (dw < 1 || dh < 1)
    return;
  if (!Advance(&x0, skipX, c.xstep) || !Advance(&y0, skipY, c.ystep))
    return;
  c.dx = (int)dx;
  c.dy = (int)dy;
  c.x0 = x0;
  c.y0 = y0;

  if (!(r >= 1.0) || !(b >= 1.0))
    return;
  c.right = r >= source.width ? source.width : (int)r;
  c.bottom = b >= source.height ? source.height : (int)b;

  // A sample is drawn when its truncated column lies in [0, right): positions down to just
  // above -1 pixel count as column 0. Forward steps start at the first position >= 0.
  const i64 xlo = c.xstep > 0 ? -1 : -kOne, ylo = c.ystep > 0 ? -1 : -kOne;
  if (!SampleRange(c.x0, c.xstep, xlo, (i64)c.right * kOne, dw, &c.jFirst, &c.jEnd) ||
      !SampleRange(c.y0, c.ystep, ylo, (i64)c.bottom * kOne, dh, &c.iFirst, &c.iEnd))
    return;

  c.factor = RasterOpacityFactor(alpha);
  const int f = c.factor;
  if (f == 0)
    return;

  if ((mode & 0x1FFFF) == 0 && f == 128) {
    WordLoop<true>(c);
    return;
  }
  if ((mode & 0x1FFFF) == 0 && f == 256) {
    WordLoop<false>(c);
    return;
  }

  const Sampling sampling = !bilinear ? Sampling::Nearest
                            : (xadv >= 1.7 && yadv >= 1.7) ? Sampling::Box
                                                           : Sampling::Bilinear;
  switch (mode & 0x100FF) {
  case RasterModeCopy:
    if (f < 0)
      return;
    if (f == 256)
      RunScaled<OpStore>(c, sampling);
    else
      RunScaled<OpCopy>(c, sampling);
    return;
  case RasterModeAdd: RunScaled<OpAdd>(c, sampling); return;
  case RasterModeDodge: RunScaled<OpDodge>(c, sampling); return;
  case RasterModeMultiply: RunScaled<OpMultiply>(c, sampling); return;
  case RasterModeSoftLight: RunScaled<OpSoftLight>(c, sampling); return;
  case RasterModeHsvAdjust: RunScaled<OpHsv>(c, sampling); return;
  case RasterModeUseSourceAlpha | RasterModeCopy:
    if (f == 256)
      RunScaled<OpCopyOpaqueSA>(c, sampling);
    else
      RunScaled<OpCopySA>(c, sampling);
    return;
  case RasterModeUseSourceAlpha | RasterModeAdd: RunScaled<OpAddSA>(c, sampling); return;
  case RasterModeUseSourceAlpha | RasterModeDodge: RunScaled<OpDodgeSA>(c, sampling); return;
  case RasterModeUseSourceAlpha | RasterModeMultiply: RunScaled<OpMultiplySA>(c, sampling); return;
  case RasterModeUseSourceAlpha | RasterModeSoftLight: RunScaled<OpSoftLightSA>(c, sampling); return;
  case RasterModeUseSourceAlpha | RasterModeHsvAdjust: RunScaled<OpHsvSA>(c, sampling); return;
  default: return;
  }
}

// any thread that owns both bitmaps
void RasterRotatedBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth, int dstHeight,
                       float srcX, float srcY, float srcWidth, float srcHeight, float angle, bool clipToSource,
                       float alpha, int mode, float centreX, float centreY)
{
  if (!dest || !src || dstWidth == 0 || dstHeight == 0)
    return;
  double clipL = 0, clipT = 0, clipR = src->GetWidth(), clipB = src->GetHeight();
  if (clipToSource) {
    clipL = srcX > 0.0f ? srcX : 0.0f;
    clipT = srcY > 0.0f ? srcY : 0.0f;
    const float r = srcX + srcWidth, b = srcY + srcHeight;
    clipR = r < clipR ? r : clipR;
    clipB = b < clipB ? b : clipB;
  }
  i64 dx = dstX, dy = dstY, dw = dstWidth, dh = dstHeight;
  float sx = srcX, sy = srcY, sw = srcWidth, sh = srcHeight;
  if (dw < 0) {
    dw = -dw;
    sx += sw;
    sw = -sw;
    dx -= dw;
  }
  if (dh < 0) {
    dh = -dh;
    sy += sh;
    sh = -sh;
    dy -= dh;
  }
  const float cosa = std::cos(angle), sina = std::sin(angle);
  const float xsc = sw / (float)dw, ysc = sh / (float)dh;
  const float dsdx = xsc * cosa, dtdx = -ysc * sina, dsdy = xsc * sina, dtdy = ysc * cosa;
  const double startX = sx - (((double)dh * dsdy + (double)dw * dsdx - sw) * 0.5 - centreX);
  const double startY = sy - (((double)dw * dtdx + (double)dh * dtdy - sh) * 0.5 - centreY);
  DrawTransformed(dest, src, dx, dy, dw, dh, startX, startY, dsdx, dtdx, dsdy, dtdy, 0.0, 0.0, clipL, clipT,
                  clipR, clipB, alpha, mode);
}

// any thread that owns both bitmaps
void RasterDeltaBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth, int dstHeight,
                     float srcX, float srcY, float srcWidth, float srcHeight, double dsdx, double dtdx, double dsdy,
                     double dtdy, double dsdxdy, double dtdxdy, bool clipToSource, float alpha, int mode)
{
  if (!dest || !src || dstWidth == 0 || dstHeight == 0)
    return;
  double clipL = 0, clipT = 0, clipR = src->GetWidth(), clipB = src->GetHeight();
  if (clipToSource) {
    clipL = srcX > 0.0f ? srcX : 0.0f;
    clipT = srcY > 0.0f ? srcY : 0.0f;
    const float r = srcX + srcWidth, b = srcY + srcHeight;
    clipR = r < clipR ? r : clipR;
    clipB = b < clipB ? b : clipB;
  }
  i64 dx = dstX, dy = dstY, dw = dstWidth, dh = dstHeight;
  float sx = srcX, sy = srcY;
  if (dw < 0) {
    dw = -dw;
    sx += srcWidth;
    dx -= dw;
  }
  if (dh < 0) {
    dh = -dh;
    sy += srcHeight;
    dy -= dh;
  }
  DrawTransformed(dest, src, dx, dy, dw, dh, sx, sy, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy, clipL, clipT, clipR,
                  clipB, alpha, mode);
}

// any thread that owns both bitmaps
void RasterGridWarpBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth, int dstHeight,
                        const float* grid, int pointsPerRow, int rows, float alpha, int mode)
{
  if (!dest || !src || !grid || dstWidth < 1 || dstHeight < 1 || pointsPerRow < 2 || rows < 2)
    return;
  const int destWidth = dest->GetWidth(), destHeight = dest->GetHeight();
  // Boundary k is computed from the start, not by repeated addition, so the last one is the
  // rectangle's edge exactly and no column or row is lost to rounding.
  auto boundary = [](int origin, int size, int k, int count) {
    return (i64)((double)origin + (double)k * size / (count - 1));
  };
  const size_t stride = (size_t)pointsPerRow * 2;
  for (int j = 0; j + 1 < rows; ++j) {
    const i64 y0 = boundary(dstY, dstHeight, j, rows), y1 = boundary(dstY, dstHeight, j + 1, rows);
    if (y1 <= y0 || y1 <= 0 || y0 >= destHeight)
      continue;
    const int ch = (int)(y1 - y0);
    for (int i = 0; i + 1 < pointsPerRow; ++i) {
      const i64 x0 = boundary(dstX, dstWidth, i, pointsPerRow), x1 = boundary(dstX, dstWidth, i + 1, pointsPerRow);
      if (x1 <= x0 || x1 <= 0 || x0 >= destWidth)
        continue;
      const int cw = (int)(x1 - x0);
      const float* p00 = grid + (size_t)j * stride + (size_t)i * 2;
      const float* p01 = p00 + 2;
      const float* p10 = p00 + stride;
      const float* p11 = p10 + 2;
      const double dsdx = (double)(p01[0] - p00[0]) / cw, dtdx = (double)(p01[1] - p00[1]) / cw;
      const double dsdy = (double)(p10[0] - p00[0]) / ch, dtdy = (double)(p10[1] - p00[1]) / ch;
      const double dsdxdy = ((double)(p11[0] - p10[0]) / cw - dsdx) / ch;
      const double dtdxdy = ((double)(p11[1] - p10[1]) / cw - dtdx) / ch;
      // x0 and y0 lie between the rectangle's start and the destination's size: they fit an int.
      RasterDeltaBlit(dest, src, (int)x0, (int)y0, cw, ch, p00[0], p00[1], p01[0] - p00[0], p01[1] - p00[1], dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy,
                      false, alpha, mode);
    }
  }
}
