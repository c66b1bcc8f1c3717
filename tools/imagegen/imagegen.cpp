// Draws the editor's five images with Cairo and writes them as 8-bit RGB or RGBA PNGs.
// Usage: voss_imagegen <output folder>
//
// Everything is computed from constants here (the texture noise comes from a fixed-seed
// generator), so running the tool again gives the same files. The layout follows the
// panel's controls: knob image at (222, 30) 124 x 124 with its value text at
// (231, 151, 336, 168), "Type" switch at (20, 63) 40 x 58, "Power" switch at (20, 147)
// 36 x 30.

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kFace = "Liberation Sans";

constexpr int kPanelWidth = 368;
constexpr int kPanelHeight = 240;
constexpr int kKnobSize = 124;
constexpr int kKnobFrames = 101;
constexpr int kKnobLeft = 222, kKnobTop = 30;
constexpr int kSwitchWidth = 40, kSwitchHeight = 58;
constexpr int kPowerWidth = 36, kPowerHeight = 30;
constexpr int kTypeLeft = 20, kTypeTop = 63;
constexpr int kPowerLeft = 20, kPowerTop = 147;

// The knob's travel: 270 degrees, from lower left (minimum) to lower right (maximum).
constexpr double kSweepStart = 0.75 * kPi;
constexpr double kSweep = 1.5 * kPi;

struct Rgb {
  double r, g, b;
};
constexpr Rgb kAccent{0.96, 0.62, 0.22};  // amber, the product's one accent colour
constexpr Rgb kLegend{0.80, 0.81, 0.83};
constexpr Rgb kDimLegend{0.52, 0.54, 0.57};

// Fixed-seed generator for the panel texture.
struct Lcg {
  uint32_t state = 0x9E3779B9u;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  }
};

void SetRgb(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 1.5 * kPi);
  cairo_close_path(cr);
}

// Text with optional letter spacing; anchor 0 left, 1 centre, 2 right at x, baseline y.
void Text(cairo_t* cr, const char* text, double x, double y, double size, bool bold,
          int anchor, double tracking = 0.0) {
  cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  double width = 0;
  std::string s(text);
  for (size_t i = 0; i < s.size(); ++i) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.substr(i, 1).c_str(), &e);
    width += e.x_advance + (i + 1 < s.size() ? tracking : 0.0);
  }
  double pen = anchor == 0 ? x : anchor == 1 ? x - width / 2 : x - width;
  for (size_t i = 0; i < s.size(); ++i) {
    cairo_text_extents_t e;
    std::string ch = s.substr(i, 1);
    cairo_text_extents(cr, ch.c_str(), &e);
    cairo_move_to(cr, pen, y);
    cairo_show_text(cr, ch.c_str());
    pen += e.x_advance + tracking;
  }
  cairo_new_path(cr);  // show_text leaves a current point that the next arc would join
}

// Legend text engraved into the panel: a dark line above, a faint light line below.
void EngravedText(cairo_t* cr, const char* text, double x, double y, double size, bool bold,
                  int anchor, double tracking, Rgb colour) {
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  Text(cr, text, x, y - 1, size, bold, anchor, tracking);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
  Text(cr, text, x, y + 1, size, bold, anchor, tracking);
  SetRgb(cr, colour);
  Text(cr, text, x, y, size, bold, anchor, tracking);
}

void Screw(cairo_t* cr, double cx, double cy, double angle) {
  cairo_new_path(cr);
  cairo_pattern_t* p = cairo_pattern_create_radial(cx - 1.2, cy - 1.2, 0.5, cx, cy, 4.5);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.62, 0.63, 0.65);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.22, 0.23, 0.25);
  cairo_arc(cr, cx, cy, 4.0, 0, 2 * kPi);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1.2);
  cairo_set_source_rgba(cr, 0.08, 0.08, 0.09, 0.9);
  double dx = std::cos(angle) * 3.0, dy = std::sin(angle) * 3.0;
  cairo_move_to(cr, cx - dx, cy - dy);
  cairo_line_to(cr, cx + dx, cy + dy);
  cairo_stroke(cr);
}

// A recessed well: darker inside, shadow on the upper edge, light on the lower edge.
void Recess(cairo_t* cr, double x, double y, double w, double h, double r, double depth) {
  RoundedRect(cr, x, y, w, h, r);
  cairo_set_source_rgba(cr, 0, 0, 0, depth);
  cairo_fill(cr);
  RoundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, r);
  cairo_pattern_t* edge = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgba(edge, 0, 0, 0, 0, 0.75);
  cairo_pattern_add_color_stop_rgba(edge, 1, 1, 1, 1, 0.10);
  cairo_set_source(cr, edge);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  cairo_pattern_destroy(edge);
}

bool Write(cairo_surface_t* surface, const std::string& dir, const char* name) {
  std::string path = dir + "/" + name;
  cairo_surface_flush(surface);
  cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "voss_imagegen: cannot write %s: %s\n", path.c_str(),
                 cairo_status_to_string(status));
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- background

void DrawPanelBase(cairo_t* cr) {
  // Dark anodised face with a soft top light.
  cairo_pattern_t* face = cairo_pattern_create_linear(0, 0, 0, kPanelHeight);
  cairo_pattern_add_color_stop_rgb(face, 0.0, 0.180, 0.188, 0.200);
  cairo_pattern_add_color_stop_rgb(face, 0.55, 0.130, 0.136, 0.146);
  cairo_pattern_add_color_stop_rgb(face, 1.0, 0.095, 0.099, 0.107);
  cairo_rectangle(cr, 0, 0, kPanelWidth, kPanelHeight);
  cairo_set_source(cr, face);
  cairo_fill(cr);
  cairo_pattern_destroy(face);

  // Fine horizontal brushing.
  Lcg rng;
  cairo_set_line_width(cr, 1.0);
  for (int y = 0; y < kPanelHeight; ++y) {
    for (int k = 0; k < 3; ++k) {
      double x0 = rng.Next() * kPanelWidth - 40;
      double len = 30 + rng.Next() * 140;
      double a = 0.012 + rng.Next() * 0.025;
      bool light = rng.Next() < 0.5;
      cairo_set_source_rgba(cr, light ? 1 : 0, light ? 1 : 0, light ? 1 : 0, a);
      cairo_move_to(cr, x0, y + 0.5);
      cairo_line_to(cr, x0 + len, y + 0.5);
      cairo_stroke(cr);
    }
  }

  // Vignette toward the edges.
  cairo_pattern_t* vignette = cairo_pattern_create_radial(
      kPanelWidth / 2.0, kPanelHeight * 0.35, 40, kPanelWidth / 2.0, kPanelHeight * 0.45, 260);
  cairo_pattern_add_color_stop_rgba(vignette, 0, 0, 0, 0, 0);
  cairo_pattern_add_color_stop_rgba(vignette, 1, 0, 0, 0, 0.35);
  cairo_rectangle(cr, 0, 0, kPanelWidth, kPanelHeight);
  cairo_set_source(cr, vignette);
  cairo_fill(cr);
  cairo_pattern_destroy(vignette);

  // Bevelled outer edge.
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
  cairo_move_to(cr, 0.5, kPanelHeight - 0.5);
  cairo_line_to(cr, 0.5, 0.5);
  cairo_line_to(cr, kPanelWidth - 0.5, 0.5);
  cairo_stroke(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_move_to(cr, kPanelWidth - 0.5, 0.5);
  cairo_line_to(cr, kPanelWidth - 0.5, kPanelHeight - 0.5);
  cairo_line_to(cr, 0.5, kPanelHeight - 0.5);
  cairo_stroke(cr);
}

void DrawKnobScale(cairo_t* cr) {
  const double cx = kKnobLeft + kKnobSize / 2.0, cy = kKnobTop + kKnobSize / 2.0;
  cairo_new_path(cr);
  // Shallow round recess the knob sits in.
  cairo_pattern_t* well = cairo_pattern_create_radial(cx, cy, 40, cx, cy, 60);
  cairo_pattern_add_color_stop_rgba(well, 0, 0, 0, 0, 0.45);
  cairo_pattern_add_color_stop_rgba(well, 0.8, 0, 0, 0, 0.18);
  cairo_pattern_add_color_stop_rgba(well, 1, 0, 0, 0, 0);
  cairo_arc(cr, cx, cy, 60, 0, 2 * kPi);
  cairo_set_source(cr, well);
  cairo_fill(cr);
  cairo_pattern_destroy(well);

  // Ticks every 10 %, longer at 0, 50 and 100, outside the value ring of the knob.
  for (int i = 0; i <= 10; ++i) {
    double a = kSweepStart + kSweep * i / 10.0;
    bool major = i == 0 || i == 5 || i == 10;
    double r0 = 57.5, r1 = major ? 62.0 : 60.5;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, major ? 1.6 : 1.1);
    SetRgb(cr, major ? kLegend : kDimLegend, major ? 0.9 : 0.7);
    cairo_move_to(cr, cx + std::cos(a) * r0, cy + std::sin(a) * r0);
    cairo_line_to(cr, cx + std::cos(a) * r1, cy + std::sin(a) * r1);
    cairo_stroke(cr);
  }
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  EngravedText(cr, "0", cx - 50, cy + 55, 8, false, 1, 0, kDimLegend);
  EngravedText(cr, "100", cx + 50, cy + 55, 8, false, 1, 0, kDimLegend);

  // The value readout window under the knob, where the value text is drawn.
  Recess(cr, 248, 150, 72, 19, 4, 0.55);
  EngravedText(cr, "AMOUNT", cx, 186, 9.5, true, 1, 1.6, kLegend);
}

void DrawTypeLegends(cairo_t* cr) {
  // Mounting plate behind the toggle.
  Recess(cr, kTypeLeft - 3, kTypeTop - 3, kSwitchWidth + 6, kSwitchHeight + 6, 6, 0.30);
  const double x = kTypeLeft + kSwitchWidth + 12;
  // Small leader lines from the switch's two positions to their legends.
  cairo_set_line_width(cr, 1.0);
  SetRgb(cr, kDimLegend, 0.6);
  cairo_move_to(cr, kTypeLeft + kSwitchWidth + 4, kTypeTop + 13.5);
  cairo_line_to(cr, x - 4, kTypeTop + 13.5);
  cairo_move_to(cr, kTypeLeft + kSwitchWidth + 4, kTypeTop + kSwitchHeight - 13.5);
  cairo_line_to(cr, x - 4, kTypeTop + kSwitchHeight - 13.5);
  cairo_stroke(cr);
  EngravedText(cr, "PROFESSIONAL", x, kTypeTop + 17, 9, true, 0, 1.0, kLegend);
  EngravedText(cr, "CONSUMER", x, kTypeTop + kSwitchHeight - 10, 9, true, 0, 1.0, kLegend);
  EngravedText(cr, "TYPE", x, kTypeTop + kSwitchHeight / 2.0 + 3.5, 8, false, 0, 1.6,
               kDimLegend);
}

void DrawPowerLegend(cairo_t* cr) {
  Recess(cr, kPowerLeft - 3, kPowerTop - 3, kPowerWidth + 6, kPowerHeight + 6, 5, 0.30);
  EngravedText(cr, "POWER", kPowerLeft + kPowerWidth + 16, kPowerTop + kPowerHeight / 2.0 + 3.5,
               9, true, 0, 1.6, kLegend);
}

void DrawBranding(cairo_t* cr) {
  // Product name, with the "2" in the accent colour.
  cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 23);
  cairo_text_extents_t e;
  cairo_text_extents(cr, "Vossamere", &e);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_move_to(cr, 20, 37);
  cairo_show_text(cr, "Vossamere2");
  cairo_set_source_rgb(cr, 0.90, 0.91, 0.92);
  cairo_move_to(cr, 20, 36);
  cairo_show_text(cr, "Vossamere");
  SetRgb(cr, kAccent);
  cairo_move_to(cr, 20 + e.x_advance, 36);
  cairo_show_text(cr, "2");
  cairo_new_path(cr);

  EngravedText(cr, "QUENMOOR AUDIOHOUSE", 21, 50, 7.5, false, 0, 1.55, kDimLegend);

  // Hairline that closes the heading off.
  cairo_pattern_t* rule = cairo_pattern_create_linear(20, 0, 200, 0);
  cairo_pattern_add_color_stop_rgba(rule, 0, kAccent.r, kAccent.g, kAccent.b, 0.8);
  cairo_pattern_add_color_stop_rgba(rule, 1, kAccent.r, kAccent.g, kAccent.b, 0.0);
  cairo_rectangle(cr, 20, 55, 180, 1);
  cairo_set_source(cr, rule);
  cairo_fill(cr);
  cairo_pattern_destroy(rule);

  // Foot of the panel: a thin rule and the function of the unit.
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_rectangle(cr, 14, 206, kPanelWidth - 28, 1);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
  cairo_rectangle(cr, 14, 207, kPanelWidth - 28, 1);
  cairo_fill(cr);
  EngravedText(cr, "STEREO CHANNEL BLEED", 20, 224, 7.5, false, 0, 1.5, kDimLegend);
  EngravedText(cr, "MODEL V2", kPanelWidth - 20, 224, 7.5, false, 2, 1.5, kDimLegend);
}

bool MakeBackground(const std::string& dir) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPanelWidth, kPanelHeight);
  cairo_t* cr = cairo_create(s);
  DrawPanelBase(cr);
  DrawBranding(cr);
  DrawKnobScale(cr);
  DrawTypeLegends(cr);
  DrawPowerLegend(cr);
  Screw(cr, 8, 8, 0.3);
  Screw(cr, kPanelWidth - 8, 8, 1.1);
  Screw(cr, 8, kPanelHeight - 8, 2.0);
  Screw(cr, kPanelWidth - 8, kPanelHeight - 8, 0.7);
  cairo_destroy(cr);
  bool ok = Write(s, dir, "background.png");
  cairo_surface_destroy(s);
  return ok;
}

// ---------------------------------------------------------------- knob

// One knob frame centred in a 124 x 124 cell at (0, top); value 0..1.
void DrawKnobFrame(cairo_t* cr, double top, double value) {
  const double cx = kKnobSize / 2.0, cy = top + kKnobSize / 2.0;
  const double ringR = 52.0, bodyR = 40.0;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, 0, top, kKnobSize, kKnobSize);
  cairo_clip(cr);

  // Value ring: dark track, then the lit part up to the value with a soft glow.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_width(cr, 5.0);
  cairo_set_source_rgba(cr, 0.02, 0.02, 0.025, 0.85);
  cairo_arc(cr, cx, cy, ringR, kSweepStart, kSweepStart + kSweep);
  cairo_stroke(cr);
  const double end = kSweepStart + kSweep * value;
  if (value > 0.0) {
    cairo_set_line_width(cr, 9.0);
    SetRgb(cr, kAccent, 0.16);
    cairo_arc(cr, cx, cy, ringR, kSweepStart, end);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 3.2);
    SetRgb(cr, kAccent, 1.0);
    cairo_arc(cr, cx, cy, ringR, kSweepStart, end);
    cairo_stroke(cr);
  }

  // Drop shadow under the body (light from the upper left).
  cairo_pattern_t* shadow = cairo_pattern_create_radial(cx + 3, cy + 5, bodyR - 6, cx + 3, cy + 5,
                                                        bodyR + 7);
  cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.75);
  cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
  cairo_arc(cr, cx + 3, cy + 5, bodyR + 7, 0, 2 * kPi);
  cairo_set_source(cr, shadow);
  cairo_fill(cr);
  cairo_pattern_destroy(shadow);

  // Knurled skirt: fine ridges that turn with the knob, shading that does not.
  cairo_pattern_t* skirt = cairo_pattern_create_linear(cx - bodyR, cy - bodyR, cx + bodyR,
                                                       cy + bodyR);
  cairo_pattern_add_color_stop_rgb(skirt, 0, 0.36, 0.37, 0.39);
  cairo_pattern_add_color_stop_rgb(skirt, 1, 0.07, 0.07, 0.08);
  cairo_arc(cr, cx, cy, bodyR, 0, 2 * kPi);
  cairo_set_source(cr, skirt);
  cairo_fill(cr);
  cairo_pattern_destroy(skirt);
  const double turn = kSweepStart + kSweep * value;
  const int ridges = 48;
  cairo_set_line_width(cr, 1.1);
  for (int i = 0; i < ridges; ++i) {
    double a = turn + 2 * kPi * i / ridges;
    // Ridges catch the light on the upper left side only.
    double lit = 0.5 + 0.5 * std::cos(a - 1.25 * kPi);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_move_to(cr, cx + std::cos(a) * (bodyR - 5.5), cy + std::sin(a) * (bodyR - 5.5));
    cairo_line_to(cr, cx + std::cos(a) * (bodyR - 0.6), cy + std::sin(a) * (bodyR - 0.6));
    cairo_stroke(cr);
    double b = a + kPi / ridges;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.04 + 0.12 * lit);
    cairo_move_to(cr, cx + std::cos(b) * (bodyR - 5.5), cy + std::sin(b) * (bodyR - 5.5));
    cairo_line_to(cr, cx + std::cos(b) * (bodyR - 0.6), cy + std::sin(b) * (bodyR - 0.6));
    cairo_stroke(cr);
  }
  cairo_arc(cr, cx, cy, bodyR - 0.5, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);

  // Cap: brushed aluminium face with a fixed highlight and a bevelled rim.
  const double capR = bodyR - 6.0;
  cairo_pattern_t* rim = cairo_pattern_create_linear(cx - capR, cy - capR, cx + capR, cy + capR);
  cairo_pattern_add_color_stop_rgb(rim, 0, 0.78, 0.79, 0.81);
  cairo_pattern_add_color_stop_rgb(rim, 1, 0.12, 0.12, 0.13);
  cairo_arc(cr, cx, cy, capR, 0, 2 * kPi);
  cairo_set_source(cr, rim);
  cairo_fill(cr);
  cairo_pattern_destroy(rim);

  cairo_pattern_t* cap = cairo_pattern_create_radial(cx - 10, cy - 12, 2, cx, cy, capR);
  cairo_pattern_add_color_stop_rgb(cap, 0, 0.50, 0.51, 0.53);
  cairo_pattern_add_color_stop_rgb(cap, 0.6, 0.30, 0.31, 0.33);
  cairo_pattern_add_color_stop_rgb(cap, 1, 0.20, 0.21, 0.22);
  cairo_arc(cr, cx, cy, capR - 1.6, 0, 2 * kPi);
  cairo_set_source(cr, cap);
  cairo_fill(cr);
  cairo_pattern_destroy(cap);

  // Concentric machining rings; round, so they look the same at every angle.
  cairo_set_line_width(cr, 0.6);
  for (double r = 3.0; r < capR - 2.0; r += 1.7) {
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.035);
    cairo_stroke(cr);
  }

  // Sheen: a broad soft highlight toward the light.
  cairo_pattern_t* sheen = cairo_pattern_create_linear(cx - capR, cy - capR, cx + capR * 0.3,
                                                       cy + capR * 0.3);
  cairo_pattern_add_color_stop_rgba(sheen, 0, 1, 1, 1, 0.22);
  cairo_pattern_add_color_stop_rgba(sheen, 1, 1, 1, 1, 0.0);
  cairo_arc(cr, cx, cy, capR - 1.6, 0, 2 * kPi);
  cairo_set_source(cr, sheen);
  cairo_fill(cr);
  cairo_pattern_destroy(sheen);

  // Pointer: an engraved line filled with the accent colour, from near the centre to the rim.
  const double ux = std::cos(turn), uy = std::sin(turn);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 4.2);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_move_to(cr, cx + ux * 14 + 0.6, cy + uy * 14 + 0.8);
  cairo_line_to(cr, cx + ux * (capR - 4) + 0.6, cy + uy * (capR - 4) + 0.8);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 2.8);
  SetRgb(cr, {0.98, 0.80, 0.52});
  cairo_move_to(cr, cx + ux * 14, cy + uy * 14);
  cairo_line_to(cr, cx + ux * (capR - 4), cy + uy * (capR - 4));
  cairo_stroke(cr);
  // Dot on the skirt continuing the pointer.
  cairo_arc(cr, cx + ux * (bodyR - 3.0), cy + uy * (bodyR - 3.0), 1.6, 0, 2 * kPi);
  SetRgb(cr, kAccent);
  cairo_fill(cr);
  cairo_restore(cr);
}

bool MakeKnob(const std::string& dir) {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kKnobSize, kKnobSize * kKnobFrames);
  cairo_t* cr = cairo_create(s);
  for (int i = 0; i < kKnobFrames; ++i)
    DrawKnobFrame(cr, i * kKnobSize, i / double(kKnobFrames - 1));
  cairo_destroy(cr);
  bool ok = Write(s, dir, "knob.png");
  cairo_surface_destroy(s);
  return ok;
}

// ---------------------------------------------------------------- switches

// A bat-handle toggle in a 40 x 58 cell; up (Professional, frame 1) or down (Consumer).
void DrawToggleFrame(cairo_t* cr, double top, bool up) {
  const double cx = kSwitchWidth / 2.0, cy = top + kSwitchHeight / 2.0;
  cairo_save(cr);
  cairo_rectangle(cr, 0, top, kSwitchWidth, kSwitchHeight);
  cairo_clip(cr);

  // Plate.
  RoundedRect(cr, 2, top + 2, kSwitchWidth - 4, kSwitchHeight - 4, 5);
  cairo_pattern_t* plate = cairo_pattern_create_linear(0, top, 0, top + kSwitchHeight);
  cairo_pattern_add_color_stop_rgb(plate, 0, 0.26, 0.27, 0.29);
  cairo_pattern_add_color_stop_rgb(plate, 1, 0.14, 0.145, 0.155);
  cairo_set_source(cr, plate);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(plate);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  RoundedRect(cr, 3, top + 3, kSwitchWidth - 6, kSwitchHeight - 6, 4);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
  cairo_stroke(cr);

  // Position marks: the active one lit.
  for (int i = 0; i < 2; ++i) {
    double my = i == 0 ? top + 13.5 : top + kSwitchHeight - 13.5;
    bool active = (i == 0) == up;
    cairo_arc(cr, kSwitchWidth - 7.5, my, 2.0, 0, 2 * kPi);
    if (active) {
      SetRgb(cr, kAccent);
      cairo_fill(cr);
      cairo_arc(cr, kSwitchWidth - 7.5, my, 4.0, 0, 2 * kPi);
      SetRgb(cr, kAccent, 0.25);
      cairo_fill(cr);
    } else {
      cairo_set_source_rgb(cr, 0.09, 0.09, 0.10);
      cairo_fill(cr);
    }
  }

  // Bushing nut.
  cairo_pattern_t* nut = cairo_pattern_create_radial(cx - 2, cy - 2, 1, cx, cy, 9);
  cairo_pattern_add_color_stop_rgb(nut, 0, 0.80, 0.81, 0.83);
  cairo_pattern_add_color_stop_rgb(nut, 1, 0.25, 0.26, 0.28);
  cairo_arc(cr, cx, cy, 8.5, 0, 2 * kPi);
  cairo_set_source(cr, nut);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(nut);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy, 4.2, 0, 2 * kPi);
  cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
  cairo_fill(cr);

  // Bat handle, foreshortened toward its tip.
  const double dir = up ? -1.0 : 1.0;
  const double tipY = cy + dir * 19.0;
  // Shadow cast down-right.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
  cairo_set_line_width(cr, 6.0);
  cairo_move_to(cr, cx + 2, cy + 3);
  cairo_line_to(cr, cx + 3, tipY + 3);
  cairo_stroke(cr);
  cairo_pattern_t* shaft = cairo_pattern_create_linear(cx - 3, 0, cx + 3, 0);
  cairo_pattern_add_color_stop_rgb(shaft, 0, 0.55, 0.56, 0.58);
  cairo_pattern_add_color_stop_rgb(shaft, 0.35, 0.95, 0.95, 0.96);
  cairo_pattern_add_color_stop_rgb(shaft, 1, 0.35, 0.36, 0.38);
  cairo_move_to(cr, cx - 2.6, cy);
  cairo_line_to(cr, cx - 3.6, tipY);
  cairo_line_to(cr, cx + 3.6, tipY);
  cairo_line_to(cr, cx + 2.6, cy);
  cairo_close_path(cr);
  cairo_set_source(cr, shaft);
  cairo_fill(cr);
  cairo_pattern_destroy(shaft);
  // Ball tip.
  cairo_pattern_t* ball = cairo_pattern_create_radial(cx - 1.8, tipY - 1.8, 0.5, cx, tipY, 5.2);
  cairo_pattern_add_color_stop_rgb(ball, 0, 1.0, 1.0, 1.0);
  cairo_pattern_add_color_stop_rgb(ball, 0.5, 0.72, 0.73, 0.75);
  cairo_pattern_add_color_stop_rgb(ball, 1, 0.28, 0.29, 0.31);
  cairo_arc(cr, cx, tipY, 5.0, 0, 2 * kPi);
  cairo_set_source(cr, ball);
  cairo_fill(cr);
  cairo_pattern_destroy(ball);
  cairo_restore(cr);
}

bool MakeSwitch(const std::string& dir) {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSwitchWidth, kSwitchHeight * 2);
  cairo_t* cr = cairo_create(s);
  DrawToggleFrame(cr, 0, true);
  DrawToggleFrame(cr, kSwitchHeight, false);
  cairo_destroy(cr);
  bool ok = Write(s, dir, "switch.png");
  cairo_surface_destroy(s);
  return ok;
}

// A square push button with an indicator lamp in a 36 x 30 cell; frame 1 off, frame 2 on.
void DrawPowerFrame(cairo_t* cr, double top, bool on) {
  cairo_save(cr);
  cairo_rectangle(cr, 0, top, kPowerWidth, kPowerHeight);
  cairo_clip(cr);
  const double press = on ? 1.0 : 0.0;

  // Bezel.
  RoundedRect(cr, 1, top + 1, kPowerWidth - 2, kPowerHeight - 2, 5);
  cairo_set_source_rgb(cr, 0.05, 0.05, 0.055);
  cairo_fill(cr);

  // Cap: raised when off, pressed in (darker, flatter) when on.
  RoundedRect(cr, 3 + press * 0.5, top + 3 + press, kPowerWidth - 6 - press, kPowerHeight - 6 - press,
              4);
  cairo_pattern_t* cap = cairo_pattern_create_linear(0, top + 3, 0, top + kPowerHeight - 3);
  if (on) {
    cairo_pattern_add_color_stop_rgb(cap, 0, 0.20, 0.21, 0.22);
    cairo_pattern_add_color_stop_rgb(cap, 1, 0.25, 0.26, 0.27);
  } else {
    cairo_pattern_add_color_stop_rgb(cap, 0, 0.40, 0.41, 0.43);
    cairo_pattern_add_color_stop_rgb(cap, 1, 0.20, 0.21, 0.22);
  }
  cairo_set_source(cr, cap);
  cairo_fill(cr);
  cairo_pattern_destroy(cap);
  RoundedRect(cr, 3.5 + press * 0.5, top + 3.5 + press, kPowerWidth - 7 - press,
              kPowerHeight - 7 - press, 3.5);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 1, 1, 1, on ? 0.05 : 0.14);
  cairo_stroke(cr);

  // Lamp with the power symbol.
  const double cx = kPowerWidth / 2.0 + press * 0.25, cy = top + kPowerHeight / 2.0 + press * 0.5;
  if (on) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 2, cx, cy, 13);
    cairo_pattern_add_color_stop_rgba(glow, 0, kAccent.r, kAccent.g, kAccent.b, 0.55);
    cairo_pattern_add_color_stop_rgba(glow, 1, kAccent.r, kAccent.g, kAccent.b, 0.0);
    cairo_arc(cr, cx, cy, 13, 0, 2 * kPi);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
  }
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 1.9);
  if (on)
    cairo_set_source_rgb(cr, 1.0, 0.86, 0.62);
  else
    cairo_set_source_rgb(cr, 0.11, 0.11, 0.12);
  cairo_arc(cr, cx, cy + 0.5, 6.0, -kPi / 2 + 0.75, -kPi / 2 - 0.75 + 2 * kPi);
  cairo_stroke(cr);
  cairo_move_to(cr, cx, cy - 7.0);
  cairo_line_to(cr, cx, cy + 0.5);
  cairo_stroke(cr);
  if (!on) {
    // Engraved look when dark: a faint light edge below the symbol.
    cairo_set_line_width(cr, 0.8);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_arc(cr, cx, cy + 1.4, 6.0, kPi / 6, 5 * kPi / 6);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

bool MakePower(const std::string& dir) {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPowerWidth, kPowerHeight * 2);
  cairo_t* cr = cairo_create(s);
  DrawPowerFrame(cr, 0, false);
  DrawPowerFrame(cr, kPowerHeight, true);
  cairo_destroy(cr);
  bool ok = Write(s, dir, "power.png");
  cairo_surface_destroy(s);
  return ok;
}

// ---------------------------------------------------------------- mono overlay

bool MakeMonoMode(const std::string& dir) {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPanelWidth, kPanelHeight);
  cairo_t* cr = cairo_create(s);
  // Dim the whole panel; the controls beneath stay faintly visible.
  cairo_set_source_rgba(cr, 0.02, 0.02, 0.025, 0.78);
  cairo_paint(cr);

  // Message card.
  const double w = 256, h = 112, x = (kPanelWidth - w) / 2, y = (kPanelHeight - h) / 2;
  RoundedRect(cr, x + 2, y + 4, w, h, 8);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_fill(cr);
  RoundedRect(cr, x, y, w, h, 8);
  cairo_pattern_t* card = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgba(card, 0, 0.17, 0.175, 0.19, 0.97);
  cairo_pattern_add_color_stop_rgba(card, 1, 0.11, 0.115, 0.125, 0.97);
  cairo_set_source(cr, card);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(card);
  SetRgb(cr, kAccent, 0.7);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);

  // Two linked channel circles: the stereo pair the effect needs.
  const double iy = y + 30;
  cairo_set_line_width(cr, 2.0);
  SetRgb(cr, kAccent);
  cairo_arc(cr, kPanelWidth / 2.0 - 8, iy, 10, 0, 2 * kPi);
  cairo_stroke(cr);
  cairo_arc(cr, kPanelWidth / 2.0 + 8, iy, 10, 0, 2 * kPi);
  cairo_stroke(cr);
  cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_source_rgb(cr, 0.92, 0.93, 0.94);
  Text(cr, "L", kPanelWidth / 2.0 - 11, iy + 3.5, 10, true, 1);
  Text(cr, "R", kPanelWidth / 2.0 + 11, iy + 3.5, 10, true, 1);

  cairo_set_source_rgb(cr, 0.94, 0.95, 0.96);
  Text(cr, "STEREO TRACK REQUIRED", kPanelWidth / 2.0, y + 64, 12.5, true, 1, 1.2);
  cairo_set_source_rgb(cr, 0.70, 0.72, 0.75);
  Text(cr, "Vossamere2 needs two channels to work.", kPanelWidth / 2.0, y + 83, 10, false, 1);
  Text(cr, "Insert it on a stereo track or bus.", kPanelWidth / 2.0, y + 97, 10, false, 1);
  cairo_destroy(cr);
  bool ok = Write(s, dir, "monomode.png");
  cairo_surface_destroy(s);
  return ok;
}

// ---------------------------------------------------------------- preview

// Composes the written images the way the editor shows them, with the knob at `knobFrame`
// (1-based), the switches in the given states and the readout text, for checking by eye.
void ComposePreview(cairo_t* cr, const std::string& dir, int knobFrame, bool consumer, bool on,
                    bool mono) {
  auto paint = [&](const char* name, double x, double y, double srcY, double w, double h) {
    cairo_surface_t* img = cairo_image_surface_create_from_png((dir + "/" + name).c_str());
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_set_source_surface(cr, img, x, y - srcY);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(img);
  };
  paint("background.png", 0, 0, 0, kPanelWidth, kPanelHeight);
  paint("knob.png", kKnobLeft, kKnobTop, (knobFrame - 1) * kKnobSize, kKnobSize, kKnobSize);
  paint("switch.png", kTypeLeft, kTypeTop, consumer ? kSwitchHeight : 0, kSwitchWidth,
        kSwitchHeight);
  paint("power.png", kPowerLeft, kPowerTop, on ? kPowerHeight : 0, kPowerWidth, kPowerHeight);
  char text[16];
  std::snprintf(text, sizeof text, "%d", knobFrame - 1);
  cairo_set_source_rgb(cr, 1, 1, 1);
  Text(cr, text, (231 + 336) / 2.0, 151 + 13, 16, false, 1);
  if (mono) paint("monomode.png", 0, 0, 0, kPanelWidth, kPanelHeight);
}

bool MakePreview(const std::string& dir, const std::string& out) {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPanelWidth * 2, kPanelHeight * 2);
  cairo_t* cr = cairo_create(s);
  const struct { int frame; bool consumer, on, mono; } views[4] = {
      {1, false, false, false}, {51, true, true, false}, {101, false, true, false},
      {76, true, true, true}};
  for (int i = 0; i < 4; ++i) {
    cairo_save(cr);
    cairo_translate(cr, (i % 2) * kPanelWidth, (i / 2) * kPanelHeight);
    ComposePreview(cr, dir, views[i].frame, views[i].consumer, views[i].on, views[i].mono);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(s);
  bool ok = cairo_surface_write_to_png(s, out.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--preview")
    return MakePreview(argv[2], argv[3]) ? 0 : 1;
  if (argc != 2) {
    std::fprintf(stderr,
                 "usage: voss_imagegen <output folder>\n"
                 "       voss_imagegen --preview <image folder> <preview.png>\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = MakeBackground(dir) && MakeKnob(dir) && MakeSwitch(dir) && MakePower(dir) &&
            MakeMonoMode(dir);
  return ok ? 0 : 1;
}
