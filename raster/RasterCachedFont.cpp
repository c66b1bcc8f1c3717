#include "raster/RasterCachedFont.h"

#include "raster/RasterBlit.h"
#include "raster/RasterCombine.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterSysFont.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

using i64 = long long;

constexpr size_t kGlyphListStep = 4096 / sizeof(RasterGlyphRecord);
constexpr size_t kCoverageStep = 65536;
constexpr int kMinCanvasSize = 256;

// The canvas every glyph is drawn on, shared by all fonts for the life of the module.
RasterSysBitmap& GlyphCanvas()
{
  static RasterSysBitmap canvas(0, 0);
  return canvas;
}

bool GrowCanvas(int width, int height)
{
  RasterSysBitmap& canvas = GlyphCanvas();
  if (canvas.GetWidth() < width || canvas.GetHeight() < height)
    canvas.Resize(std::max(canvas.GetWidth(), width), std::max(canvas.GetHeight(), height));
  return canvas.GetBits() && canvas.GetWidth() >= width && canvas.GetHeight() >= height;
}

int ClampInt(i64 v)
{
  return v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : (int)v);
}

bool IsContinuation(int b) { return b >= 0x80 && b <= 0xC0; }

// RasterUtf8Decode that never looks at more than `available` bytes (nor past a NUL).
int DecodeBounded(const unsigned char* bytes, i64 available, int* code)
{
  unsigned char window[5] = {0, 0, 0, 0, 0};
  for (int i = 0; i < 4 && i < available; ++i) {
    window[i] = bytes[i];
    if (!bytes[i])
      break;
  }
  return RasterUtf8Decode(window, code);
}

// Destination = ink + (destination - ink) * w / 256 per colour; alpha gains the ink's share.
inline void InkPixel(RasterPixel* pixel, int red, int green, int blue, int w)
{
  const RasterPixel d = *pixel;
  const int b = blue + (RasterPixelBlue(d) - blue) * w / 256;
  const int g = green + (RasterPixelGreen(d) - green) * w / 256;
  const int r = red + (RasterPixelRed(d) - red) * w / 256;
  const int a = 255 - ((255 - RasterPixelAlpha(d)) * w) / 256;
  *pixel = RasterPackPixel(r, g, b, a);
}

using CombineOp = void (*)(RasterPixel*, int, int, int, int, int);

CombineOp CombineForMode(int mode)
{
  switch (mode) {
  case RasterModeAdd: return RasterCombineAdd;
  case RasterModeDodge: return RasterCombineDodge;
  case RasterModeMultiply: return RasterCombineMultiply;
  case RasterModeSoftLight: return RasterCombineSoftLight;
  case RasterModeHsvAdjust: return RasterCombineHsvAdjust;
  default: return nullptr;
  }
}

bool SystemTextAvailable() { return RasterSysFontHasTextPath() && !RasterIsWine(); }

const RasterTextSystem kSystemText = {SystemTextAvailable, RasterSysFontDrawText};
const RasterTextSystem* activeTextSystem = &kSystemText;

} // namespace

const RasterTextSystem& RasterActiveTextSystem()
{
  return *activeTextSystem;
}

const RasterTextSystem* RasterSetTextSystem(const RasterTextSystem* system)
{
  const RasterTextSystem* old = activeTextSystem;
  activeTextSystem = system ? system : &kSystemText;
  return old;
}

int RasterUtf8Decode(const unsigned char* bytes, int* code)
{
  const int a = bytes[0];
  if (a >= 0xC2) {
    if (a < 0xE0) {
      if (IsContinuation(bytes[1])) {
        *code = ((a * 64) & 0x7FF) | (bytes[1] & 0x3F);
        return 2;
      }
    } else if (a < 0xF0) {
      if (IsContinuation(bytes[1]) && IsContinuation(bytes[2])) {
        *code = ((a * 4096) | ((bytes[1] * 64) & 0xFFF) | (bytes[2] & 0x3F)) & 0xFFFF;
        return 3;
      }
    } else if (a < 0xF5) {
      // Beyond the 16-bit range the fonts are asked for: shown as a space.
      if (IsContinuation(bytes[1]) && IsContinuation(bytes[2]) && IsContinuation(bytes[3])) {
        *code = 32;
        return 4;
      }
    }
  }
  *code = a;
  return 1;
}

bool RasterUtf8HasMultibyte(const char* text)
{
  if (!text)
    return false;
  auto tail = [](int b) { return b >= 0x80 && b <= 0xBF; };
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
    if (*p >= 0xC2 && *p <= 0xDF && tail(p[1]))
      return true;
    if (*p >= 0xE0 && *p <= 0xF4 && tail(p[1]) && tail(p[2]))
      return true;
  }
  return false;
}

RasterCachedFont::RasterCachedFont()
{
  std::memset(ascii, 0, sizeof(ascii));
}

RasterCachedFont::~RasterCachedFont()
{
  if ((flags & RasterFontOwnsHandle) && fontHandle)
    RasterDeleteFont(fontHandle);
}

void RasterCachedFont::SetFont(RasterFontHandle font, int newFlags)
{
  if ((flags & RasterFontOwnsHandle) && fontHandle && fontHandle != font)
    RasterDeleteFont(fontHandle);
  flags = newFlags;
  fontHandle = font;
  if (font) {
    GrowCanvas(kMinCanvasSize, kMinCanvasSize);
    lineHeight = std::max(0, RasterSysFontLineHeight(font, &GlyphCanvas()));
  }
  std::memset(ascii, 0, sizeof(ascii));
  extended.clear();
  coverage.clear();
  if (flags & RasterFontAsciiOnly)
    for (int code = 0; code < 128; ++code)
      RenderGlyph(code);
}

RasterPixel RasterCachedFont::SetColor(RasterPixel colour)
{
  const RasterPixel old = textColor;
  textColor = colour;
  return old;
}

RasterPixel RasterCachedFont::SetBackgroundColor(RasterPixel colour)
{
  const RasterPixel old = backgroundColor;
  backgroundColor = colour;
  return old;
}

RasterPixel RasterCachedFont::SetEffectColor(RasterPixel colour)
{
  const RasterPixel old = effectColor;
  effectColor = colour;
  return old;
}

int RasterCachedFont::SetBackgroundMode(int mode)
{
  const int old = backgroundMode;
  backgroundMode = mode;
  return old;
}

void RasterCachedFont::SetCombineMode(int mode, float newAlpha)
{
  blendMode = mode;
  alpha = newAlpha;
}

RasterPixel RasterCachedFont::GetColor() { return textColor; }
RasterFontHandle RasterCachedFont::GetFont() { return fontHandle; }
int RasterCachedFont::GetLineHeight() { return lineHeight; }

const RasterGlyphRecord* RasterCachedFont::FindGlyph(int code) const
{
  if (code < 0)
    return nullptr;
  if (code < 128)
    return &ascii[code];
  auto it = std::lower_bound(extended.begin(), extended.end(), code,
                             [](const RasterGlyphRecord& r, int c) { return (int)r.code < c; });
  if (it == extended.end() || (int)it->code != code)
    return nullptr;
  return &*it;
}

bool RasterCachedFont::RenderGlyph(int code)
{
  if (code < 0 || code > 0xFFFF)
    return false;
  const bool wide = RasterSysFontIsNtFamily();
  RasterGlyphRecord* record;
  bool appended = false;
  if (code >= 128) {
    if (!wide)
      return false;
    record = const_cast<RasterGlyphRecord*>(FindGlyph(code));
    if (!record) {
      if (flags & RasterFontAsciiOnly)
        return false;
      try {
        if (extended.size() == extended.capacity())
          extended.reserve(extended.capacity() + kGlyphListStep);
        extended.push_back({0, 0, 0, 0, (uint16_t)code});
      } catch (...) {
        return false;
      }
      record = &extended.back();
      appended = true;
    }
  } else {
    record = &ascii[code];
  }

  // Everything that can go wrong below leaves the glyph remembered as empty.
  *record = {-1, 0, 0, 0, (uint16_t)code};
  auto finish = [&]() {
    if (appended)
      std::sort(extended.begin(), extended.end(),
                [](const RasterGlyphRecord& a, const RasterGlyphRecord& b) { return a.code < b.code; });
    return true;
  };
  if (!fontHandle)
    return finish();

  int width = 0, height = 0;
  RasterSysFontMeasureChar(fontHandle, code, wide, &GlyphCanvas(), &width, &height);
  const int advance = width;
  // Capitals may reach past their advance (italic W, V); give them two more columns.
  if (code >= 'A' && code <= 'Z' && width < INT_MAX - 2)
    width += 2;
  if (width < 1 || height < 1)
    return finish();

  // The canvas must hold the whole rectangle, not only line height squared: the coverage is
  // read back from all of it.
  if (!GrowCanvas(std::max(lineHeight, width), std::max(lineHeight, height)))
    return finish();
  RasterSysBitmap& canvas = GlyphCanvas();
  RasterClear(&canvas, 0);
  RasterSysFontDrawChar(fontHandle, code, wide, &canvas, width, height);
  if (flags & RasterFontBlur)
    RasterBlur(&canvas, &canvas, 0, 0, 0, 0, width, height);

  const size_t count = (size_t)width * (size_t)height;
  const size_t start = coverage.size();
  if ((i64)start + (i64)count >= (i64)INT_MAX)
    return finish();
  try {
    if (start + count > coverage.capacity())
      coverage.reserve((start + count + kCoverageStep - 1) / kCoverageStep * kCoverageStep);
    coverage.resize(start + count);
  } catch (...) {
    return finish();
  }
  unsigned char* image = coverage.data() + start;
  const bool invert = (flags & RasterFontInvert) != 0;
  for (int row = 0; row < height; ++row) {
    const RasterPixel* src = RasterRowPointer(canvas.GetBits(), canvas.GetHeight(), canvas.GetRowSpan(),
                                              canvas.IsFlipped(), row);
    for (int col = 0; col < width; ++col) {
      const int red = RasterPixelRed(src[col]);
      image[(size_t)row * width + col] = (unsigned char)(invert ? 255 - red : red);
    }
  }

  if (flags & RasterFontVertical) {
    std::vector<unsigned char> turned(image, image + count);
    const bool up = (flags & RasterFontVerticalUp) != 0;
    // The turned image has `width` rows of `height` bytes.
    for (int j = 0; j < width; ++j)
      for (int k = 0; k < height; ++k)
        image[(size_t)j * height + k] = up ? turned[(size_t)k * width + (width - 1 - j)]
                                           : turned[(size_t)(height - 1 - k) * width + j];
    std::swap(width, height);
  }

  if (flags & (RasterFontMono | RasterFontShadow | RasterFontOutline)) {
    for (size_t i = 0; i < count; ++i)
      image[i] = image[i] > 130 ? 255 : 0;
    const bool shadow = (flags & RasterFontShadow) != 0;
    if (shadow || (flags & RasterFontOutline)) {
      auto at = [&](int row, int col) -> int {
        if (row < 0 || col < 0 || row >= height || col >= width)
          return 0;
        return image[(size_t)row * width + col];
      };
      for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
          unsigned char& v = image[(size_t)row * width + col];
          if (v != 0)
            continue;
          const bool mark = shadow ? (at(row, col - 1) == 255 || at(row - 1, col - 1) == 255 || at(row - 1, col) == 255)
                                   : (at(row - 1, col) == 255 || at(row + 1, col) == 255 ||
                                      at(row, col - 1) == 255 || at(row, col + 1) == 255);
          if (mark)
            v = 128;
        }
    }
  }

  *record = {(int32_t)(start + 1), width, height, advance, (uint16_t)code};
  return finish();
}

const RasterGlyphRecord* RasterCachedFont::PrepareGlyph(int code)
{
  const RasterGlyphRecord* glyph = FindGlyph(code);
  if (!glyph || glyph->position == 0) {
    if (!RenderGlyph(code))
      return nullptr;
    glyph = FindGlyph(code);
  }
  if (!glyph || glyph->position <= 0)
    return nullptr;
  return glyph;
}

template <class Visit>
void RasterCachedFont::WalkText(const char* text, int length, bool singleLine, Visit visit)
{
  const unsigned char* p = (const unsigned char*)text;
  // Any negative length means "up to the NUL".
  i64 remaining = length < 0 ? -1 : length;
  // The count is tested before the byte: a counted text need not be followed by anything.
  while (remaining != 0 && *p) {
    int code = 0;
    const int used = DecodeBounded(p, remaining < 0 ? 4 : remaining, &code);
    p += used;
    if (remaining > 0)
      remaining = std::max<i64>(0, remaining - used);
    if (code == 13)
      continue;
    if (code == 10) {
      if (!singleLine) {
        visit(nullptr);
        continue;
      }
      code = 32;
    }
    if (const RasterGlyphRecord* glyph = PrepareGlyph(code))
      visit(glyph);
  }
}

int RasterCachedFont::MeasureCached(const char* text, int length, int* rect, unsigned format)
{
  const bool vertical = (flags & RasterFontVertical) != 0;
  const i64 step = (i64)lineHeight + extraLineSpacing;
  i64 x = 0, y = 0, right = 0, bottom = 0;
  WalkText(text, length, (format & RasterTextSingleLine) != 0, [&](const RasterGlyphRecord* g) {
    if (!g) {
      if (vertical) {
        x += step;
        y = 0;
      } else {
        y += step;
        x = 0;
      }
    } else if (vertical) {
      y += g->advance;
      right = std::max(right, x + g->width);
      bottom = std::max(bottom, y);
    } else {
      x += g->advance;
      right = std::max(right, x);
      bottom = std::max(bottom, y + g->height);
    }
  });
  rect[2] = ClampInt((i64)rect[0] + right);
  rect[3] = ClampInt((i64)rect[1] + bottom);
  return ClampInt(vertical ? right : bottom);
}

bool RasterCachedFont::DrawGlyph(RasterBitmap* dest, const RasterGlyphRecord* glyph, i64 x, i64 y, const int* clip)
{
  const int w = glyph->width, h = glyph->height;
  if (glyph->position <= 0 || w < 1 || h < 1)
    return false;
  if (x >= clip[2] || y >= clip[3] || x + w <= clip[0] || y + h <= clip[1])
    return false;
  const i64 x0 = std::max<i64>(x, clip[0]), y0 = std::max<i64>(y, clip[1]);
  const int boxW = (int)(std::min<i64>(x + w, clip[2]) - x0);
  const int boxH = (int)(std::min<i64>(y + h, clip[3]) - y0);
  const unsigned char* src = coverage.data() + (glyph->position - 1) + (size_t)(y0 - y) * w + (size_t)(x0 - x);

  if (backgroundMode == 2)
    RasterFillRect(dest, (int)x0, (int)y0, boxW, boxH, backgroundColor, alpha, blendMode & ~RasterModeUseSourceAlpha);

  const int mode = blendMode & 0xFF;
  const bool mono = (flags & RasterFontMono) != 0;
  const bool twoColour = !mono && (flags & (RasterFontShadow | RasterFontOutline));
  const int tr = RasterPixelRed(textColor), tg = RasterPixelGreen(textColor), tb = RasterPixelBlue(textColor);
  const int er = RasterPixelRed(effectColor), eg = RasterPixelGreen(effectColor), eb = RasterPixelBlue(effectColor);

  RasterPixel* bits = dest->GetBits();
  const int height = dest->GetHeight(), span = dest->GetRowSpan();
  const bool flipped = dest->IsFlipped();
  auto forEach = [&](auto step) {
    for (int row = 0; row < boxH; ++row) {
      RasterPixel* out = RasterRowPointer(bits, height, span, flipped, (int)y0 + row) + x0;
      const unsigned char* in = src + (size_t)row * w;
      for (int col = 0; col < boxW; ++col)
        if (in[col])
          step(out + col, (int)in[col]);
    }
  };
  const CombineOp combine = CombineForMode(mode);
  if (mode != 0 && !combine)
    return true;

  if (mono || twoColour) {
    if (alpha == 1.0f && mode == 0) {
      if (mono)
        forEach([&](RasterPixel* p, int) { *p = textColor; });
      else
        forEach([&](RasterPixel* p, int v) { *p = v == 255 ? textColor : effectColor; });
      return true;
    }
    const int t = std::min(RasterOpacityFactor(alpha), 256);
    if (t == 0 || (mode == 0 && t < 0))
      return true;
    if (mode == 0) {
      const int w0 = 256 - t;
      forEach([&](RasterPixel* p, int v) {
        if (mono || v == 255)
          InkPixel(p, tr, tg, tb, w0);
        else
          InkPixel(p, er, eg, eb, w0);
      });
    } else {
      forEach([&](RasterPixel* p, int v) {
        if (mono || v == 255)
          combine(p, tr, tg, tb, 255, t);
        else
          combine(p, er, eg, eb, 255, t);
      });
    }
    return true;
  }

  // Coverage kind.
  const int t = RasterOpacityFactor(alpha);
  if (t == 0 || (mode == 0 && t < 0))
    return true;
  if (mode == 0) {
    if (t == 256)
      forEach([&](RasterPixel* p, int v) { InkPixel(p, tr, tg, tb, 255 - v); });
    else
      forEach([&](RasterPixel* p, int v) { InkPixel(p, tr, tg, tb, 256 - std::min(RasterScaleFactor(t, v), 256)); });
  } else {
    if (t == 256)
      forEach([&](RasterPixel* p, int v) { combine(p, tr, tg, tb, 255, v + 1); });
    else
      forEach([&](RasterPixel* p, int v) { combine(p, tr, tg, tb, 255, std::min(RasterScaleFactor(t, v), 256)); });
  }
  return true;
}

int RasterCachedFont::DrawCached(RasterBitmap* dest, const char* text, int length, const int* rect, unsigned format,
                                 bool cachedOnly)
{
  const float savedAlpha = alpha;
  if (format & RasterTextAlphaFromColor)
    alpha = (float)RasterPixelAlpha(textColor) * (1.0f / 255.0f) * alpha;
  struct Restore
  {
    float& target;
    float value;
    ~Restore() { target = value; }
  } restore{alpha, savedAlpha};
  if (alpha == 0.0f)
    return 0;

  const bool vertical = (flags & RasterFontVertical) != 0;
  const bool up = vertical && (flags & RasterFontVerticalUp);
  const bool singleLine = (format & RasterTextSingleLine) != 0;
  i64 x = rect[0], y = rect[1];
  const unsigned alignBits = RasterTextCenter | RasterTextRight | RasterTextVCenter | RasterTextBottom;
  if ((format & alignBits) || up) {
    // Measured by a call of its own, which keeps only the single-line and cached-only bits:
    // text drawn here for its translucent colour may still be measured by the system.
    int measured[4] = {rect[0], rect[1], rect[2], rect[3]};
    DrawTextInRect(dest, text, length, measured,
                   RasterTextCalcRect | (format & RasterTextSingleLine) | (cachedOnly ? RasterTextCachedOnly : 0u));
    const i64 width = (i64)measured[2] - measured[0], height = (i64)measured[3] - measured[1];
    if (format & RasterTextCenter)
      x = rect[0] + ((i64)rect[2] - width - rect[0]) / 2;
    else if (format & RasterTextRight)
      x = (i64)rect[2] - width;
    if (format & RasterTextVCenter)
      y += ((i64)rect[3] - height - rect[1]) / 2;
    else if (format & RasterTextBottom)
      y = (i64)rect[3] - height;
    // Upward text starts at the bottom of its column.
    if (up)
      y += height;
  }

  RasterPixel* bits = dest->GetBits();
  const int destW = dest->GetWidth(), destH = dest->GetHeight();
  if (!bits || destW < 1 || destH < 1 || dest->GetRowSpan() < destW)
    return 0;
  int clip[4] = {0, 0, destW, destH};
  if (!(format & RasterTextNoClip)) {
    clip[0] = std::max(rect[0], 0);
    clip[1] = std::max(rect[1], 0);
    clip[2] = std::min(rect[2], destW);
    clip[3] = std::min(rect[3], destH);
  }
  if (clip[0] >= clip[2] || clip[1] >= clip[3])
    return 0;

  const i64 startX = x, startY = y;
  const i64 step = (i64)lineHeight + extraLineSpacing;
  i64 extent = vertical ? startX : startY;
  WalkText(text, length, singleLine, [&](const RasterGlyphRecord* g) {
    if (!g) {
      if (vertical) {
        x += step;
        y = startY;
      } else {
        y += step;
        x = startX;
      }
      return;
    }
    if ((size_t)(g->position - 1) + (size_t)g->width * (size_t)g->height > coverage.size())
      return;
    if (!vertical) {
      if (DrawGlyph(dest, g, x, y, clip))
        extent = std::max(extent, y + g->height);
      x += g->advance;
    } else if (up) {
      if (DrawGlyph(dest, g, x, y - g->height, clip))
        extent = std::max(extent, x + g->width);
      y -= g->advance;
    } else {
      if (DrawGlyph(dest, g, x, y, clip))
        extent = std::max(extent, x + g->width);
      y += g->advance;
    }
  });
  return ClampInt(extent - (vertical ? startX : startY));
}

int RasterCachedFont::DrawTextInRect(RasterBitmap* dest, const char* text, int length, int* rect, unsigned format)
{
  if (!text || !rect)
    return 0;
  if (!dest && !(format & RasterTextCalcRect))
    return 0;
  const bool cachedOnly = (format & RasterTextCachedOnly) != 0;
  format &= ~RasterTextCachedOnly;

  if (TakesSystemPath(format, cachedOnly))
    return RasterActiveTextSystem().drawText(fontHandle, dest, text, length, rect, format, textColor, backgroundMode,
                                             backgroundColor, alpha);

  if (format & RasterTextCalcRect)
    return MeasureCached(text, length, rect, format);
  return DrawCached(dest, text, length, rect, format, cachedOnly);
}

bool RasterCachedFont::TakesSystemPath(unsigned format, bool cachedOnly) const
{
  const int ownRendering = RasterFontVertical | RasterFontVerticalUp | RasterFontAsciiOnly | RasterFontBlur |
                           RasterFontInvert | RasterFontMono | RasterFontShadow | RasterFontOutline;
  return (flags & RasterFontNativeDrawing) && fontHandle && !cachedOnly && !(format & RasterTextAlphaFromColor) &&
         !(flags & ownRendering) && (extraLineSpacing == 0 || (format & RasterTextSingleLine)) &&
         RasterActiveTextSystem().available();
}
