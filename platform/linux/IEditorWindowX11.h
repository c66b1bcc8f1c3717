#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "graphics/IEditorCanvas.h"
#include "graphics/IPixelRect.h"

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;
typedef struct _XImage XImage;
typedef struct _XGC* GC;
class IEditorTextEntryX11;
class IEditorPopupMenuX11;

// The Linux editor window: the canvas as an Xlib child window inside the host's window, on
// a connection of its own. It turns X events into the canvas's mouse, wheel and key
// dispatch the way the Windows layer turns messages into it, presents the back buffer with
// XPutImage from an XImage that wraps its pixels, and supplies the prompts: a text entry and
// a popup menu drawn with our raster library, the colour, file and web prompts through
// zenity and xdg-open, and the two path queries.
//
// There is no timer: the host's effEditIdle (OnHostIdle, called before the instance lock is
// taken) drains the connection and redraws once a frame is due. A fallback thread per
// editor does the same every 40 ms while no idle call came for about 250 ms (and until the
// first one arrives). One lock per editor (the connection lock) keeps the two from using the
// connection at once.
//
// Threads: OpenWindow, CloseWindow, Resize and the prompts run on the host's GUI thread
// (the prompts from inside a tick, on whichever thread runs it); OnHostIdle on the host's
// GUI thread; the ticks on that thread or the fallback thread.
class IEditorWindowX11 : public IEditorCanvas
{
public:
  // The fallback thread's period, and how long the host's idle calls may pause before it
  // takes over.
  static constexpr int kFallbackPeriodMs = 40;
  static constexpr int kHostSilenceMs = 250;
  static constexpr int kDoubleClickMs = 500;
  static constexpr int kDoubleClickDistance = 4;  // the box around the first click, as Windows

  // construction thread
  IEditorWindowX11(IPlugBase* plug, int width, int height, int framesPerSecond);
  // host main thread (the plug-in's destruction): closes a window still open
  ~IEditorWindowX11() override;

  // Platform slots ---------------------------------------------------------------------------

  // editor thread, inside the redraw pass (connection lock held)
  bool PresentArea(const IPixelRect& rect) override;
  // editor thread
  void CancelTextEntry() override;
  // host GUI thread
  void Resize(int width, int height) override;
  // editor thread, inside a tick
  IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area) override;
  // editor thread, inside a tick
  void OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area, const char* text,
                     IPlugParam* parameter) override;
  // any thread
  void GetHostPath(IText* out) override;
  // any thread
  void GetPluginPath(IText* out) override;
  // editor thread: zenity's file chooser; out empty when no window is open or zenity is missing
  void PromptForFile(IText* out, int action, IText* directory, const char* extensions) override;
  // editor thread: zenity's colour chooser; false without a window or without zenity
  bool PromptForColour(IPixelColor* colour, const char* title) override;
  // editor thread: confirms and reports through zenity, opens through xdg-open
  bool OpenUrl(const char* url, const char* title, const char* confirmText, const char* errorText) override;
  // host GUI thread (effEditOpen, instance lock held): parent is the host's X11 window id.
  // The new window's id, or null without a display, a 24-bit TrueColor visual or a parent.
  void* OpenWindow(void* parent) override;
  // host GUI thread (effEditClose or effClose); harmless without a window
  void CloseWindow() override;
  // any thread
  void* GetWindow() override;
  // any thread
  RasterBitmap* LoadBitmapResource(int resourceId, const char* name) override;
  // host GUI thread, without the instance lock (effEditIdle)
  void OnHostIdle() override;

  // Inspection (any thread; for tests and the host harness) ----------------------------------

  bool IsTextEntryOpen() const;
  // The open text entry's state (0 open, 1 focused, 3 cancel asked, 4 commit asked), or 0.
  int GetTextEntryState() const;
  // True once the window was destroyed behind our back (the host destroyed the parent).
  bool IsWindowGone() const { return windowGone.load(); }
  unsigned long GetParentWindow() const { return parentWindow; }
  // Ticks run by the host's idle calls and by the fallback thread, and presents made.
  int64_t GetHostTicks() const { return hostTicks.load(); }
  int64_t GetFallbackTicks() const { return fallbackTicks.load(); }
  int64_t GetPresentCount() const { return presentCount.load(); }
  // The editor's own connection while the window is open, else null.
  Display* GetConnectionDisplay() const;
  // host GUI thread: one tick as the host's idle call runs it, with a frame due whether or
  // not its time has come; waitForServer also waits until the server has drawn it.
  // For benchmarks.
  void RunTickNow(bool waitForServer);

protected:
  struct Connection;

  // connection lock held (all of the protected operations)
  void Tick(bool fromFallback, bool forceFrame = false);
  void HandleEvent(XEvent& event);
  void HandleButtonPress(XEvent& event);
  // Redraws the dirty area (once a frame is due) together with any exposed area.
  void RedrawIfDue(bool force);
  // Closes the text entry, committing its text or not.
  void CloseTextEntry(bool commit);
  // Takes the instance lock for the input a tick dispatches without ever blocking on it,
  // so a thread that holds it while closing the editor can still stop the tick; false once
  // the editor is closing.
  bool AcquireInstanceLock();
  void ReleaseInstanceLock();
  // The panel's redraws while a prompt runs modally; false once the editor must close.
  bool ModalIdle();
  // Events of the editor's windows while a prompt runs modally; input is the prompt's.
  bool ModalEvent(const XEvent& event);
  void StartFallback();
  void StopFallback();
  void FallbackLoop();
  void DestroyConnection();
  bool RecreateImage();
  // Runs a desktop helper modally, keeping the panel drawn; its output and whether it
  // exited with status 0.
  bool RunHelper(const char* const* argv, std::string* output);

  // Counts the threads that are about to wait for the connection lock.
  struct LockWaiter
  {
    explicit LockWaiter(std::atomic<int>& n) : count(n) { ++count; }
    ~LockWaiter() { --count; }
    std::atomic<int>& count;
  };

  // The connection lock: guards conn and everything below that a tick touches.
  mutable std::recursive_mutex editorLock;
  std::unique_ptr<Connection> conn;
  unsigned long parentWindow = 0;
  std::atomic<unsigned long> windowId{0};
  std::atomic<bool> windowGone{false};
  std::atomic<bool> closing{false};
  bool inTick = false;
  std::atomic<std::thread::id> tickThread{std::thread::id()};
  std::atomic<int> lockWaiters{0};
  bool mapped = true;
  int64_t lastFrameMs = -1000000;
  bool exposed = false;
  IPixelRect exposedArea;
  // Double clicks: the last button-1 press that was not itself a double click.
  bool havePress = false;
  unsigned long lastPressTime = 0;
  int lastPressX = 0;
  int lastPressY = 0;
  unsigned lastPressButton = 0;
  // A modal menu opened by a press ate that press's release: it is sent when the press's
  // dispatch returns, and the real one (if the button is still down) is ignored.
  bool inPress = false;
  unsigned pressButton = 0;
  bool menuAtePress = false;
  unsigned ignoreReleaseOf = 0;
  // Instance lock taken by the fallback thread for the input it dispatches.
  int instanceLockDepth = 0;
  std::unique_ptr<IEditorTextEntryX11> textEntry;

  std::atomic<int64_t> lastHostIdleMs{-1};
  std::atomic<int64_t> hostTicks{0};
  std::atomic<int64_t> fallbackTicks{0};
  std::atomic<int64_t> presentCount{0};

  std::thread fallback;
  std::mutex fallbackMutex;
  std::condition_variable fallbackWake;
  bool fallbackStop = false;
};
