#include "raster/RasterSysBitmap.h"

#include <climits>
#include <cstdlib>

// Linux has no device context: the pixels are heap memory sized like the Windows section.

RasterSysBitmap::RasterSysBitmap(int w, int h)
{
  Resize(w, h);
}

RasterSysBitmap::~RasterSysBitmap()
{
  std::free(bits);
}

bool RasterSysBitmap::Resize(int w, int h)
{
  if (w < 0)
    w = 0;
  if (h < 0)
    h = 0;
  if (w == width && h == height)
    return false;
  width = w;
  height = h;
  if (w && h && w <= allocWidth && h <= allocHeight && bits)
    return true;

  const long long roundedWidth = ((long long)w + 3) & ~3LL;
  std::free(bits);
  bits = nullptr;

  if (h > 0 && roundedWidth > (long long)INT_MAX / 4 / h) {
    allocWidth = 0;
    allocHeight = 0;
    width = 0;
    height = 0;
    return true;
  }
  allocWidth = (int)roundedWidth;
  allocHeight = h;
  if (!allocWidth || !h)
    return false;

  bits = (RasterPixel*)std::malloc((size_t)allocWidth * (size_t)h * 4);
  if (!bits) {
    width = 0;
    height = 0;
  }
  return true;
}
