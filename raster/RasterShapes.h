#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterCombine.h"

// Filled polygons, circles, arcs and rounded rectangles in one colour. y = 0 is the top row on
// flipped bitmaps too. The mode's low byte picks copy, add, dodge, multiply, soft light or HSV
// adjust; other values, an opacity of 0 and a null bitmap draw nothing. Everything is clipped
// to the bitmap. Any thread that owns the bitmap may call these.

// Fills the rows y1..y2 between a span (x1a..x1b) on row y1 and a span (x2a..x2b) on row y2,
// the edges moving linearly in between; spans include both ends.
void RasterFillTrapezoid(RasterBitmap* bitmap, int x1a, int x1b, int y1, int x2a, int x2b, int y2,
                         RasterPixel colour, float alpha, int mode);

// RasterFillConvexPolygon of the three points.
void RasterFillTriangle(RasterBitmap* bitmap, int x1, int y1, int x2, int y2, int x3, int y3, RasterPixel colour,
                        float alpha, int mode);

// Fills a convex polygon given by count points (x[i], y[i]); fewer than 3 points or all on
// one row draw nothing.
void RasterFillConvexPolygon(RasterBitmap* bitmap, const int* x, const int* y, int count, RasterPixel colour,
                             float alpha, int mode);

// Circle outline; radii 1.5, 2, 2.5, 3, 3.5 and 4 come from fixed pixel masks.
void RasterCircle(RasterBitmap* bitmap, float cx, float cy, float radius, RasterPixel colour, float alpha, int mode,
                  bool antiAlias);

// Disc: the outline with the inside filled.
void RasterFillCircle(RasterBitmap* bitmap, float cx, float cy, float radius, RasterPixel colour, float alpha,
                      int mode, bool antiAlias);

// Part of the circle from startAngle to endAngle, in radians, 0 pointing up and growing
// clockwise: the point at angle a is (cx + r sin a, cy - r cos a).
void RasterArc(RasterBitmap* bitmap, float cx, float cy, float radius, float startAngle, float endAngle,
               RasterPixel colour, float alpha, int mode, bool antiAlias);

// Rectangle outline (x, y)-(x + w, y + h) with quarter-circle corners; corner radii below 2
// give square corners.
void RasterRoundRect(RasterBitmap* bitmap, float x, float y, float w, float h, float cornerRadius,
                     RasterPixel colour, float alpha, int mode, bool antiAlias);
