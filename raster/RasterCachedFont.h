#pragma once

#include "raster/RasterBitmap.h"

#include <cstdint>
#include <vector>

// Opaque handle of a system font. On Windows this is exactly HFONT (from CreateFontA); on
// Linux it comes from RasterCreateFont in raster/RasterSysFont.h.
struct HFONT__;
using RasterFontHandle = HFONT__*;

// Font flags (SetFont).
enum : int {
  RasterFontVertical = 0x1,       // glyphs turned clockwise, text runs down, lines go right
  RasterFontVerticalUp = 0x2,     // with 0x1: turned counter-clockwise, text runs up
  RasterFontAsciiOnly = 0x4,      // codes 0..127 rendered at SetFont, nothing above 127
  RasterFontBlur = 0x10,          // each glyph blurred once when rendered
  RasterFontInvert = 0x20,        // 255 - coverage is stored
  RasterFontMono = 0x40,          // coverage above 130 becomes 255, the rest 0
  RasterFontShadow = 0x80,        // mono plus a lower-right shadow marked 128
  RasterFontOutline = 0x100,      // mono plus a one-pixel outline marked 128
  RasterFontOwnsHandle = 0x200,   // the font deletes its handle when replaced or destroyed
  RasterFontNativeDrawing = 0x400 // the system may draw the whole text itself
};

// Format bits of DrawTextInRect: the system's text-format values this font reads, plus two of
// its own in the top bits.
enum : unsigned {
  RasterTextCenter = 0x1,          // DT_CENTER
  RasterTextRight = 0x2,           // DT_RIGHT
  RasterTextVCenter = 0x4,         // DT_VCENTER
  RasterTextBottom = 0x8,          // DT_BOTTOM
  RasterTextSingleLine = 0x20,     // DT_SINGLELINE
  RasterTextNoClip = 0x100,        // DT_NOCLIP
  RasterTextCalcRect = 0x400,      // DT_CALCRECT
  RasterTextCachedOnly = 0x80000000u,     // never hand the text to the system
  RasterTextAlphaFromColor = 0x40000000u  // this call's alpha is scaled by the colour's alpha
};

// One cached glyph. position: 0 not rendered yet, -1 renders to nothing, otherwise 1 + the byte
// offset of its width x height coverage image (rows one after another, 0 no ink, 255 full).
struct RasterGlyphRecord
{
  int32_t position;
  int32_t width;
  int32_t height;
  int32_t advance;
  uint16_t code;
};

// any thread
// Bytes used by the UTF-8 sequence at `bytes` (1 to 4) and its code in *code. Codes beyond the
// 16-bit range come out as a space; a byte that starts no valid sequence is its own code.
int RasterUtf8Decode(const unsigned char* bytes, int* code);
// any thread
// True when the NUL-terminated text holds a 2- or 3-byte (or 4-byte) UTF-8 sequence.
bool RasterUtf8HasMultibyte(const char* text);
// any thread
// True when running under the Wine compatibility layer; asked of the system once.
bool RasterIsWine();

// Draws UTF-8 text with a system font. Each character is rendered once through the system into
// a coverage image, kept, and blended into the destination with the font's colour, alpha and
// blend mode. With RasterFontNativeDrawing the system may instead draw the whole text where it
// can do so faithfully (Windows outside Wine only).
// Process-wide drawing state is shared by all fonts and unguarded: draw text from one thread
// at a time.
class RasterCachedFont
{
public:
  // All operations: the drawing thread (editor), one text-drawing thread at a time.
  RasterCachedFont();
  virtual ~RasterCachedFont();

  RasterCachedFont(const RasterCachedFont&) = delete;
  RasterCachedFont& operator=(const RasterCachedFont&) = delete;

  // Replaces the handle and flags and discards every cached glyph.
  virtual void SetFont(RasterFontHandle font, int flags);
  virtual RasterPixel SetColor(RasterPixel colour);
  virtual RasterPixel SetBackgroundColor(RasterPixel colour);
  virtual RasterPixel SetEffectColor(RasterPixel colour);
  // 1 transparent, 2 opaque (the glyph box is filled with the background colour first).
  virtual int SetBackgroundMode(int mode);
  virtual void SetCombineMode(int mode, float alpha);
  // rect is left, top, right, bottom (read, and written when measuring). dest may be null when
  // measuring with RasterTextCalcRect. Answers the height drawn or measured (the width for
  // vertical text), 0 when nothing was drawn.
  virtual int DrawTextInRect(RasterBitmap* dest, const char* text, int length, int* rect, unsigned format);
  virtual RasterPixel GetColor();
  virtual RasterFontHandle GetFont();
  virtual int GetLineHeight();

  // The cached record of a code, or null (codes below 128 always have one).
  const RasterGlyphRecord* FindGlyph(int code) const;
  // Every rendered coverage image, one after another.
  const std::vector<unsigned char>& GetCoverageStore() const { return coverage; }

private:
  bool RenderGlyph(int code);
  // Looks the glyph up, rendering it on first use; null when it is empty or unavailable.
  const RasterGlyphRecord* PrepareGlyph(int code);
  bool DrawGlyph(RasterBitmap* dest, const RasterGlyphRecord* glyph, long long x, long long y, const int* clip);
  template <class Visit> void WalkText(const char* text, int length, bool singleLine, Visit visit);
  int MeasureCached(const char* text, int length, int* rect, unsigned format);
  int DrawCached(RasterBitmap* dest, const char* text, int length, const int* rect, unsigned format, bool cachedOnly);
  // True when this call goes to the system's whole-text path rather than the glyph cache.
  bool TakesSystemPath(unsigned format, bool cachedOnly) const;

  RasterPixel textColor = 0;
  RasterPixel backgroundColor = 0xFFFFFFFF;
  RasterPixel effectColor = 0xFFFFFFFF;
  int backgroundMode = 1;
  int blendMode = 0;
  float alpha = 1.0f;
  int flags = 0;
  int lineHeight = 0;
  int extraLineSpacing = 0;
  RasterGlyphRecord ascii[128];
  std::vector<RasterGlyphRecord> extended;
  std::vector<unsigned char> coverage;
  RasterFontHandle fontHandle = nullptr;
};
