#pragma once

#include "raster/RasterBitmap.h"

// Bitmap whose pixels the system can draw into and copy from. On Windows the pixels are a
// top-down 32-bit DIB section kept selected into a memory device context; on Linux they are
// plain heap pixels sized by the same rules and there is no device context.
// The section is as wide as the asked width rounded up to 4 and is kept when the bitmap
// shrinks, so shrinking and growing back within the old size costs nothing.
class RasterSysBitmap : public RasterBitmap
{
public:
  explicit RasterSysBitmap(int width = 0, int height = 0);
  ~RasterSysBitmap() override;

  RasterSysBitmap(const RasterSysBitmap&) = delete;
  RasterSysBitmap& operator=(const RasterSysBitmap&) = delete;

  RasterPixel* GetBits() override { return bits; }
  int GetWidth() override { return width; }
  int GetHeight() override { return height; }
  int GetRowSpan() override { return allocWidth; }
  bool IsFlipped() override { return false; }
  bool Resize(int width, int height) override;
  RasterDeviceContext GetDeviceContext() override { return deviceContext; }
  intptr_t Extended(int, void*) override { return 0; }

  int GetAllocatedHeight() const { return allocHeight; }

private:
  int width = 0;
  int height = 0;
  RasterDeviceContext deviceContext = nullptr;
  RasterPixel* bits = nullptr;
  int allocWidth = 0;
  int allocHeight = 0;
  void* section = nullptr;        // HBITMAP on Windows
  void* previousBitmap = nullptr; // HGDIOBJ replaced by the section in the device context
};
