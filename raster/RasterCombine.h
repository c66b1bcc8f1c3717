#pragma once

#include "raster/RasterBitmap.h"

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

// Factors are held within this magnitude (an opacity of 64) so that no formula can overflow
// 32-bit arithmetic; every opacity from -64 to 64 converts exactly as opacity * 256 truncated.
constexpr int RasterMaxFactor = 16384;

// Opacity to the integer factor out of 256, truncated toward zero. Not-a-number gives 0.
inline int RasterOpacityFactor(float opacity)
{
  if (!(opacity == opacity))
    return 0;
  const float scaled = opacity * 256.0f;
  if (scaled >= (float)RasterMaxFactor)
    return RasterMaxFactor;
  if (scaled <= -(float)RasterMaxFactor)
    return -RasterMaxFactor;
  return (int)scaled;
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

// Factor weighted by the source alpha: f * (sa + 1) / 256.
template <class T> inline T SourceAlphaFactor(T f, T sa) { return f * (sa + 1) / 256; }

} // namespace RasterFormula

// Per-pixel combine operations. `pixel` is the destination; red..alpha the source components;
// factor the integer factor (for the ...SrcAlpha forms the plain factor, from which they derive
// the source-alpha weighted one). Results outside 0..255 of the non-saturating forms keep their
// low 8 bits. Components and factors beyond +-2^20 are held there, far outside any real use.
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
