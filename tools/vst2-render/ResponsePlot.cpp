#include "tools/vst2-render/ResponsePlot.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/RasterCachedFont.h"
#include "raster/RasterLine.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterSysFont.h"

namespace vrender {

namespace {

// The plot area inside the picture; labels, title and legend sit around it.
constexpr int kLeft = 72, kRight = 968, kTop = 76, kBottom = 536;
constexpr double kLowestHz = 20.0;

constexpr RasterPixel kBackground = 0xFFFFFFFF;
constexpr RasterPixel kFrame = 0xFF404040;
constexpr RasterPixel kText = 0xFF202020;
constexpr RasterPixel kFaintText = 0xFF707070;
constexpr RasterPixel kDecadeLine = 0xFFB4B4B4;
constexpr RasterPixel kOctaveLine = 0xFFD8D8D8;
constexpr RasterPixel kLevelLine = 0xFFE2E2E2;
constexpr RasterPixel kZeroLine = 0xFF9A9A9A;

// One font, measured and drawn through the raster library's glyph cache only, so that
// both builds draw the text the same way.
class Text {
 public:
  Text(int pixels, int weight, RasterPixel colour) {
    font.SetFont(RasterCreateFont("Arial", -pixels, weight, false), RasterFontOwnsHandle);
    font.SetColor(colour);
  }
  int Width(const std::string& text) {
    int rect[4] = {0, 0, 0, 0};
    font.DrawTextInRect(nullptr, text.c_str(), -1, rect, RasterTextCalcRect | RasterTextSingleLine | RasterTextCachedOnly);
    return rect[2] - rect[0];
  }
  // 'align' takes RasterTextCenter or RasterTextRight; (x, y) is the left, centre or right
  // end of the line's vertical middle.
  void Draw(RasterBitmap* bitmap, const std::string& text, int x, int y, unsigned align = 0) {
    const int half = 40, reach = 4000;
    int rect[4] = {x, y - half, x + reach, y + half};
    if (align & RasterTextCenter) {
      rect[0] = x - reach;
      rect[2] = x + reach;
    } else if (align & RasterTextRight) {
      rect[0] = x - reach;
      rect[2] = x;
    }
    font.DrawTextInRect(bitmap, text.c_str(), -1, rect,
                        align | RasterTextVCenter | RasterTextSingleLine | RasterTextNoClip | RasterTextCachedOnly);
  }

 private:
  RasterCachedFont font;
};

double XOf(double hz, double highestHz) {
  return kLeft + (kRight - kLeft) * std::log(hz / kLowestHz) / std::log(highestHz / kLowestHz);
}

double YOf(double db, const PlotScale& scale) {
  return kTop + (kBottom - kTop) * (scale.topDb - db) / (scale.topDb - scale.bottomDb);
}

std::string HzLabel(double hz) {
  char text[32];
  if (hz >= 1000.0) {
    const double k = hz / 1000.0;
    std::snprintf(text, sizeof text, k == std::floor(k) ? "%.0fk" : "%.4gk", k);
  } else {
    std::snprintf(text, sizeof text, hz == std::floor(hz) ? "%.0f" : "%.3g", hz);
  }
  return text;
}

std::string DbLabel(double db) {
  char text[32];
  std::snprintf(text, sizeof text, db > 0 ? "+%g" : "%g", db == 0 ? 0.0 : db);
  return text;
}

// Frequency-axis labels: the ends and decades first, then octaves where they fit.
struct AxisLabel {
  double x;
  std::string text;
  bool strong;
};

void PlaceFrequencyLabels(RasterBitmap* bitmap, Text& strong, Text& faint, const std::vector<AxisLabel>& wanted) {
  std::vector<std::pair<double, double>> taken;  // occupied x ranges
  for (const AxisLabel& label : wanted) {
    Text& font = label.strong ? strong : faint;
    const double half = font.Width(label.text) * 0.5 + 4.0;
    double centre = label.x;
    centre = std::max(centre, kLeft - 12.0 + half);  // the ends stay near the frame
    centre = std::min(centre, kRight + 12.0 - half);
    bool clear = true;
    for (const auto& range : taken) clear = clear && (centre + half <= range.first || centre - half >= range.second);
    if (!clear) continue;
    taken.emplace_back(centre - half, centre + half);
    font.Draw(bitmap, label.text, static_cast<int>(std::lround(centre)), kBottom + 14, RasterTextCenter);
  }
}

void DrawGrid(RasterBitmap* bitmap, const PlotContent& content, const PlotScale& scale) {
  const double high = content.highestHz;
  // Octaves around 1 kHz (their nominal names), decades, and the two ends.
  static const struct {
    double hz;
    const char* name;
  } kOctaves[] = {{31.25, "31.5"}, {62.5, "63"}, {125, "125"}, {250, "250"}, {500, "500"}, {1000, "1k"},
                  {2000, "2k"},    {4000, "4k"}, {8000, "8k"},  {16000, "16k"}, {32000, "32k"}, {64000, "64k"},
                  {128000, "128k"}, {256000, "256k"}, {512000, "512k"}};
  std::vector<AxisLabel> labels = {{XOf(kLowestHz, high), "20", true}, {XOf(high, high), HzLabel(high), true}};
  for (double decade = 100.0; decade < high; decade *= 10.0) {
    const int x = static_cast<int>(std::lround(XOf(decade, high)));
    RasterLine(bitmap, x, kTop, x, kBottom, kDecadeLine, 1.0f, RasterModeCopy, false);
    labels.push_back({XOf(decade, high), HzLabel(decade), true});
  }
  for (const auto& octave : kOctaves) {
    if (octave.hz <= kLowestHz || octave.hz >= high) continue;
    const int x = static_cast<int>(std::lround(XOf(octave.hz, high)));
    if (std::fmod(std::log10(octave.hz), 1.0) != 0.0)
      RasterDashedLine(bitmap, x, kTop, x, kBottom, 3, 3, kOctaveLine, 1.0f, RasterModeCopy);
    labels.push_back({XOf(octave.hz, high), octave.name, false});
  }
  for (double db = scale.topDb; db >= scale.bottomDb - 1e-9; db -= scale.stepDb) {
    const int y = static_cast<int>(std::lround(YOf(db, scale)));
    RasterLine(bitmap, kLeft, y, kRight, y, std::fabs(db) < 1e-9 ? kZeroLine : kLevelLine, 1.0f, RasterModeCopy, false);
  }

  Text strong(12, 400, kText), faint(11, 400, kFaintText);
  PlaceFrequencyLabels(bitmap, strong, faint, labels);
  strong.Draw(bitmap, "Frequency (Hz)", (kLeft + kRight) / 2, kBottom + 36, RasterTextCenter);
  for (double db = scale.topDb; db >= scale.bottomDb - 1e-9; db -= scale.stepDb)
    strong.Draw(bitmap, DbLabel(std::round(db * 100.0) / 100.0), kLeft - 8, static_cast<int>(std::lround(YOf(db, scale))),
                RasterTextRight);
  strong.Draw(bitmap, "dB", kLeft - 8, kTop - 24, RasterTextRight);
}

// One segment of a curve, cut to the plot area's rows.
void DrawSegment(RasterBitmap* bitmap, double x1, double y1, double x2, double y2, RasterPixel colour) {
  double t0 = 0.0, t1 = 1.0;
  const double dy = y2 - y1;
  for (const double edge : {static_cast<double>(kTop), static_cast<double>(kBottom)}) {
    const bool upper = edge == kTop;
    if (dy == 0.0) {
      if (upper ? y1 < edge : y1 > edge) return;
      continue;
    }
    const double t = (edge - y1) / dy;
    const bool entering = upper ? dy > 0 : dy < 0;
    if (entering) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
  }
  if (t0 > t1) return;
  const double ax = x1 + (x2 - x1) * t0, ay = y1 + dy * t0;
  const double bx = x1 + (x2 - x1) * t1, by = y1 + dy * t1;
  // Two anti-aliased passes half a pixel apart give a line about 1.5 pixels wide.
  RasterLineF(bitmap, static_cast<float>(ax), static_cast<float>(ay), static_cast<float>(bx), static_cast<float>(by),
              colour, 1.0f, RasterModeCopy, true);
  RasterLineF(bitmap, static_cast<float>(ax), static_cast<float>(ay + 0.5), static_cast<float>(bx),
              static_cast<float>(by + 0.5), colour, 1.0f, RasterModeCopy, true);
}

void DrawCurve(RasterBitmap* bitmap, const PlotContent& content, const PlotScale& scale, const PlotCurve& curve,
               RasterPixel colour) {
  // Levels below the plot are held just beyond its bottom, so a curve that dives out of
  // the range is seen going down rather than stopping.
  const double deepest = scale.bottomDb - scale.stepDb;
  for (size_t i = 0; i + 1 < curve.levelDb.size() && i + 1 < content.frequencies.size(); ++i) {
    const double a = curve.levelDb[i], b = curve.levelDb[i + 1];
    if (std::isnan(a) || std::isnan(b) || a == HUGE_VAL || b == HUGE_VAL) continue;
    if (a < deepest && b < deepest) continue;
    DrawSegment(bitmap, XOf(content.frequencies[i], content.highestHz), YOf(std::max(a, deepest), scale),
                XOf(content.frequencies[i + 1], content.highestHz), YOf(std::max(b, deepest), scale), colour);
  }
}

// Curves that agree everywhere (a symmetric effect's L → L and R → R) share one colour and
// one legend entry, since the later one would hide the earlier.
bool SameCurve(const PlotCurve& a, const PlotCurve& b) {
  if (a.levelDb.size() != b.levelDb.size()) return false;
  for (size_t i = 0; i < a.levelDb.size(); ++i) {
    const double x = a.levelDb[i], y = b.levelDb[i];
    if (std::isnan(x) != std::isnan(y)) return false;
    if (std::isnan(x) || x == y) continue;
    if (!(std::fabs(x - y) < 0.005)) return false;
  }
  return true;
}

bool Drawable(const PlotCurve& curve) {
  for (double v : curve.levelDb)
    if (std::isfinite(v)) return true;
  return false;
}

bool Silent(const PlotCurve& curve) {
  for (double v : curve.levelDb)
    if (!(v == -HUGE_VAL)) return false;
  return !curve.levelDb.empty();
}

}  // namespace

PlotScale ChoosePlotScale(const std::vector<PlotCurve>& curves) {
  double high = -HUGE_VAL, low = HUGE_VAL;
  for (const PlotCurve& c : curves)
    for (double v : c.levelDb)
      if (std::isfinite(v)) {
        high = std::max(high, v);
        low = std::min(low, v);
      }
  PlotScale scale;
  if (!(high >= low)) return scale;  // nothing finite: the default frame
  low = std::max(low, high - 120.0);
  if (high - low < 12.0) {
    const double middle = (high + low) * 0.5;
    high = middle + 6.0;
    low = middle - 6.0;
  }
  static const double kSteps[] = {1, 2, 3, 6, 10, 20};
  scale.stepDb = 20.0;
  for (double step : kSteps)
    if ((high - low) / step <= 10.0) {
      scale.stepDb = step;
      break;
    }
  // A little room above the loudest curve and below the quietest one.
  scale.topDb = std::ceil((high + scale.stepDb * 0.25) / scale.stepDb) * scale.stepDb;
  scale.bottomDb = std::floor((low - scale.stepDb * 0.25) / scale.stepDb) * scale.stepDb;
  return scale;
}

uint32_t PlotCurveColour(size_t index) {
  static const RasterPixel kColours[] = {0xFF1F77B4, 0xFFE8710A, 0xFF2CA02C, 0xFFD62728, 0xFF9467BD,
                                         0xFF8C564B, 0xFFE377C2, 0xFF7F7F7F, 0xFFBCBD22, 0xFF17BECF};
  return kColours[index % (sizeof kColours / sizeof kColours[0])];
}

std::unique_ptr<RasterMemBitmap> DrawResponsePlot(const PlotContent& content) {
  auto bitmap = std::make_unique<RasterMemBitmap>(kPlotWidth, kPlotHeight);
  RasterClear(bitmap.get(), kBackground);
  const PlotScale scale = ChoosePlotScale(content.curves);
  DrawGrid(bitmap.get(), content, scale);

  // Legend entries: each distinct curve once, with every pair it stands for.
  struct Entry {
    std::string label;
    RasterPixel colour;
    const PlotCurve* curve;
  };
  std::vector<Entry> entries;
  for (const PlotCurve& c : content.curves) {
    bool merged = false;
    for (Entry& e : entries)
      if (SameCurve(*e.curve, c)) {
        e.label += " = " + c.label;
        merged = true;
        break;
      }
    if (!merged) entries.push_back({c.label, PlotCurveColour(entries.size()), &c});
  }
  for (const Entry& e : entries) DrawCurve(bitmap.get(), content, scale, *e.curve, e.colour);
  RasterRectOutline(bitmap.get(), kLeft, kTop, kRight - kLeft, kBottom - kTop, kFrame, 1.0f, RasterModeCopy);

  Text title(16, 700, kText), legend(12, 400, kText);
  title.Draw(bitmap.get(), content.title, kLeft, 22);
  int x = kLeft;
  for (const Entry& e : entries) {
    std::string label = e.label;
    if (Silent(*e.curve)) label += " (silent)";
    else if (!Drawable(*e.curve)) label += " (no finite output)";
    RasterFillRect(bitmap.get(), x, 51, 22, 3, e.colour, 1.0f, RasterModeCopy);
    legend.Draw(bitmap.get(), label, x + 28, 52);
    x += 28 + legend.Width(label) + 24;
  }
  return bitmap;
}

bool EncodePng(RasterBitmap& bitmap, std::vector<unsigned char>& png) {
  const int width = bitmap.GetWidth(), height = bitmap.GetHeight();
  RasterPixel* bits = bitmap.GetBits();
  if (!bits || width <= 0 || height <= 0) return false;
  // Opaque pixels: three bytes each, in the blue, green, red order they are stored in.
  std::vector<unsigned char> rows(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const RasterPixel* row = RasterRowPointer(bits, height, bitmap.GetRowSpan(), bitmap.IsFlipped(), y);
    unsigned char* out = &rows[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x, out += 3) {
      out[0] = static_cast<unsigned char>(RasterPixelBlue(row[x]));
      out[1] = static_cast<unsigned char>(RasterPixelGreen(row[x]));
      out[2] = static_cast<unsigned char>(RasterPixelRed(row[x]));
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, rows.data(), width * 3, nullptr)) return false;
  png.resize(size);
  const bool ok = png_image_write_to_memory(&image, png.data(), &size, 0, rows.data(), width * 3, nullptr) != 0;
  png.resize(ok ? size : 0);
  png_image_free(&image);
  return ok;
}

}  // namespace vrender
