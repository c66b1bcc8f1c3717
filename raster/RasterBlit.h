#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Same-size blit: combines the source rectangle srcRect (left, top, right, bottom; right and
// bottom exclusive; null for the whole source) with dest at (dstX, dstY) under the mode and
// opacity. Clipped to both bitmaps; a null bitmap, null bits, an empty area, an opacity of 0
// or not a number draw nothing. Overlapping areas of one bitmap are handled as if the source
// had been copied first.
void RasterBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, const int* srcRect,
                float opacity, int mode);

// RasterBlit of the rectangle (srcX, srcY, srcX + srcWidth, srcY + srcHeight).
void RasterBlitRect(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY,
                    int srcWidth, int srcHeight, float opacity, int mode);

// Resizes dest to the source's size and copies the whole source into it.
void RasterCopy(RasterBitmap* dest, RasterBitmap* src);
