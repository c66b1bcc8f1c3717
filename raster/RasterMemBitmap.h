#pragma once

#include "raster/RasterBitmap.h"

// Heap-backed bitmap. The first pixel is 64-byte aligned; rows are rounded to the asked
// alignment. Storage grows with a quarter of headroom and never shrinks while the bitmap has
// pixels, so repeated enlarging does not reallocate every time.
class RasterMemBitmap : public RasterBitmap
{
public:
  // rowAlignment in pixels; its lowest set bit counts (12 acts as 4), at most 16.
  explicit RasterMemBitmap(int width = 0, int height = 0, int rowAlignment = 4);
  ~RasterMemBitmap() override;

  RasterMemBitmap(const RasterMemBitmap&) = delete;
  RasterMemBitmap& operator=(const RasterMemBitmap&) = delete;

  RasterPixel* GetBits() override;
  int GetWidth() override { return width; }
  int GetHeight() override { return height; }
  int GetRowSpan() override { return (width + alignMask) & ~alignMask; }
  bool IsFlipped() override { return false; }
  bool Resize(int width, int height) override;
  RasterDeviceContext GetDeviceContext() override { return nullptr; }
  intptr_t Extended(int, void*) override { return 0; }

  // Pixel bytes the storage can hold without reallocating.
  int GetAllocatedBytes() const { return allocated; }

private:
  unsigned char* storage = nullptr; // 63 bytes longer than `allocated`
  int width = 0;
  int height = 0;
  int allocated = 0;
  int alignMask = 0;
};
