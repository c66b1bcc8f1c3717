#include "raster/RasterMemBitmap.h"

#include <climits>
#include <cstdlib>

RasterMemBitmap::RasterMemBitmap(int w, int h, int rowAlignment)
{
  // The lowest set bit of the alignment, minus one; 0 or 1 leaves rows unpadded. Unsigned so
  // that a negative alignment counts by its lowest set bit too (-4 acts as 4).
  const unsigned bitsSet = (unsigned)rowAlignment;
  const unsigned lowest = bitsSet & (0u - bitsSet);
  alignMask = lowest == 0 ? 0 : (lowest - 1 > 15u ? 15 : (int)(lowest - 1));
  if (w != 0 || h != 0)
    Resize(w, h);
}

RasterMemBitmap::~RasterMemBitmap()
{
  std::free(storage);
}

RasterPixel* RasterMemBitmap::GetBits()
{
  if (!storage)
    return nullptr;
  const uintptr_t aligned = ((uintptr_t)storage + 63) & ~(uintptr_t)63;
  return (RasterPixel*)aligned;
}

bool RasterMemBitmap::Resize(int w, int h)
{
  // A negative size would otherwise multiply into a positive byte count with pixels behind
  // a negative width; it means "no pixels".
  if (w < 0)
    w = 0;
  if (h < 0)
    h = 0;
  if (w == width && h == height)
    return false;
  width = w;
  height = h;

  // 64-bit so that huge sizes fail cleanly instead of wrapping; `allocated` is 32-bit, so
  // anything beyond INT_MAX bytes is treated as an allocation failure.
  const long long span = ((long long)w + alignMask) & ~(long long)alignMask;
  const bool tooLarge = h > 0 && span > (long long)(INT_MAX - 63) / 4 / h;
  const long long bytes = tooLarge ? 0 : (long long)h * span * 4;

  if (bytes <= 0 || tooLarge) {
    std::free(storage);
    storage = nullptr;
    allocated = 0;
  } else if (!storage) {
    allocated = (int)bytes;
    storage = (unsigned char*)std::malloc((size_t)bytes + 63);
  } else if (allocated < bytes) {
    long long grown = bytes + bytes / 4;
    if (grown > INT_MAX - 63)
      grown = bytes;
    void* moved = std::realloc(storage, (size_t)grown + 63);
    if (moved) {
      storage = (unsigned char*)moved;
      allocated = (int)grown;
    } else {
      std::free(storage);
      allocated = (int)bytes;
      storage = (unsigned char*)std::malloc((size_t)bytes + 63);
    }
  }
  // else: the storage is large enough and stays.

  if (!storage) {
    allocated = 0;
    width = 0;
    height = 0;
  }
  return true;
}
