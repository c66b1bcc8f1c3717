#include "raster/RasterCachedFont.h"
#include "raster/RasterCombine.h"
#include "raster/RasterSysFont.h"
#include "tests/rasterfont/FontTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using fonttest::GuardedBitmap;

RasterFontHandle MakeFont(int height = -15)
{
  return RasterCreateFont("Trebuchet MS", height, 400, false);
}

// A font that owns its handle, so the handle is released with it.
struct TestFont
{
  explicit TestFont(int flags = 0, int height = -15)
  {
    font.SetFont(MakeFont(height), flags | RasterFontOwnsHandle);
  }
  RasterCachedFont font;
};

const unsigned char* Image(const RasterCachedFont& f, const RasterGlyphRecord* g)
{
  return f.GetCoverageStore().data() + g->position - 1;
}

// The blend modes' own operations (a factor of 0 still sets the alpha byte under HSV adjust).
void CombineOp(RasterPixel* p, RasterPixel ink, int f, int mode)
{
  using Op = void (*)(RasterPixel*, int, int, int, int, int);
  const Op ops[] = {nullptr, RasterCombineAdd, RasterCombineDodge, RasterCombineMultiply, RasterCombineSoftLight,
                    RasterCombineHsvAdjust};
  ops[mode](p, (ink >> 16) & 0xFF, (ink >> 8) & 0xFF, ink & 0xFF, 255, f);
}

// Plain per-pixel rules for one glyph pixel of coverage v.
RasterPixel RefPixel(RasterPixel d, int v, int kind, int mode, float alpha, RasterPixel text, RasterPixel effect)
{
  const RasterPixel ink = (kind == 2 && v != 255) ? effect : text;
  auto blend = [&](int w) {
    long long out[4];
    for (int i = 0; i < 3; ++i) {
      const long long dc = (d >> (8 * i)) & 0xFF, ic = (ink >> (8 * i)) & 0xFF;
      out[i] = ic + (dc - ic) * w / 256;
    }
    out[3] = 255 - ((255 - (long long)(d >> 24)) * w) / 256;
    return (RasterPixel)(out[0] | (out[1] << 8) | (out[2] << 16) | (out[3] << 24));
  };
  long long t = (long long)(alpha * 256.0f);
  if (kind == 0) { // coverage
    if (t == 0)
      return d;
    const long long f = t == 256 ? v + 1 : std::min<long long>(t * v / 256, 256);
    if (mode == 0)
      return t < 0 ? d : blend(t == 256 ? 255 - v : (int)(256 - f));
    RasterPixel p = d;
    CombineOp(&p, ink, (int)f, mode);
    return p;
  }
  if (mode == 0 && alpha == 1.0f)
    return ink;
  t = std::min<long long>(t, 256);
  if (t == 0 || (mode == 0 && t < 0))
    return d;
  if (mode == 0)
    return blend((int)(256 - t));
  RasterPixel p = d;
  CombineOp(&p, ink, (int)t, mode);
  return p;
}

} // namespace

TEST(RasterUtf8, DecodesEveryBmpCodeFromItsStandardEncoding)
{
  for (int c = 0x80; c <= 0xFFFF; ++c) {
    unsigned char s[4] = {0, 0, 0, 0};
    int expectLength;
    if (c < 0x800) {
      s[0] = (unsigned char)(0xC0 | (c >> 6));
      s[1] = (unsigned char)(0x80 | (c & 0x3F));
      expectLength = 2;
    } else {
      s[0] = (unsigned char)(0xE0 | (c >> 12));
      s[1] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
      s[2] = (unsigned char)(0x80 | (c & 0x3F));
      expectLength = 3;
    }
    int code = -1;
    ASSERT_EQ(RasterUtf8Decode(s, &code), expectLength) << c;
    ASSERT_EQ(code, c);
  }
}

TEST(RasterUtf8, OddSequencesFallBackToSingleBytesOrSpace)
{
  struct Case { const char* bytes; int length; int code; } cases[] = {
    {"A", 1, 'A'},
    {"\xF0\x9F\x98\x80", 4, 32},   // beyond 16 bits: a space
    {"\xC0", 1, 0xC0},             // never a lead byte
    {"\xC1\x81", 1, 0xC1},         // overlong lead
    {"\xC3", 1, 0xC3},             // cut short by the terminator
    {"\xC3\x41", 1, 0xC3},         // not followed by a continuation byte
    {"\xE2\x82", 1, 0xE2},
    {"\xF5\x80\x80\x80", 1, 0xF5}, // past the last valid lead byte
    {"\x80", 1, 0x80},             // stray continuation byte
  };
  for (const Case& c : cases) {
    int code = -1;
    EXPECT_EQ(RasterUtf8Decode((const unsigned char*)c.bytes, &code), c.length) << c.bytes;
    EXPECT_EQ(code, c.code) << c.bytes;
  }

  EXPECT_FALSE(RasterUtf8HasMultibyte(nullptr));
  EXPECT_FALSE(RasterUtf8HasMultibyte("plain ascii"));
  EXPECT_FALSE(RasterUtf8HasMultibyte("\xC0\x80 \xC3"));
  EXPECT_FALSE(RasterUtf8HasMultibyte("\xE2\x82"));
  EXPECT_TRUE(RasterUtf8HasMultibyte("caf\xC3\xA9"));
  EXPECT_TRUE(RasterUtf8HasMultibyte("\xE2\x82\xAC"));
}

TEST(RasterCachedFont, StartsEmptyAndSettersAnswerThePreviousValue)
{
  RasterCachedFont f;
  EXPECT_EQ(f.GetColor(), 0u);
  EXPECT_EQ(f.GetFont(), nullptr);
  EXPECT_EQ(f.GetLineHeight(), 0);
  EXPECT_EQ(f.SetColor(0x80112233), 0u);
  EXPECT_EQ(f.SetColor(1), 0x80112233u);
  EXPECT_EQ(f.SetBackgroundColor(5), 0xFFFFFFFFu);
  EXPECT_EQ(f.SetEffectColor(6), 0xFFFFFFFFu);
  EXPECT_EQ(f.SetBackgroundMode(2), 1);
  EXPECT_EQ(f.FindGlyph(65)->position, 0);
  EXPECT_EQ(f.FindGlyph(0x20AC), nullptr);

  // Without a font nothing can be measured or drawn.
  int rect[4] = {0, 0, 50, 50};
  EXPECT_EQ(f.DrawTextInRect(nullptr, "abc", -1, rect, RasterTextCalcRect), 0);
  GuardedBitmap dest(20, 20);
  EXPECT_EQ(f.DrawTextInRect(&dest, "abc", -1, rect, 0), 0);
}

TEST(RasterCachedFont, GlyphsCarryTheirMeasuredSizes)
{
  TestFont t;
  RasterCachedFont& f = t.font;
  ASSERT_NE(f.GetFont(), nullptr);
  const int lh = f.GetLineHeight();
  ASSERT_GT(lh, 10);

  int rect[4] = {3, 4, 3, 4};
  f.DrawTextInRect(nullptr, " W", -1, rect, RasterTextCalcRect | RasterTextCachedOnly);
  const RasterGlyphRecord* space = f.FindGlyph(' ');
  const RasterGlyphRecord* w = f.FindGlyph('W');
  ASSERT_GT(space->position, 0);
  ASSERT_GT(w->position, 0);
  // A space is an inkless image of its measured size.
  EXPECT_EQ(space->width, space->advance);
  EXPECT_EQ(space->height, lh);
  for (int i = 0; i < space->width * space->height; ++i)
    ASSERT_EQ(Image(f, space)[i], 0);
  // Capitals get two columns beyond their advance, which measuring does not count.
  EXPECT_EQ(w->width, w->advance + 2);
  EXPECT_EQ(rect[2], 3 + space->advance + w->advance);
  EXPECT_EQ(rect[3], 4 + lh);
  int ink = 0;
  for (int i = 0; i < w->width * w->height; ++i)
    ink += Image(f, w)[i] > 0;
  EXPECT_GT(ink, 20);
}

TEST(RasterCachedFont, MeasuresLinesWithoutADestination)
{
  TestFont t;
  RasterCachedFont& f = t.font;
  const int lh = f.GetLineHeight();
  const unsigned m = RasterTextCalcRect;

  int one[4] = {10, 20, 0, 0};
  EXPECT_EQ(f.DrawTextInRect(nullptr, "ab", -1, one, m), lh);
  const int ab = one[2] - 10;
  EXPECT_EQ(ab, f.FindGlyph('a')->advance + f.FindGlyph('b')->advance);

  int two[4] = {10, 20, 0, 0};
  EXPECT_EQ(f.DrawTextInRect(nullptr, "ab\r\nb", -1, two, m), 2 * lh);
  EXPECT_EQ(two[2] - 10, ab);
  EXPECT_EQ(two[3], 20 + 2 * lh);

  // On a single line the newline is a space, the carriage return nothing.
  int single[4] = {0, 0, 0, 0};
  EXPECT_EQ(f.DrawTextInRect(nullptr, "ab\r\nb", -1, single, m | RasterTextSingleLine), lh);
  EXPECT_EQ(single[2], ab + f.FindGlyph(' ')->advance + f.FindGlyph('b')->advance);

  // A counted text stops at its length, and a cut multibyte sequence is not read past it.
  int counted[4] = {0, 0, 0, 0};
  f.DrawTextInRect(nullptr, "abX", 2, counted, m);
  EXPECT_EQ(counted[2], ab);
  int cut[4] = {0, 0, 0, 0};
  f.DrawTextInRect(nullptr, "a\xC3\xA9", 2, cut, m);
  EXPECT_NE(f.FindGlyph(0xC3), nullptr);
  EXPECT_EQ(f.FindGlyph(0xE9), nullptr);
  int nothing[4] = {1, 1, 1, 1};
  EXPECT_EQ(f.DrawTextInRect(nullptr, "ab", 0, nothing, m), 0);
  EXPECT_EQ(nothing[2], 1);
}

TEST(RasterCachedFont, CountedTextIsNeverReadPastItsLength)
{
  // Each text sits in a heap block of exactly its length, so reading one byte beyond it is
  // caught under the address sanitizer.
  TestFont t;
  RasterCachedFont& f = t.font;
  f.SetColor(0xFFFFFFFF);
  const std::string texts[] = {"5", "ab", "a\xC3\xA9", "\xE2\x82\xAC", "x\n", "\xF0\x9F\x98\x80"};
  for (const std::string& text : texts) {
    std::vector<char> exact(text.begin(), text.end());
    const int n = (int)exact.size();
    int measured[4] = {0, 0, 0, 0};
    const int h = f.DrawTextInRect(nullptr, exact.data(), n, measured, RasterTextCalcRect);
    int expected[4] = {0, 0, 0, 0};
    EXPECT_EQ(h, f.DrawTextInRect(nullptr, text.c_str(), -1, expected, RasterTextCalcRect)) << text;
    EXPECT_EQ(measured[2], expected[2]) << text;
    for (unsigned format : {0u, RasterTextCenter | RasterTextVCenter, RasterTextRight | RasterTextSingleLine}) {
      GuardedBitmap a(40, 40), b(40, 40);
      int ra[4] = {0, 0, 40, 40}, rb[4] = {0, 0, 40, 40};
      f.DrawTextInRect(&a, exact.data(), n, ra, format);
      f.DrawTextInRect(&b, text.c_str(), -1, rb, format);
      EXPECT_EQ(a.Pixels(), b.Pixels()) << text;
    }
  }
}

TEST(RasterCachedFont, ExtendedGlyphsAreCachedByCodeAndAsciiOnlySkipsThem)
{
  TestFont t;
  RasterCachedFont& f = t.font;
  // Out of order, repeated, a 4-byte sequence (a space) and a lone 0xC0 (its own code).
  const char* text = "\xE2\x82\xAC\xC3\xA9\xC3\xA0\xE2\x82\xAC\xF0\x9F\x98\x80\xC0\xCE\xA9";
  int rect[4] = {0, 0, 0, 0};
  f.DrawTextInRect(nullptr, text, -1, rect, RasterTextCalcRect);
  for (int code : {0x20AC, 0xE9, 0xE0, 0xC0, 0x3A9}) {
    const RasterGlyphRecord* g = f.FindGlyph(code);
    ASSERT_NE(g, nullptr) << code;
    EXPECT_EQ(g->code, code);
    EXPECT_NE(g->position, 0);
  }
  EXPECT_GT(f.FindGlyph(' ')->position, 0);
  const size_t stored = f.GetCoverageStore().size();
  f.DrawTextInRect(nullptr, text, -1, rect, RasterTextCalcRect);
  EXPECT_EQ(f.GetCoverageStore().size(), stored); // rendered once

  TestFont a(RasterFontAsciiOnly);
  for (int code = 32; code < 127; ++code)
    ASSERT_NE(a.font.FindGlyph(code)->position, 0) << code;
  int r1[4] = {0, 0, 0, 0}, r2[4] = {0, 0, 0, 0};
  a.font.DrawTextInRect(nullptr, "a\xC3\xA9z", -1, r1, RasterTextCalcRect);
  a.font.DrawTextInRect(nullptr, "az", -1, r2, RasterTextCalcRect);
  EXPECT_EQ(r1[2], r2[2]);
  EXPECT_EQ(a.font.FindGlyph(0xE9), nullptr);
}

TEST(RasterCachedFont, GlyphVariantsDeriveFromThePlainCoverage)
{
  TestFont plain, inverted(RasterFontInvert), cw(RasterFontVertical), ccw(RasterFontVertical | RasterFontVerticalUp),
      outline(RasterFontOutline), shadow(RasterFontShadow), mono(RasterFontMono);
  const char* text = "Ag";
  int rect[4] = {0, 0, 0, 0};
  for (TestFont* t : {&plain, &inverted, &cw, &ccw, &outline, &shadow, &mono})
    t->font.DrawTextInRect(nullptr, text, -1, rect, RasterTextCalcRect);

  for (int code : {'A', 'g'}) {
    const RasterGlyphRecord* p = plain.font.FindGlyph(code);
    const int w = p->width, h = p->height;
    const unsigned char* img = Image(plain.font, p);
    auto at = [&](const unsigned char* im, int width, int row, int col) { return im[row * width + col]; };

    const RasterGlyphRecord* inv = inverted.font.FindGlyph(code);
    const RasterGlyphRecord* c = cw.font.FindGlyph(code);
    const RasterGlyphRecord* cc = ccw.font.FindGlyph(code);
    ASSERT_EQ(c->width, h);
    ASSERT_EQ(c->height, w);
    ASSERT_EQ(cc->width, h);
    EXPECT_EQ(c->advance, p->advance);
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) {
        const int v = at(img, w, row, col);
        ASSERT_EQ(at(Image(inverted.font, inv), w, row, col), 255 - v);
        // Turned clockwise, the bottom-left corner comes to the top-left.
        ASSERT_EQ(at(Image(cw.font, c), h, col, h - 1 - row), v);
        ASSERT_EQ(at(Image(ccw.font, cc), h, w - 1 - col, row), v);
      }

    for (TestFont* t : {&outline, &shadow, &mono}) {
      const RasterGlyphRecord* g = t->font.FindGlyph(code);
      ASSERT_EQ(g->width, w);
      ASSERT_EQ(g->height, h);
      const unsigned char* im = Image(t->font, g);
      auto full = [&](int row, int col) {
        return row >= 0 && col >= 0 && row < h && col < w && at(im, w, row, col) == 255;
      };
      for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
          const int v = at(im, w, row, col);
          ASSERT_EQ(v == 255, at(img, w, row, col) > 130);
          bool marked;
          if (t == &outline)
            marked = full(row - 1, col) || full(row + 1, col) || full(row, col - 1) || full(row, col + 1);
          else if (t == &shadow)
            marked = full(row, col - 1) || full(row - 1, col - 1) || full(row - 1, col);
          else
            marked = false;
          if (v != 255) {
            ASSERT_EQ(v, marked ? 128 : 0) << row << "," << col;
          }
        }
    }
  }
}

TEST(RasterCachedFont, DrawingBlendsCachedCoverageBitExactly)
{
  std::mt19937 rng(1234);
  const float alphas[] = {1.0f, 0.5f, 0.25f, 0.731f, 1.6f, -0.4f, 0.001f};
  const int kinds[][2] = {{0, 0}, {1, RasterFontMono}, {2, RasterFontOutline}, {2, RasterFontShadow},
                          {1, RasterFontMono | RasterFontShadow}};
  for (const auto& kind : kinds) {
    TestFont t(kind[1]);
    RasterCachedFont& f = t.font;
    for (int mode = 0; mode <= 5; ++mode)
      for (float alpha : alphas) {
        const RasterPixel text = rng(), effect = rng();
        f.SetColor(text);
        f.SetEffectColor(effect);
        f.SetCombineMode(mode | (rng() & 1 ? RasterModeUseSourceAlpha : 0), alpha);
        const bool flipped = rng() & 1;
        GuardedBitmap dest(60, 30, flipped), expect(60, 30, flipped);
        dest.Fill(rng);
        for (int y = 0; y < 30; ++y)
          for (int x = 0; x < 60; ++x)
            expect.At(x, y) = dest.At(x, y);

        // A rectangle partly off the left and bottom edges clips the text to the bitmap.
        int rect[4] = {-4, 12, 55, 40};
        const int drawn = f.DrawTextInRect(&dest, "Wy\xC3\xA9", -1, rect, 0);
        int x = rect[0], bottom = rect[1];
        for (int code : {(int)'W', (int)'y', 0xE9}) {
          const RasterGlyphRecord* g = f.FindGlyph(code);
          const unsigned char* im = Image(f, g);
          for (int row = 0; row < g->height; ++row)
            for (int col = 0; col < g->width; ++col) {
              const int px = x + col, py = rect[1] + row, v = im[row * g->width + col];
              if (v && px >= 0 && px < 55 && py < 30)
                expect.At(px, py) = RefPixel(expect.At(px, py), v, kind[0], mode, alpha, text, effect);
            }
          bottom = std::max(bottom, rect[1] + g->height);
          x += g->advance;
        }
        for (int y = 0; y < 30; ++y)
          for (int x = 0; x < 60; ++x)
            ASSERT_EQ(dest.At(x, y), expect.At(x, y)) << x << "," << y << " flags " << kind[1] << " mode " << mode << " alpha " << alpha;
        ASSERT_EQ(dest.Pixels(), expect.Pixels()) << "flags " << kind[1] << " mode " << mode << " alpha " << alpha;
        EXPECT_EQ(drawn, bottom - rect[1]);
        ASSERT_TRUE(dest.GuardIntact());
      }
  }
}

TEST(RasterCachedFont, AlignmentOpaqueBackgroundAndColourAlpha)
{
  TestFont t;
  RasterCachedFont& f = t.font;
  f.SetColor(0xFF204060);
  int m[4] = {0, 0, 0, 0};
  f.DrawTextInRect(nullptr, "Hi", -1, m, RasterTextCalcRect);
  const int w = m[2], h = m[3];

  // Right and bottom alignment equal drawing at the shifted origin.
  GuardedBitmap a(80, 50), b(80, 50);
  int ra[4] = {5, 5, 75, 45};
  f.DrawTextInRect(&a, "Hi", -1, ra, RasterTextRight | RasterTextBottom);
  int rb[4] = {75 - w, 45 - h, 75, 45};
  f.DrawTextInRect(&b, "Hi", -1, rb, 0);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  GuardedBitmap c(80, 50), d(80, 50);
  int rc[4] = {5, 5, 76, 46};
  f.DrawTextInRect(&c, "Hi", -1, rc, RasterTextCenter | RasterTextVCenter);
  int rd[4] = {5 + (76 - w - 5) / 2, 5 + (46 - h - 5) / 2, 76, 46};
  f.DrawTextInRect(&d, "Hi", -1, rd, 0);
  EXPECT_EQ(c.Pixels(), d.Pixels());

  // Opaque background fills each glyph box before the ink.
  GuardedBitmap e(80, 50);
  f.SetBackgroundMode(2);
  f.SetBackgroundColor(0xFF00FF00);
  int re[4] = {0, 0, 80, 50};
  f.DrawTextInRect(&e, "i", -1, re, 0);
  const RasterGlyphRecord* gi = f.FindGlyph('i');
  EXPECT_EQ(e.At(0, 0), 0xFF00FF00u);
  EXPECT_EQ(e.At(gi->width - 1, gi->height - 1), 0xFF00FF00u);
  EXPECT_EQ(e.At(gi->width, 0), 0u);
  f.SetBackgroundMode(1);

  // The colour's alpha scales this call only; alpha 0 draws nothing.
  GuardedBitmap g1(40, 30), g2(40, 30);
  int r1[4] = {0, 0, 40, 30};
  f.SetColor(0x80204060);
  f.DrawTextInRect(&g1, "Hi", -1, r1, RasterTextAlphaFromColor);
  f.SetColor(0xFF204060);
  f.SetCombineMode(0, (float)0x80 * (1.0f / 255.0f) * 1.0f);
  f.DrawTextInRect(&g2, "Hi", -1, r1, 0);
  EXPECT_EQ(g1.Pixels(), g2.Pixels());
  f.SetCombineMode(0, 1.0f);
  f.SetColor(0x00FFFFFF);
  GuardedBitmap g3(40, 30);
  EXPECT_EQ(f.DrawTextInRect(&g3, "Hi", -1, r1, RasterTextAlphaFromColor), 0);
  EXPECT_EQ(g3.Pixels(), std::vector<RasterPixel>(40 * 30, 0u));
}

TEST(RasterCachedFont, NativeFlagFallsBackToTheCacheWhereTheSystemCannotDraw)
{
  // On Linux there is no system text path, and under Wine it is switched off: the editor's
  // flags then give exactly the cached result.
  if (RasterSysFontHasTextPath() && !RasterIsWine())
    GTEST_SKIP() << "system text path available";
  RasterCachedFont native, cached;
  native.SetFont(MakeFont(), RasterFontOwnsHandle | RasterFontNativeDrawing);
  cached.SetFont(MakeFont(), RasterFontOwnsHandle);
  native.SetColor(0xFFE0C0A0);
  cached.SetColor(0xFFE0C0A0);
  GuardedBitmap a(90, 40), b(90, 40);
  int ra[4] = {0, 0, 90, 40}, rb[4] = {0, 0, 90, 40};
  EXPECT_EQ(native.DrawTextInRect(&a, "Gain 3.5 dB", -1, ra, RasterTextNoClip | RasterTextCenter),
            cached.DrawTextInRect(&b, "Gain 3.5 dB", -1, rb, RasterTextNoClip | RasterTextCenter));
  EXPECT_EQ(a.Pixels(), b.Pixels());
}

namespace {

// A stand-in for the system's whole-text path: it records what it is handed and measures every
// text as 40 x 17 pixels.
struct RecordingTextSystem
{
  struct Call
  {
    std::string text;
    unsigned format;
    bool drew;
  };
  static std::vector<Call>& Calls()
  {
    static std::vector<Call> calls;
    return calls;
  }
  static bool Available() { return true; }
  static int Draw(RasterFontHandle, RasterBitmap* dest, const char* text, int length, int* rect, unsigned format,
                  RasterPixel, int, RasterPixel, float)
  {
    Calls().push_back({length < 0 ? std::string(text) : std::string(text, (size_t)length), format, dest != nullptr});
    if (format & RasterTextCalcRect) {
      rect[2] = rect[0] + 40;
      rect[3] = rect[1] + 17;
    }
    return 17;
  }

  RecordingTextSystem() : previous(RasterSetTextSystem(&fake)) { Calls().clear(); }
  ~RecordingTextSystem() { RasterSetTextSystem(previous); }
  const RasterTextSystem fake = {Available, Draw};
  const RasterTextSystem* previous;
};

} // namespace

TEST(RasterCachedFont, AlignedTranslucentTextIsMeasuredByTheSystemWhereItCanDraw)
{
  RecordingTextSystem system;
  RasterCachedFont native, cached;
  native.SetFont(MakeFont(), RasterFontOwnsHandle | RasterFontNativeDrawing);
  cached.SetFont(MakeFont(), RasterFontOwnsHandle);
  native.SetColor(0x80E0C0A0);
  cached.SetColor(0x80E0C0A0);
  auto& calls = RecordingTextSystem::Calls();

  // Translucent text is blended from the cache, but centred by the system's measure: only the
  // single-line bit goes with the measuring call.
  GuardedBitmap a(100, 30), b(100, 30);
  int ra[4] = {0, 0, 100, 30};
  native.DrawTextInRect(&a, "Hi", -1, ra, RasterTextCenter | RasterTextSingleLine | RasterTextAlphaFromColor);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "Hi");
  EXPECT_EQ(calls[0].format, RasterTextCalcRect | RasterTextSingleLine);
  int rb[4] = {(100 - 40) / 2, 0, 100, 30};
  cached.DrawTextInRect(&b, "Hi", -1, rb, RasterTextSingleLine | RasterTextAlphaFromColor);
  EXPECT_EQ(a.Pixels(), b.Pixels());

  // Right alignment of a counted text likewise.
  calls.clear();
  GuardedBitmap c(100, 30), d(100, 30);
  int rc[4] = {0, 0, 100, 30};
  native.DrawTextInRect(&c, "HiX", 2, rc, RasterTextRight | RasterTextAlphaFromColor);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "Hi");
  EXPECT_EQ(calls[0].format, RasterTextCalcRect);
  int rd[4] = {100 - 40, 0, 100, 30};
  cached.DrawTextInRect(&d, "Hi", -1, rd, RasterTextAlphaFromColor);
  EXPECT_EQ(c.Pixels(), d.Pixels());

  // Cached-only text is measured from the cache too; unaligned text needs no measure; opaque
  // text goes to the system whole; a font without the native flag never does.
  calls.clear();
  GuardedBitmap e(100, 30);
  int re[4] = {0, 0, 100, 30};
  native.DrawTextInRect(&e, "Hi", -1, re, RasterTextCenter | RasterTextAlphaFromColor | RasterTextCachedOnly);
  native.DrawTextInRect(&e, "Hi", -1, re, RasterTextAlphaFromColor);
  cached.DrawTextInRect(&e, "Hi", -1, re, RasterTextCenter | RasterTextAlphaFromColor);
  cached.DrawTextInRect(&e, "Hi", -1, re, RasterTextCenter);
  EXPECT_TRUE(calls.empty());
  native.DrawTextInRect(&e, "Hi", -1, re, RasterTextCenter | RasterTextNoClip);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].format, RasterTextCenter | RasterTextNoClip);
  EXPECT_TRUE(calls[0].drew);
}

TEST(RasterCachedFont, VerticalTextRunsAlongColumns)
{
  TestFont down(RasterFontVertical), up(RasterFontVertical | RasterFontVerticalUp);
  const int lh = down.font.GetLineHeight();
  int m[4] = {0, 0, 0, 0};
  const int width = down.font.DrawTextInRect(nullptr, "ab\nc", -1, m, RasterTextCalcRect);
  EXPECT_EQ(width, lh + down.font.FindGlyph('c')->width);
  EXPECT_EQ(m[3], down.font.FindGlyph('a')->advance + down.font.FindGlyph('b')->advance);

  for (TestFont* t : {&down, &up}) {
    GuardedBitmap dest(60, 60);
    int rect[4] = {0, 0, 60, 60};
    t->font.SetColor(0xFFFFFFFF);
    EXPECT_EQ(t->font.DrawTextInRect(&dest, "ab", -1, rect, 0), t->font.FindGlyph('a')->width);
    int inked = 0, top = 60, bottom = -1;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x)
        if (dest.At(x, y)) {
          ++inked;
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    EXPECT_GT(inked, 0);
    EXPECT_LT(bottom, m[3] + 2); // runs within the measured column, from the top either way
    EXPECT_TRUE(dest.GuardIntact());
  }
}

TEST(RasterCachedFont, BadArgumentsDrawNothingOutsideTheBitmap)
{
  std::mt19937 rng(99);
  TestFont t;
  RasterCachedFont& f = t.font;
  f.SetColor(0xFFFFFFFF);
  GuardedBitmap dest(32, 24);
  const int far[] = {INT_MIN, INT_MIN + 1, -100000, -20, 0, 7, 31, 100000, INT_MAX - 1, INT_MAX};
  const float alphas[] = {1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(), 3e9f};
  const unsigned formats[] = {0, RasterTextNoClip, RasterTextRight | RasterTextBottom, RasterTextCenter | RasterTextVCenter,
                              RasterTextSingleLine | RasterTextNoClip | RasterTextCenter};
  for (int i = 0; i < 3000; ++i) {
    int rect[4];
    for (int& v : rect)
      v = far[rng() % 10];
    f.SetCombineMode((int)(rng() % 7), alphas[rng() % 5]);
    f.SetBackgroundMode(1 + (int)(rng() % 2));
    f.DrawTextInRect(&dest, "Wq\n\xC3\xA9", -1, rect, formats[rng() % 5]);
    ASSERT_TRUE(dest.GuardIntact()) << i;
  }
  int rect[4] = {0, 0, 32, 24};
  EXPECT_EQ(f.DrawTextInRect(nullptr, "x", -1, rect, 0), 0);
  EXPECT_EQ(f.DrawTextInRect(&dest, nullptr, -1, rect, 0), 0);
  EXPECT_EQ(f.DrawTextInRect(&dest, "x", -1, nullptr, 0), 0);
  GuardedBitmap empty(0, 0);
  EXPECT_EQ(f.DrawTextInRect(&empty, "x", -1, rect, RasterTextNoClip), 0);
  EXPECT_TRUE(empty.GuardIntact());

  // Measuring far-out rectangles saturates instead of wrapping.
  int huge[4] = {INT_MAX - 3, INT_MAX - 3, 0, 0};
  f.DrawTextInRect(nullptr, "WWWW", -1, huge, RasterTextCalcRect);
  EXPECT_EQ(huge[2], INT_MAX);
  EXPECT_EQ(huge[3], INT_MAX);

  // Replacing a font with its own handle keeps the handle alive.
  RasterFontHandle h = f.GetFont();
  f.SetFont(h, RasterFontOwnsHandle);
  int again[4] = {0, 0, 0, 0};
  EXPECT_GT(f.DrawTextInRect(nullptr, "x", -1, again, RasterTextCalcRect), 0);
}

TEST(RasterCachedFont, BothBuildsLayOutTrebuchetAlike)
{
  // Measured from GDI under Wine, where Trebuchet MS is Liberation Sans: the Linux build must
  // place text on the same pixels.
  struct Case { int height, lineHeight, a, w, g, space; } cases[] = {
    {-11, 12, 7, 10, 6, 3}, {-15, 17, 10, 14, 8, 4}, {-24, 27, 16, 23, 13, 7}, {20, 20, 12, 17, 10, 5},
  };
  for (const Case& c : cases) {
    TestFont t(0, c.height);
    int rect[4] = {0, 0, 0, 0};
    EXPECT_EQ(t.font.DrawTextInRect(nullptr, "AWg ", -1, rect, RasterTextCalcRect), c.lineHeight) << c.height;
    EXPECT_EQ(t.font.GetLineHeight(), c.lineHeight);
    EXPECT_EQ(t.font.FindGlyph('A')->advance, c.a) << c.height;
    EXPECT_EQ(t.font.FindGlyph('W')->advance, c.w) << c.height;
    EXPECT_EQ(t.font.FindGlyph('g')->advance, c.g) << c.height;
    EXPECT_EQ(t.font.FindGlyph(' ')->advance, c.space) << c.height;
  }
}
