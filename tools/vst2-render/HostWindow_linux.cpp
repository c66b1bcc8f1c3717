#include "tools/vst2-render/HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tools/vst2-render/XvfbServer.h"

namespace vrender {

namespace {

// Errors of a window that went away under us (an editor closing) must not end the tool:
// Xlib's default handler exits the process.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

class X11HostWindow : public HostWindow {
 public:
  ~X11HostWindow() override {
    if (display) {
      if (window) XDestroyWindow(display, window);
      XCloseDisplay(display);
    }
  }

  bool Open(int width, int height, std::string& error) {
    if (!EnsureDisplay(error)) return false;
    const std::string displayName = std::getenv("DISPLAY");
    display = XOpenDisplay(displayName.c_str());
    if (!display) {
      error = "cannot open X display '" + displayName + "'";
      return false;
    }
    XSetErrorHandler(IgnoreXError);
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    window = XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWBackPixel | CWEventMask, &attributes);
    if (!window) {
      error = "cannot create a window on X display '" + displayName + "'";
      return false;
    }
    XStoreName(display, window, "vst2-render");
    FixSize(width, height);
    XMapRaised(display, window);
    // Wait for the map (a window manager may take a moment): an editor opened into an
    // unmapped parent is not drawn.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      XEvent event;
      if (XCheckTypedWindowEvent(display, window, MapNotify, &event)) break;
      if (std::chrono::steady_clock::now() > deadline) {
        error = "the host window on X display '" + displayName + "' was never shown";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XSync(display, False);
    return true;
  }

  void* ParentHandle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

  void Resize(int width, int height) override {
    FixSize(width, height);
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display, False);
  }

  void PumpEvents() override {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
    }
  }

  bool Capture(int width, int height, std::vector<uint32_t>& pixels) override {
    XSync(display, False);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return false;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    const unsigned long redMask = image->red_mask, greenMask = image->green_mask, blueMask = image->blue_mask;
    auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
      if (!mask) return 0;
      int shift = 0;
      while (!((mask >> shift) & 1)) ++shift;
      const unsigned long top = mask >> shift;
      return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / top);
    };
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          channel(p, redMask) << 16 | channel(p, greenMask) << 8 | channel(p, blueMask);
      }
    XDestroyImage(image);
    return true;
  }

 private:
  void FixSize(int width, int height) {
    XSizeHints hints = {};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window, &hints);
  }

  Display* display = nullptr;
  Window window = 0;
};

}  // namespace

bool EnsureDisplay(std::string& error) {
  const char* name = std::getenv("DISPLAY");
  if (name && *name) return true;
  // Lives until the program ends, after every connection to it has closed.
  static XvfbServer server;
  const std::string started = server.Start(24, 1920, 1200);
  if (started.empty()) {
    error = "no X display: DISPLAY is not set and Xvfb could not be started (install the xvfb package)";
    return false;
  }
  setenv("DISPLAY", started.c_str(), 1);
  return true;
}

std::unique_ptr<HostWindow> HostWindow::CreateForPlatform(int width, int height, std::string& error) {
  std::unique_ptr<X11HostWindow> window(new X11HostWindow());
  if (!window->Open(width, height, error)) return nullptr;
  return window;
}

}  // namespace vrender
