#include "raster/RasterRowKernels.h"

#include "raster/RasterCombine.h"

#include <atomic>

namespace {

inline RasterPixel CopyBlendPixel(RasterPixel d, RasterPixel s, int f)
{
  RasterPixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int dc = (int)((d >> shift) & 0xFF), sc = (int)((s >> shift) & 0xFF);
    out |= (RasterPixel)(RasterFormula::Copy<int>(dc, sc, f) & 0xFF) << shift;
  }
  return out;
}

void CopyBlend(RasterPixel* dest, const RasterPixel* src, int count, int f)
{
  for (int i = 0; i < count; ++i)
    dest[i] = CopyBlendPixel(dest[i], src[i], f);
}

void CopyOpaqueSrcAlpha(RasterPixel* dest, const RasterPixel* src, int count)
{
  for (int i = 0; i < count; ++i) {
    const RasterPixel s = src[i];
    const int sa = (int)(s >> 24);
    if (sa == 0)
      continue;
    if (sa == 255) {
      dest[i] = s;
      continue;
    }
    const RasterPixel d = dest[i];
    RasterPixel out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int dc = (int)((d >> shift) & 0xFF), sc = (int)((s >> shift) & 0xFF);
      out |= (RasterPixel)(sc + (dc - sc) * (255 - sa) / 256) << shift;
    }
    int a = (int)(d >> 24) + sa;
    if (a > 255)
      a = 255;
    dest[i] = out | ((RasterPixel)a << 24);
  }
}

void CopySrcAlpha(RasterPixel* dest, const RasterPixel* src, int count, int f)
{
  for (int i = 0; i < count; ++i) {
    const RasterPixel s = src[i];
    const int sa = (int)(s >> 24);
    if (sa == 0)
      continue;
    const int fa = RasterFormula::SourceAlphaFactor<int>(f, sa);
    const RasterPixel d = dest[i];
    RasterPixel out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int dc = (int)((d >> shift) & 0xFF), sc = (int)((s >> shift) & 0xFF);
      out |= (RasterPixel)(RasterFormula::Copy<int>(dc, sc, fa) & 0xFF) << shift;
    }
    int a = (int)(d >> 24) + fa;
    if (a > 255)
      a = 255;
    dest[i] = out | ((RasterPixel)(a & 0xFF) << 24);
  }
}

void HalfCopy(RasterPixel* dest, const RasterPixel* src, int count)
{
  for (int i = 0; i < count; ++i)
    dest[i] = ((src[i] >> 1) & 0x7F7F7F7Fu) + ((dest[i] >> 1) & 0x7F7F7F7Fu);
}

void FillSolid(RasterPixel* dest, int count, RasterPixel colour)
{
  for (int i = 0; i < count; ++i)
    dest[i] = colour;
}

void FillHalf(RasterPixel* dest, int count, RasterPixel colour)
{
  const RasterPixel c = (colour >> 1) & 0x7F7F7F7Fu;
  for (int i = 0; i < count; ++i)
    dest[i] = c + ((dest[i] >> 1) & 0x7F7F7F7Fu);
}

void FillQuarter(RasterPixel* dest, int count, RasterPixel colour)
{
  const RasterPixel c = (colour >> 2) & 0x3F3F3F3Fu;
  for (int i = 0; i < count; ++i)
    dest[i] = ((dest[i] >> 1) & 0x7F7F7F7Fu) + ((dest[i] >> 2) & 0x3F3F3F3Fu) + c;
}

void FillThreeQuarters(RasterPixel* dest, int count, RasterPixel colour)
{
  const RasterPixel c = ((colour >> 1) & 0x7F7F7F7Fu) + ((colour >> 2) & 0x3F3F3F3Fu);
  for (int i = 0; i < count; ++i)
    dest[i] = c + ((dest[i] >> 2) & 0x3F3F3F3Fu);
}

void FillBlend(RasterPixel* dest, int count, RasterPixel colour, int f)
{
  for (int i = 0; i < count; ++i)
    dest[i] = CopyBlendPixel(dest[i], colour, f);
}

const RasterRowKernels kScalar = {CopyBlend, CopyOpaqueSrcAlpha, CopySrcAlpha, HalfCopy,  FillSolid,
                                  FillHalf,  FillQuarter,        FillThreeQuarters, FillBlend};

std::atomic<bool> useSimd{true};

} // namespace

const RasterRowKernels& RasterScalarRowKernels()
{
  return kScalar;
}

const RasterRowKernels& RasterActiveRowKernels()
{
  return useSimd.load(std::memory_order_relaxed) ? RasterAvx2RowKernels() : kScalar;
}

void RasterUseSimd(bool enabled)
{
  useSimd.store(enabled, std::memory_order_relaxed);
}
