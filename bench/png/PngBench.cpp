// The loader decoding the 101-frame knob filmstrip from memory, against libpng's simplified
// API decoding the same bytes to BGRA. The ratio of the two is what matters: both run the
// same inflate and unfilter work, so the difference is the loader's set-up, transforms and
// channel reorder.
#include "raster/RasterMemBitmap.h"
#include "raster/RasterPng.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const std::vector<unsigned char>& KnobBytes()
{
  static const std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> b;
    if (std::FILE* f = std::fopen(VOSS_KNOB_PNG, "rb")) {
      unsigned char buffer[65536];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        b.insert(b.end(), buffer, buffer + n);
      std::fclose(f);
    }
    return b;
  }();
  return bytes;
}

// Anchor: libpng's simplified API into a caller buffer, as an application would use it.
void SimplifiedApi(benchmark::State& state)
{
  const std::vector<unsigned char>& png = KnobBytes();
  std::vector<unsigned char> pixels;
  for (auto _ : state) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
      state.SkipWithError("simplified API refused the image");
      return;
    }
    image.format = PNG_FORMAT_BGRA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
      state.SkipWithError("simplified API failed");
      return;
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)pixels.size());
}
BENCHMARK(SimplifiedApi)->Unit(benchmark::kMillisecond);

// The loader making a new bitmap each time, as the editor's first load does.
void LoadPngMemory(benchmark::State& state)
{
  const std::vector<unsigned char>& png = KnobBytes();
  for (auto _ : state) {
    RasterBitmap* bitmap = RasterLoadPngMemory(png.data(), (int32_t)png.size(), nullptr);
    if (!bitmap) {
      state.SkipWithError("loader failed");
      return;
    }
    benchmark::DoNotOptimize(bitmap->GetBits());
    delete bitmap;
  }
  state.SetBytesProcessed((int64_t)state.iterations() * 124 * 12524 * 4);
}
BENCHMARK(LoadPngMemory)->Unit(benchmark::kMillisecond);

// The loader into a kept target, so the allocation is out of the measurement like the
// reused buffer of the anchor.
void LoadPngMemoryIntoTarget(benchmark::State& state)
{
  const std::vector<unsigned char>& png = KnobBytes();
  RasterMemBitmap target(0, 0, 4);
  for (auto _ : state) {
    if (!RasterLoadPngMemory(png.data(), (int32_t)png.size(), &target)) {
      state.SkipWithError("loader failed");
      return;
    }
    benchmark::DoNotOptimize(target.GetBits());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * 124 * 12524 * 4);
}
BENCHMARK(LoadPngMemoryIntoTarget)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
