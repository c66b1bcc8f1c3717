#pragma once

#include <cstddef>
#include <cstdint>

// A 32-bit pixel 0xAARRGGBB; in memory the bytes are blue, green, red, alpha. Alpha is
// straight (not premultiplied); 255 is opaque.
using RasterPixel = uint32_t;

// Opaque handle of the Windows device context that draws into a bitmap. On Windows this is
// exactly HDC; elsewhere nothing ever makes one and it stays null.
struct HDC__;
using RasterDeviceContext = HDC__*;

inline int RasterPixelBlue(RasterPixel p) { return (int)(p & 0xFF); }
inline int RasterPixelGreen(RasterPixel p) { return (int)((p >> 8) & 0xFF); }
inline int RasterPixelRed(RasterPixel p) { return (int)((p >> 16) & 0xFF); }
inline int RasterPixelAlpha(RasterPixel p) { return (int)(p >> 24); }

// Packs components that are already 0..255; anything wider is cut to its low 8 bits.
inline RasterPixel RasterPackPixel(int red, int green, int blue, int alpha)
{
  return ((RasterPixel)(alpha & 0xFF) << 24) | ((RasterPixel)(red & 0xFF) << 16) |
         ((RasterPixel)(green & 0xFF) << 8) | (RasterPixel)(blue & 0xFF);
}

inline int RasterClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Holds each component within 0..255 first.
inline RasterPixel RasterPackPixelSat(int red, int green, int blue, int alpha)
{
  return RasterPackPixel(RasterClampByte(red), RasterClampByte(green), RasterClampByte(blue),
                         RasterClampByte(alpha));
}

// Abstract 32-bit bitmap. (0, 0) is the top-left pixel. GetBits is the first pixel of the row
// stored first; rows are GetRowSpan pixels apart, bottom-up when IsFlipped answers true.
// The slot order of the virtual operations is fixed.
class RasterBitmap
{
public:
  virtual ~RasterBitmap() {}
  virtual RasterPixel* GetBits() = 0;
  virtual int GetWidth() = 0;
  virtual int GetHeight() = 0;
  virtual int GetRowSpan() = 0;
  virtual bool IsFlipped() { return false; }
  virtual bool Resize(int width, int height) = 0;
  virtual RasterDeviceContext GetDeviceContext() { return nullptr; }
  // Reserved for extensions; nothing calls it.
  virtual intptr_t Extended(int, void*) { return 0; }
};

// The first pixel of row y (0 = top), honouring IsFlipped. The caller has checked that the
// bits are not null and that 0 <= y < height.
inline RasterPixel* RasterRowPointer(RasterPixel* bits, int height, int span, bool flipped, int y)
{
  const ptrdiff_t row = flipped ? (ptrdiff_t)height - 1 - y : (ptrdiff_t)y;
  return bits + row * (ptrdiff_t)span;
}

// Signed distance in pixels from one row to the next one down.
inline ptrdiff_t RasterRowStep(int span, bool flipped)
{
  return flipped ? -(ptrdiff_t)span : (ptrdiff_t)span;
}
