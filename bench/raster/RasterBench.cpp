// Editor-panel sized (368 x 240) blits and fills, each beside its anchor: memcpy of the same
// rows for the full-opacity copy, pixman's OVER and fill for the blended copies and the fill.
// Arguments: 1 = SSE2 row loops, 0 = scalar row loops.

#include "raster/RasterBlit.h"
#include "raster/RasterMemBitmap.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterRowKernels.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>

#if VOSS_BENCH_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int kWidth = 368;
constexpr int kHeight = 240;
constexpr int kPixels = kWidth * kHeight;

// Knob-like image: an opaque disc with an anti-aliased rim on a transparent field, the kind of
// picture the editor draws; or random alpha everywhere for the worst case.
void MakeImage(RasterMemBitmap& bm, bool randomAlpha)
{
  std::mt19937 rng(5);
  const double cx = kWidth / 2.0, cy = kHeight / 2.0, radius = kHeight * 0.45;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      RasterPixel rgb = rng() & 0x00FFFFFFu;
      int alpha;
      if (randomAlpha) {
        alpha = (int)(rng() & 0xFF);
      } else {
        const double dist = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        const double cover = std::fmin(1.0, std::fmax(0.0, radius - dist + 0.5));
        alpha = (int)(cover * 255.0 + 0.5);
      }
      bm.GetBits()[y * bm.GetRowSpan() + x] = rgb | ((RasterPixel)alpha << 24);
    }
}

struct Panel
{
  RasterMemBitmap src{kWidth, kHeight, 4};
  RasterMemBitmap dest{kWidth, kHeight, 4};
  explicit Panel(bool randomAlpha = false)
  {
    MakeImage(src, randomAlpha);
    MakeImage(dest, true);
  }
};

void Finish(benchmark::State& state)
{
  state.SetItemsProcessed(state.iterations() * kPixels);
  state.counters["Mpix/s"] = benchmark::Counter((double)state.iterations() * kPixels / 1e6, benchmark::Counter::kIsRate);
  RasterUseSimd(true);
}

void CopyOpacity1(benchmark::State& state)
{
  Panel p;
  for (auto _ : state) {
    RasterBlit(&p.dest, &p.src, 0, 0, nullptr, 1.0f, RasterModeCopy);
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void MemcpyRows(benchmark::State& state)
{
  Panel p;
  RasterPixel* const dest = p.dest.GetBits();
  const RasterPixel* const src = p.src.GetBits();
  const int destSpan = p.dest.GetRowSpan(), srcSpan = p.src.GetRowSpan();
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(dest + y * destSpan, src + y * srcSpan, kWidth * sizeof(RasterPixel));
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void SourceAlphaCopy(benchmark::State& state)
{
  RasterUseSimd(state.range(0) != 0);
  Panel p(state.range(1) != 0);
  for (auto _ : state) {
    RasterBlit(&p.dest, &p.src, 0, 0, nullptr, 1.0f, RasterModeCopy | RasterModeUseSourceAlpha);
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void CopyOpacity04(benchmark::State& state)
{
  RasterUseSimd(state.range(0) != 0);
  Panel p;
  for (auto _ : state) {
    RasterBlit(&p.dest, &p.src, 0, 0, nullptr, 0.4f, RasterModeCopy);
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void FillPanel(benchmark::State& state)
{
  RasterUseSimd(state.range(0) != 0);
  Panel p;
  for (auto _ : state) {
    RasterFillRect(&p.dest, 0, 0, kWidth, kHeight, 0xFF336699, 1.0f, RasterModeCopy);
    benchmark::ClobberMemory();
  }
  Finish(state);
}

void FillPanelOpacity04(benchmark::State& state)
{
  RasterUseSimd(state.range(0) != 0);
  Panel p;
  for (auto _ : state) {
    RasterFillRect(&p.dest, 0, 0, kWidth, kHeight, 0xFF336699, 0.4f, RasterModeCopy);
    benchmark::ClobberMemory();
  }
  Finish(state);
}

#if VOSS_BENCH_PIXMAN
pixman_image_t* Wrap(RasterMemBitmap& bm)
{
  return pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, (uint32_t*)bm.GetBits(),
                                  bm.GetRowSpan() * (int)sizeof(RasterPixel));
}

void PixmanOver(benchmark::State& state)
{
  Panel p(state.range(0) != 0);
  pixman_image_t* src = Wrap(p.src);
  pixman_image_t* dst = Wrap(p.dest);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(src);
  pixman_image_unref(dst);
  Finish(state);
}

void PixmanFill(benchmark::State& state)
{
  Panel p;
  for (auto _ : state) {
    pixman_fill((uint32_t*)p.dest.GetBits(), p.dest.GetRowSpan(), 32, 0, 0, kWidth, kHeight, 0xFF336699);
    benchmark::ClobberMemory();
  }
  if (p.dest.GetBits()[(kHeight - 1) * p.dest.GetRowSpan() + kWidth - 1] != 0xFF336699u)
    state.SkipWithError("pixman_fill did not fill the panel");
  Finish(state);
}

void PixmanFillOver(benchmark::State& state)
{
  // A translucent solid composited OVER the panel: pixman's counterpart of a blended fill.
  Panel p;
  pixman_color_t colour = {0x1400, 0x2900, 0x3D00, 0x6600};
  pixman_image_t* solid = pixman_image_create_solid_fill(&colour);
  pixman_image_t* dst = Wrap(p.dest);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, solid, nullptr, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(solid);
  pixman_image_unref(dst);
  Finish(state);
}
#endif

} // namespace

BENCHMARK(CopyOpacity1);
BENCHMARK(MemcpyRows);
BENCHMARK(SourceAlphaCopy)->ArgNames({"simd", "randomAlpha"})->Args({1, 0})->Args({0, 0})->Args({1, 1})->Args({0, 1});
BENCHMARK(CopyOpacity04)->ArgName("simd")->Arg(1)->Arg(0);
BENCHMARK(FillPanel)->ArgName("simd")->Arg(1)->Arg(0);
BENCHMARK(FillPanelOpacity04)->ArgName("simd")->Arg(1)->Arg(0);
#if VOSS_BENCH_PIXMAN
BENCHMARK(PixmanOver)->ArgName("randomAlpha")->Arg(0)->Arg(1);
BENCHMARK(PixmanFill);
BENCHMARK(PixmanFillOver);
#endif
