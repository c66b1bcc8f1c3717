#include "platform/linux/IX11ErrorTrap.h"

#include <X11/Xlib.h>

#include <mutex>

namespace
{
// The traps open at this moment. A handful at most: one per editor thread and nesting level.
constexpr int kMaxTraps = 64;

struct TrapSlot
{
  Display* display = nullptr;
  int errors = 0;
  int lastCode = 0;
  bool used = false;
};

std::mutex trapLock;
TrapSlot slots[kMaxTraps];
int openTraps = 0;
XErrorHandler previousHandler = nullptr;

int TrapHandler(Display* display, XErrorEvent* event)
{
  XErrorHandler forward = nullptr;
  {
    std::lock_guard<std::mutex> hold(trapLock);
    bool ours = false;
    for (TrapSlot& s : slots)
      if (s.used && s.display == display)
      {
        ++s.errors;
        s.lastCode = event->error_code;
        ours = true;
      }
    if (ours) return 0;
    forward = previousHandler;
  }
  // Another connection of the process (the host's): its own handler decides.
  return forward ? forward(display, event) : 0;
}
}  // namespace

IX11ErrorTrap::IX11ErrorTrap(Display* d) : display(d)
{
  std::lock_guard<std::mutex> hold(trapLock);
  for (int i = 0; i < kMaxTraps; ++i)
    if (!slots[i].used)
    {
      slots[i] = TrapSlot();
      slots[i].display = d;
      slots[i].used = true;
      slot = i;
      break;
    }
  if (openTraps++ == 0) previousHandler = XSetErrorHandler(TrapHandler);
}

IX11ErrorTrap::~IX11ErrorTrap()
{
  std::lock_guard<std::mutex> hold(trapLock);
  if (slot >= 0) slots[slot].used = false;
  if (--openTraps == 0)
  {
    // Put back what was there, unless someone replaced our handler meanwhile.
    XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != TrapHandler) XSetErrorHandler(current);
    previousHandler = nullptr;
  }
}

bool IX11ErrorTrap::Sync()
{
  if (display) XSync(display, False);
  return Errors() == 0;
}

int IX11ErrorTrap::Errors() const
{
  std::lock_guard<std::mutex> hold(trapLock);
  return slot >= 0 ? slots[slot].errors : 0;
}

int IX11ErrorTrap::LastErrorCode() const
{
  std::lock_guard<std::mutex> hold(trapLock);
  return slot >= 0 ? slots[slot].lastCode : 0;
}
