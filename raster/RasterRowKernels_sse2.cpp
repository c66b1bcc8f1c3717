#include "raster/RasterRowKernels.h"

#include <emmintrin.h>

#include <cstdint>

// SSE2 twins of the scalar row loops: four pixels per step, the same bits.
//
// The copy formula s + (d - s) * k / 256 truncates toward zero, so it is computed as
// s + q or s - q with q = floor(|d - s| * k / 256): |d - s| * k stays below 65536 for
// k <= 256, which keeps the product exact in 16-bit lanes.

namespace {

const RasterRowKernels& Scalar()
{
  return RasterScalarRowKernels();
}

inline __m128i Load(const RasterPixel* p) { return _mm_loadu_si128((const __m128i*)p); }
inline void Store(RasterPixel* p, __m128i v) { _mm_storeu_si128((__m128i*)p, v); }

// s + (d - s) * k / 256 per byte, truncated toward zero. k16 holds each pixel's k (0..256) in
// both 16-bit halves of its 32 bits; bytes are worked on in place as even and odd halves of
// the 16-bit lanes, so nothing is unpacked. k = 256 gives back d exactly.
// oddMask selects the odd bytes taking part: 0xFF00 for all, 0x0000FF00 per pixel to leave
// the alpha byte out (it then comes back as the source's).
inline __m128i BlendTowardSource(__m128i d, __m128i s, __m128i k16, __m128i oddMask)
{
  const __m128i zero = _mm_setzero_si128();
  const __m128i dMinusS = _mm_subs_epu8(d, s);
  const __m128i absDiff = _mm_or_si128(dMinusS, _mm_subs_epu8(s, d));
  // floor(x * k / 256) as the high half of (x * 256) * k, for the even and the odd bytes.
  const __m128i even = _mm_mulhi_epu16(_mm_slli_epi16(absDiff, 8), k16);
  const __m128i odd = _mm_slli_epi16(_mm_mulhi_epu16(_mm_and_si128(absDiff, oddMask), k16), 8);
  const __m128i q = _mm_or_si128(even, odd);
  // Negate q where d <= s (q is 0 where they are equal): (q ^ m) - m.
  const __m128i m = _mm_cmpeq_epi8(dMinusS, zero);
  return _mm_add_epi8(s, _mm_sub_epi8(_mm_xor_si128(q, m), m));
}

inline __m128i AllOddBytes() { return _mm_set1_epi16((short)0xFF00); }

// Each pixel's 32-bit k copied into both of its 16-bit halves.
inline __m128i Spread(__m128i k32) { return _mm_or_si128(k32, _mm_slli_epi32(k32, 16)); }

void CopyBlend(RasterPixel* dest, const RasterPixel* src, int count, int f)
{
  const __m128i k = _mm_set1_epi16((short)(256 - f));
  int i = 0;
  for (; i + 4 <= count; i += 4)
    Store(dest + i, BlendTowardSource(Load(dest + i), Load(src + i), k, AllOddBytes()));
  if (i < count)
    Scalar().copyBlend(dest + i, src + i, count - i, f);
}

// Each pixel's k = 255 - sa (256 for sa = 0, which leaves the pixel as it was), for eight
// pixels at once, spread into both 16-bit halves of each pixel's 32 bits.
// The high halves of the eight pixels (sa << 8 | red) are packed into eight lanes (an
// arithmetic shift keeps them within the signed range of the pack); with the low byte set,
// (sa * 256 + 255) * 257 >> 16 is sa + 1 for sa >= 1 and 0 for sa = 0, so k = 256 minus that.
inline void SourceAlphaFactors(__m128i s0, __m128i s1, __m128i& k0, __m128i& k1)
{
  const __m128i high = _mm_packs_epi32(_mm_srai_epi32(s0, 16), _mm_srai_epi32(s1, 16));
  const __m128i a1 = _mm_mulhi_epu16(_mm_or_si128(high, _mm_set1_epi16(0xFF)), _mm_set1_epi16(257));
  const __m128i k = _mm_sub_epi16(_mm_set1_epi16(256), a1);
  k0 = _mm_unpacklo_epi16(k, k);
  k1 = _mm_unpackhi_epi16(k, k);
}

// Four pixels at full opacity, k from SourceAlphaFactors: blue, green and red blend; the
// alpha byte comes out as sa, and adding d's alpha with saturation makes it min(d + sa, 255).
inline __m128i OpaqueSrcAlphaStep(__m128i d, __m128i s, __m128i k)
{
  const __m128i out = BlendTowardSource(d, s, k, _mm_set1_epi32(0x0000FF00));
  return _mm_adds_epu8(out, _mm_and_si128(d, _mm_set1_epi32((int)0xFF000000u)));
}

// True when all eight source alphas are 255 (allOpaque) or all are 0.
inline bool UniformAlpha(__m128i s0, __m128i s1, bool& allOpaque)
{
  // The top bits of the alpha bytes filter first: with varied alpha they rarely agree, and
  // the exact comparisons are then skipped.
  const unsigned top = ((unsigned)_mm_movemask_epi8(s0) | ((unsigned)_mm_movemask_epi8(s1) << 16)) & 0x88888888u;
  if (top != 0 && top != 0x88888888u)
    return false;
  const __m128i alphaMask = _mm_set1_epi32((int)0xFF000000u);
  const __m128i alphas = _mm_and_si128(top ? _mm_and_si128(s0, s1) : _mm_or_si128(s0, s1), alphaMask);
  allOpaque = top != 0;
  return _mm_movemask_epi8(_mm_cmpeq_epi32(alphas, top ? alphaMask : _mm_setzero_si128())) == 0xFFFF;
}

void CopyOpaqueSrcAlpha(RasterPixel* dest, const RasterPixel* src, int count)
{
  int i = 0;
  // Eight pixels a step so that runs of opaque or transparent pixels cost one test each.
  for (; i + 8 <= count; i += 8) {
    const __m128i s0 = Load(src + i), s1 = Load(src + i + 4);
    bool allOpaque;
    if (UniformAlpha(s0, s1, allOpaque)) {
      if (allOpaque) {
        Store(dest + i, s0);
        Store(dest + i + 4, s1);
      }
      continue;
    }
    __m128i k0, k1;
    SourceAlphaFactors(s0, s1, k0, k1);
    Store(dest + i, OpaqueSrcAlphaStep(Load(dest + i), s0, k0));
    Store(dest + i + 4, OpaqueSrcAlphaStep(Load(dest + i + 4), s1, k1));
  }
  if (i + 4 <= count) {
    const __m128i s = Load(src + i);
    __m128i k, unused;
    SourceAlphaFactors(s, s, k, unused);
    Store(dest + i, OpaqueSrcAlphaStep(Load(dest + i), s, k));
    i += 4;
  }
  if (i < count)
    Scalar().copyOpaqueSrcAlpha(dest + i, src + i, count - i);
}

void CopySrcAlpha(RasterPixel* dest, const RasterPixel* src, int count, int f)
{
  const __m128i alphaMask = _mm_set1_epi32((int)0xFF000000u);
  const __m128i one = _mm_set1_epi32(1);
  const __m128i k256 = _mm_set1_epi32(256);
  const __m128i f32 = _mm_set1_epi32(f);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = Load(src + i);
    const __m128i sa = _mm_srli_epi32(s, 24);
    const __m128i transparent = _mm_cmpeq_epi32(sa, _mm_setzero_si128());
    if (_mm_movemask_epi8(transparent) == 0xFFFF)
      continue;
    const __m128i d = Load(dest + i);
    // f' = f * (sa + 1) / 256, at most 255 for f below 256; 0 for transparent pixels, which
    // then keep their colour (k = 256) and alpha (+0).
    const __m128i fa = _mm_andnot_si128(transparent, _mm_srli_epi32(_mm_mullo_epi16(_mm_add_epi32(sa, one), f32), 8));
    const __m128i out = BlendTowardSource(d, s, Spread(_mm_sub_epi32(k256, fa)), AllOddBytes());
    const __m128i alphaOut = _mm_adds_epu8(d, _mm_slli_epi32(fa, 24));
    Store(dest + i, _mm_or_si128(_mm_andnot_si128(alphaMask, out), _mm_and_si128(alphaMask, alphaOut)));
  }
  if (i < count)
    Scalar().copySrcAlpha(dest + i, src + i, count - i, f);
}

inline __m128i Half(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 1), _mm_set1_epi8(0x7F)); }
inline __m128i Quarter(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 2), _mm_set1_epi8(0x3F)); }

void HalfCopy(RasterPixel* dest, const RasterPixel* src, int count)
{
  int i = 0;
  for (; i + 4 <= count; i += 4)
    Store(dest + i, _mm_add_epi32(Half(Load(src + i)), Half(Load(dest + i))));
  if (i < count)
    Scalar().halfCopy(dest + i, src + i, count - i);
}

void FillSolid(RasterPixel* dest, int count, RasterPixel colour)
{
  const __m128i c = _mm_set1_epi32((int)colour);
  int i = 0;
  // Aligned stores, four at a time, once the row start is aligned.
  for (; i < count && ((uintptr_t)(dest + i) & 15); ++i)
    dest[i] = colour;
  for (; i + 16 <= count; i += 16) {
    _mm_store_si128((__m128i*)(dest + i), c);
    _mm_store_si128((__m128i*)(dest + i + 4), c);
    _mm_store_si128((__m128i*)(dest + i + 8), c);
    _mm_store_si128((__m128i*)(dest + i + 12), c);
  }
  for (; i + 4 <= count; i += 4)
    _mm_store_si128((__m128i*)(dest + i), c);
  for (; i < count; ++i)
    dest[i] = colour;
}

void FillHalf(RasterPixel* dest, int count, RasterPixel colour)
{
  const __m128i c = Half(_mm_set1_epi32((int)colour));
  int i = 0;
  for (; i + 4 <= count; i += 4)
    Store(dest + i, _mm_add_epi32(c, Half(Load(dest + i))));
  if (i < count)
    Scalar().fillHalf(dest + i, count - i, colour);
}

void FillQuarter(RasterPixel* dest, int count, RasterPixel colour)
{
  const __m128i c = Quarter(_mm_set1_epi32((int)colour));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i d = Load(dest + i);
    Store(dest + i, _mm_add_epi32(_mm_add_epi32(Half(d), Quarter(d)), c));
  }
  if (i < count)
    Scalar().fillQuarter(dest + i, count - i, colour);
}

void FillThreeQuarters(RasterPixel* dest, int count, RasterPixel colour)
{
  const __m128i cv = _mm_set1_epi32((int)colour);
  const __m128i c = _mm_add_epi32(Half(cv), Quarter(cv));
  int i = 0;
  for (; i + 4 <= count; i += 4)
    Store(dest + i, _mm_add_epi32(c, Quarter(Load(dest + i))));
  if (i < count)
    Scalar().fillThreeQuarters(dest + i, count - i, colour);
}

void FillBlend(RasterPixel* dest, int count, RasterPixel colour, int f)
{
  const __m128i k = _mm_set1_epi16((short)(256 - f));
  const __m128i c = _mm_set1_epi32((int)colour);
  int i = 0;
  for (; i + 4 <= count; i += 4)
    Store(dest + i, BlendTowardSource(Load(dest + i), c, k, AllOddBytes()));
  if (i < count)
    Scalar().fillBlend(dest + i, count - i, colour, f);
}

const RasterRowKernels kSse2 = {CopyBlend, CopyOpaqueSrcAlpha, CopySrcAlpha, HalfCopy,  FillSolid,
                                FillHalf,  FillQuarter,        FillThreeQuarters, FillBlend};

} // namespace

const RasterRowKernels& RasterSse2RowKernels()
{
  return kSse2;
}
