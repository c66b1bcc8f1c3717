// How many windows a host window holds: what an editor leaves behind after it closed.
#pragma once

namespace vrender {

// Direct child windows of 'parent' (an HWND, or an X11 Window id); -1 when unknown.
int ChildWindowCount(void* parent);

}  // namespace vrender
