// The frequency-response picture: level against log frequency, one anti-aliased curve per
// input -> output pair, drawn with the raster library and written as PNG through libpng.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "raster/RasterMemBitmap.h"

namespace vrender {

struct PlotCurve {
  std::string label;           // legend text, UTF-8
  std::vector<double> levelDb; // one per frequency; non-finite values leave a gap
};

struct PlotContent {
  std::string title;  // UTF-8, one line
  std::vector<double> frequencies;
  std::vector<PlotCurve> curves;
  double highestHz = 22050.0;  // right edge of the frequency axis
};

constexpr int kPlotWidth = 1000;
constexpr int kPlotHeight = 600;

// The level range shown: whole grid steps around the finite levels of every curve, at
// least 12 dB and at most 120 dB tall (deeper levels are cut off at the bottom).
struct PlotScale {
  double bottomDb = -60.0;
  double topDb = 6.0;
  double stepDb = 6.0;
};
PlotScale ChoosePlotScale(const std::vector<PlotCurve>& curves);

// Draws the whole picture into a new kPlotWidth x kPlotHeight bitmap. The caller's thread
// must be the only one drawing text at the time (the font cache is process-wide).
std::unique_ptr<RasterMemBitmap> DrawResponsePlot(const PlotContent& content);

// Colour of the n-th curve (0xAARRGGBB, opaque).
uint32_t PlotCurveColour(size_t index);

// The bitmap as an 8-bit RGB PNG file in memory; false if libpng refuses.
bool EncodePng(RasterBitmap& bitmap, std::vector<unsigned char>& png);

}  // namespace vrender
