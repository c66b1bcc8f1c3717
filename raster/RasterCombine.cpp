#include "raster/RasterCombine.h"

namespace {

using i64 = long long;
using namespace RasterFormula;

constexpr i64 kInputLimit = 1 << 20;

inline i64 Held(int v)
{
  return v < -kInputLimit ? -kInputLimit : (v > kInputLimit ? kInputLimit : (i64)v);
}

inline unsigned char* Bytes(RasterPixel* pixel) { return (unsigned char*)pixel; }

// Applies op(d, s) to the four bytes blue, green, red, alpha.
template <class Op>
inline void EachByte(RasterPixel* pixel, int red, int green, int blue, int alpha, Op op)
{
  unsigned char* p = Bytes(pixel);
  p[0] = (unsigned char)op((i64)p[0], Held(blue));
  p[1] = (unsigned char)op((i64)p[1], Held(green));
  p[2] = (unsigned char)op((i64)p[2], Held(red));
  p[3] = (unsigned char)op((i64)p[3], Held(alpha));
}

template <bool Saturate>
void CopyFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  EachByte(pixel, red, green, blue, alpha, [f](i64 d, i64 s) {
    const i64 v = Copy<i64>(d, s, f);
    return Saturate ? Sat<i64>(v) : v;
  });
}

template <bool Saturate>
void MultiplyFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  EachByte(pixel, red, green, blue, alpha, [f](i64 d, i64 s) {
    const i64 v = Multiply<i64>(d, s, f);
    return Saturate ? Sat<i64>(v) : v;
  });
}

void AddFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  EachByte(pixel, red, green, blue, alpha, [f](i64 d, i64 s) { return Add<i64>(d, s, f); });
}

void DodgeFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  EachByte(pixel, red, green, blue, alpha, [f](i64 d, i64 s) { return Dodge<i64>(d, s, f); });
}

void SoftLightFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  EachByte(pixel, red, green, blue, alpha, [f](i64 d, i64 s) { return SoftLight<i64>(d, s, f); });
}

void HsvAdjustFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  const unsigned char* p = Bytes(pixel);
  int h, s, v;
  RasterRgbToHsv(p[2], p[1], p[0], &h, &s, &v);
  const i64 sr = Held(red), sg = Held(green), sb = Held(blue);
  i64 hue = h + f * (sr + sr / 2 - 192) / 256;
  if (hue < 0)
    hue += 384;
  else if (hue >= 384)
    hue -= 384;
  // Factors above 1.0 can turn the hue more than once; wrap the rest too.
  hue %= 384;
  if (hue < 0)
    hue += 384;
  const i64 sat = Sat<i64>(s + f * (sg - 128) / 128);
  const i64 val = Sat<i64>(v + f * (sb - 128) / 128);
  *pixel = RasterHsvToRgb((int)hue, (int)sat, (int)val, alpha);
}

template <bool Saturate>
void CopySrcAlphaFactor(RasterPixel* pixel, int red, int green, int blue, int alpha, i64 f)
{
  const i64 sa = Held(alpha);
  if (sa == 0)
    return;
  const i64 fa = SourceAlphaFactor<i64>(f, sa);
  unsigned char* p = Bytes(pixel);
  const i64 s[3] = {Held(blue), Held(green), Held(red)};
  for (int i = 0; i < 3; ++i) {
    const i64 v = Copy<i64>(p[i], s[i], fa);
    p[i] = (unsigned char)(Saturate ? Sat<i64>(v) : v);
  }
  i64 a = p[3] + fa;
  if (a > 255)
    a = 255;
  p[3] = (unsigned char)(Saturate ? Sat<i64>(a) : a);
}

template <bool Saturate>
void CopyOpaqueSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha)
{
  const i64 sa = Held(alpha);
  if (sa == 0)
    return;
  unsigned char* p = Bytes(pixel);
  const i64 s[3] = {Held(blue), Held(green), Held(red)};
  if (sa == 255) {
    for (int i = 0; i < 3; ++i)
      p[i] = (unsigned char)(Saturate ? Sat<i64>(s[i]) : s[i]);
    p[3] = 255;
    return;
  }
  for (int i = 0; i < 3; ++i) {
    const i64 v = s[i] + (p[i] - s[i]) * (255 - sa) / 256;
    p[i] = (unsigned char)(Saturate ? Sat<i64>(v) : v);
  }
  i64 a = p[3] + sa;
  if (a > 255)
    a = 255;
  p[3] = (unsigned char)(Saturate ? Sat<i64>(a) : a);
}

template <bool Saturate>
void CombineByMode(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor, int mode)
{
  if (factor == 0)
    return;
  const i64 f = (i64)factor;
  switch (mode & 0x100FF) {
  case RasterModeCopy:
    if (f < 0)
      return;
    if (f == 256) {
      if (Saturate)
        *pixel = RasterPackPixelSat(red, green, blue, alpha);
      else
        *pixel = RasterPackPixel(red, green, blue, alpha);
      return;
    }
    CopyFactor<Saturate>(pixel, red, green, blue, alpha, f);
    return;
  case RasterModeAdd: AddFactor(pixel, red, green, blue, alpha, f); return;
  case RasterModeDodge: DodgeFactor(pixel, red, green, blue, alpha, f); return;
  case RasterModeMultiply: MultiplyFactor<Saturate>(pixel, red, green, blue, alpha, f); return;
  case RasterModeSoftLight: SoftLightFactor(pixel, red, green, blue, alpha, f); return;
  case RasterModeHsvAdjust: HsvAdjustFactor(pixel, red, green, blue, alpha, f); return;
  case RasterModeUseSourceAlpha | RasterModeCopy:
    if (f == 256)
      CopyOpaqueSrcAlpha<Saturate>(pixel, red, green, blue, alpha);
    else
      CopySrcAlphaFactor<Saturate>(pixel, red, green, blue, alpha, f);
    return;
  case RasterModeUseSourceAlpha | RasterModeAdd:
    if (Held(alpha) != 0)
      AddFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>(f, Held(alpha)));
    return;
  case RasterModeUseSourceAlpha | RasterModeDodge:
    DodgeFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>(f, Held(alpha)));
    return;
  case RasterModeUseSourceAlpha | RasterModeMultiply:
    if (Held(alpha) != 0)
      MultiplyFactor<Saturate>(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>(f, Held(alpha)));
    return;
  case RasterModeUseSourceAlpha | RasterModeSoftLight:
    SoftLightFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>(f, Held(alpha)));
    return;
  case RasterModeUseSourceAlpha | RasterModeHsvAdjust:
    HsvAdjustFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>(f, Held(alpha)));
    return;
  default:
    return;
  }
}

// Built at compile time so that it is ready for callers in other static initialisers.
struct ReciprocalTable
{
  unsigned short v[256];
  constexpr ReciprocalTable() : v{}
  {
    for (int x = 1; x < 256; ++x)
      v[x] = (unsigned short)(65536 / x - 1);
  }
};

constexpr ReciprocalTable kReciprocal;

} // namespace

void RasterCombineCopy(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  CopyFactor<false>(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineAdd(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  AddFactor(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineDodge(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  DodgeFactor(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineMultiply(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  MultiplyFactor<false>(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineSoftLight(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  SoftLightFactor(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineHsvAdjust(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  HsvAdjustFactor(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineCopySrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  CopySrcAlphaFactor<false>(pixel, red, green, blue, alpha, (i64)factor);
}

void RasterCombineCopyOpaqueSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha)
{
  CopyOpaqueSrcAlpha<false>(pixel, red, green, blue, alpha);
}

void RasterCombineAddSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  if (Held(alpha) != 0)
    AddFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>((i64)factor, Held(alpha)));
}

void RasterCombineDodgeSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  DodgeFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>((i64)factor, Held(alpha)));
}

void RasterCombineMultiplySrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  if (Held(alpha) != 0)
    MultiplyFactor<false>(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>((i64)factor, Held(alpha)));
}

void RasterCombineSoftLightSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  SoftLightFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>((i64)factor, Held(alpha)));
}

void RasterCombineHsvAdjustSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor)
{
  HsvAdjustFactor(pixel, red, green, blue, alpha, SourceAlphaFactor<i64>((i64)factor, Held(alpha)));
}

void RasterCombinePixel(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor, int mode)
{
  CombineByMode<false>(pixel, red, green, blue, alpha, factor, mode);
}

void RasterCombinePixelSat(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor, int mode)
{
  CombineByMode<true>(pixel, red, green, blue, alpha, factor, mode);
}

const unsigned short* RasterHsvReciprocalTable()
{
  return kReciprocal.v;
}

void RasterRgbToHsv(int r, int g, int b, int* hue, int* saturation, int* value)
{
  r &= 0xFF;
  g &= 0xFF;
  b &= 0xFF;
  int maxc, minc, base, n;
  if (g > r) {
    if (g > b) {
      maxc = g;
      minc = r < b ? r : b;
      base = 128;
      n = b - r;
    } else {
      maxc = b;
      minc = r;
      base = 256;
      n = r - g;
    }
  } else if (r > b) {
    maxc = r;
    if (g < b) {
      minc = g;
      base = 383;
    } else {
      minc = b;
      base = 0;
    }
    n = g - b;
  } else {
    maxc = b;
    minc = g;
    base = 256;
    n = r - g;
  }
  const int delta = maxc - minc;
  *hue = base + n * ((int)kReciprocal.v[delta] + 1) / 1024;
  *saturation = delta * (int)kReciprocal.v[maxc] / 256;
  *value = maxc;
}

RasterPixel RasterHsvToRgb(int h, int s, int v, int a)
{
  h %= 384;
  if (h < 0)
    h += 384;
  s = RasterClampByte(s);
  v = RasterClampByte(v);
  const int p = v * (256 - s) / 256;
  auto k = [s, v](int x) { return v * (16384 - s * x) / 16384; };
  int r, g, b;
  if (h < 64) {
    r = v; g = k(64 - h); b = p;
  } else if (h < 128) {
    r = k(h - 64); g = v; b = p;
  } else if (h < 192) {
    r = p; g = v; b = k(192 - h);
  } else if (h < 256) {
    r = p; g = k(h - 192); b = v;
  } else if (h < 320) {
    r = k(320 - h); g = p; b = v;
  } else {
    r = v; g = p; b = k(h - 320);
  }
  return RasterPackPixel(r, g, b, a);
}
