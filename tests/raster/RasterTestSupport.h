#pragma once

// Plain reference arithmetic and test bitmaps shared by the raster tests. The references are
// written straight from the formulas, one component at a time, with 64-bit integers, so that
// they are easy to check by eye and independent of the library's word-wide forms.

#include "raster/RasterBitmap.h"

#include <cstdint>
#include <random>
#include <vector>

namespace rastertest {

using i64 = long long;

inline int Sat(i64 v) { return v < 0 ? 0 : (v > 255 ? 255 : (int)v); }

inline int Byte(RasterPixel p, int i) { return (int)((p >> (8 * i)) & 0xFF); }

inline RasterPixel FromBytes(const i64 b[4])
{
  return (RasterPixel)(b[0] & 0xFF) | ((RasterPixel)(b[1] & 0xFF) << 8) | ((RasterPixel)(b[2] & 0xFF) << 16) |
         ((RasterPixel)(b[3] & 0xFF) << 24);
}

inline void RgbToHsv(int r, int g, int b, int* h, int* s, int* v)
{
  auto T = [](int x) { return x == 0 ? 0 : 65536 / x - 1; };
  int mx, mn, base, n;
  if (g > r && g > b) { mx = g; mn = r < b ? r : b; base = 128; n = b - r; }
  else if (g > r) { mx = b; mn = r; base = 256; n = r - g; }
  else if (r > b && g < b) { mx = r; mn = g; base = 383; n = g - b; }
  else if (r > b) { mx = r; mn = b; base = 0; n = g - b; }
  else { mx = b; mn = g; base = 256; n = r - g; }
  const int delta = mx - mn;
  *h = base + n * (T(delta) + 1) / 1024;
  *s = delta * T(mx) / 256;
  *v = mx;
}

inline RasterPixel HsvToRgb(int h, int s, int v, int a)
{
  const int p = v * (256 - s) / 256;
  auto k = [&](int x) { return v * (16384 - s * x) / 16384; };
  int r, g, b;
  if (h <= 63) { r = v; g = k(64 - h); b = p; }
  else if (h <= 127) { r = k(h - 64); g = v; b = p; }
  else if (h <= 191) { r = p; g = v; b = k(192 - h); }
  else if (h <= 255) { r = p; g = k(h - 192); b = v; }
  else if (h <= 319) { r = k(320 - h); g = p; b = v; }
  else { r = v; g = p; b = k(h - 320); }
  const i64 bytes[4] = {b, g, r, a};
  return FromBytes(bytes);
}

inline RasterPixel HsvAdjust(RasterPixel d, const i64 s[4], i64 f)
{
  int h, sat, val;
  RgbToHsv(Byte(d, 2), Byte(d, 1), Byte(d, 0), &h, &sat, &val);
  i64 hue = h + f * (s[2] + s[2] / 2 - 192) / 256;
  if (hue < 0) hue += 384;
  else if (hue >= 384) hue -= 384;
  // Factors above 1.0 may turn the hue by more than a circle: the rest wraps as well.
  hue = ((hue % 384) + 384) % 384;
  const int s2 = Sat(sat + f * (s[1] - 128) / 128);
  const int v2 = Sat(val + f * (s[0] - 128) / 128);
  return HsvToRgb((int)hue, s2, v2, (int)s[3]);
}

// One destination pixel combined with source components s (blue, green, red, alpha) by the
// operation selected by (mode & 0x100FF) at factor f (not 0).
inline RasterPixel Combine(RasterPixel d, const i64 s[4], i64 f, int selector)
{
  i64 out[4];
  const i64 sa = s[3];
  auto each = [&](auto formula, i64 factor) {
    for (int i = 0; i < 4; ++i)
      out[i] = formula((i64)Byte(d, i), s[i], factor);
    return FromBytes(out);
  };
  auto copy = [](i64 dv, i64 sv, i64 fv) { return sv + (dv - sv) * (256 - fv) / 256; };
  auto add = [](i64 dv, i64 sv, i64 fv) { return (i64)Sat(dv + sv * fv / 256); };
  auto dodge = [](i64 dv, i64 sv, i64 fv) {
    const i64 t = sv * fv / 256;
    return (i64)(t > 254 ? Sat(dv * 256) : Sat(dv * 256 / (256 - t)));
  };
  auto multiply = [](i64 dv, i64 sv, i64 fv) { return dv * (sv * fv + (256 - fv) * 256) / 65536; };
  auto softLight = [](i64 dv, i64 sv, i64 fv) {
    const i64 o = sv * fv + (256 - fv) * 128;
    return (i64)Sat(((32768 - o) * dv / 256 + o) * dv / 32768);
  };
  const i64 fa = f * (sa + 1) / 256;
  switch (selector) {
  case 0:
    if (f < 0) return d;
    if (f == 256) return FromBytes(s);
    return each(copy, f);
  case 1: return each(add, f);
  case 2: return each(dodge, f);
  case 3: return each(multiply, f);
  case 4: return each(softLight, f);
  case 5: return HsvAdjust(d, s, f);
  case 0x10000:
    if (sa == 0) return d;
    if (f == 256) {
      if (sa == 255) {
        const i64 o[4] = {s[0], s[1], s[2], 255};
        return FromBytes(o);
      }
      for (int i = 0; i < 3; ++i)
        out[i] = s[i] + (Byte(d, i) - s[i]) * (255 - sa) / 256;
      out[3] = Byte(d, 3) + sa > 255 ? 255 : Byte(d, 3) + sa;
      return FromBytes(out);
    }
    for (int i = 0; i < 3; ++i)
      out[i] = copy(Byte(d, i), s[i], fa);
    out[3] = Byte(d, 3) + fa > 255 ? 255 : Byte(d, 3) + fa;
    return FromBytes(out);
  case 0x10001: return sa == 0 ? d : each(add, fa);
  case 0x10002: return each(dodge, fa);
  case 0x10003: return sa == 0 ? d : each(multiply, fa);
  case 0x10004: return each(softLight, fa);
  case 0x10005: return HsvAdjust(d, s, fa);
  default: return d;
  }
}

inline RasterPixel Combine(RasterPixel d, RasterPixel s, i64 f, int selector)
{
  const i64 c[4] = {Byte(s, 0), Byte(s, 1), Byte(s, 2), Byte(s, 3)};
  return Combine(d, c, f, selector);
}

// A bitmap with rows stored bottom-up and a configurable span, for the addressing rules.
class TestBitmap : public RasterBitmap
{
public:
  TestBitmap(int w, int h, bool flipped, int extraSpan = 3)
    : width(w), height(h), span(w + extraSpan), flipped(flipped), pixels((size_t)span * h + 1)
  {
  }
  RasterPixel* GetBits() override { return width > 0 && height > 0 ? pixels.data() : nullptr; }
  int GetWidth() override { return width; }
  int GetHeight() override { return height; }
  int GetRowSpan() override { return span; }
  bool IsFlipped() override { return flipped; }
  bool Resize(int, int) override { return false; }

  // Pixel (x, y) with y = 0 the top row, wherever it is stored.
  RasterPixel& At(int x, int y) { return pixels[(size_t)(flipped ? height - 1 - y : y) * span + x]; }
  std::vector<RasterPixel>& Raw() { return pixels; }

private:
  int width, height, span;
  bool flipped;
  std::vector<RasterPixel> pixels;
};

inline void FillRandom(TestBitmap& bm, std::mt19937& rng)
{
  for (auto& p : bm.Raw())
    p = (RasterPixel)rng();
}

// Random pixels with alpha drawn from the interesting values (0, 255, and anything between).
inline RasterPixel RandomPixel(std::mt19937& rng)
{
  RasterPixel p = (RasterPixel)rng();
  switch (rng() % 4) {
  case 0: p &= 0x00FFFFFFu; break;
  case 1: p |= 0xFF000000u; break;
  default: break;
  }
  return p;
}

} // namespace rastertest
