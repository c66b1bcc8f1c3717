#pragma once

#include <cstdint>

#include "graphics/IEditorCanvas.h"
#include "raster/RasterResource.h"

// Opaque Win32 handles, so that including this header does not pull in <windows.h> (whose
// macros rename LoadBitmap, DrawText and friends in every file that sees them). Each is
// exactly the Windows type of the same name; the source checks that.
struct HWND__;
struct HFONT__;

// The editor as a Win32 child window inside the host's window: a redraw timer that turns
// dirty controls into painted areas, the mouse, wheel and keys passed to the canvas, and
// the prompts (a text entry over a control, popup menus, the colour and file dialogs, web
// addresses).
//
// Threads: everything here runs on the thread that owns the host's parent window, the
// thread that called OpenWindow. The window's messages arrive there too.
class IEditorWindowWin : public IEditorCanvas
{
public:
  using WindowHandle = HWND__*;
  using FontHandle = HFONT__*;
  // Exactly WNDPROC.
  using WindowProc = intptr_t(__stdcall*)(HWND__*, unsigned int, uintptr_t, intptr_t);
  // Exactly COLORREF.
  using ColourRef = unsigned long;

  // The redraw timer's identifier on the window.
  static constexpr uintptr_t kTimerId = 2;
  // The text entry's child identifier.
  static constexpr int kTextEntryId = 99;

  // construction thread. The module handle starts as the module containing this code; the
  // product sets the one its load routine recorded.
  IEditorWindowWin(IPlugBase* plug, int width, int height, int framesPerSecond = 0);
  // host thread (the plug-in's destruction): closes a window still open, then the canvas.
  ~IEditorWindowWin() override;

  // Platform slots of the canvas (editor thread, unless said otherwise).
  bool PresentArea(const IPixelRect& rect) override;
  void CancelTextEntry() override;
  void Resize(int width, int height) override;
  IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area) override;
  void OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area, const char* text,
                     IPlugParam* parameter) override;
  void GetHostPath(IText* out) override;
  void GetPluginPath(IText* out) override;
  void PromptForFile(IText* out, int action, IText* directory, const char* extensions) override;
  bool PromptForColour(IPixelColor* colour, const char* title) override;
  bool OpenUrl(const char* url, const char* title, const char* confirmText, const char* errorText) override;
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override { return window; }
  // any thread
  RasterBitmap* LoadBitmapResource(int resourceId, const char* name) override;

  // construction thread, before the window opens
  void SetModuleHandle(RasterModuleHandle module) { moduleHandle = module; }
  RasterModuleHandle GetModule() const { return moduleHandle; }

  WindowHandle GetParentWindow() const { return parentWindow; }
  WindowHandle GetTextEntry() const { return textEntry; }
  IControl* GetTextEntryControl() const { return textEntryControl; }
  IPlugParam* GetTextEntryParam() const { return textEntryParam; }
  int GetTextEntryState() const { return textEntryState; }
  FontHandle GetTextEntryFont() const { return textEntryFont; }
  const ColourRef* GetCustomColours() const { return customColours; }

  // Process-wide: editor windows created and not yet destroyed, and the frame rate the
  // window being created reads. Touched only on creation and destruction paths.
  static int GetOpenWindowCount();
  static double GetTimerFrameRate();
  // The redraw timer's period in milliseconds: 1000 / framesPerSecond, truncated.
  static unsigned TimerPeriod(double framesPerSecond);

  // The window procedures. Public so that the class can be registered; nothing else calls
  // them directly.
  static intptr_t __stdcall WindowProcedure(HWND__* hwnd, unsigned int msg, uintptr_t wParam, intptr_t lParam);
  static intptr_t __stdcall TextEntryProcedure(HWND__* hwnd, unsigned int msg, uintptr_t wParam, intptr_t lParam);

protected:
  intptr_t HandleMessage(unsigned int msg, uintptr_t wParam, intptr_t lParam);
  intptr_t HandleTextEntryMessage(unsigned int msg, uintptr_t wParam, intptr_t lParam);
  // The timer's part: commit (state 4) or cancel (state 3) the open text entry.
  void FinishTextEntry(bool commit);
  // Restores the box's own procedure, destroys it and its font, clears every text-entry
  // field. Nothing is committed.
  void DiscardTextEntry();
  // The window is gone (closed by us, or destroyed with the host's window): the bookkeeping
  // that CloseWindow does.
  void ForgetWindow();
  // Ends a gesture whose mouse capture was taken away before its button came up.
  void EndLostGesture();

  RasterModuleHandle moduleHandle;
  WindowHandle window = nullptr;
  WindowHandle textEntry = nullptr;
  IControl* textEntryControl = nullptr;
  IPlugParam* textEntryParam = nullptr;
  WindowProc textEntryOldProc = nullptr;
  int32_t textEntryState = 0;
  ColourRef* customColours = nullptr;  // 16 entries once a colour prompt has run; owned
  WindowHandle parentWindow = nullptr;

  FontHandle textEntryFont = nullptr;  // belongs to the open text entry
  // Capture bookkeeping: our own release of the capture is not a lost gesture; a loss
  // during a press handler is dealt with once the handler returns; the button-up that
  // follows a gesture already ended (capture lost) or a press never dispatched (swallowed
  // while the text entry had the focus) releases nothing.
  bool releasingCapture = false;
  bool insidePress = false;
  bool captureLostInPress = false;
  bool skipNextRelease = false;
};
