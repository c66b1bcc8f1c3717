// A host's top-level window for a plug-in editor: what effEditOpen's parent is, pumped while
// the editor runs, and read back for --editor-png. On Windows a window of the tool's thread;
// on Linux an X11 window on $DISPLAY, or on a private Xvfb when there is no display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrender {

// Makes sure plug-in editors have a display to open: on Linux, when DISPLAY is not set,
// starts a private Xvfb (kept until the program ends) and points DISPLAY at it. Called
// before a plug-in is loaded, since some plug-ins connect when they are created. Nothing to
// do on Windows. False with a one-line reason when there is no display to be had.
bool EnsureDisplay(std::string& error);

class HostWindow {
 public:
  // A top-level window of width x height; nullptr and a one-line reason when impossible.
  static std::unique_ptr<HostWindow> Create(int width, int height, std::string& error);
  virtual ~HostWindow() = default;

  // What effEditOpen's ptr takes: the HWND, or the X11 Window id.
  virtual void* ParentHandle() const = 0;
  // Gives the client area this size (an editor asking for another rectangle).
  virtual void Resize(int width, int height) = 0;
  // Handles the pending window-system messages of this thread (on Windows the editor's own
  // timer and paint messages arrive here too).
  virtual void PumpEvents() = 0;
  // The window's pixels now, 0x00RRGGBB rows top to bottom, editor children included; false
  // when they cannot be read.
  virtual bool Capture(int width, int height, std::vector<uint32_t>& pixels) = 0;

 private:
  // The platform's window, for a size already checked (HostWindow_linux.cpp, _win.cpp).
  static std::unique_ptr<HostWindow> CreateForPlatform(int width, int height, std::string& error);
};

}  // namespace vrender
