#pragma once

// What the window-layer tests share: a watchdog, a visible host window to parent the editor,
// real input through SendInput, a message pump, pixels read back from a window, a control
// that records what reaches it and paints itself in one colour, and a helper thread that
// answers modal dialogs and menus.

#include "graphics/IControl.h"
#include "platform/win/IEditorWindowWin.h"
#include "raster/RasterBitmap.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef LoadBitmap  // the canvas's, not the Win32 macro

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Ends the process with a message naming what hung, when not disarmed within its time.
class Watchdog
{
public:
  Watchdog(std::string what, int seconds);
  ~Watchdog();

private:
  std::mutex mutex;
  std::condition_variable wake;
  bool disarmed = false;
  std::thread thread;
};

// Dispatches every queued message (keys translated into characters, as a host's loop does).
void Pump();
// Pumps for the given time.
void PumpFor(int milliseconds);
// Pumps until done() answers true or the time is over; answers done().
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000);

// A top-level window shown at a fixed place and brought to the front, with an optional
// plain child container inside (the host's frame for the editor).
class TestHostWindow
{
public:
  explicit TestHostWindow(bool withContainer = false);
  ~TestHostWindow();
  // The window the editor goes into: the container when there is one.
  HWND Parent() const { return container ? container : frame; }
  HWND frame = nullptr;
  HWND container = nullptr;
};

// Real input, as a user gives it.
void MoveMouseTo(int screenX, int screenY);
// Moves onto (x, y) of hwnd's client area.
void MoveMouseToClient(HWND hwnd, int x, int y);
// MOUSEEVENTF_LEFTDOWN and friends, at the pointer's position.
void SendMouseButton(DWORD flags);
void SendWheel(int amount);
void SendKey(WORD virtualKey, bool down);
void TapKey(WORD virtualKey);
// Types text of digits, letters (as lower case), '-', '.', '+' and backspace ('\b').
void TypeText(const char* text);

// The windows of a class among hwnd's children (all levels).
int CountChildWindows(HWND parent, const char* className);
// Whether the class is registered for module.
bool IsClassRegistered(HINSTANCE module, const char* className);
// Handles this process holds, from the system's handle table; -1 when it cannot be read.
long ProcessHandleCount();
// GDI objects as the system reports them (Wine answers 0).
DWORD GdiObjectCount();
// Every window of the calling thread, children included.
int CountThreadWindows();

// The client area of hwnd as the screen shows it: BitBlt from the window's device context
// into 0x00RRGGBB pixels, row by row from the top.
struct WindowPixels
{
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
WindowPixels CaptureWindow(HWND hwnd, int width, int height);
// The first pixel of the rectangle (left, top, right, bottom) that is not colour, as text, or "".
std::string FirstPixelNot(const WindowPixels& shot, const IPixelRect& area, uint32_t colour);
// The first pixel that differs between two shots within area, outside the excluded rectangle.
std::string FirstDifference(const WindowPixels& a, const WindowPixels& b, const IPixelRect& area,
                            const IPixelRect& excluded = IPixelRect());

// A control that paints its bounds (clipped to the area being redrawn) in one colour and
// writes every call into a log as "name:call".
class ProbeControl : public IControl
{
public:
  ProbeControl(IPlugBase* plug, const IPixelRect& bounds, int paramIndex, uint32_t colour,
               std::vector<std::string>* log, const char* name);

  void HandlePress(int x, int y, const IMouseKeys& keys) override;
  void HandleRelease(int x, int y, const IMouseKeys& keys) override;
  void HandleDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;
  void HandleDoubleClick(int x, int y, const IMouseKeys& keys) override;
  void HandleWheel(int x, int y, const IMouseKeys& keys, int delta) override;
  bool HandleKey(int x, int y, int key) override;
  bool Render(IEditorCanvas* canvas) override;
  bool IsDirty() override { return alwaysDirty || IControl::IsDirty(); }

  uint32_t colour;
  std::vector<std::string>* log;
  std::string name;
  int renders = 0;
  bool handlesKeys = false;
  bool alwaysDirty = false;

private:
  void Note(const std::string& what);
};

// "L", "R", "LR" or "-" for the buttons of keys, with "+shift" and friends.
std::string KeysText(const IMouseKeys& keys);

// A thread that waits for a top-level window of this process with the given class (and
// title, when given) and then runs act on it from that thread. Joined on destruction.
class WindowAnswerer
{
public:
  WindowAnswerer(const char* className, const char* title, std::function<void(HWND)> act, int milliseconds = 8000);
  ~WindowAnswerer();
  bool Found() const { return found; }
  HWND Window() const { return seen; }

private:
  std::atomic<bool> found{false};
  std::atomic<bool> stop{false};
  HWND seen = nullptr;
  std::thread thread;
};

// The first visible top-level window of this process with the class (and title when given).
HWND FindProcessWindow(const char* className, const char* title);
