#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Further whole-bitmap and rectangle operations. Each clips its rectangle to the bitmap and
// does nothing for a null bitmap, null bits or an empty area.

// Every byte becomes (offset * 256 + scale * 256 * value) >> 8, each float * 256 truncated
// first, held within 0..255; scales and offsets in the order red, green, blue, alpha.
void RasterScaleOffsetRect(RasterBitmap* bitmap, int x, int y, int width, int height,
                           float scaleRed, float scaleGreen, float scaleBlue, float scaleAlpha,
                           float offsetRed, float offsetGreen, float offsetBlue, float offsetAlpha);

using RasterPixelVisitor = void (*)(RasterPixel* pixel, void* userData);
// Calls the visitor with each pixel of the rectangle, row by row from the top.
void RasterVisitRect(RasterBitmap* bitmap, int x, int y, int width, int height,
                     RasterPixelVisitor visitor, void* userData);

// Every pixel becomes (pixel & andMask) | orValue.
void RasterMaskRect(RasterBitmap* bitmap, int x, int y, int width, int height, RasterPixel orValue,
                    RasterPixel andMask);

// Pixels whose low 24 bits equal the key get alpha 0, all others alpha 255.
void RasterKeyColorToAlpha(RasterBitmap* bitmap, RasterPixel key);

// From (x, y), fills the 4-connected region of pixels whose (pixel & compareMask) equals the
// seed's, writing colour | (pixel & keepMask). Each pixel is filled at most once.
void RasterFloodFill(RasterBitmap* bitmap, int x, int y, RasterPixel colour, RasterPixel compareMask,
                     RasterPixel keepMask);

// Each destination pixel becomes the per-byte average of a 2 x 2 source block (rounded to
// nearest), over half the source's size or the destination's size if smaller.
void RasterDownsampleHalf(RasterBitmap* dest, RasterBitmap* src);

// 0 for equal bitmaps; otherwise the difference of the widths, else of the heights, else 1,
// and then, when rect is given, the rectangle (left, top, right, bottom; exclusive) that
// encloses the differing pixels.
int RasterCompareBitmaps(RasterBitmap* a, RasterBitmap* b, int* rect);

// Fills with a colour that changes linearly across the rectangle: components are 0..1 at its
// top-left corner plus their steps per column and per row, each taken to 0..255 and combined
// with the pixel by the mode at full strength (RasterCombinePixel, factor 256).
void RasterGradientFill(RasterBitmap* bitmap, int x, int y, int width, int height,
                        float red, float green, float blue, float alpha,
                        float redPerColumn, float greenPerColumn, float bluePerColumn, float alphaPerColumn,
                        float redPerRow, float greenPerRow, float bluePerRow, float alphaPerRow, int mode);

// Draws a mask of one coverage byte per pixel (rows maskWidth bytes apart) at (x, y). Each
// pixel whose coverage v is not 0 is combined with the colour, alpha included, by the mode's
// low byte 0..5 at the factor f * v / 256 (copy only for a positive f).
void RasterDrawCoverageMask(RasterBitmap* bitmap, int x, int y, RasterPixel colour, const unsigned char* mask,
                            int maskWidth, int maskHeight, float opacity, int mode);
