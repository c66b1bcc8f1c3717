#pragma once

// The system's side of cached font text: making fonts, measuring and drawing one character
// into the glyph canvas, and (on Windows) drawing whole texts. Windows uses GDI; Linux uses
// FreeType with fontconfig and has no whole-text path.

#include "raster/RasterCachedFont.h"
#include "raster/RasterSysBitmap.h"

// A font as CreateFontA would make it: height < 0 is the character (em) height in pixels,
// height > 0 the cell height (ascent + descent), 0 a default size; weight 400 normal, 700 bold.
// Null when no face can be found. On Windows the handle is an HFONT.
// any thread
RasterFontHandle RasterCreateFont(const char* face, int height, int weight, bool italic);
// The quality values of CreateFontA.
enum : int {
  RasterFontQualityDefault = 0,         // DEFAULT_QUALITY
  RasterFontQualityNonAntialiased = 3,  // NONANTIALIASED_QUALITY
  RasterFontQualityAntialiased = 4,     // ANTIALIASED_QUALITY
  RasterFontQualityClearType = 5        // CLEARTYPE_QUALITY
};
// The full request: escapement and orientation in tenths of a degree, a quality value from
// above; no underline or strike-out, default character set, precisions, pitch and family.
// RasterCreateFont is this with no rotation and antialiased quality. On Linux a
// non-antialiased quality renders one-bit glyphs and the two angles are not applied.
// any thread
RasterFontHandle RasterCreateFontEx(const char* face, int height, int escapement, int orientation, int weight,
                                    bool italic, int quality);
// any thread; the font must no longer be in use
void RasterDeleteFont(RasterFontHandle font);

// True on systems that can render characters above 127 (the NT family; always on Linux).
bool RasterSysFontIsNtFamily();
// The font's text-metric height (tmHeight) as read on the canvas, 0 on failure.
int RasterSysFontLineHeight(RasterFontHandle font, RasterSysBitmap* canvas);
// The rectangle DrawText measures for the single character (DT_CALCRECT | DT_SINGLELINE |
// DT_NOPREFIX): width and height; both 0 on failure.
void RasterSysFontMeasureChar(RasterFontHandle font, int code, bool wide, RasterSysBitmap* canvas, int* width,
                              int* height);
// Draws the character white on black into the canvas rectangle (0, 0, width, height), clipped
// to it. Only the colour channels are meaningful afterwards.
void RasterSysFontDrawChar(RasterFontHandle font, int code, bool wide, RasterSysBitmap* canvas, int width, int height);

// True where the system can draw whole texts itself.
bool RasterSysFontHasTextPath();
// The system text path: draws (or with DT_CALCRECT measures) the UTF-8 text in rect and answers
// the system call's result. Only called where RasterSysFontHasTextPath answers true.
int RasterSysFontDrawText(RasterFontHandle font, RasterBitmap* dest, const char* text, int length, int* rect,
                          unsigned format, RasterPixel textColor, int backgroundMode, RasterPixel backgroundColor,
                          float alpha);

// The whole-text path as the cached font reaches it: whether it may be used here, and the call.
// The system's own answers RasterSysFontHasTextPath() && !RasterIsWine() and calls
// RasterSysFontDrawText; tests put a recording stand-in in its place to see which texts the
// font hands over.
struct RasterTextSystem
{
  bool (*available)();
  int (*drawText)(RasterFontHandle font, RasterBitmap* dest, const char* text, int length, int* rect,
                  unsigned format, RasterPixel textColor, int backgroundMode, RasterPixel backgroundColor,
                  float alpha);
};
// The one in use (never null).
const RasterTextSystem& RasterActiveTextSystem();
// Puts `system` in use, or the system's own for null; answers the one it replaces. Not to be
// called while text is being drawn.
const RasterTextSystem* RasterSetTextSystem(const RasterTextSystem* system);
