// Bitmap loading through the process-wide cache, the drawing calls, the font cache, and
// whole redraws of a panel built like the product's compared with a composition made
// directly with the raster library.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "graphics/IBitmapCache.h"
#include "graphics/IFontCache.h"
#include "raster/RasterBlit.h"
#include "raster/RasterCachedFont.h"
#include "raster/RasterMemBitmap.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterResource.h"
#include "raster/RasterSysBitmap.h"
#include "raster/RasterSysFont.h"
#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/graphics/ProductPanel.h"

namespace {

const IMouseKeys kLeft(true, false, false, false, false);

// A control whose drawing is whatever the test asks.
class DrawingControl : public IControl {
 public:
  DrawingControl(IPlugBase* plug, const IPixelRect& bounds, std::function<void(IEditorCanvas*)> draw)
      : IControl(plug, bounds, -1, nullptr), draw(std::move(draw)) {}
  bool Render(IEditorCanvas* canvas) override {
    draw(canvas);
    return true;
  }
  std::function<void(IEditorCanvas*)> draw;
};

// The first pixel position (x, y, or -1, -1) where two bitmaps of the panel's size differ.
std::string FirstDifference(RasterBitmap* a, RasterBitmap* b) {
  if (a->GetWidth() != b->GetWidth() || a->GetHeight() != b->GetHeight()) return "sizes differ";
  for (int y = 0; y < a->GetHeight(); ++y)
    for (int x = 0; x < a->GetWidth(); ++x) {
      const RasterPixel pa = a->GetBits()[y * a->GetRowSpan() + x], pb = b->GetBits()[y * b->GetRowSpan() + x];
      if (pa != pb) {
        char text[96];
        std::snprintf(text, sizeof text, "(%d, %d): %08X against %08X", x, y, pa, pb);
        return text;
      }
    }
  return "";
}

RasterPixel Pixel(RasterBitmap* b, int x, int y) { return b->GetBits()[y * b->GetRowSpan() + x]; }

class DrawingTest : public ::testing::Test {
 protected:
  DrawingControl* AddDrawing(const IPixelRect& bounds, std::function<void(IEditorCanvas*)> draw) {
    DrawingControl* c = new DrawingControl(&fx.plug, bounds, std::move(draw));
    fx.canvas->AttachControl(c);
    return c;
  }
  RasterSysBitmap* Back() { return fx.canvas->GetBackBuffer(); }
  PanelFixture fx;
};

TEST_F(DrawingTest, TheFiveImagesLoadWithTheirSizesAndFrames) {
  struct { int id; const char* name; int frames, width, height; } images[] = {
      {100, "resources/img/background.png", 1, 368, 240}, {101, "resources/img/knob.png", 101, 124, 12524},
      {102, "resources/img/switch.png", 2, 40, 116},       {103, "resources/img/power.png", 2, 36, 60},
      {104, "resources/img/monomode.png", 1, 368, 240}};
  for (const auto& image : images) {
    const IBitmapRef ref = fx.canvas->LoadBitmap(image.id, image.name, image.frames);
    ASSERT_NE(ref.bitmap, nullptr) << image.name;
    EXPECT_EQ(ref.width, image.width);
    EXPECT_EQ(ref.height, image.height);
    EXPECT_EQ(ref.frames, image.frames);
  }
  EXPECT_EQ(fx.canvas->LoadBitmap(101, "resources/img/knob.png", 101).FrameHeight(), 124);
}

TEST_F(DrawingTest, AnImageIsDecodedOncePerProcessWhateverTheNameOrFrames) {
  const bool decodedBefore = IBitmapCache::Find(101) != nullptr;
  const int entries = IBitmapCache::Count();
  const IBitmapRef first = fx.canvas->LoadBitmap(101, "resources/img/knob.png", 101);
  EXPECT_EQ(fx.canvas->resourceLoads, decodedBefore ? 0 : 1);
  EXPECT_EQ(IBitmapCache::Count(), entries + (decodedBefore ? 0 : 1));

  TestPlug other;  // a second instance with its own editor
  HeadlessCanvas second(&other);
  const IBitmapRef again = second.LoadBitmap(101, "another name.PNG", 7);
  EXPECT_EQ(second.resourceLoads, 0);
  EXPECT_EQ(again.bitmap, first.bitmap);
  EXPECT_EQ(again.frames, 7);  // the caller's description
  EXPECT_EQ(IBitmapCache::Find(101), first.bitmap);
}

TEST_F(DrawingTest, AResourceThatCannotBeLoadedGivesAnEmptyReferenceAndIsNotCached) {
  const int entries = IBitmapCache::Count();
  const IBitmapRef missing = fx.canvas->LoadBitmap(4242, "missing.png", 1);
  const IBitmapRef unnamed = fx.canvas->LoadBitmap(4243, nullptr, 2);
  for (const IBitmapRef* ref : {&missing, &unnamed}) {
    EXPECT_EQ(ref->bitmap, nullptr);
    EXPECT_EQ(ref->width, 0);
    EXPECT_EQ(ref->height, 0);
  }
  EXPECT_EQ(IBitmapCache::Find(4242), nullptr);
  EXPECT_EQ(IBitmapCache::Count(), entries);

  // Only a name ending in "png", in any case, is decoded.
  void* module = RasterGetModuleHandle();
  for (const char* name : {"power.bmp", "power.pngs", "png", "power.pn", "", "a.p.g"})
    EXPECT_EQ(fx.canvas->LoadPngResourceNamed(module, 103, name), nullptr) << name;
  for (const char* name : {"power.png", "x.PnG", ".png"}) {
    std::unique_ptr<RasterBitmap> image(fx.canvas->LoadPngResourceNamed(module, 103, name));
    EXPECT_NE(image, nullptr) << name;
  }

  // Controls built on it are empty and draw nothing.
  fx.canvas->AttachControl(new IBitmapControl(&fx.plug, 10, 10, -1, missing, nullptr));
  fx.Attach();
  RasterFillRect(Back(), 0, 0, 368, 240, 0xFF123456, 1.0f, RasterModeCopy);
  EXPECT_TRUE(fx.canvas->RedrawArea(IPixelRect(0, 0, 368, 240)));
  EXPECT_EQ(Pixel(Back(), 10, 10), 0xFF123456u);
}

TEST_F(DrawingTest, AFrameIsReadFromItsShareOfTheFilmstrip) {
  const IBitmapRef knob = fx.canvas->LoadBitmap(101, "resources/img/knob.png", 101);
  const IBlendSpec replace(BlendReplace, 1.0f);
  int frame = 51;
  AddDrawing(IPixelRect(0, 0, 368, 240),
             [&](IEditorCanvas* c) { c->DrawBitmapFrame(knob, IPixelRect(0, 0, 124, 124), frame, &replace); });
  fx.Attach();
  for (int f : {51, 1, 101, 0, -3}) {
    frame = f;
    fx.canvas->RedrawArea(IPixelRect(0, 0, 368, 240));
    const int sourceY = f == 51 ? 6200 : f == 101 ? 12400 : 0;
    for (int y = 0; y < 124; y += 7)
      for (int x = 0; x < 124; x += 5)
        ASSERT_EQ(Pixel(Back(), x, y), Pixel(knob.bitmap, x, sourceY + y)) << "frame " << f << " at " << x << "," << y;
  }
  // A one-frame description of the same image always reads from the top.
  const IBitmapRef whole(knob.bitmap, knob.width, knob.height, 1);
  frame = 60;
  AddDrawing(IPixelRect(0, 0, 368, 240),
             [&](IEditorCanvas* c) { c->DrawBitmapFrame(whole, IPixelRect(200, 0, 324, 124), frame, &replace); });
  fx.canvas->RedrawArea(IPixelRect(0, 0, 368, 240));
  EXPECT_EQ(Pixel(Back(), 260, 60), Pixel(knob.bitmap, 60, 60));
}

TEST_F(DrawingTest, BitmapDrawsAreClippedToTheAreaBeingRedrawn) {
  const IBitmapRef knob = fx.canvas->LoadBitmap(101, "resources/img/knob.png", 101);
  const IBlendSpec replace(BlendReplace, 1.0f);
  AddDrawing(IPixelRect(0, 0, 368, 240),
             [&](IEditorCanvas* c) { c->DrawBitmapFrame(knob, IPixelRect(222, 30, 346, 154), 51, &replace); });
  fx.Attach();
  RasterFillRect(Back(), 0, 0, 368, 240, 0xFF010203, 1.0f, RasterModeCopy);
  fx.canvas->RedrawArea(IPixelRect(300, 100, 368, 240));
  // (78, 6200 + 70) .. (124, 6200 + 124) of the knob land at (300, 100) .. (346, 154).
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 368; ++x) {
      const bool inside = x >= 300 && x < 346 && y >= 100 && y < 154;
      const RasterPixel want = inside ? Pixel(knob.bitmap, x - 222, 6200 + y - 30) : 0xFF010203u;
      ASSERT_EQ(Pixel(Back(), x, y), want) << x << "," << y;
    }
}

TEST_F(DrawingTest, EachBlendMethodUsesItsRasterMode) {
  const IBitmapRef power = fx.canvas->LoadBitmap(103, "resources/img/power.png", 2);
  IBlendSpec blend;
  AddDrawing(IPixelRect(0, 0, 368, 240),
             [&](IEditorCanvas* c) { c->DrawBitmapRegion(power, IPixelRect(0, 0, 36, 30), 0, 30, &blend); });
  const IBlendSpec* noBlend = nullptr;
  AddDrawing(IPixelRect(0, 0, 368, 240),
             [&](IEditorCanvas* c) { c->DrawBitmapRegion(power, IPixelRect(100, 0, 136, 30), 0, 0, noBlend); });
  fx.Attach();
  struct { int method; float weight; int mode; } cases[] = {
      {BlendNormal, 1.0f, 0x10000}, {BlendReplace, 1.0f, 0}, {BlendAdd, 0.5f, 0x10001},
      {BlendDodge, 0.75f, 0x10002}, {99, 0.3f, 0x10000}};
  for (const auto& k : cases) {
    blend = IBlendSpec(k.method, k.weight);
    RasterFillRect(Back(), 0, 0, 368, 240, 0x80406080, 1.0f, RasterModeCopy);
    fx.canvas->RedrawArea(IPixelRect(0, 0, 368, 240));
    RasterSysBitmap want(368, 240);
    RasterFillRect(&want, 0, 0, 368, 240, 0x80406080, 1.0f, RasterModeCopy);
    RasterBlitRect(&want, power.bitmap, 0, 0, 0, 30, 36, 30, k.weight, k.mode);
    RasterBlitRect(&want, power.bitmap, 100, 0, 0, 0, 36, 30, 1.0f, 0x10000);
    EXPECT_EQ(FirstDifference(Back(), &want), "") << "method " << k.method;
  }
}

TEST_F(DrawingTest, DrawingOutsideTheBackBufferOrWithInvertedRectanglesIsHarmless) {
  const IBitmapRef knob = fx.canvas->LoadBitmap(101, "resources/img/knob.png", 101);
  const IBitmapRef overlay = fx.canvas->LoadBitmap(104, "resources/img/monomode.png", 1);
  AddDrawing(IPixelRect(-100000, -100000, 100000, 100000), [&](IEditorCanvas* c) {
    c->DrawBitmapFrame(knob, IPixelRect(-60, -60, 64, 64), 101, nullptr);
    c->DrawBitmapFrame(knob, IPixelRect(300, 200, 424, 324), 2, nullptr);
    c->DrawBitmapRegion(overlay, IPixelRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), INT_MAX, INT_MIN, nullptr);
    c->DrawBitmapRegion(overlay, IPixelRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), 0, 0, nullptr);
    c->DrawBitmapRegion(overlay, IPixelRect(300, 200, 10, 10), 0, 0, nullptr);  // inverted
    c->DrawBitmapRegion(IBitmapRef(), IPixelRect(0, 0, 368, 240), 0, 0, nullptr);
  });
  fx.Attach();
  for (const IPixelRect& area : {IPixelRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), IPixelRect(0, 0, 368, 240),
                                 IPixelRect(300, 200, 10, 10), IPixelRect(-5, -5, 0, 0), IPixelRect(368, 240, 400, 300)})
    EXPECT_TRUE(fx.canvas->RedrawArea(area));
  // A canvas never attached has no back buffer: drawing does nothing.
  HeadlessCanvas bare(&fx.plug);
  bare.AttachControl(new IBitmapControl(&fx.plug, 0, 0, -1, overlay, nullptr));
  EXPECT_TRUE(bare.RedrawArea(IPixelRect(0, 0, 368, 240)));
  ITextStyle style;
  EXPECT_TRUE(bare.DrawStyledText(&style, "12", IPixelRect(0, 0, 50, 20)));
}

// Text -------------------------------------------------------------------------------------

TEST_F(DrawingTest, StylesDifferingOnlyInColourOrQualityShareOneFont) {
  ITextStyle white("Verdana", 13, IPixelColor(255, 255, 255, 255), TextStyleNormal, TextAlignCenter, 0, TextQualityClearType);
  ITextStyle red("Verdana", 13, IPixelColor(255, 255, 0, 0), TextStyleNormal, TextAlignRight, 0, TextQualityNonAntialiased);
  ITextStyle bigger("Verdana", 14);
  ITextStyle bold("Verdana", 13, IPixelColor(), TextStyleBold);
  ITextStyle otherCase("verdana", 13);
  RasterCachedFont* a = fx.canvas->CacheFont(&white);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(white.cachedFont, a);
  EXPECT_EQ(fx.canvas->CacheFont(&red), a);
  EXPECT_EQ(red.cachedFont, a);
  EXPECT_NE(fx.canvas->CacheFont(&bigger), a);
  EXPECT_NE(fx.canvas->CacheFont(&bold), a);
  EXPECT_NE(fx.canvas->CacheFont(&otherCase), a);  // the face is compared exactly
  EXPECT_EQ(IFontCache::Find(13, 0, TextStyleNormal, "Verdana"), a);
  EXPECT_EQ(fx.canvas->CacheFont(nullptr), nullptr);
}

TEST_F(DrawingTest, AnOverlongFaceIsCutToItsFieldAndStillDraws) {
  ITextStyle style("A face name far longer than the thirty-one characters a face may hold", 12);
  EXPECT_EQ(std::strlen(style.face), 31u);
  std::memset(style.face, 'x', sizeof style.face);  // no terminator at all
  fx.Attach();
  EXPECT_NE(fx.canvas->CacheFont(&style), nullptr);
  EXPECT_TRUE(fx.canvas->DrawStyledText(&style, "7", IPixelRect(0, 0, 40, 20)));
}

TEST_F(DrawingTest, TextIsDrawnAtTheTopOfItsRectWithTheStylesAlignmentAndAlpha) {
  fx.Attach();
  struct { int alignment; int alpha; unsigned format; } cases[] = {
      {TextAlignLeft, 255, RasterTextNoClip},
      {TextAlignCenter, 255, RasterTextNoClip | RasterTextCenter},
      {TextAlignRight, 128, RasterTextNoClip | RasterTextRight | RasterTextAlphaFromColor},
      {7, 255, RasterTextNoClip | RasterTextRight},
      {TextAlignCenter, 0x1FF, RasterTextNoClip | RasterTextCenter | RasterTextAlphaFromColor}};
  for (const auto& k : cases) {
    ITextStyle style("Verdana", 15, IPixelColor(k.alpha, 250, 200, 100), TextStyleNormal, k.alignment);
    RasterFillRect(Back(), 0, 0, 368, 240, 0xFF000000, 1.0f, RasterModeCopy);
    ASSERT_TRUE(fx.canvas->DrawStyledText(&style, "Amount 42", IPixelRect(20, 30, 200, 40)));

    RasterSysBitmap want(368, 240);
    RasterFillRect(&want, 0, 0, 368, 240, 0xFF000000, 1.0f, RasterModeCopy);
    RasterCachedFont* font = style.cachedFont;
    font->SetColor(((RasterPixel)(k.alpha & 0xFF) << 24) | 0xFAC864);
    int box[4] = {20, 30, 200, 40};
    font->DrawTextInRect(&want, "Amount 42", -1, box, k.format);
    EXPECT_EQ(FirstDifference(Back(), &want), "") << "alignment " << k.alignment << " alpha " << k.alpha;
  }
  // Translucent text really is drawn differently with the colour's alpha than without it.
  ITextStyle half("Verdana", 15, IPixelColor(128, 250, 200, 100));
  RasterFillRect(Back(), 0, 0, 368, 240, 0xFF000000, 1.0f, RasterModeCopy);
  fx.canvas->DrawStyledText(&half, "Amount 42", IPixelRect(20, 30, 200, 40));
  RasterSysBitmap opaque(368, 240);
  RasterFillRect(&opaque, 0, 0, 368, 240, 0xFF000000, 1.0f, RasterModeCopy);
  int box[4] = {20, 30, 200, 40};
  half.cachedFont->DrawTextInRect(&opaque, "Amount 42", -1, box, RasterTextNoClip | RasterTextCenter);
  EXPECT_NE(FirstDifference(Back(), &opaque), "");

  ITextStyle any;
  EXPECT_TRUE(fx.canvas->DrawStyledText(&any, "", IPixelRect(0, 0, 10, 10)));
  EXPECT_TRUE(fx.canvas->DrawStyledText(&any, nullptr, IPixelRect(0, 0, 10, 10)));
  EXPECT_EQ(any.cachedFont, nullptr);  // nothing to draw: no font made
  EXPECT_FALSE(fx.canvas->DrawStyledText(nullptr, "x", IPixelRect(0, 0, 10, 10)));
}

// The whole panel ------------------------------------------------------------------------

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    panel = BuildProductPanel(fx.canvas, &fx.plug);
    fx.Attach();
  }
  void ExpectPanel(double amount, double type, double power, bool overlay, const char* text) {
    RasterSysBitmap want(368, 240);
    ComposeProductPanel(&want, amount, type, power, overlay, text);
    EXPECT_EQ(FirstDifference(fx.canvas->GetBackBuffer(), &want), "")
        << "amount " << amount << " type " << type << " power " << power << " overlay " << overlay;
  }
  PanelFixture fx;
  ProductPanel panel;
};

TEST_F(PanelTest, IsBuiltInTheProductsOrder) {
  ASSERT_EQ(fx.canvas->NControls(), 5);
  EXPECT_EQ(panel.overlayIndex, 4);
  EXPECT_EQ(fx.canvas->GetControl(1), panel.knob);
  EXPECT_EQ(panel.knob->GetBounds(), IPixelRect(222, 30, 346, 168));
  EXPECT_EQ(panel.type->GetBounds(), IPixelRect(20, 63, 60, 121));
  EXPECT_EQ(panel.power->GetBounds(), IPixelRect(20, 147, 56, 177));
  EXPECT_EQ(panel.overlay->GetBounds(), IPixelRect(0, 0, 368, 240));
  EXPECT_EQ(panel.power->GetValue(), 1.0);  // pushed at attach: "Power" is on
}

TEST_F(PanelTest, FullRedrawsMatchTheReferenceComposition) {
  panel.overlay->SetHidden(true);
  fx.canvas->OpenWindow(nullptr);
  ASSERT_TRUE(fx.canvas->Tick());
  ExpectPanel(0.0, 0.0, 1.0, false, "0");

  struct { double amount, type, power; bool overlay; const char* text; } settings[] = {
      {0.5, 1.0, 0.0, false, "50"}, {1.0, 0.0, 1.0, false, "100"}, {0.37, 1.0, 1.0, true, "37"},
      {0.005, 0.0, 0.0, false, "1"}};
  for (const auto& s : settings) {
    fx.plug.GetParam(1)->SetFromNormalized(s.amount);
    fx.canvas->PushParamToControls(1, s.amount, true);
    fx.canvas->PushParamToControls(2, s.type, true);
    fx.canvas->PushParamToControls(0, s.power, true);
    panel.overlay->SetHidden(!s.overlay);
    ASSERT_TRUE(fx.canvas->Tick());
    ExpectPanel(s.amount, s.type, s.power, s.overlay, s.text);
  }
}

TEST_F(PanelTest, AKnobChangeRedrawsOnlyTheKnobAndLeavesTheRestAsComposed) {
  panel.overlay->SetHidden(true);
  fx.canvas->OpenWindow(nullptr);
  fx.canvas->Tick();
  fx.canvas->Tick();  // the overlay's second pass
  EXPECT_FALSE(fx.canvas->Tick());
  fx.canvas->presented.clear();
  // A drag of 138 pixels up from 0: a quarter of the range.
  fx.canvas->MousePressed(280, 80, kLeft);
  fx.canvas->MouseDragged(280, -58, kLeft);
  fx.canvas->MouseReleased(280, -58, kLeft);
  EXPECT_EQ(fx.plug.GetParam(1)->GetValue(), 25.0);
  EXPECT_EQ(fx.plug.events, (std::vector<std::string>{"automate 1", "begin 1", "automate 1", "end 1"}));
  ASSERT_TRUE(fx.canvas->Tick());
  ASSERT_EQ(fx.canvas->presented.size(), 1u);
  EXPECT_EQ(fx.canvas->presented[0], IPixelRect(222, 30, 346, 168));
  ExpectPanel(0.25, 0.0, 1.0, false, "25");
}

TEST_F(PanelTest, TheOverlayCoversEverythingAndTakesEveryClick) {
  panel.overlay->SetHidden(false);
  fx.canvas->MousePressed(40, 160, kLeft);  // on "Power"
  fx.canvas->MouseReleased(40, 160, kLeft);
  fx.canvas->MouseDoubleClicked(280, 80, kLeft);
  EXPECT_TRUE(fx.plug.events.empty());
  EXPECT_EQ(panel.power->GetValue(), 1.0);
  EXPECT_EQ(fx.canvas->FindControlAt(40, 160), panel.overlayIndex);
  panel.overlay->SetHidden(true);
  fx.canvas->MousePressed(40, 160, kLeft);
  EXPECT_EQ(panel.power->GetValue(), 0.0);
  EXPECT_EQ(fx.plug.GetParam(0)->GetValue(), 0.0);
}

TEST_F(PanelTest, AHiddenOverlayKeepsThePanelDirtyWhileAudioRuns) {
  fx.canvas->OpenWindow(nullptr);
  for (int tick = 0; tick < 4; ++tick) {
    panel.overlay->SetHidden(true);  // what the product's block processing does
    IPixelRect area;
    ASSERT_TRUE(fx.canvas->CollectDirtyArea(&area));
    EXPECT_EQ(area, IPixelRect(0, 0, 368, 240));
    fx.canvas->RedrawArea(area);
  }
}

}  // namespace
