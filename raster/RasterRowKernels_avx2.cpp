#include "raster/RasterRowKernels.h"

#include <immintrin.h>

// AVX2 twin of the SSE2 source-alpha copy at full opacity: eight pixels per step, the same
// arithmetic on wider registers, the same bits. The library picks it at run time only where
// the processor and the system support AVX2, so the build's baseline stays SSE2. Only the
// source-alpha copy gets a twin: it is where editor redraws spend their time (every filmstrip
// frame and the translucent overlay); every other loop is the SSE2 one.
//
// The functions touch no stack vectors: 64-bit Windows does not align the stack for them.

#define VOSS_AVX2 __attribute__((target("avx2")))

namespace {

VOSS_AVX2 inline __m256i Load(const RasterPixel* p) { return _mm256_loadu_si256((const __m256i*)p); }
VOSS_AVX2 inline void Store(RasterPixel* p, __m256i v) { _mm256_storeu_si256((__m256i*)p, v); }

// s + (d - s) * k / 256 per colour byte, truncated toward zero (see the SSE2 file): computed as
// s + q or s - q with q = floor(|d - s| * k / 256), exact in 16-bit lanes. The alpha byte comes
// out as the source's.
VOSS_AVX2 inline __m256i BlendTowardSource(__m256i d, __m256i s, __m256i k16)
{
  const __m256i dMinusS = _mm256_subs_epu8(d, s);
  const __m256i absDiff = _mm256_or_si256(dMinusS, _mm256_subs_epu8(s, d));
  const __m256i even = _mm256_mulhi_epu16(_mm256_slli_epi16(absDiff, 8), k16);
  const __m256i odd = _mm256_slli_epi16(
      _mm256_mulhi_epu16(_mm256_and_si256(absDiff, _mm256_set1_epi32(0x0000FF00)), k16), 8);
  const __m256i q = _mm256_or_si256(even, odd);
  const __m256i m = _mm256_cmpeq_epi8(dMinusS, _mm256_setzero_si256());
  return _mm256_add_epi8(s, _mm256_sub_epi8(_mm256_xor_si256(q, m), m));
}

// Each pixel's k = 255 - sa (256 for sa = 0) in both 16-bit halves of its 32 bits, as the
// SSE2 file derives it: the per-lane pack and unpack of AVX2 put each k back beside its pixel.
VOSS_AVX2 inline __m256i SourceAlphaFactors(__m256i s)
{
  const __m256i high = _mm256_srai_epi32(s, 16);
  const __m256i packed = _mm256_packs_epi32(high, high);
  const __m256i a1 = _mm256_mulhi_epu16(_mm256_or_si256(packed, _mm256_set1_epi16(0xFF)), _mm256_set1_epi16(257));
  const __m256i k = _mm256_sub_epi16(_mm256_set1_epi16(256), a1);
  return _mm256_unpacklo_epi16(k, k);
}

VOSS_AVX2 void CopyOpaqueSrcAlpha(RasterPixel* dest, const RasterPixel* src, int count)
{
  const __m256i alphaMask = _mm256_set1_epi32((int)0xFF000000u);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = Load(src + i);
    // Runs of opaque or transparent pixels cost one test: the top bits of the alpha bytes
    // filter first, the exact comparison follows only when they agree.
    const unsigned top = (unsigned)_mm256_movemask_epi8(s) & 0x88888888u;
    if (top == 0 || top == 0x88888888u) {
      const __m256i alphas = _mm256_and_si256(s, alphaMask);
      const __m256i uniform = _mm256_cmpeq_epi32(alphas, top ? alphaMask : _mm256_setzero_si256());
      if ((unsigned)_mm256_movemask_epi8(uniform) == 0xFFFFFFFFu) {
        if (top) Store(dest + i, s);
        continue;
      }
    }
    const __m256i d = Load(dest + i);
    const __m256i out = BlendTowardSource(d, s, SourceAlphaFactors(s));
    // The alpha byte came out as sa; adding d's with saturation makes it min(d + sa, 255).
    Store(dest + i, _mm256_adds_epu8(out, _mm256_and_si256(d, alphaMask)));
  }
  if (i < count) RasterSse2RowKernels().copyOpaqueSrcAlpha(dest + i, src + i, count - i);
}

RasterRowKernels MakeAvx2Set()
{
  RasterRowKernels set = RasterSse2RowKernels();
  set.copyOpaqueSrcAlpha = CopyOpaqueSrcAlpha;
  return set;
}

} // namespace

bool RasterCpuHasAvx2()
{
  // libgcc's answer includes the system's support for saving the wide registers.
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return avx2;
}

const RasterRowKernels& RasterAvx2RowKernels()
{
  static const RasterRowKernels set = MakeAvx2Set();
  return RasterCpuHasAvx2() ? set : RasterSse2RowKernels();
}
