#include "raster/RasterRowKernels.h"

#include <emmintrin.h>

// SSE2 twins of the scalar row loops: four pixels per step, the same bits.
//
// The copy formula s + (d - s) * k / 256 truncates toward zero, so it is computed as
// s + q or s - q with q = floor(|d - s| * k / 256): |d - s| * k stays below 65536 for
// k <= 256, which keeps the product exact in unsigned 16-bit lanes.

namespace {

const RasterRowKernels& Scalar()
{
  return RasterScalarRowKernels();
}

inline __m128i Load(const RasterPixel* p) { return _mm_loadu_si128((const __m128i*)p); }
inline void Store(RasterPixel* p, __m128i v) { _mm_storeu_si128((__m128i*)p, v); }

// Broadcasts each pixel's alpha word to its four 16-bit lanes.
inline __m128i AlphaWords(__m128i widened)
{
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(widened, 0xFF), 0xFF);
}

// s + (d - s) * k / 256 per byte, truncated toward zero; kLo and kHi hold k (0..256) for the
// low and high two pixels in 16-bit lanes.
inline __m128i BlendTowardSource(__m128i d, __m128i s, __m128i kLo, __m128i kHi)
{
  const __m128i zero = _mm_setzero_si128();
  const __m128i dMinusS = _mm_subs_epu8(d, s);
  const __m128i absDiff = _mm_or_si128(dMinusS, _mm_subs_epu8(s, d));
  const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(absDiff, zero), kLo), 8);
  const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(absDiff, zero), kHi), 8);
  const __m128i q = _mm_packus_epi16(lo, hi);
  const __m128i destNotAbove = _mm_cmpeq_epi8(dMinusS, zero);
  return _mm_or_si128(_mm_and_si128(destNotAbove, _mm_sub_epi8(s, q)),
                      _mm_andnot_si128(destNotAbove, _mm_add_epi8(s, q)));
}

void CopyBlend(RasterPixel* dest, const RasterPixel* src, int count, int f)
{
  const __m128i k = _mm_set1_epi16((short)(256 - f));
  int i = 0;
  for (; i + 4 <= count; i += 4)
    Store(dest + i, BlendTowardSource(Load(dest + i), Load(src + i), k, k));
  if (i < count)
    Scalar().copyBlend(dest + i, src + i, count - i, f);
}

void CopyOpaqueSrcAlpha(RasterPixel* dest, const RasterPixel* src, int count)
{
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32((int)0xFF000000u);
  const __m128i k255 = _mm_set1_epi16(255);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = Load(src + i);
    const __m128i sa = _mm_and_si128(s, alphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, alphaMask)) == 0xFFFF) {
      Store(dest + i, s);
      continue;
    }
    const __m128i transparent = _mm_cmpeq_epi32(sa, zero);
    if (_mm_movemask_epi8(transparent) == 0xFFFF)
      continue;
    const __m128i d = Load(dest + i);
    const __m128i kLo = _mm_sub_epi16(k255, AlphaWords(_mm_unpacklo_epi8(s, zero)));
    const __m128i kHi = _mm_sub_epi16(k255, AlphaWords(_mm_unpackhi_epi8(s, zero)));
    __m128i out = BlendTowardSource(d, s, kLo, kHi);
    out = _mm_or_si128(_mm_andnot_si128(alphaMask, out), _mm_and_si128(alphaMask, _mm_adds_epu8(d, s)));
    out = _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, out));
    Store(dest + i, out);
  }
  if (i < count)
    Scalar().copyOpaqueSrcAlpha(dest + i, src + i, count - i);
}

void CopySrcAlpha(RasterPixel* dest, const RasterPixel* src, int count, int f)
{
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32((int)0xFF000000u);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i k256 = _mm_set1_epi16(256);
  const __m128i f16 = _mm_set1_epi16((short)f);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = Load(src + i);
    const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), zero);
    if (_mm_movemask_epi8(transparent) == 0xFFFF)
      continue;
    const __m128i d = Load(dest + i);
    // f' = f * (sa + 1) / 256, at most 255 for f below 256
    const __m128i faLo = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(AlphaWords(_mm_unpacklo_epi8(s, zero)), one), f16), 8);
    const __m128i faHi = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(AlphaWords(_mm_unpackhi_epi8(s, zero)), one), f16), 8);
    __m128i out = BlendTowardSource(d, s, _mm_sub_epi16(k256, faLo), _mm_sub_epi16(k256, faHi));
    const __m128i alphaOut = _mm_adds_epu8(d, _mm_packus_epi16(faLo, faHi));
    out = _mm_or_si128(_mm_andnot_si128(alphaMask, out), _mm_and_si128(alphaMask, alphaOut));
    out = _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, out));
    Store(dest + i, out);
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
  for (; i + 4 <= count; i += 4)
    Store(dest + i, c);
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
    Store(dest + i, BlendTowardSource(Load(dest + i), c, k, k));
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
