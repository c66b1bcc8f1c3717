// Any bytes handed to the PNG loader: no crash, no leak, and a decoded bitmap is of a size
// the bytes can describe.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "raster/RasterBitmap.h"
#include "raster/RasterPng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  RasterBitmap* bitmap = RasterLoadPngMemory(data, static_cast<int32_t>(size), nullptr);
  if (bitmap) {
    if (bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0) {
      std::fprintf(stderr, "decoded a %d x %d bitmap\n", bitmap->GetWidth(), bitmap->GetHeight());
      std::abort();
    }
    delete bitmap;
  }
  return 0;
}
