#include "raster/RasterBlit.h"

#include "raster/RasterRowKernels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using namespace RasterFormula;

struct Surface
{
  RasterPixel* bits;
  int height;
  int span;
  bool flipped;

  RasterPixel* Row(int y) const { return RasterRowPointer(bits, height, span, flipped, y); }
};

// Applies a per-pixel step to every pixel of the area, row by row.
template <class Step>
void ForEachPixel(const Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h, Step step)
{
  for (int y = 0; y < h; ++y) {
    RasterPixel* d = dst.Row(dy + y) + dx;
    const RasterPixel* s = src.Row(sy + y) + sx;
    for (int x = 0; x < w; ++x)
      step(d[x], s[x]);
  }
}

inline unsigned char* Bytes(RasterPixel& p) { return (unsigned char*)&p; }
inline const unsigned char* Bytes(const RasterPixel& p) { return (const unsigned char*)&p; }

// Per-byte formula over all four bytes, in T: int is exact for bytes and factors up to
// RasterIntSafeFactor, long long for every other factor.
template <class T, class Formula>
void Blend4(RasterPixel& d, RasterPixel s, T f, Formula formula)
{
  unsigned char* db = Bytes(d);
  const unsigned char* sb = Bytes(s);
  for (int i = 0; i < 4; ++i)
    db[i] = (unsigned char)formula((T)db[i], (T)sb[i], f);
}

// The modes' own formulas (and the kernels where they have one) at any factor but 0.
template <class T>
void DrawWithFactor(const Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h, int f,
                    int selector, const RasterRowKernels& kernels)
{
  const T tf = (T)f;
  auto rows = [&](auto rowStep) {
    for (int y = 0; y < h; ++y)
      rowStep(dst.Row(dy + y) + dx, src.Row(sy + y) + sx);
  };

  switch (selector) {
  case RasterModeCopy:
    if (f < 0)
      return;
    if (f == 256)
      rows([w](RasterPixel* d, const RasterPixel* s) { std::memcpy(d, s, (size_t)w * sizeof(RasterPixel)); });
    else if (f < 256)
      rows([&](RasterPixel* d, const RasterPixel* s) { kernels.copyBlend(d, s, w, f); });
    else
      ForEachPixel(dst, dx, dy, src, sx, sy, w, h,
                   [tf](RasterPixel& d, RasterPixel s) { Blend4(d, s, tf, Copy<T>); });
    return;
  case RasterModeAdd:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h,
                 [tf](RasterPixel& d, RasterPixel s) { Blend4(d, s, tf, Add<T>); });
    return;
  case RasterModeDodge:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h,
                 [tf](RasterPixel& d, RasterPixel s) { Blend4(d, s, tf, Dodge<T>); });
    return;
  case RasterModeMultiply:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h,
                 [tf](RasterPixel& d, RasterPixel s) { Blend4(d, s, tf, Multiply<T>); });
    return;
  case RasterModeSoftLight:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h,
                 [tf](RasterPixel& d, RasterPixel s) { Blend4(d, s, tf, SoftLight<T>); });
    return;
  case RasterModeHsvAdjust:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [f](RasterPixel& d, RasterPixel s) {
      RasterCombineHsvAdjust(&d, RasterPixelRed(s), RasterPixelGreen(s), RasterPixelBlue(s), RasterPixelAlpha(s), f);
    });
    return;
  case RasterModeUseSourceAlpha | RasterModeCopy:
    if (f == 256)
      rows([w, &kernels](RasterPixel* d, const RasterPixel* s) { kernels.copyOpaqueSrcAlpha(d, s, w); });
    else if (f > 0 && f < 256)
      rows([&](RasterPixel* d, const RasterPixel* s) { kernels.copySrcAlpha(d, s, w, f); });
    else
      ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [f](RasterPixel& d, RasterPixel s) {
        RasterCombineCopySrcAlpha(&d, RasterPixelRed(s), RasterPixelGreen(s), RasterPixelBlue(s), RasterPixelAlpha(s), f);
      });
    return;
  case RasterModeUseSourceAlpha | RasterModeAdd:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [tf](RasterPixel& d, RasterPixel s) {
      const int sa = RasterPixelAlpha(s);
      if (sa)
        Blend4(d, s, SourceAlphaFactor<T>(tf, (T)sa), Add<T>);
    });
    return;
  case RasterModeUseSourceAlpha | RasterModeDodge:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [tf](RasterPixel& d, RasterPixel s) {
      Blend4(d, s, SourceAlphaFactor<T>(tf, (T)RasterPixelAlpha(s)), Dodge<T>);
    });
    return;
  case RasterModeUseSourceAlpha | RasterModeMultiply:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [tf](RasterPixel& d, RasterPixel s) {
      const int sa = RasterPixelAlpha(s);
      if (sa)
        Blend4(d, s, SourceAlphaFactor<T>(tf, (T)sa), Multiply<T>);
    });
    return;
  case RasterModeUseSourceAlpha | RasterModeSoftLight:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [tf](RasterPixel& d, RasterPixel s) {
      Blend4(d, s, SourceAlphaFactor<T>(tf, (T)RasterPixelAlpha(s)), SoftLight<T>);
    });
    return;
  case RasterModeUseSourceAlpha | RasterModeHsvAdjust:
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h, [f](RasterPixel& d, RasterPixel s) {
      RasterCombineHsvAdjustSrcAlpha(&d, RasterPixelRed(s), RasterPixelGreen(s), RasterPixelBlue(s), RasterPixelAlpha(s), f);
    });
    return;
  default:
    return;
  }
}

void Draw(const Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h,
          float opacity, int mode)
{
  const RasterRowKernels& kernels = RasterActiveRowKernels();

  if ((mode & 0xFF) >= RasterModeChannelCopy) {
    const int destByte = (mode >> 2) & 3, srcByte = mode & 3;
    ForEachPixel(dst, dx, dy, src, sx, sy, w, h,
                 [=](RasterPixel& d, RasterPixel s) { Bytes(d)[destByte] = Bytes(s)[srcByte]; });
    return;
  }

  const int selector = mode & 0x100FF;
  if (selector == RasterModeCopy && (opacity == 1.0f || opacity == 0.5f)) {
    for (int y = 0; y < h; ++y) {
      RasterPixel* d = dst.Row(dy + y) + dx;
      const RasterPixel* s = src.Row(sy + y) + sx;
      if (opacity == 1.0f)
        std::memcpy(d, s, (size_t)w * sizeof(RasterPixel));
      else
        kernels.halfCopy(d, s, w);
    }
    return;
  }

  const int f = RasterOpacityFactor(opacity);
  if (f == 0)
    return;

  if (f >= -RasterIntSafeFactor && f <= RasterIntSafeFactor)
    DrawWithFactor<int>(dst, dx, dy, src, sx, sy, w, h, f, selector, kernels);
  else
    DrawWithFactor<long long>(dst, dx, dy, src, sx, sy, w, h, f, selector, kernels);
}

inline long long Min(long long a, long long b) { return a < b ? a : b; }
inline long long Max(long long a, long long b) { return a > b ? a : b; }

// Lowest and one-past-highest address touched by the rows [top, top + h) of a column range.
void AreaBounds(const Surface& s, int x, int top, int w, int h, uintptr_t* lo, uintptr_t* hi)
{
  const uintptr_t a = (uintptr_t)(s.Row(top) + x);
  const uintptr_t b = (uintptr_t)(s.Row(top + h - 1) + x);
  *lo = a < b ? a : b;
  *hi = (a < b ? b : a) + (uintptr_t)w * sizeof(RasterPixel);
}

} // namespace

// any thread that owns both bitmaps
void RasterBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, const int* srcRect,
                float opacity, int mode)
{
  if (!dest || !src)
    return;
  // An opacity that is not a finite number draws nothing, in every mode.
  if (opacity == 0.0f || !std::isfinite(opacity))
    return;

  const int srcWidth = src->GetWidth(), srcHeight = src->GetHeight();
  const int destWidth = dest->GetWidth(), destHeight = dest->GetHeight();

  // 64-bit so that coordinates near INT_MIN/INT_MAX cannot wrap while clipping.
  long long left = 0, top = 0, right = srcWidth, bottom = srcHeight;
  long long dx = dstX, dy = dstY;
  if (srcRect) {
    right = Min(srcRect[2], srcWidth);
    bottom = Min(srcRect[3], srcHeight);
    left = Max(srcRect[0], 0);
    top = Max(srcRect[1], 0);
    if (srcRect[0] < 0)
      dx -= srcRect[0];
    if (srcRect[1] < 0)
      dy -= srcRect[1];
  }
  if (dx < 0) {
    left -= dx;
    dx = 0;
  }
  if (dy < 0) {
    top -= dy;
    dy = 0;
  }
  if (dx + (right - left) > destWidth)
    right = destWidth - dx + left;
  if (dy + (bottom - top) > destHeight)
    bottom = destHeight - dy + top;
  if (left >= right || top >= bottom)
    return;
  const int w = (int)(right - left), h = (int)(bottom - top);

  RasterPixel* srcBits = src->GetBits();
  RasterPixel* destBits = dest->GetBits();
  if (!srcBits || !destBits)
    return;
  const int srcSpan = src->GetRowSpan(), destSpan = dest->GetRowSpan();
  if (srcSpan < srcWidth || destSpan < destWidth)
    return;

  Surface s = {srcBits, srcHeight, srcSpan, src->IsFlipped()};
  const Surface d = {destBits, destHeight, destSpan, dest->IsFlipped()};
  int sx = (int)left, sy = (int)top;

  // Within one bitmap the rows would otherwise read pixels already written: work from a
  // copy of the source area.
  RasterPixel* scratch = nullptr;
  uintptr_t sLo, sHi, dLo, dHi;
  AreaBounds(s, sx, sy, w, h, &sLo, &sHi);
  AreaBounds(d, (int)dx, (int)dy, w, h, &dLo, &dHi);
  if (sLo < dHi && dLo < sHi) {
    scratch = (RasterPixel*)std::malloc((size_t)w * (size_t)h * sizeof(RasterPixel));
    if (!scratch)
      return;
    for (int y = 0; y < h; ++y)
      std::memcpy(scratch + (size_t)y * w, s.Row(sy + y) + sx, (size_t)w * sizeof(RasterPixel));
    s = {scratch, h, w, false};
    sx = 0;
    sy = 0;
  }

  Draw(d, (int)dx, (int)dy, s, sx, sy, w, h, opacity, mode);
  std::free(scratch);
}

// any thread that owns both bitmaps
void RasterBlitRect(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY,
                    int srcWidth, int srcHeight, float opacity, int mode)
{
  // The right and bottom edges are held within 32 bits rather than wrapping.
  const long long r = (long long)srcX + srcWidth, b = (long long)srcY + srcHeight;
  const int rect[4] = {srcX, srcY, (int)Max(Min(r, 0x7FFFFFFF), -0x7FFFFFFF - 1),
                       (int)Max(Min(b, 0x7FFFFFFF), -0x7FFFFFFF - 1)};
  RasterBlit(dest, src, dstX, dstY, rect, opacity, mode);
}

// any thread that owns both bitmaps
void RasterCopy(RasterBitmap* dest, RasterBitmap* src)
{
  if (!dest || !src)
    return;
  dest->Resize(src->GetWidth(), src->GetHeight());
  RasterBlit(dest, src, 0, 0, nullptr, 1.0f, RasterModeCopy);
}
