#include "tools/vst2-render/ChildWindows.h"

#include <windows.h>

namespace vrender {

int ChildWindowCount(void* parent) {
  HWND window = static_cast<HWND>(parent);
  if (!IsWindow(window)) return -1;
  int count = 0;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++count;
  return count;
}

}  // namespace vrender
