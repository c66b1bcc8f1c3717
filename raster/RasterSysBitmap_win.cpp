#include "raster/RasterSysBitmap.h"

#include <windows.h>

#include <climits>

RasterSysBitmap::RasterSysBitmap(int w, int h)
{
  deviceContext = CreateCompatibleDC(nullptr);
  Resize(w, h);
}

RasterSysBitmap::~RasterSysBitmap()
{
  if (previousBitmap && deviceContext)
    SelectObject(deviceContext, (HGDIOBJ)previousBitmap);
  if (section)
    DeleteObject((HGDIOBJ)section);
  if (deviceContext)
    DeleteDC(deviceContext);
}

bool RasterSysBitmap::Resize(int w, int h)
{
  if (!deviceContext) {
    width = 0;
    height = 0;
    bits = nullptr;
    return false;
  }
  // A negative size means "no pixels" (a negative height would otherwise ask for a
  // bottom-up section the addressing does not expect).
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
  if (previousBitmap) {
    SelectObject(deviceContext, (HGDIOBJ)previousBitmap);
    previousBitmap = nullptr;
  }
  if (section)
    DeleteObject((HGDIOBJ)section);
  section = nullptr;
  bits = nullptr;

  // Sizes whose byte count does not fit 32 bits fail like a refused section.
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

  BITMAPINFO info = {};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = allocWidth;
  info.bmiHeader.biHeight = IsFlipped() ? h : -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;

  void* pixels = nullptr;
  HBITMAP created = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (created && pixels) {
    section = created;
    bits = (RasterPixel*)pixels;
    previousBitmap = SelectObject(deviceContext, created);
  } else {
    if (created)
      DeleteObject(created);
    width = 0;
    height = 0;
    bits = nullptr;
  }
  return true;
}
