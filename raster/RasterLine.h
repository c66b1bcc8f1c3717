#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Straight lines in one colour. y = 0 is the top row on flipped bitmaps too. The mode's low
// byte picks copy, add, dodge, multiply, soft light or HSV adjust; other values, an opacity of
// 0 and a null bitmap draw nothing. Everything is clipped to the bitmap. Any thread that owns
// the bitmap may call these.

// Both end pixels included. Anti-aliasing applies to sloped lines only.
void RasterLine(RasterBitmap* bitmap, int x1, int y1, int x2, int y2, RasterPixel colour, float alpha,
                int mode, bool antiAlias);

// Without anti-aliasing: RasterLine on the truncated end points. With it: a pair of weighted
// pixels straddles the exact line at each step along the longer axis.
void RasterLineF(RasterBitmap* bitmap, float x1, float y1, float x2, float y2, RasterPixel colour,
                 float alpha, int mode, bool antiAlias);

// Horizontal and vertical lines only, from the first end up to but not including the second:
// onCount pixels drawn, offCount skipped, starting with a dash.
void RasterDashedLine(RasterBitmap* bitmap, int x1, int y1, int x2, int y2, int onCount, int offCount,
                      RasterPixel colour, float alpha, int mode);

// The four edges (x, y)-(x + w, y + h), corners drawn by both of their lines.
void RasterRectOutline(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixel colour, float alpha,
                       int mode);

// RasterFillRect of the inside (x + 1, y + 1, w - 1, h - 1), then the outline.
void RasterBorderedRect(RasterBitmap* bitmap, int x, int y, int w, int h, RasterPixel fillColour,
                        RasterPixel borderColour, float alpha, int mode);
