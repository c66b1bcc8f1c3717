// What an open editor costs while audio runs: the product's overlay keeps the whole panel
// dirty, so every timer tick (25 a second) redraws it all. Measured through the canvas's
// redraw pass into the back buffer, beside the same blits done by pixman (SRC for the
// background, OVER for the rest, on premultiplied copies made before timing). The knob's
// value text is timed on its own; the pixman sum has none.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "graphics/IBitmapCache.h"
#include "raster/RasterPng.h"
#include "raster/RasterResource.h"
#include "raster/RasterSysBitmap.h"
#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/graphics/ProductPanel.h"

#if VOSS_BENCH_PIXMAN
#include <pixman.h>
#endif

namespace {

struct Editor
{
  Editor()
  {
    panel = BuildProductPanel(fx.canvas, &fx.plug);
    fx.Attach();
    fx.plug.GetParam(1)->SetValue(50.0);
    fx.canvas->PushParamToControls(1, 0.5, true);
    fx.canvas->OpenWindow(nullptr);
  }
  PanelFixture fx;
  ProductPanel panel;
};

void PanelRedraw(benchmark::State& state)
{
  Editor editor;
  const bool overlay = state.range(0) != 0;
  const IPixelRect all(0, 0, 368, 240);
  for (auto _ : state)
  {
    editor.panel.overlay->SetHidden(!overlay);  // what each audio block does
    editor.fx.canvas->RedrawArea(all);
    editor.fx.canvas->presented.clear();
    benchmark::ClobberMemory();
  }
  state.counters["fps_budget_pct"] =
      benchmark::Counter(25.0 * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(PanelRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void ValueText(benchmark::State& state)
{
  Editor editor;
  ITextStyle style = ProductKnobTextStyle();
  editor.fx.canvas->DrawStyledText(&style, "50", IPixelRect(231, 151, 336, 168));  // glyphs cached
  for (auto _ : state)
  {
    editor.fx.canvas->DrawStyledText(&style, "50", IPixelRect(231, 151, 336, 168));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ValueText)->Unit(benchmark::kMicrosecond);

void FirstImageLoad(benchmark::State& state)
{
  // The decoding a first editor pays (the cache keeps what a second one finds).
  for (auto _ : state)
    for (int id = 100; id <= 104; ++id)
      std::unique_ptr<RasterBitmap>(RasterLoadPngResource(RasterGetModuleHandle(), id, nullptr));
}
BENCHMARK(FirstImageLoad)->Unit(benchmark::kMillisecond);

void CachedImageLoad(benchmark::State& state)
{
  Editor first;  // fills the cache
  TestPlug plug;
  HeadlessCanvas second(&plug);
  const char* names[] = {"background.png", "knob.png", "switch.png", "power.png", "monomode.png"};
  const int frames[] = {1, 101, 2, 2, 1};
  for (auto _ : state)
    for (int i = 0; i < 5; ++i) benchmark::DoNotOptimize(second.LoadBitmap(100 + i, names[i], frames[i]));
}
BENCHMARK(CachedImageLoad)->Unit(benchmark::kMicrosecond);

#if VOSS_BENCH_PIXMAN
// A premultiplied pixman copy of a straight-alpha raster bitmap.
pixman_image_t* Premultiplied(RasterBitmap* b, std::vector<uint32_t>* store)
{
  const int w = b->GetWidth(), h = b->GetHeight();
  store->resize((size_t)w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const uint32_t p = b->GetBits()[y * b->GetRowSpan() + x], a = p >> 24;
      auto pre = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
      (*store)[(size_t)y * w + x] = (a << 24) | pre(16) | pre(8) | pre(0);
    }
  return pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, store->data(), w * 4);
}

void PixmanPanel(benchmark::State& state)
{
  Editor editor;  // decodes through the cache
  const bool overlay = state.range(0) != 0;
  std::vector<uint32_t> stores[5];
  pixman_image_t* images[5];
  for (int i = 0; i < 5; ++i) images[i] = Premultiplied(IBitmapCache::Find(100 + i), &stores[i]);
  std::vector<uint32_t> backStore(368 * 240);
  pixman_image_t* back = pixman_image_create_bits(PIXMAN_a8r8g8b8, 368, 240, backStore.data(), 368 * 4);
  for (auto _ : state)
  {
    pixman_image_composite32(PIXMAN_OP_SRC, images[0], nullptr, back, 0, 0, 0, 0, 0, 0, 368, 240);
    pixman_image_composite32(PIXMAN_OP_OVER, images[1], nullptr, back, 0, 6200, 0, 0, 222, 30, 124, 124);
    pixman_image_composite32(PIXMAN_OP_OVER, images[2], nullptr, back, 0, 0, 0, 0, 20, 63, 40, 58);
    pixman_image_composite32(PIXMAN_OP_OVER, images[3], nullptr, back, 0, 30, 0, 0, 20, 147, 36, 30);
    if (overlay) pixman_image_composite32(PIXMAN_OP_OVER, images[4], nullptr, back, 0, 0, 0, 0, 0, 0, 368, 240);
    benchmark::ClobberMemory();
  }
  for (pixman_image_t* image : images) pixman_image_unref(image);
  pixman_image_unref(back);
}
BENCHMARK(PixmanPanel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
