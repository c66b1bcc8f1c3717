#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Painting without a source bitmap, and single-pixel access. Each does nothing for a null
// bitmap, null bits or an empty clipped area. The caller owns the bitmap during the call.

// Fills the clipped rectangle with the colour under the mode. With RasterModeUseSourceAlpha
// the opacity is first scaled by the colour's alpha. In the formulas the factor itself stands
// in for the colour's alpha byte.
void RasterFillRect(RasterBitmap* bitmap, int x, int y, int width, int height, RasterPixel colour,
                    float opacity, int mode);

// Sets every pixel of the bitmap (not the padding beyond the width) to the colour.
void RasterClear(RasterBitmap* bitmap, RasterPixel colour);

// Writes a blurred copy of the source rectangle to dest at (dstX, dstY); dest may be src.
void RasterBlur(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY,
                int srcWidth, int srcHeight);

// Combines one pixel with the colour (its own alpha included).
void RasterPutPixel(RasterBitmap* bitmap, int x, int y, RasterPixel colour, float opacity, int mode);

// The pixel at (x, y), or 0 outside the bitmap.
RasterPixel RasterGetPixel(RasterBitmap* bitmap, int x, int y);
