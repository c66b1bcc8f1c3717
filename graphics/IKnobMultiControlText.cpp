#include "graphics/IKnobMultiControlText.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IEditorCanvas.h"
#include "plugin/IPlugParam.h"

IKnobMultiControlText::IKnobMultiControlText(IPlugBase* plugIn, const IPixelRect& rect, int index,
                                             const IBitmapRef& bitmapRef, const ITextStyle& style,
                                             const IBlendSpec* blendIn)
  : IKnobControl(plugIn, rect, index, blendIn, KnobVertical, 4.0),
    textArea(rect.left + 9, rect.bottom - 17, rect.right - 10, rect.bottom),
    imageArea(rect.left, rect.top, rect.left + bitmapRef.width, rect.top + bitmapRef.FrameHeight()),
    bitmap(bitmapRef)
{
  textStyle = style;
  promptDisabled = false;
}

void IKnobMultiControlText::HandlePress(int x, int y, const IMouseKeys& keys)
{
  if (!textArea.IsEmpty() && textArea.Contains(x, y))
    PromptForValueAt(textArea);
  else
    HandleDrag(x, y, 0, 0, keys);  // no change, but the value goes to the plug-in again
}

bool IKnobMultiControlText::Render(IEditorCanvas* canvas)
{
  canvas->DrawBitmapFrame(bitmap, imageArea, IBitmapControl::FrameForValue(bitmap.frames, value), &blend);
  const IPlugParam* param = GetParam();
  if (!param) return true;
  char text[IValueText::kTextSize];
  param->FormatValue(param->GetValue(), false, text, true);
  if (!text[0]) return true;
  return canvas->DrawStyledText(&textStyle, text, textArea);
}
