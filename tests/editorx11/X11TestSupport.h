#pragma once

// GoogleTest before Xlib: Xlib's None and Bool macros would break its templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tools/vst2-render/XvfbServer.h"

// The process-wide test display (24 bits) that the global environment starts and points
// DISPLAY at, and the watchdog that ends a hung GUI test.
const std::string& TestDisplayName();

// A host's top-level window holding the editor, mapped, at (x, y) on the root.
Window CreateHostWindow(Display* display, int x, int y, int width, int height);

// Input through XTest, in coordinates of window.
void MovePointer(Display* display, Window window, int x, int y);
void PressButton(Display* display, unsigned button);
void ReleaseButton(Display* display, unsigned button);
void Click(Display* display, Window window, int x, int y, unsigned button = 1);
void TapKey(Display* display, unsigned long keysym);
void HoldKey(Display* display, unsigned long keysym, bool down);
// Types digits, '-', '.', letters and space.
void TypeText(Display* display, const char* text);

// What is on screen over window's area: 0x00RRGGBB, width * height, row by row.
std::vector<uint32_t> ReadScreen(Display* display, Window window, int x, int y, int width, int height);
// The pixels of area (left, top, right, bottom) cut out of a width-wide image.
std::vector<uint32_t> Crop(const std::vector<uint32_t>& image, int width, int left, int top, int right, int bottom);

// The children of window, in stacking order.
std::vector<Window> ChildrenOf(Display* display, Window window);
// Viewable override-redirect top-level windows (open popup menus).
std::vector<Window> PopupWindows(Display* display);
// One menu is open and holds the pointer and the keyboard: input sent now reaches it.
// (Probes each grab from this connection and gives back what it got.)
bool MenuIsUp(Display* display);
// Open file descriptors and threads of this process.
int CountOpenFiles();
int CountThreads();

// Calls until the condition holds or timeoutMs passed; the condition's last answer.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

// A host's GUI thread: calls tick every periodMs until stopped.
class HostIdleThread
{
public:
  HostIdleThread(std::function<void()> tick, int periodMs);
  ~HostIdleThread() { Stop(); }
  void Stop();
  int64_t Calls() const { return calls.load(); }

private:
  std::function<void()> tick;
  int periodMs;
  std::atomic<bool> stop{false};
  std::atomic<int64_t> calls{0};
  std::thread thread;
};
