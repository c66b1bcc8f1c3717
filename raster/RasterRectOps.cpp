#include "raster/RasterRectOps.h"

#include "raster/RasterCombine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using i64 = long long;

struct View
{
  RasterPixel* bits = nullptr;
  int width = 0, height = 0, span = 0;
  bool flipped = false;

  RasterPixel* Row(int y) const { return RasterRowPointer(bits, height, span, flipped, y); }
};

bool Open(RasterBitmap* bitmap, View* v)
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

// Clips the rectangle to the view; false when nothing is left.
bool Clip(const View& v, int x, int y, int w, int h, int* cx, int* cy, int* cw, int* ch)
{
  i64 l = x, t = y, r = (i64)x + w, b = (i64)y + h;
  if (l < 0)
    l = 0;
  if (t < 0)
    t = 0;
  if (r > v.width)
    r = v.width;
  if (b > v.height)
    b = v.height;
  if (l >= r || t >= b)
    return false;
  *cx = (int)l;
  *cy = (int)t;
  *cw = (int)(r - l);
  *ch = (int)(b - t);
  return true;
}

// float * 256 truncated, held well inside the range where value * scale cannot overflow.
int Fixed8(float v)
{
  if (!(v == v))
    return 0;
  const float limit = 4194304.0f; // 2^22
  const float scaled = v * 256.0f;
  if (scaled >= limit)
    return (int)limit;
  if (scaled <= -limit)
    return -(int)limit;
  return (int)scaled;
}

int UnitToByte(double v)
{
  if (!(v == v) || v <= 0.0)
    return 0;
  if (v >= 1.0)
    return 255;
  return (int)(v * 255.0 + 0.5);
}

} // namespace

// any thread that owns the bitmap
void RasterScaleOffsetRect(RasterBitmap* bitmap, int x, int y, int w, int h, float scaleRed, float scaleGreen,
                           float scaleBlue, float scaleAlpha, float offsetRed, float offsetGreen, float offsetBlue,
                           float offsetAlpha)
{
  View v;
  int cx, cy, cw, ch;
  if (!Open(bitmap, &v) || !Clip(v, x, y, w, h, &cx, &cy, &cw, &ch))
    return;
  // Byte order in memory: blue, green, red, alpha.
  const int scale[4] = {Fixed8(scaleBlue), Fixed8(scaleGreen), Fixed8(scaleRed), Fixed8(scaleAlpha)};
  const int offset[4] = {Fixed8(offsetBlue), Fixed8(offsetGreen), Fixed8(offsetRed), Fixed8(offsetAlpha)};
  for (int row = 0; row < ch; ++row) {
    unsigned char* p = (unsigned char*)(v.Row(cy + row) + cx);
    for (int i = 0; i < cw * 4; ++i) {
      const int c = i & 3;
      p[i] = (unsigned char)RasterClampByte((offset[c] + scale[c] * p[i]) >> 8);
    }
  }
}

// any thread that owns the bitmap
void RasterVisitRect(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixelVisitor visitor, void* userData)
{
  View v;
  int cx, cy, cw, ch;
  if (!visitor || !Open(bitmap, &v) || !Clip(v, x, y, w, h, &cx, &cy, &cw, &ch))
    return;
  for (int row = 0; row < ch; ++row) {
    RasterPixel* p = v.Row(cy + row) + cx;
    for (int col = 0; col < cw; ++col)
      visitor(p + col, userData);
  }
}

// any thread that owns the bitmap
void RasterMaskRect(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixel orValue, RasterPixel andMask)
{
  View v;
  int cx, cy, cw, ch;
  if (!Open(bitmap, &v) || !Clip(v, x, y, w, h, &cx, &cy, &cw, &ch))
    return;
  for (int row = 0; row < ch; ++row) {
    RasterPixel* p = v.Row(cy + row) + cx;
    for (int col = 0; col < cw; ++col)
      p[col] = (p[col] & andMask) | orValue;
  }
}

// any thread that owns the bitmap
void RasterKeyColorToAlpha(RasterBitmap* bitmap, RasterPixel key)
{
  View v;
  if (!Open(bitmap, &v))
    return;
  key &= 0x00FFFFFFu;
  for (int row = 0; row < v.height; ++row) {
    RasterPixel* p = v.Row(row);
    for (int col = 0; col < v.width; ++col) {
      const RasterPixel rgb = p[col] & 0x00FFFFFFu;
      p[col] = rgb == key ? rgb : (rgb | 0xFF000000u);
    }
  }
}

// any thread that owns the bitmap
void RasterFloodFill(RasterBitmap* bitmap, int x, int y, RasterPixel colour, RasterPixel compareMask,
                     RasterPixel keepMask)
{
  View v;
  if (!Open(bitmap, &v) || x < 0 || y < 0 || x >= v.width || y >= v.height)
    return;
  const RasterPixel seed = v.Row(y)[x] & compareMask;

  // A written pixel may still match the seed (the colour need not differ from it), so filled
  // pixels are marked instead of recognised by their value; that also bounds the work.
  const size_t cells = (size_t)v.width * (size_t)v.height;
  unsigned char* done = (unsigned char*)std::calloc((cells + 7) / 8, 1);
  if (!done)
    return;
  auto isDone = [&](int px, int py) {
    const size_t i = (size_t)py * v.width + px;
    return (done[i >> 3] >> (i & 7)) & 1;
  };
  auto mark = [&](int px, int py) {
    const size_t i = (size_t)py * v.width + px;
    done[i >> 3] |= (unsigned char)(1u << (i & 7));
  };
  auto fillable = [&](int px, int py) { return !isDone(px, py) && (v.Row(py)[px] & compareMask) == seed; };

  struct Seed { int x, y; };
  size_t capacity = 256, count = 0;
  Seed* stack = (Seed*)std::malloc(capacity * sizeof(Seed));
  if (!stack) {
    std::free(done);
    return;
  }
  stack[count++] = {x, y};
  while (count) {
    const Seed s = stack[--count];
    if (!fillable(s.x, s.y))
      continue;
    // Extend the span left and right, fill it, then seed the rows above and below.
    int l = s.x, r = s.x;
    while (l > 0 && fillable(l - 1, s.y))
      --l;
    while (r + 1 < v.width && fillable(r + 1, s.y))
      ++r;
    RasterPixel* row = v.Row(s.y);
    for (int px = l; px <= r; ++px) {
      row[px] = colour | (row[px] & keepMask);
      mark(px, s.y);
    }
    for (int dy = -1; dy <= 1; dy += 2) {
      const int ny = s.y + dy;
      if (ny < 0 || ny >= v.height)
        continue;
      bool inRun = false;
      for (int px = l; px <= r; ++px) {
        const bool ok = fillable(px, ny);
        if (ok && !inRun) {
          if (count == capacity) {
            Seed* grown = (Seed*)std::realloc(stack, capacity * 2 * sizeof(Seed));
            if (!grown) {
              std::free(stack);
              std::free(done);
              return;
            }
            stack = grown;
            capacity *= 2;
          }
          stack[count++] = {px, ny};
        }
        inRun = ok;
      }
    }
  }
  std::free(stack);
  std::free(done);
}

// any thread that owns both bitmaps
void RasterDownsampleHalf(RasterBitmap* dest, RasterBitmap* src)
{
  View d, s;
  if (!Open(dest, &d) || !Open(src, &s))
    return;
  const int w = s.width / 2 < d.width ? s.width / 2 : d.width;
  const int h = s.height / 2 < d.height ? s.height / 2 : d.height;
  if (w < 1 || h < 1)
    return;
  // Rows are read before being written even when dest is src: destination row y lies at or
  // before source row 2y, and pixel x at or before pixel 2x.
  for (int y = 0; y < h; ++y) {
    const unsigned char* a = (const unsigned char*)s.Row(2 * y);
    const unsigned char* b = (const unsigned char*)s.Row(2 * y + 1);
    unsigned char* out = (unsigned char*)d.Row(y);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        const int i = 8 * x + c;
        out[4 * x + c] = (unsigned char)((a[i] + a[i + 4] + b[i] + b[i + 4] + 2) >> 2);
      }
  }
}

// any thread that owns both bitmaps
int RasterCompareBitmaps(RasterBitmap* a, RasterBitmap* b, int* rect)
{
  if (a == b)
    return 0;
  const i64 wa = a ? a->GetWidth() : 0, wb = b ? b->GetWidth() : 0;
  const i64 ha = a ? a->GetHeight() : 0, hb = b ? b->GetHeight() : 0;
  auto held = [](i64 v) { return (int)(v > 0x7FFFFFFF ? 0x7FFFFFFF : (v < -0x7FFFFFFF ? -0x7FFFFFFF : v)); };
  if (wa != wb)
    return held(wa - wb);
  if (ha != hb)
    return held(ha - hb);
  if (wa <= 0 || ha <= 0)
    return 0;
  View va, vb;
  const bool okA = Open(a, &va), okB = Open(b, &vb);
  if (!okA || !okB) {
    if (okA == okB)
      return 0;
    if (rect) {
      rect[0] = 0;
      rect[1] = 0;
      rect[2] = (int)wa;
      rect[3] = (int)ha;
    }
    return 1;
  }
  int left = va.width, top = va.height, right = -1, bottom = -1;
  for (int y = 0; y < va.height; ++y) {
    const RasterPixel* pa = va.Row(y);
    const RasterPixel* pb = vb.Row(y);
    for (int x = 0; x < va.width; ++x)
      if (pa[x] != pb[x]) {
        if (x < left) left = x;
        if (x > right) right = x;
        if (y < top) top = y;
        bottom = y;
      }
  }
  if (right < 0)
    return 0;
  if (rect) {
    rect[0] = left;
    rect[1] = top;
    rect[2] = right + 1;
    rect[3] = bottom + 1;
  }
  return 1;
}

// any thread that owns the bitmap
void RasterGradientFill(RasterBitmap* bitmap, int x, int y, int w, int h, float red, float green, float blue,
                        float alpha, float redPerColumn, float greenPerColumn, float bluePerColumn,
                        float alphaPerColumn, float redPerRow, float greenPerRow, float bluePerRow, float alphaPerRow,
                        int mode)
{
  View v;
  int cx, cy, cw, ch;
  if (!Open(bitmap, &v) || !Clip(v, x, y, w, h, &cx, &cy, &cw, &ch))
    return;
  const double start[4] = {red, green, blue, alpha};
  const double perColumn[4] = {redPerColumn, greenPerColumn, bluePerColumn, alphaPerColumn};
  const double perRow[4] = {redPerRow, greenPerRow, bluePerRow, alphaPerRow};
  for (int row = 0; row < ch; ++row) {
    RasterPixel* p = v.Row(cy + row) + cx;
    // Positions count from the rectangle's own corner, so clipping does not move the colours.
    const double j = (double)(cy + row) - y;
    for (int col = 0; col < cw; ++col) {
      const double i = (double)(cx + col) - x;
      int c[4];
      for (int k = 0; k < 4; ++k)
        c[k] = UnitToByte(start[k] + i * perColumn[k] + j * perRow[k]);
      RasterCombinePixel(p + col, c[0], c[1], c[2], c[3], 256, mode);
    }
  }
}

// any thread that owns the bitmap
void RasterDrawCoverageMask(RasterBitmap* bitmap, int x, int y, RasterPixel colour, const unsigned char* mask,
                            int maskWidth, int maskHeight, float opacity, int mode)
{
  View v;
  if (!mask || maskWidth < 1 || maskHeight < 1 || !Open(bitmap, &v))
    return;
  const int op = mode & 0xFF;
  if (op > RasterModeHsvAdjust)
    return;
  const int f = RasterOpacityFactor(opacity);
  if (f == 0 || (op == RasterModeCopy && f < 0))
    return;
  int cx, cy, cw, ch;
  if (!Clip(v, x, y, maskWidth, maskHeight, &cx, &cy, &cw, &ch))
    return;
  const int r = RasterPixelRed(colour), g = RasterPixelGreen(colour), b = RasterPixelBlue(colour),
            a = RasterPixelAlpha(colour);
  for (int row = 0; row < ch; ++row) {
    const unsigned char* m = mask + (size_t)((i64)cy + row - y) * (size_t)maskWidth + (size_t)((i64)cx - x);
    RasterPixel* p = v.Row(cy + row) + cx;
    for (int col = 0; col < cw; ++col)
      if (m[col])
        RasterCombinePixel(p + col, r, g, b, a, RasterScaleFactor(f, m[col]), op);
  }
}
