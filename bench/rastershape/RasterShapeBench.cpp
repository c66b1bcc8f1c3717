// Discs on an editor-panel sized bitmap (368 x 240), anti-aliased or not, at full opacity in
// copy mode and at half opacity in add mode. Argument: the radius in pixels.

#include "raster/RasterMemBitmap.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterShapes.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 368;
constexpr int kHeight = 240;

template <bool AntiAlias, int Mode>
void FillDisc(benchmark::State& state)
{
  RasterMemBitmap bm(kWidth, kHeight, 4);
  RasterClear(&bm, 0xFF102030);
  const float r = (float)state.range(0);
  const float alpha = Mode == 0 ? 1.0f : 0.5f;
  for (auto _ : state) {
    RasterFillCircle(&bm, 184.3f, 119.6f, r, 0xFFC08040, alpha, Mode, AntiAlias);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void Radii(benchmark::internal::Benchmark* b)
{
  b->ArgName("radius")->Arg(4)->Arg(20)->Arg(110);
}

} // namespace

BENCHMARK_TEMPLATE(FillDisc, true, 0)->Apply(Radii);
BENCHMARK_TEMPLATE(FillDisc, true, 1)->Apply(Radii);
BENCHMARK_TEMPLATE(FillDisc, false, 0)->Apply(Radii);
BENCHMARK_TEMPLATE(FillDisc, false, 1)->Apply(Radii);
