#pragma once

#include "graphics/IBitmapControl.h"
#include "graphics/IKnobMultiControlText.h"
#include "graphics/ISwitchControl.h"

class IEditorCanvas;
class IPlugBase;
class RasterBitmap;

// A panel built as the product builds its editor: the five images, the "Amount" knob with
// its white value text, the "Type" and "Power" switches and the full-panel overlay, in that
// drawing order after the background. The plug-in needs the product's three parameters.
struct ProductPanel
{
  IKnobMultiControlText* knob = nullptr;
  ISwitchControl* type = nullptr;
  ISwitchControl* power = nullptr;
  IBitmapControl* overlay = nullptr;
  int overlayIndex = -1;
};

// Attaches the panel's controls to canvas (not yet to the plug-in).
ProductPanel BuildProductPanel(IEditorCanvas* canvas, IPlugBase* plug);

// The knob's value text style.
ITextStyle ProductKnobTextStyle();

// What a full redraw of that panel must give, composed directly with the raster library:
// the background copied, each control's frame chosen from its value and blended over it,
// the value text drawn with a font made for it, the overlay on top when shown.
void ComposeProductPanel(RasterBitmap* out, double amount, double type, double power, bool overlayShown,
                         const char* valueText);
