#pragma once

// Span filling shared by the polygon and curve drawers, in memory rows (the callers convert y
// for flipped bitmaps). Internal to the raster library.

#include "raster/RasterShapePen.h"

// Rows y1..y2 (y2 only when includeLastRow) between the spans x1a..x1b and x2a..x2b, the edges
// stepping in 16.16 fixed point.
void RasterShapeFillTrapezoidRows(const RasterShapeView& v, const RasterShapePen& pen, long long x1a, long long x1b,
                                  long long y1, long long x2a, long long x2b, long long y2, bool includeLastRow);

// Convex polygon of count points (count >= 3).
void RasterShapeFillPolygon(const RasterShapeView& v, const RasterShapePen& pen, const long long* xs,
                            const long long* ys, int count);
