#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Bezier curves drawn as chains of RasterLineF segments about segmentLength pixels long (1 when
// not positive), limited to the part of the curve that lies over the bitmap's columns. y = 0 is
// the top row on flipped bitmaps too. Any thread that owns the bitmap may call these.

// Quadratic curve from (x0, y0) to (x1, y1) with control point (cx, cy).
void RasterQuadBezier(RasterBitmap* bitmap, float x0, float y0, float cx, float cy, float x1, float y1,
                      RasterPixel colour, float alpha, int mode, bool antiAlias, float segmentLength);

// Cubic curve from (x0, y0) to (x3, y3) with control points (x1, y1) and (x2, y2).
void RasterCubicBezier(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                       float y3, RasterPixel colour, float alpha, int mode, bool antiAlias, float segmentLength);

// Fills the area between the cubic curve and the row baseRow.
void RasterFillCubicBezierToY(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2,
                              float x3, float y3, int baseRow, RasterPixel colour, float alpha, int mode,
                              float segmentLength);

// Fills the area between the cubic curve and the column baseColumn.
void RasterFillCubicBezierToX(RasterBitmap* bitmap, float x0, float y0, float x1, float y1, float x2, float y2,
                              float x3, float y3, int baseColumn, RasterPixel colour, float alpha, int mode,
                              float segmentLength);
