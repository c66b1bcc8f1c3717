#include "tests/graphics/ProductPanel.h"

#include <cmath>
#include <memory>

#include "graphics/IEditorCanvas.h"
#include "raster/RasterBlit.h"
#include "raster/RasterCachedFont.h"
#include "raster/RasterPng.h"
#include "raster/RasterResource.h"
#include "raster/RasterSysFont.h"

namespace
{
RasterBitmap* Decoded(int id)
{
  // The reference decodes its own copies, independent of the canvas's cache.
  static std::unique_ptr<RasterBitmap> images[5];
  std::unique_ptr<RasterBitmap>& image = images[id - 100];
  if (!image) image.reset(RasterLoadPngResource(RasterGetModuleHandle(), id, nullptr));
  return image.get();
}

void Frame(RasterBitmap* out, int id, int frames, double value, int x, int y, int mode)
{
  RasterBitmap* image = Decoded(id);
  const int frameHeight = image->GetHeight() / frames;
  int frame = 1;
  if (frames > 1)
  {
    frame = (int)std::trunc((frames - 1) * value + 0.5) + 1;
    if (frame > frames) frame = frames;
  }
  const int sourceY = frame > 1 ? (int)((double)image->GetHeight() * (frame - 1) / frames + 0.5) : 0;
  RasterBlitRect(out, image, x, y, 0, sourceY, image->GetWidth(), frameHeight, 1.0f, mode);
}
}  // namespace

ITextStyle ProductKnobTextStyle()
{
  return ITextStyle("Trebuchet MS", 16, IPixelColor(255, 255, 255, 255), TextStyleNormal, TextAlignCenter, 0,
                    TextQualityClearType);
}

ProductPanel BuildProductPanel(IEditorCanvas* canvas, IPlugBase* plug)
{
  ProductPanel panel;
  const IBlendSpec normal(BlendNormal, 1.0f);
  const IBitmapRef knob = canvas->LoadBitmap(101, "resources/img/knob.png", 101);
  const IBitmapRef type = canvas->LoadBitmap(102, "resources/img/switch.png", 2);
  const IBitmapRef power = canvas->LoadBitmap(103, "resources/img/power.png", 2);
  const IBitmapRef overlay = canvas->LoadBitmap(104, "resources/img/monomode.png", 1);
  panel.knob = new IKnobMultiControlText(plug, IPixelRect(222, 30, 346, 168), 1, knob, ProductKnobTextStyle(), &normal);
  panel.type = new ISwitchControl(plug, 20, 63, 2, type, &normal);
  panel.power = new ISwitchControl(plug, 20, 147, 0, power, &normal);
  panel.overlay = new IBitmapControl(plug, 0, 0, -1, overlay, &normal);
  canvas->AttachBackground(100, "resources/img/background.png");
  canvas->AttachControl(panel.knob);
  canvas->AttachControl(panel.type);
  canvas->AttachControl(panel.power);
  panel.overlayIndex = canvas->AttachControl(panel.overlay);
  return panel;
}

void ComposeProductPanel(RasterBitmap* out, double amount, double type, double power, bool overlayShown,
                         const char* valueText)
{
  const int alpha = RasterModeCopy | RasterModeUseSourceAlpha;
  RasterBlitRect(out, Decoded(100), 0, 0, 0, 0, 368, 240, 1.0f, RasterModeCopy);
  Frame(out, 101, 101, amount, 222, 30, alpha);
  if (valueText && *valueText)
  {
    static std::unique_ptr<RasterCachedFont> font;
    if (!font)
    {
      font.reset(new RasterCachedFont());
      font->SetFont(RasterCreateFontEx("Trebuchet MS", 16, 0, 0, 400, false, RasterFontQualityClearType),
                    RasterFontOwnsHandle | RasterFontNativeDrawing);
    }
    font->SetColor(0xFFFFFFFF);
    int box[4] = {231, 151, 336, 168};
    font->DrawTextInRect(out, valueText, -1, box, RasterTextNoClip | RasterTextCenter);
  }
  Frame(out, 102, 2, type, 20, 63, alpha);
  Frame(out, 103, 2, power, 20, 147, alpha);
  if (overlayShown) Frame(out, 104, 1, 0.0, 0, 0, alpha);
}
