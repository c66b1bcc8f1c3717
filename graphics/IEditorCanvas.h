#pragma once

#include <cstdint>

#include "graphics/IMouseKeys.h"
#include "graphics/IPixelRect.h"
#include "plugin/IPtrList.h"

// The plug-in core includes this header and nothing else of the editor: the raster, control
// and menu types below stay incomplete for it, and the core reaches the canvas only through
// virtual calls (the destructor, PushParamToControls, PrepareDrawing, the window slots), so
// the core library has no link-time dependency on the editor.
class IControl;
class IPlugBase;
class IPlugParam;
class IPopupMenu;
class IText;
class RasterBitmap;
class RasterCachedFont;
class RasterSysBitmap;
struct IBitmapRef;
struct IBlendSpec;
struct IPixelColor;
struct ITextStyle;

// The editor's graphics core: the panel's controls in drawing order, the back buffer they
// draw into, the bookkeeping that turns changed controls into a redrawn area, and the
// dispatch of mouse and keys to controls. A window layer derives from it and supplies the
// platform slots (presenting pixels, the window, prompts, image resources).
//
// Threads: everything runs on the editor's thread (the thread of the host's parent window)
// without the instance lock, except PushParamToControls, which the host's parameter-set call
// makes under the lock, and the product's SetHidden on its overlay from the audio thread.
class IEditorCanvas
{
public:
  // construction thread. A frame rate of 0 or below means 25 frames a second.
  IEditorCanvas(IPlugBase* plug, int width, int height, int framesPerSecond);

  IEditorCanvas(const IEditorCanvas&) = delete;
  IEditorCanvas& operator=(const IEditorCanvas&) = delete;

  // Virtual operations, in slot order. The window layers keep the order.

  // editor thread, inside RedrawArea: copies rect of the back buffer to the screen.
  virtual bool PresentArea(const IPixelRect& rect) = 0;  // 0
  // editor thread: asks an open text entry to close without committing.
  virtual void CancelTextEntry() = 0;  // 1
  // editor thread. Stores the size, drops the mouse capture, refreshes the size the host
  // reads and marks every control dirty; the window layer resizes the back buffer first.
  virtual void Resize(int width, int height);  // 2
  // editor thread
  virtual bool IsWindowOpen();  // 3
  // Answers ""; nothing relies on it.
  virtual const char* ReservedTextQuery();  // 4
  // editor thread: shows the menu modally; the menu with chosenIndex set when an item was
  // chosen, else null.
  virtual IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area) = 0;  // 5
  // editor thread: opens a text entry over area; the typed value comes back later through
  // the control's ApplyUserValue (or ApplyEnteredText without a parameter).
  virtual void OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area,
                             const char* text, IPlugParam* parameter) = 0;  // 6
  // editor thread: the host program's folder, ending in the path separator, or "".
  virtual void GetHostPath(IText* out) = 0;  // 7
  // editor thread: the plug-in library's folder, ending in the path separator, or "".
  virtual void GetPluginPath(IText* out) = 0;  // 8
  // editor thread: action 1 saves, anything else opens. out holds the initial file name and
  // gets the chosen path; directory is in/out; extensions are space-separated.
  virtual void PromptForFile(IText* out, int action, IText* directory, const char* extensions) = 0;  // 9
  // editor thread: true when the user chose a colour (red, green and blue replaced).
  virtual bool PromptForColour(IPixelColor* colour, const char* title) = 0;  // 10
  // editor thread
  virtual bool OpenUrl(const char* url, const char* title, const char* confirmText,
                       const char* errorText) = 0;  // 11
  // Answers null; nothing relies on it.
  virtual void* ReservedHandleQuery();  // 12
  // editor thread: creates the editor window inside parent (the host's window); the window,
  // or null when it could not be made.
  virtual void* OpenWindow(void* parent) = 0;  // 13
  virtual void ReservedHookA();  // 14
  virtual void ReservedHookB();  // 15
  // editor thread
  virtual void CloseWindow() = 0;  // 16
  // editor thread
  virtual void* GetWindow() = 0;  // 17
  // host main thread (the plug-in's destruction). Deletes the controls, last first, then
  // the back buffer.
  virtual ~IEditorCanvas();  // 18
  // any thread: decodes one image resource, or null.
  virtual RasterBitmap* LoadBitmapResource(int resourceId, const char* name) = 0;  // 19

  // Operations the plug-in core and the adapter reach through the table, after the fixed
  // slots (so the core has no link dependency on this library).

  // host thread (instance lock held) or the attaching thread: shows a parameter's value in
  // every control bound to paramIndex; value is normalised when normalized is true, else
  // in the parameter's real units.
  virtual void PushParamToControls(int paramIndex, double value, bool normalized);
  // the attaching thread: creates the back buffer.
  virtual void PrepareDrawing();
  // host GUI thread, before the instance lock: the host's editor idle call. Nothing here;
  // a window layer that has no timer of its own drives its redraws from it.
  virtual void OnHostIdle();

  // Control registry and redraw ---------------------------------------------------------

  // construction thread: appends the control (the canvas owns it from here) and answers
  // its index, or -1 (and deletes it) when the list could not grow.
  int AttachControl(IControl* control);
  // construction thread: the one-frame image resourceId as a bound-to-nothing control over
  // its own size, copied without alpha, at index 0 (every other control moves up one).
  void AttachBackground(int resourceId, const char* name);
  // editor thread
  void MarkAllControlsDirty();
  // editor thread: rect (in/out, pass (0, 0, 0, 0)) grows by the bounds of every dirty
  // control; true when some control was dirty.
  bool CollectDirtyArea(IPixelRect* rect);
  // editor thread: draws every visible control overlapping rect into the back buffer, in
  // list order, cleans every control, and presents rect.
  bool RedrawArea(const IPixelRect& rect);

  // Mouse and keys (editor thread) --------------------------------------------------------

  void MousePressed(int x, int y, const IMouseKeys& keys);
  void MouseReleased(int x, int y, const IMouseKeys& keys);
  void MouseDragged(int x, int y, const IMouseKeys& keys);
  void MouseDoubleClicked(int x, int y, const IMouseKeys& keys);
  void MouseWheeled(int x, int y, const IMouseKeys& keys, int delta);
  // True when a control handled the key; otherwise it belongs to the window system.
  bool KeyPressed(int x, int y, int keyCode);
  // A menu for a boolean parameter with value texts, else a text entry. Nothing happens
  // when the control, the parameter or the area is missing.
  void OpenValuePrompt(IControl* control, IPlugParam* parameter, const IPixelRect* area);
  // The topmost visible, not greyed control under (x, y), or -1.
  int FindControlAt(int x, int y);

  // Bitmaps and drawing --------------------------------------------------------------------

  // construction or editor thread: the image through the process-wide bitmap cache. When the
  // resource cannot be decoded the reference has no bitmap and size 0 (it draws nothing) and
  // nothing is cached.
  IBitmapRef LoadBitmap(int resourceId, const char* name, int frames);
  // editor thread, inside the redraw pass: frame (from 1) of the filmstrip into rect,
  // clipped to the area being redrawn. blend may be null (BlendNormal, weight 1).
  bool DrawBitmapFrame(const IBitmapRef& bitmap, const IPixelRect& rect, int frame, const IBlendSpec* blend);
  bool DrawBitmapRegion(const IBitmapRef& bitmap, const IPixelRect& destRect, int sourceX, int sourceY,
                        const IBlendSpec* blend);
  // editor thread: the text at the top of rect in the style; false when no font could be
  // made. Not clipped to the redraw area.
  bool DrawStyledText(ITextStyle* textStyle, const char* text, const IPixelRect& rect);
  // editor thread: the style's font from the process-wide font cache (made on first use),
  // also stored in the style; null when the system cannot make it.
  RasterCachedFont* CacheFont(ITextStyle* textStyle);

  // Accessors ------------------------------------------------------------------------------

  IPlugBase* GetPlug() const { return plug; }
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  int GetFramesPerSecond() const { return framesPerSecond; }
  RasterSysBitmap* GetBackBuffer() const { return backBuffer; }
  int NControls() const { return controls.GetCount(); }
  // Null outside the list.
  IControl* GetControl(int index) const { return controls.Get(index); }
  int GetCaptureIndex() const { return captureIndex; }
  int GetLastMouseX() const { return lastMouseX; }
  int GetLastMouseY() const { return lastMouseY; }
  const IPixelRect& GetDrawClip() const { return drawClip; }

protected:
  // The image resourceId from module when name ends in "png" (any case), else null. What
  // the window layers' LoadBitmapResource does with their module handle.
  static RasterBitmap* LoadPngResourceNamed(void* module, int resourceId, const char* name);
  // What the window layers' text entries share. Whether a typed character may enter the box
  // for the parameter being edited: backspace always; digits, "-" and "+" for a boolean or
  // integer; those and "." for a floating parameter; anything without a parameter or for
  // one of undeclared kind.
  static bool TextEntryAccepts(const IPlugParam* parameter, int character);
  // The commit of a text entry's text: a boolean takes the value whose text matches exactly
  // (0 when none does), any other kind reads a decimal number (0 when there is none),
  // negated for a negated display; the control gets it normalised as a user value. Without
  // a parameter the control gets the text itself.
  static void CommitEnteredText(IControl* control, IPlugParam* parameter, const char* text);

  IPlugBase* plug;
  IPtrList<IControl> controls;  // owned
  IPixelRect drawClip;
  RasterSysBitmap* backBuffer = nullptr;  // owned
  int32_t width;
  int32_t height;
  int32_t framesPerSecond;
  int32_t captureIndex = -1;
  int32_t lastMouseX = 0;
  int32_t lastMouseY = 0;
};
