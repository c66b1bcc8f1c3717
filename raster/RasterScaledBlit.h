#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Drawing with a change of size, orientation or shape. The source is sampled in 16.16 fixed
// point; bits 8..15 of the mode pick the filter (0x100 bilinear, anything else nearest), the
// rest selects the combine operation as for RasterBlit. Calls that cannot draw do nothing:
// missing bitmaps, empty areas, an opacity of 0, positions or scales that are not finite.

enum : int {
  RasterModeFilterMask = 0xFF00,
  RasterModeFilterBilinear = 0x100,
};

// Draws the source rectangle (srcX, srcY, srcWidth, srcHeight) stretched over the destination
// rectangle. A negative destination width or height mirrors the image. Same-size requests
// (and bilinear ones on whole pixels) are handed to RasterBlit; a bilinear downscale by 1.7
// or more averages a 3x3 or 5x5 box of source pixels.
// any thread that owns both bitmaps
void RasterScaledBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth,
                      int dstHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                      float alpha, int mode);

// Draws the source rectangle turned by angle (radians) about its middle moved by
// (centreX, centreY), fitted to the destination rectangle. With clipToSource only pixels inside
// the source rectangle are read; otherwise the whole source bitmap.
// any thread that owns both bitmaps
void RasterRotatedBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth,
                       int dstHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                       float angle, bool clipToSource, float alpha, int mode, float centreX,
                       float centreY);

// Walks the source from (srcX, srcY) by explicit steps: (dsdx, dtdx) per destination pixel,
// (dsdy, dtdy) per destination row, and the per-pixel step itself grows by (dsdxdy, dtdxdy)
// every row (a bilinear warp). Source width and height only serve the source clip and the
// mirrored start of a negative destination size.
// any thread that owns both bitmaps
void RasterDeltaBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth,
                     int dstHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                     double dsdx, double dtdx, double dsdy, double dtdy, double dsdxdy,
                     double dtdxdy, bool clipToSource, float alpha, int mode);

// Warps the source over the destination rectangle by a grid of source positions: `grid` holds
// pointsPerRow x rows pairs (source x, source y), row after row, spread evenly over the
// destination rectangle; each cell is drawn as a bilinear warp of its four corners.
// any thread that owns both bitmaps
void RasterGridWarpBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstWidth,
                        int dstHeight, const float* grid, int pointsPerRow, int rows, float alpha,
                        int mode);
