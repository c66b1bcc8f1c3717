#pragma once

#include "raster/RasterBitmap.h"

// Row loops of the blit and the fill that have a word-wide SIMD twin. Both sets give the same
// bits; the scalar set is kept as the portable reference and for testing the SIMD set.
struct RasterRowKernels
{
  // Copy formula d = s + (d - s) * (256 - f) / 256 on all four bytes, for 0 < f < 256.
  void (*copyBlend)(RasterPixel* dest, const RasterPixel* src, int count, int factor);
  // Source-alpha copy at full opacity.
  void (*copyOpaqueSrcAlpha)(RasterPixel* dest, const RasterPixel* src, int count);
  // Source-alpha copy for 0 < f < 256.
  void (*copySrcAlpha)(RasterPixel* dest, const RasterPixel* src, int count, int factor);
  // ((src >> 1) & 0x7F7F7F7F) + ((dest >> 1) & 0x7F7F7F7F)
  void (*halfCopy)(RasterPixel* dest, const RasterPixel* src, int count);
  void (*fillSolid)(RasterPixel* dest, int count, RasterPixel colour);
  // ((colour >> 1) & 0x7F7F7F7F) + ((dest >> 1) & 0x7F7F7F7F)
  void (*fillHalf)(RasterPixel* dest, int count, RasterPixel colour);
  // ((dest >> 1) & 0x7F7F7F7F) + ((dest >> 2) & 0x3F3F3F3F) + ((colour >> 2) & 0x3F3F3F3F)
  void (*fillQuarter)(RasterPixel* dest, int count, RasterPixel colour);
  // ((colour >> 1) & 0x7F7F7F7F) + ((colour >> 2) & 0x3F3F3F3F) + ((dest >> 2) & 0x3F3F3F3F)
  void (*fillThreeQuarters)(RasterPixel* dest, int count, RasterPixel colour);
  // Copy formula with one source colour, for 0 < f < 256.
  void (*fillBlend)(RasterPixel* dest, int count, RasterPixel colour, int factor);
};

const RasterRowKernels& RasterScalarRowKernels();
const RasterRowKernels& RasterSse2RowKernels();
// The SSE2 set with AVX2 loops where it has them, or the SSE2 set itself on a processor or
// system without AVX2.
const RasterRowKernels& RasterAvx2RowKernels();
// any thread
bool RasterCpuHasAvx2();

// The set the library uses: the AVX2 set (SSE2 without AVX2) unless switched off (tests and
// benchmarks compare them with the scalar set).
const RasterRowKernels& RasterActiveRowKernels();
// any thread; takes effect for operations that start afterwards
void RasterUseSimd(bool enabled);
