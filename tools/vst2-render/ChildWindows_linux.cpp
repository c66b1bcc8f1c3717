#include "tools/vst2-render/ChildWindows.h"

#include <X11/Xlib.h>

#include <cstdint>

namespace vrender {

int ChildWindowCount(void* parent) {
  // A connection of our own: the server's view of the tree, whichever client made the windows.
  static Display* display = XOpenDisplay(nullptr);
  if (!display) return -1;
  XSync(display, False);
  Window root = 0, up = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, static_cast<Window>(reinterpret_cast<uintptr_t>(parent)), &root, &up, &children, &count))
    return -1;
  if (children) XFree(children);
  return static_cast<int>(count);
}

}  // namespace vrender
