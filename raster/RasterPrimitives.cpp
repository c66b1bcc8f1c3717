#include "raster/RasterPrimitives.h"

#include "raster/RasterRowKernels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using i64 = long long;
using namespace RasterFormula;

struct Area
{
  RasterPixel* bits;
  int height;
  int span;
  bool flipped;
  int x, y, w, h;

  RasterPixel* Row(int row) const { return RasterRowPointer(bits, height, span, flipped, y + row) + x; }
};

// Clips (x, y, w, h) to the bitmap as the fill does; false when nothing is left.
bool ClipToBitmap(RasterBitmap* bitmap, int x, int y, int w, int h, Area* area)
{
  if (!bitmap)
    return false;
  RasterPixel* bits = bitmap->GetBits();
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight(), span = bitmap->GetRowSpan();
  if (!bits || width < 1 || height < 1 || span < width)
    return false;
  i64 cx = x, cy = y, cw = w, ch = h;
  if (cx < 0) {
    cw += cx;
    cx = 0;
  }
  if (cy < 0) {
    ch += cy;
    cy = 0;
  }
  if (cx + cw > width)
    cw = width - cx;
  if (cy + ch > height)
    ch = height - cy;
  if (cw < 1 || ch < 1)
    return false;
  *area = {bits, height, span, bitmap->IsFlipped(), (int)cx, (int)cy, (int)cw, (int)ch};
  return true;
}

template <class Step>
void ForEachPixel(const Area& a, Step step)
{
  for (int row = 0; row < a.h; ++row) {
    RasterPixel* p = a.Row(row);
    for (int col = 0; col < a.w; ++col)
      step(p[col]);
  }
}

// One formula on all four bytes, with the colour's red, green, blue and `alphaSource` as s,
// computed in T.
template <class T, class Formula>
void FillWith(const Area& a, RasterPixel colour, T alphaSource, T f, Formula formula)
{
  const T s[4] = {(T)(colour & 0xFF), (T)((colour >> 8) & 0xFF), (T)((colour >> 16) & 0xFF), alphaSource};
  ForEachPixel(a, [&](RasterPixel& p) {
    unsigned char* b = (unsigned char*)&p;
    for (int i = 0; i < 4; ++i)
      b[i] = (unsigned char)formula((T)b[i], s[i], f);
  });
}

// The fill's factor is also its alpha source, so multiply and soft light square it: 64 bits
// hold that for factors up to 2^26, and 128 bits for the rest of the int range.
template <class Formula>
void FillWithFactor(const Area& a, RasterPixel colour, int f, Formula formula)
{
  if (f >= -(1 << 26) && f <= (1 << 26))
    FillWith<i64>(a, colour, f, f, formula);
  else
    FillWith<__int128>(a, colour, f, f, formula);
}

inline RasterPixel Half(RasterPixel p) { return (p >> 1) & 0x7F7F7F7Fu; }
inline RasterPixel Quarter(RasterPixel p) { return (p >> 2) & 0x3F3F3F3Fu; }
inline RasterPixel Eighth(RasterPixel p) { return (p >> 3) & 0x1F1F1F1Fu; }

// One blurred row. `above` or `below` is null on the first and last row of the area.
void BlurRow(RasterPixel* out, const RasterPixel* above, const RasterPixel* cur, const RasterPixel* below, int w)
{
  const int last = w - 1;
  if (above && below) {
    out[0] = Half(cur[0]) + Quarter(cur[1]) + Eighth(above[0]) + Eighth(below[0]);
    for (int x = 1; x < last; ++x)
      out[x] = Half(cur[x]) + Eighth(above[x]) + Eighth(below[x]) + Eighth(cur[x - 1]) + Eighth(cur[x + 1]);
    out[last] = Half(cur[last]) + Quarter(cur[last - 1]) + Eighth(above[last]) + Eighth(below[last]);
    return;
  }
  const RasterPixel* v = above ? above : below;
  out[0] = Half(cur[0]) + Quarter(v[0]) + Quarter(cur[1]);
  for (int x = 1; x < last; ++x)
    out[x] = Half(cur[x]) + Quarter(v[x]) + Eighth(cur[x - 1]) + Eighth(cur[x + 1]);
  out[last] = Half(cur[last]) + Quarter(v[last]) + Quarter(cur[last - 1]);
}

// Fast forms of the copy mode for a single pixel word; false when f has none.
inline bool CopyFastForm(RasterPixel& p, RasterPixel colour, int f)
{
  switch (f) {
  case 256: p = colour; return true;
  case 128: p = Half(colour) + Half(p); return true;
  case 64: p = Half(p) + Quarter(p) + Quarter(colour); return true;
  case 192: p = Half(colour) + Quarter(colour) + Quarter(p); return true;
  default: return false;
  }
}

} // namespace

// any thread that owns the bitmap
void RasterFillRect(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixel colour, float opacity, int mode)
{
  if (mode & RasterModeUseSourceAlpha)
    opacity *= (float)(colour >> 24) * 0.003921569f;
  Area a;
  if (!ClipToBitmap(bitmap, x, y, w, h, &a))
    return;
  if (opacity == 0.0f || !std::isfinite(opacity))
    return;

  const RasterRowKernels& kernels = RasterActiveRowKernels();
  const int f = RasterOpacityFactor(opacity);
  const int op = mode & 0xFF;
  if (op == RasterModeCopy) {
    void (*fast)(RasterPixel*, int, RasterPixel) = nullptr;
    switch (f) {
    case 256: fast = kernels.fillSolid; break;
    case 128: fast = kernels.fillHalf; break;
    case 64: fast = kernels.fillQuarter; break;
    case 192: fast = kernels.fillThreeQuarters; break;
    default: break;
    }
    if (fast) {
      for (int row = 0; row < a.h; ++row)
        fast(a.Row(row), a.w, colour);
      return;
    }
  }
  if (f == 0)
    return;

  switch (op) {
  case RasterModeCopy:
    if (f <= 0)
      return;
    if (f < 256) {
      // The factor stands in for the alpha byte: d = f + (d - f) * (256 - f) / 256.
      const RasterPixel c = (colour & 0x00FFFFFFu) | ((RasterPixel)f << 24);
      for (int row = 0; row < a.h; ++row)
        kernels.fillBlend(a.Row(row), a.w, c, f);
      return;
    }
    FillWithFactor(a, colour, f, [](auto d, auto s, auto k) { return Copy<decltype(d)>(d, s, k); });
    return;
  case RasterModeAdd:
    FillWithFactor(a, colour, f, [](auto d, auto s, auto k) { return Add<decltype(d)>(d, s, k); });
    return;
  case RasterModeDodge:
    FillWithFactor(a, colour, f, [](auto d, auto s, auto k) { return Dodge<decltype(d)>(d, s, k); });
    return;
  case RasterModeMultiply:
    FillWithFactor(a, colour, f, [](auto d, auto s, auto k) { return Multiply<decltype(d)>(d, s, k); });
    return;
  case RasterModeSoftLight:
    FillWithFactor(a, colour, f, [](auto d, auto s, auto k) { return SoftLight<decltype(d)>(d, s, k); });
    return;
  case RasterModeHsvAdjust: {
    const int r = RasterPixelRed(colour), g = RasterPixelGreen(colour), b = RasterPixelBlue(colour);
    const int alpha = RasterClampByte(f);
    ForEachPixel(a, [&](RasterPixel& p) { RasterCombineHsvAdjust(&p, r, g, b, alpha, f); });
    return;
  }
  default:
    return;
  }
}

// any thread that owns the bitmap
void RasterClear(RasterBitmap* bitmap, RasterPixel colour)
{
  Area a;
  if (!bitmap || !ClipToBitmap(bitmap, 0, 0, bitmap->GetWidth(), bitmap->GetHeight(), &a))
    return;
  const RasterRowKernels& kernels = RasterActiveRowKernels();
  for (int row = 0; row < a.h; ++row)
    kernels.fillSolid(a.Row(row), a.w, colour);
}

// any thread that owns both bitmaps
void RasterBlur(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY, int srcW, int srcH)
{
  if (!dest || !src)
    return;
  RasterPixel* srcBits = src->GetBits();
  RasterPixel* destBits = dest->GetBits();
  const int sw = src->GetWidth(), sh = src->GetHeight(), dw = dest->GetWidth(), dh = dest->GetHeight();
  const int sSpan = src->GetRowSpan(), dSpan = dest->GetRowSpan();
  if (!srcBits || !destBits || sSpan < sw || dSpan < dw)
    return;

  i64 right = (i64)srcX + srcW, bottom = (i64)srcY + srcH, left = srcX, top = srcY, dx = dstX, dy = dstY;
  if (right > sw)
    right = sw;
  if (bottom > sh)
    bottom = sh;
  if (left < 0)
    left = 0;
  if (top < 0)
    top = 0;
  if (dx < 0) {
    left -= dx;
    dx = 0;
  }
  if (dy < 0) {
    top -= dy;
    dy = 0;
  }
  if (dx + (right - left) > dw)
    right = dw - dx + left;
  if (dy + (bottom - top) > dh)
    bottom = dh - dy + top;
  if (left + 1 >= right || top + 1 >= bottom)
    return;
  const int w = (int)(right - left), h = (int)(bottom - top);

  const bool srcFlipped = src->IsFlipped(), destFlipped = dest->IsFlipped();
  auto srcRow = [&](int row) -> const RasterPixel* {
    return RasterRowPointer(srcBits, sh, sSpan, srcFlipped, (int)top + row) + left;
  };
  auto destRow = [&](int row) { return RasterRowPointer(destBits, dh, dSpan, destFlipped, (int)dy + row) + dx; };

  // Does any destination row overlap any source row in memory?
  uintptr_t sLo = (uintptr_t)srcRow(0), sHi = (uintptr_t)srcRow(h - 1);
  uintptr_t dLo = (uintptr_t)destRow(0), dHi = (uintptr_t)destRow(h - 1);
  if (sLo > sHi) { uintptr_t t = sLo; sLo = sHi; sHi = t; }
  if (dLo > dHi) { uintptr_t t = dLo; dLo = dHi; dHi = t; }
  sHi += (uintptr_t)w * sizeof(RasterPixel);
  dHi += (uintptr_t)w * sizeof(RasterPixel);
  const bool overlaps = sLo < dHi && dLo < sHi;

  if (!overlaps) {
    for (int row = 0; row < h; ++row)
      BlurRow(destRow(row), row > 0 ? srcRow(row - 1) : nullptr, srcRow(row), row + 1 < h ? srcRow(row + 1) : nullptr, w);
    return;
  }

  if (srcRow(0) == destRow(0) && srcFlipped == destFlipped && sSpan == dSpan) {
    // In place: each row is saved before it is overwritten, so every row (the last one too)
    // reads its upper neighbour and itself as they were; the lower neighbour is not yet
    // written. Rows up to 1024 pixels use a fixed buffer.
    RasterPixel fixed[2 * 1024];
    RasterPixel* buffer = fixed;
    if (w > 1024) {
      buffer = (RasterPixel*)std::malloc((size_t)w * 2 * sizeof(RasterPixel));
      if (!buffer)
        return;
    }
    for (int row = 0; row < h; ++row) {
      RasterPixel* saved = buffer + (size_t)(row & 1) * w;
      const RasterPixel* savedAbove = buffer + (size_t)((row + 1) & 1) * w;
      std::memcpy(saved, srcRow(row), (size_t)w * sizeof(RasterPixel));
      BlurRow(destRow(row), row > 0 ? savedAbove : nullptr, saved, row + 1 < h ? srcRow(row + 1) : nullptr, w);
    }
    if (buffer != fixed)
      std::free(buffer);
    return;
  }

  // Overlapping at another position: blur from a copy of the whole source area.
  RasterPixel* copy = (RasterPixel*)std::malloc((size_t)w * (size_t)h * sizeof(RasterPixel));
  if (!copy)
    return;
  for (int row = 0; row < h; ++row)
    std::memcpy(copy + (size_t)row * w, srcRow(row), (size_t)w * sizeof(RasterPixel));
  for (int row = 0; row < h; ++row)
    BlurRow(destRow(row), row > 0 ? copy + (size_t)(row - 1) * w : nullptr, copy + (size_t)row * w,
            row + 1 < h ? copy + (size_t)(row + 1) * w : nullptr, w);
  std::free(copy);
}

// any thread that owns the bitmap
void RasterPutPixel(RasterBitmap* bitmap, int x, int y, RasterPixel colour, float opacity, int mode)
{
  if (!bitmap)
    return;
  RasterPixel* bits = bitmap->GetBits();
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight(), span = bitmap->GetRowSpan();
  if (!bits || x < 0 || y < 0 || x >= width || y >= height || span < width)
    return;
  RasterPixel& p = RasterRowPointer(bits, height, span, bitmap->IsFlipped(), y)[x];
  const int f = RasterOpacityFactor(opacity);
  const int op = mode & 0xFF;
  if (op == RasterModeCopy && CopyFastForm(p, colour, f))
    return;
  if (f == 0)
    return;
  const int r = RasterPixelRed(colour), g = RasterPixelGreen(colour), b = RasterPixelBlue(colour), al = RasterPixelAlpha(colour);
  switch (op) {
  case RasterModeCopy:
    if (f > 0)
      RasterCombineCopy(&p, r, g, b, al, f);
    return;
  case RasterModeAdd: RasterCombineAdd(&p, r, g, b, al, f); return;
  case RasterModeDodge: RasterCombineDodge(&p, r, g, b, al, f); return;
  case RasterModeMultiply: RasterCombineMultiply(&p, r, g, b, al, f); return;
  case RasterModeSoftLight: RasterCombineSoftLight(&p, r, g, b, al, f); return;
  case RasterModeHsvAdjust: RasterCombineHsvAdjust(&p, r, g, b, al, f); return;
  default: return;
  }
}

// any thread that owns the bitmap
RasterPixel RasterGetPixel(RasterBitmap* bitmap, int x, int y)
{
  if (!bitmap)
    return 0;
  RasterPixel* bits = bitmap->GetBits();
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight(), span = bitmap->GetRowSpan();
  if (!bits || x < 0 || y < 0 || x >= width || y >= height || span < width)
    return 0;
  return RasterRowPointer(bits, height, span, bitmap->IsFlipped(), y)[x];
}
