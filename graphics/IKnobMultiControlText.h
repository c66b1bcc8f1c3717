#pragma once

#include "graphics/IBitmapRef.h"
#include "graphics/IKnobControl.h"

// A filmstrip knob with its parameter's value as text underneath. A click on the text opens
// a text entry; a click on the knob resends its value; drags turn it.
class IKnobMultiControlText : public IKnobControl
{
public:
  // textArea (left + 9, bottom - 17, right - 10, bottom); imageArea one frame of the bitmap
  // at the top-left corner; the style is copied; prompting is enabled.
  IKnobMultiControlText(IPlugBase* plug, const IPixelRect& bounds, int paramIndex, const IBitmapRef& bitmap,
                        const ITextStyle& textStyle, const IBlendSpec* blend);

  // editor thread
  void HandlePress(int x, int y, const IMouseKeys& keys) override;
  // editor thread, inside the redraw pass
  bool Render(IEditorCanvas* canvas) override;

  const IPixelRect& GetTextArea() const { return textArea; }
  const IPixelRect& GetImageArea() const { return imageArea; }
  const IBitmapRef& GetBitmap() const { return bitmap; }

protected:
  IPixelRect textArea;
  IPixelRect imageArea;
  IBitmapRef bitmap;
};
