// Mouse and key dispatch, and the binding of controls to parameters.
#include "graphics/IControl.h"
#include "graphics/IEditorCanvas.h"
#include "graphics/IPopupMenu.h"
#include "plugin/IPlugBase.h"

#include <cstring>
#include <new>

int IEditorCanvas::FindControlAt(int x, int y)
{
  // Last attached first: the topmost control wins where controls overlap.
  for (int i = controls.GetCount() - 1; i >= 0; --i)
  {
    IControl* control = controls.Get(i);
    if (control->IsHidden() || control->IsGreyed()) continue;
    if (control->HitTest(x, y)) return i;
  }
  return -1;
}

void IEditorCanvas::MousePressed(int x, int y, const IMouseKeys& keys)
{
  captureIndex = -1;
  lastMouseX = lastMouseY = -1;
  const int hit = FindControlAt(x, y);
  if (hit < 0) return;
  captureIndex = hit;
  lastMouseX = x;
  lastMouseY = y;
  IControl* control = controls.Get(hit);
  control->HandlePress(x, y, keys);
  // After the handler: the host hears of the gesture once its first value is sent.
  if (control->GetParamIndex() >= 0 && plug) plug->HostBeginEdit(control->GetParamIndex());
}

void IEditorCanvas::MouseReleased(int x, int y, const IMouseKeys& keys)
{
  IControl* control = controls.Get(captureIndex);
  if (!control) control = controls.Get(FindControlAt(x, y));
  captureIndex = -1;
  lastMouseX = lastMouseY = -1;
  if (!control) return;
  control->HandleRelease(x, y, keys);
  if (control->GetParamIndex() >= 0 && plug) plug->HostEndEdit(control->GetParamIndex());
}

void IEditorCanvas::MouseDragged(int x, int y, const IMouseKeys& keys)
{
  IControl* control = controls.Get(captureIndex);
  if (!control) return;
  // In 64 bits: positions from the window system are 16-bit, but nothing stops a caller.
  const long long dX = (long long)x - lastMouseX, dY = (long long)y - lastMouseY;
  if (dX == 0 && dY == 0) return;
  lastMouseX = x;
  lastMouseY = y;
  auto narrow = [](long long d) { return (int)(d < INT32_MIN ? INT32_MIN : d > INT32_MAX ? INT32_MAX : d); };
  control->HandleDrag(x, y, narrow(dX), narrow(dY), keys);
}

void IEditorCanvas::MouseDoubleClicked(int x, int y, const IMouseKeys& keys)
{
  captureIndex = -1;
  lastMouseX = lastMouseY = -1;
  if (IControl* control = controls.Get(FindControlAt(x, y))) control->HandleDoubleClick(x, y, keys);
}

void IEditorCanvas::MouseWheeled(int x, int y, const IMouseKeys& keys, int delta)
{
  IControl* control = controls.Get(captureIndex);
  if (!control) control = controls.Get(FindControlAt(x, y));
  if (control) control->HandleWheel(x, y, keys, delta);
}

bool IEditorCanvas::KeyPressed(int x, int y, int keyCode)
{
  int index = captureIndex;
  if (!controls.Get(index)) index = FindControlAt(x, y);
  // The background (index 0) never takes keys: they belong to the window system.
  if (index < 1) return false;
  return controls.Get(index)->HandleKey(x, y, keyCode);
}

void IEditorCanvas::OpenValuePrompt(IControl* control, IPlugParam* parameter, const IPixelRect* area)
{
  if (!control || !parameter || !area) return;
  char current[IValueText::kTextSize];
  if (parameter->GetKind() == IPlugParam::kKindBool && parameter->CountValueTexts() > 0)
  {
    parameter->FormatValue(parameter->GetValue(), false, current, true);
    IPopupMenu* menu = new (std::nothrow) IPopupMenu(IPopupMenu::kPrefixNone);
    if (!menu) return;
    menu->chosenIndex = -1;
    for (int i = 0; i < parameter->CountValueTexts(); ++i)
    {
      const char* text = parameter->GetValueText(i);
      menu->AddItem(text, -1, std::strcmp(text, current) == 0 ? IPopupMenuItem::kChecked : 0);
    }
    if (ShowPopupMenu(menu, *area) == menu && menu->chosenIndex >= 0)
      control->ApplyUserValue(parameter->NormalizeValue(menu->chosenIndex));
    delete menu;
    return;
  }
  parameter->FormatValue(parameter->GetValue(), false, current, false);
  OpenTextEntry(control, control->GetTextStyle(), *area, current, parameter);
}

bool IEditorCanvas::TextEntryAccepts(const IPlugParam* parameter, int character)
{
  if (!parameter) return true;
  const bool digit = character >= '0' && character <= '9';
  switch (parameter->GetKind())
  {
    case IPlugParam::kKindBool:
    case IPlugParam::kKindInt: return character == '\b' || digit || character == '-' || character == '+';
    case IPlugParam::kKindDouble:
      return character == '\b' || digit || character == '-' || character == '+' || character == '.';
    default: return true;
  }
}

void IEditorCanvas::CommitEnteredText(IControl* control, IPlugParam* parameter, const char* text)
{
  if (!control) return;
  if (!text) text = "";
  if (!parameter)
  {
    control->ApplyEnteredText(text);
    return;
  }
  double v = 0.0;
  if (parameter->GetKind() == IPlugParam::kKindBool)
  {
    int matched = 0;
    if (parameter->ParseValueText(text, &matched)) v = matched;
  }
  else
  {
    v = IPlugParam::ReadDecimal(text);
    if (parameter->GetNegatedDisplay()) v = -v;
  }
  control->ApplyUserValue(parameter->NormalizeValue(v));
}
