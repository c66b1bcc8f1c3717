#pragma once

#include "raster/RasterBitmap.h"

#include <cmath>

// Blend modes: the low byte of the mode word selects the operation, 0x10000 weights each
// pixel by the source alpha, bits 8..15 pick the filter of scaled blits.
enum : int {
  RasterModeCopy = 0,
  RasterModeAdd = 1,
  RasterModeDodge = 2,
  RasterModeMultiply = 3,
  RasterModeSoftLight = 4,
  RasterModeHsvAdjust = 5,
  // 240 + 4 * destinationByte + sourceByte (bytes 0 blue, 1 green, 2 red, 3 alpha)
  RasterModeChannelCopy = 240,
  RasterModeUseSourceAlpha = 0x10000,
};

inline int RasterModeChannelCopyOf(int destByte, int srcByte)
{
  return RasterModeChannelCopy + 4 * (destByte & 3) + (srcByte & 3);
}

// The factor is a 32-bit integer everywhere, and every formula works on it in 64 bits, so
// trunc(opacity * 256) is used as it stands for any opacity of magnitude below 2^23. Only
// beyond that, where the factor itself no longer fits 32 bits, is it held at the int range.
constexpr int RasterMaxFactor = 0x7FFFFFFF;
constexpr int RasterMinFactor = -0x7FFFFFFF - 1;

// Factors up to this magnitude keep every formula on byte components within int arithmetic,
// so the row loops may use int there and 64 bits only beyond.
constexpr int RasterIntSafeFactor = 16384;

// Opacity to the integer factor out of 256, truncated toward zero. An opacity that is not a
// finite number gives 0: it draws nothing, like a position or size that is not finite.
inline int RasterOpacityFactor(float opacity)
{
  if (!std::isfinite(opacity))
    return 0;
  const float scaled = opacity * 256.0f;
  if (scaled >= 2147483648.0f)
    return RasterMaxFactor;
  if (scaled < -2147483648.0f)
    return RasterMinFactor;
  return (int)scaled;
}

// f * weight / 256 for a weight of 0..256 (a coverage or a share of the colour), without
// overflowing for any factor.
inline int RasterScaleFactor(int factor, int weight)
{
  return (int)((long long)factor * weight / 256);
}

// The per-component formulas, shared by every loop of the library. d is the destination
// component, s the source component, f the factor; divisions truncate toward zero.
// T is int where the inputs are bytes and a held factor, long long where they may be wider.
namespace RasterFormula {

template <class T> inline T Sat(T v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

template <class T> inline T Copy(T d, T s, T f) { return s + (d - s) * (256 - f) / 256; }

template <class T> inline T Add(T d, T s, T f) { return Sat<T>(d + s * f / 256); }

template <class T> inline T Dodge(T d, T s, T f)
{
  const T t = s * f / 256;
  return t > 254 ? Sat<T>(d * 256) : Sat<T>(d * 256 / (256 - t));
}

template <class T> inline T Multiply(T d, T s, T f) { return d * (s * f + (256 - f) * 256) / 65536; }

template <class T> inline T SoftLight(T d, T s, T f)
{
  const T o = s * f + (256 - f) * 128;
  return Sat<T>(((32768 - o) * d / 256 + o) * d / 32768);
}

// Factor weighted by the source alpha: f * (sa + 1) / 256. For alpha bytes this never exceeds
// |f|; only components far outside 0..255 could take it beyond the int range, where it is held.
template <class T> inline T SourceAlphaFactor(T f, T sa)
{
  const T v = f * (sa + 1) / 256;
  return v > (T)RasterMaxFactor ? (T)RasterMaxFactor : (v < (T)RasterMinFactor ? (T)RasterMinFactor : v);
}

} // namespace RasterFormula

// Per-pixel combine operations. `pixel` is the destination; red..alpha the source components;
// factor the integer factor (for the ...SrcAlpha forms the plain factor, from which they derive
// the source-alpha weighted one). Results outside 0..255 of the non-saturating forms keep their
// low 8 bits. Components beyond +-2^20 are held there, far outside any real use; every factor of
// the int range is applied as it stands.
void RasterCombineCopy(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineAdd(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineDodge(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineMultiply(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineSoftLight(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineHsvAdjust(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineCopySrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineCopyOpaqueSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha);
void RasterCombineAddSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineDodgeSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineMultiplySrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineSoftLightSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);
void RasterCombineHsvAdjustSrcAlpha(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor);

// Picks the operation by (mode & 0x100FF); a factor of 0 or an unknown mode does nothing.
void RasterCombinePixel(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor, int mode);
// The same for source components that may lie outside 0..255: results are held within 0..255.
void RasterCombinePixelSat(RasterPixel* pixel, int red, int green, int blue, int alpha, int factor, int mode);

// Hue in 384 steps per turn (red 0, green 128, blue 256), saturation and value 0..255.
void RasterRgbToHsv(int red, int green, int blue, int* hue, int* saturation, int* value);
// Hue outside 0..383 is wrapped into it; saturation and value are held within 0..255.
RasterPixel RasterHsvToRgb(int hue, int saturation, int value, int alpha);

// The reciprocal table of the HSV conversion: (65536 / x) - 1, and 0 for x = 0.
const unsigned short* RasterHsvReciprocalTable();
