#pragma once

#include <cstdint>

#include "graphics/IBlendSpec.h"
#include "graphics/IMouseKeys.h"
#include "graphics/IPixelRect.h"
#include "graphics/ITextStyle.h"
#include "plugin/IRelaxed.h"

class IEditorCanvas;
class IPlugBase;
class IPlugParam;

// Base of every element of the editor panel: a rectangle that draws itself into the
// canvas's back buffer, may be bound to one parameter by index, and holds that parameter's
// value normalised to 0..1.
//
// Threads: the editor's thread handles the mouse and draws; the host's parameter-set call
// (instance lock held) pushes values in with ApplyParamValue, and the product's audio
// processing calls SetHidden on its overlay for every block. The fields those paths share
// (value, defaultValue, isDirty, isHidden, needsRedraw) are relaxed atomics: each access is
// a plain load or store, as cheap as an ordinary field, without a data race.
class IControl
{
public:
  // any thread, before the control is attached. blend may be null (BlendNormal, weight 1).
  IControl(IPlugBase* plug, const IPixelRect& bounds, int paramIndex, const IBlendSpec* blend);
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Virtual operations, in slot order.
  virtual ~IControl();
  // editor thread (all the Handle operations)
  virtual void HandlePress(int x, int y, const IMouseKeys& keys);
  virtual void HandleRelease(int x, int y, const IMouseKeys& keys);
  virtual void HandleDrag(int x, int y, int dX, int dY, const IMouseKeys& keys);
  virtual void HandleDoubleClick(int x, int y, const IMouseKeys& keys);
  // delta in wheel notches
  virtual void HandleWheel(int x, int y, const IMouseKeys& keys, int delta);
  virtual bool HandleKey(int x, int y, int key);
  virtual void HandleHover(int x, int y, const IMouseKeys& keys);
  virtual void HandleLeave();
  // editor thread, inside the canvas's redraw pass
  virtual bool Render(IEditorCanvas* canvas) = 0;
  // host thread, instance lock held, or the thread attaching the editor
  virtual void ApplyParamValue(double v);
  // editor thread: the text of a committed text entry for a control bound to no parameter
  virtual void ApplyEnteredText(const char* text);
  // any thread (the product's audio processing calls it for every block)
  virtual void SetHidden(bool hidden);
  // editor thread
  virtual void SetGreyed(bool greyed);
  // editor thread
  virtual bool HitTest(int x, int y);
  // any thread; pushes to the plug-in only from the editor thread
  virtual void MarkDirty(bool pushToPlug);
  // editor thread
  virtual void MarkClean();
  // any thread
  virtual bool IsDirty();
  virtual void ReservedHook();

  // editor thread: a value the user chose in a prompt (text entry or menu).
  void ApplyUserValue(double v);
  // editor thread: opens a value prompt over an area worked out from the bounds.
  void PromptForValue();
  // editor thread: opens a value prompt over rect.
  void PromptForValueAt(const IPixelRect& rect);

  IPlugBase* GetPlug() const { return plug; }
  const IPixelRect& GetBounds() const { return bounds; }
  const IPixelRect& GetHitBounds() const { return hitBounds; }
  void SetHitBounds(const IPixelRect& rect) { hitBounds = rect; }
  int GetParamIndex() const { return paramIndex; }
  // The bound parameter, or null (no binding, or an index outside the parameter list).
  IPlugParam* GetParam() const;
  double GetValue() const { return value; }
  void SetValue(double v) { value = v; }
  double GetDefaultValue() const { return defaultValue; }
  void SetDefaultValue(double v) { defaultValue = v; }
  void SetClamp(double low, double high)
  {
    clampLow = low;
    clampHigh = high;
  }
  bool IsHidden() const { return isHidden; }
  bool IsGreyed() const { return isGreyed; }
  bool NeedsRedraw() const { return needsRedraw; }
  bool IsPromptDisabled() const { return promptDisabled; }
  void SetPromptDisabled(bool disabled) { promptDisabled = disabled; }
  int GetTextEntryLength() const { return textEntryLength; }
  void SetTextEntryLength(int length) { textEntryLength = length; }
  ITextStyle& GetTextStyle() { return textStyle; }
  const IBlendSpec& GetBlend() const { return blend; }

protected:
  // The value held to [clampLow, clampHigh]; not a number becomes clampLow.
  double ClampValue(double v) const;

  int32_t textEntryLength = 7;
  ITextStyle textStyle;
  IPlugBase* plug;
  IPixelRect bounds;
  IPixelRect hitBounds;
  int32_t paramIndex;
  IRelaxed<double> value = 0.0;
  IRelaxed<double> defaultValue = -1.0;
  double clampLow = 0.0;
  double clampHigh = 1.0;
  IRelaxed<bool> isDirty = true;
  IRelaxed<bool> isHidden = false;
  bool isGreyed = false;
  IRelaxed<bool> needsRedraw = false;
  bool promptDisabled = true;
  IBlendSpec blend;
};
