#include "platform/linux/IEditorWindowX11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <new>

#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "plugin/IPlugBase.h"
#include "platform/linux/IEditorDrawLock.h"
#include "platform/linux/IEditorPopupMenuX11.h"
#include "platform/linux/IEditorTextEntryX11.h"
#include "platform/linux/IX11ErrorTrap.h"
#include "raster/RasterResource.h"
#include "raster/RasterSysBitmap.h"

namespace
{
int64_t NowMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The key table of the Windows layer, from keysyms: space, the arrows, digits, letters.
int TranslateKey(KeySym keysym)
{
  switch (keysym)
  {
    case XK_space: return 0;
    case XK_Up: return 1;
    case XK_Down: return 2;
    case XK_Left: return 3;
    case XK_Right: return 4;
    default: break;
  }
  if (keysym >= XK_0 && keysym <= XK_9) return 5 + (int)(keysym - XK_0);
  if (keysym >= XK_a && keysym <= XK_z) return 15 + (int)(keysym - XK_a);
  if (keysym >= XK_A && keysym <= XK_Z) return 15 + (int)(keysym - XK_A);
  return -1;
}

unsigned ButtonMaskOf(unsigned button)
{
  switch (button)
  {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
  }
}

// X reports the state before the event; Windows reports the buttons held after it.
IMouseKeys KeysOf(unsigned state, unsigned button, bool pressed)
{
  unsigned held = state;
  if (button) held = pressed ? (held | ButtonMaskOf(button)) : (held & ~ButtonMaskOf(button));
  return IMouseKeys((held & Button1Mask) != 0, (held & Button3Mask) != 0, (held & ShiftMask) != 0,
                    (held & ControlMask) != 0, (held & Mod1Mask) != 0);
}

void Unite(IPixelRect& into, const IPixelRect& r)
{
  if (r.left < into.left) into.left = r.left;
  if (r.top < into.top) into.top = r.top;
  if (r.right > into.right) into.right = r.right;
  if (r.bottom > into.bottom) into.bottom = r.bottom;
}

// A visual whose pixels are our back buffer's as they are: 24 bits of 0x00RRGGBB in
// 32-bit units. Anything else would need a conversion on every present.
bool FindPanelVisual(Display* display, int screen, XVisualInfo* found)
{
  if (!XMatchVisualInfo(display, screen, 24, TrueColor, found)) return false;
  if (found->red_mask != 0xFF0000 || found->green_mask != 0xFF00 || found->blue_mask != 0xFF) return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool units = false;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == 24 && formats[i].bits_per_pixel == 32) units = true;
  if (formats) XFree(formats);
  return units;
}
}  // namespace

struct IEditorWindowX11::Connection
{
  Display* display = nullptr;
  Window window = 0;
  Window root = 0;
  Visual* visual = nullptr;
  Colormap colormap = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
};

IEditorWindowX11::IEditorWindowX11(IPlugBase* plugIn, int w, int h, int fps) : IEditorCanvas(plugIn, w, h, fps) {}

IEditorWindowX11::~IEditorWindowX11()
{
  CloseWindow();
}

// Opening and closing ----------------------------------------------------------------------

void* IEditorWindowX11::OpenWindow(void* parentPointer)
{
  const Window parent = (Window)(uintptr_t)parentPointer;
  int x = 0, y = 0;
  if (windowId.load())
  {
    if (tickThread.load() == std::this_thread::get_id()) return nullptr;  // from inside our own tick
    // Reopening keeps the old place, relative to the (possibly new) parent. The ticks stop
    // first: the host may hold the instance lock that a tick is waiting for.
    LockWaiter waiting(lockWaiters);
    closing = true;
    StopFallback();
    std::lock_guard<std::recursive_mutex> hold(editorLock);
    if (conn && !windowGone)
    {
      IX11ErrorTrap trap(conn->display);
      Window child = 0;
      int tx = 0, ty = 0;
      if (XTranslateCoordinates(conn->display, conn->window, parent, 0, 0, &tx, &ty, &child) && trap.Sync())
      {
        x = tx;
        y = ty;
      }
    }
    DestroyConnection();
    closing = false;
  }
  parentWindow = parent;
  if (!parent) return nullptr;
  if (!backBuffer) PrepareDrawing();
  if (!backBuffer || !backBuffer->GetBits()) return nullptr;

  // Our own connection, whatever display pointer the host passed: its connection belongs to
  // its own thread and event loop.
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;

  std::lock_guard<std::recursive_mutex> hold(editorLock);
  std::unique_ptr<Connection> c(new (std::nothrow) Connection);
  if (!c)
  {
    XCloseDisplay(display);
    return nullptr;
  }
  c->display = display;
  bool made = false;
  {
    IX11ErrorTrap trap(display);
    XWindowAttributes parentAttributes;
    XVisualInfo info;
    if (XGetWindowAttributes(display, parent, &parentAttributes) && trap.Sync() &&
        FindPanelVisual(display, XScreenNumberOfScreen(parentAttributes.screen), &info))
    {
      c->root = parentAttributes.root;
      c->visual = info.visual;
      c->colormap = XCreateColormap(display, parentAttributes.root, info.visual, AllocNone);
      XSetWindowAttributes attributes = {};
      attributes.colormap = c->colormap;
      attributes.border_pixel = 0;
      attributes.background_pixmap = None;  // every pixel comes from the back buffer
      attributes.bit_gravity = NorthWestGravity;
      attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | KeyPressMask |
                              FocusChangeMask | StructureNotifyMask;
      c->window = XCreateWindow(display, parent, x, y, (unsigned)width, (unsigned)height, 0, 24, InputOutput,
                                info.visual, CWColormap | CWBorderPixel | CWBackPixmap | CWBitGravity | CWEventMask,
                                &attributes);
      if (c->window && trap.Sync())
      {
        XStoreName(display, c->window, "IPlug");
        // The panel has one size: hosts that size their window by the hints get it exactly.
        XSizeHints* hints = XAllocSizeHints();
        if (hints)
        {
          hints->flags = PMinSize | PMaxSize | PBaseSize;
          hints->min_width = hints->max_width = hints->base_width = width;
          hints->min_height = hints->max_height = hints->base_height = height;
          XSetWMNormalHints(display, c->window, hints);
          XFree(hints);
        }
        // Marked mapped for XEmbed embedders; we map at once rather than wait for their
        // handshake, which many hosts never send.
        const Atom embedInfo = XInternAtom(display, "_XEMBED_INFO", False);
        const long embed[2] = {0, 1};
        XChangeProperty(display, c->window, embedInfo, embedInfo, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(embed), 2);
        XGCValues values = {};
        values.graphics_exposures = False;
        c->gc = XCreateGC(display, c->window, GCGraphicsExposures, &values);
        XMapWindow(display, c->window);
        made = c->gc && trap.Sync();
      }
    }
    if (!made)
    {
      if (c->gc) XFreeGC(display, c->gc);
      if (c->window) XDestroyWindow(display, c->window);
      if (c->colormap) XFreeColormap(display, c->colormap);
      XSync(display, False);
    }
  }
  if (!made)
  {
    XCloseDisplay(display);
    return nullptr;
  }
  conn = std::move(c);
  if (!RecreateImage())
  {
    DestroyConnection();
    return nullptr;
  }
  windowGone = false;
  mapped = true;
  exposed = false;
  havePress = false;
  ignoreReleaseOf = 0;
  lastFrameMs = -1000000;
  lastHostIdleMs = -1;  // the fallback drives the editor until the host's first idle call
  windowId = conn->window;
  MarkAllControlsDirty();
  StartFallback();
  return reinterpret_cast<void*>((uintptr_t)conn->window);
}

bool IEditorWindowX11::RecreateImage()
{
  if (!conn) return false;
  if (conn->image)
  {
    conn->image->data = nullptr;  // the pixels are the back buffer's
    XDestroyImage(conn->image);
    conn->image = nullptr;
  }
  if (!backBuffer || !backBuffer->GetBits()) return false;
  conn->image = XCreateImage(conn->display, conn->visual, 24, ZPixmap, 0,
                             reinterpret_cast<char*>(backBuffer->GetBits()), (unsigned)backBuffer->GetWidth(),
                             (unsigned)backBuffer->GetHeight(), 32, backBuffer->GetRowSpan() * 4);
  if (!conn->image) return false;
  // The back buffer is 0xAARRGGBB stored little-endian; Xlib swaps for a server that wants
  // the other order.
  conn->image->byte_order = LSBFirst;
  return true;
}

void IEditorWindowX11::CloseWindow()
{
  // Nothing open; or a call from inside our own event handling, which must not pull the
  // connection from under the tick that is using it.
  if (!windowId.load() || tickThread.load() == std::this_thread::get_id()) return;
  // The ticks stop before the connection lock is taken: the host may hold the instance
  // lock that a tick is waiting for, and a tick gives up its wait once closing is set.
  LockWaiter waiting(lockWaiters);
  closing = true;
  StopFallback();
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  DestroyConnection();
  closing = false;
}

void IEditorWindowX11::DestroyConnection()
{
  if (!conn) return;
  Display* display = conn->display;
  {
    IX11ErrorTrap trap(display);
    if (textEntry)
    {
      textEntry->Destroy(!windowGone);
      textEntry.reset();
    }
    // Some hosts destroy the parent (and our window with it) before they close the editor:
    // destroying it again would be a BadWindow.
    XSync(display, False);
    while (XPending(display))
    {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == DestroyNotify && event.xdestroywindow.window == conn->window) windowGone = true;
    }
    if (!windowGone) XDestroyWindow(display, conn->window);
    if (conn->gc) XFreeGC(display, conn->gc);
    if (conn->colormap) XFreeColormap(display, conn->colormap);
    if (conn->image)
    {
      conn->image->data = nullptr;
      XDestroyImage(conn->image);
    }
    XSync(display, False);
    XCloseDisplay(display);
  }
  conn.reset();
  windowId = 0;
  windowGone = false;
}

Display* IEditorWindowX11::GetConnectionDisplay() const
{
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  return conn ? conn->display : nullptr;
}

void* IEditorWindowX11::GetWindow()
{
  return reinterpret_cast<void*>((uintptr_t)windowId.load());
}

void IEditorWindowX11::Resize(int w, int h)
{
  {
    LockWaiter waiting(lockWaiters);
    std::lock_guard<std::recursive_mutex> hold(editorLock);
    if (backBuffer) backBuffer->Resize(w, h);
    if (conn)
    {
      IX11ErrorTrap trap(conn->display);
      if (!windowGone)
      {
        XSizeHints* hints = XAllocSizeHints();
        if (hints)
        {
          hints->flags = PMinSize | PMaxSize | PBaseSize;
          hints->min_width = hints->max_width = hints->base_width = w;
          hints->min_height = hints->max_height = hints->base_height = h;
          XSetWMNormalHints(conn->display, conn->window, hints);
          XFree(hints);
        }
        XResizeWindow(conn->display, conn->window, (unsigned)w, (unsigned)h);
      }
      RecreateImage();
      exposed = true;
      exposedArea = IPixelRect(0, 0, w, h);
      XFlush(conn->display);
    }
  }
  IEditorCanvas::Resize(w, h);
}

// Ticks ----------------------------------------------------------------------------------------

void IEditorWindowX11::OnHostIdle()
{
  lastHostIdleMs = NowMs();
  // Busy means the fallback thread is in a tick or a prompt runs modally on it: the host's
  // thread must not wait for either.
  if (!editorLock.try_lock()) return;
  if (conn && !inTick)
  {
    ++hostTicks;
    Tick(false);
  }
  editorLock.unlock();
}

void IEditorWindowX11::RunTickNow(bool waitForServer)
{
  lastHostIdleMs = NowMs();
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  if (!conn || inTick) return;
  Tick(false, true);
  if (waitForServer && conn)
  {
    IX11ErrorTrap trap(conn->display);
    XSync(conn->display, False);
  }
}

void IEditorWindowX11::Tick(bool fromFallback, bool forceFrame)
{
  (void)fromFallback;
  inTick = true;
  tickThread = std::this_thread::get_id();
  Display* display = conn->display;
  {
    IX11ErrorTrap trap(display);
    while (!closing && conn && XPending(display))
    {
      XEvent event;
      XNextEvent(display, &event);
      HandleEvent(event);
    }
    // What Return, Escape, a lost focus or a click asked of the text entry.
    if (conn && textEntry && !closing)
    {
      if (textEntry->state == IEditorTextEntryX11::kCancelRequested)
      {
        CloseTextEntry(false);
      }
      else if (textEntry->state == IEditorTextEntryX11::kCommitRequested && AcquireInstanceLock())
      {
        CloseTextEntry(true);
      }
    }
    ReleaseInstanceLock();
    if (conn && !closing) RedrawIfDue(forceFrame);
  }
  tickThread = std::thread::id();
  inTick = false;
}

void IEditorWindowX11::RedrawIfDue(bool force)
{
  if (!conn || windowGone || !mapped) return;
  const int64_t now = NowMs();
  // A frame is due a quarter period early, so a host that idles at the frame rate (or a
  // little faster, with jitter) gets every frame instead of every other one.
  const int64_t period = (int64_t)(1000.0 / (double)framesPerSecond);
  const bool due = force || now - lastFrameMs >= period - period / 4;
  IPixelRect area;
  bool dirty = false;
  // An expose collects the dirty area too: the redraw pass cleans every control, and a
  // dirty one outside the exposed area must not lose its turn.
  if (due || exposed) dirty = CollectDirtyArea(&area);
  if (!dirty && !exposed) return;
  if (exposed)
  {
    if (dirty && !area.IsEmpty()) Unite(area, exposedArea);
    else area = exposedArea;
    exposed = false;
  }
  lastFrameMs = now;
  {
    IEditorDrawLock drawing;
    RedrawArea(area);
  }
  XFlush(conn->display);
}

bool IEditorWindowX11::PresentArea(const IPixelRect& rect)
{
  if (!conn || !conn->image || windowGone) return true;
  const int x0 = rect.left < 0 ? 0 : rect.left, y0 = rect.top < 0 ? 0 : rect.top;
  const int imageW = conn->image->width, imageH = conn->image->height;
  const int x1 = rect.right > imageW ? imageW : rect.right, y1 = rect.bottom > imageH ? imageH : rect.bottom;
  if (x1 <= x0 || y1 <= y0) return true;
  XPutImage(conn->display, conn->window, conn->gc, conn->image, x0, y0, x0, y0, (unsigned)(x1 - x0),
            (unsigned)(y1 - y0));
  ++presentCount;
  return true;
}

// Input ------------------------------------------------------------------------------------------

bool IEditorWindowX11::AcquireInstanceLock()
{
  if (instanceLockDepth > 0 || !plug) return !closing;
  IPlugMutex& mutex = plug->GetMutex();
  while (!mutex.TryLock())
  {
    // Whoever holds the instance lock may be waiting for the connection lock we hold.
    if (closing || lockWaiters.load() > 0) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  instanceLockDepth = 1;
  return true;
}

void IEditorWindowX11::ReleaseInstanceLock()
{
  if (instanceLockDepth == 0) return;
  instanceLockDepth = 0;
  plug->GetMutex().Unlock();
}

void IEditorWindowX11::HandleEvent(XEvent& event)
{
  if (textEntry && textEntry->HandleEvent(event, this)) return;
  if (event.xany.window != conn->window) return;
  switch (event.type)
  {
    case Expose:
    {
      const IPixelRect r(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                         event.xexpose.y + event.xexpose.height);
      if (exposed) Unite(exposedArea, r);
      else exposedArea = r;
      exposed = true;
      return;
    }
    case DestroyNotify:
      if (event.xdestroywindow.window == conn->window) windowGone = true;
      return;
    case UnmapNotify: mapped = false; return;
    case MapNotify: mapped = true; return;
    default: break;
  }
  if (windowGone) return;
  switch (event.type)
  {
    case ButtonPress: HandleButtonPress(event); return;
    case ButtonRelease:
    {
      const unsigned button = event.xbutton.button;
      if (button != Button1 && button != Button3) return;
      if (ignoreReleaseOf == button)
      {
        ignoreReleaseOf = 0;
        return;
      }
      // A focused text entry owns the mouse until it closes.
      if (textEntry && textEntry->state == IEditorTextEntryX11::kFocused) return;
      if (!AcquireInstanceLock()) return;
      MouseReleased(event.xbutton.x, event.xbutton.y, KeysOf(event.xbutton.state, button, false));
      return;
    }
    case MotionNotify:
    {
      // Only the latest position of a run of moves matters: the control gets the whole
      // distance in one step.
      while (XEventsQueued(conn->display, QueuedAlready))
      {
        XEvent next;
        XPeekEvent(conn->display, &next);
        if (next.type != MotionNotify || next.xany.window != conn->window) break;
        XNextEvent(conn->display, &event);
      }
      if (!(event.xmotion.state & (Button1Mask | Button3Mask)) || textEntry) return;
      if (!AcquireInstanceLock()) return;
      MouseDragged(event.xmotion.x, event.xmotion.y, KeysOf(event.xmotion.state, 0, false));
      return;
    }
    case KeyPress:
    {
      XKeyEvent key = event.xkey;
      if (textEntry)
      {
        // A host that forwards keys to our window rather than to the focus: they are the
        // text entry's all the same.
        char chars[16];
        KeySym keysym = 0;
        const int count = XLookupString(&key, chars, (int)sizeof chars, &keysym, nullptr);
        textEntry->HandleKey((unsigned long)keysym, chars, count, key.state);
        textEntry->Draw(this);
        return;
      }
      const int code = TranslateKey(XLookupKeysym(&key, 0));
      if (code < 0 || !AcquireInstanceLock()) return;
      KeyPressed(key.x, key.y, code);
      return;
    }
    default: return;
  }
}

void IEditorWindowX11::HandleButtonPress(XEvent& event)
{
  const XButtonEvent& b = event.xbutton;
  if (b.button == Button4 || b.button == Button5)
  {
    if (textEntry)
    {
      textEntry->state = IEditorTextEntryX11::kCancelRequested;
      return;
    }
    if (!AcquireInstanceLock()) return;
    MouseWheeled(b.x, b.y, KeysOf(b.state, 0, true), b.button == Button4 ? 1 : -1);
    return;
  }
  if (b.button != Button1 && b.button != Button2 && b.button != Button3) return;
  if (textEntry)
  {
    if (textEntry->state == IEditorTextEntryX11::kFocused)
    {
      // The click only takes the focus away from the box: it closes at the next tick.
      textEntry->state = IEditorTextEntryX11::kCancelRequested;
      return;
    }
    CloseTextEntry(false);
    exposed = true;
    exposedArea = IPixelRect(0, 0, width, height);
  }
  const IMouseKeys keys = KeysOf(b.state, b.button, true);
  const int half = kDoubleClickDistance / 2;
  const bool doubleClick = havePress && b.button == lastPressButton &&
                           (unsigned long)(b.time - lastPressTime) <= (unsigned long)kDoubleClickMs &&
                           b.x - lastPressX <= half && lastPressX - b.x <= half && b.y - lastPressY <= half &&
                           lastPressY - b.y <= half;
  if (doubleClick)
  {
    // A third click starts over.
    havePress = false;
    // As on Windows, only the left button's double click reaches the controls.
    if (b.button != Button1 || !AcquireInstanceLock()) return;
    MouseDoubleClicked(b.x, b.y, keys);
    return;
  }
  havePress = true;
  lastPressTime = b.time;
  lastPressX = b.x;
  lastPressY = b.y;
  lastPressButton = b.button;
  if (!AcquireInstanceLock()) return;
  inPress = true;
  pressButton = b.button;
  menuAtePress = false;
  MousePressed(b.x, b.y, keys);
  inPress = false;
  if (menuAtePress && !closing && AcquireInstanceLock())
  {
    // The menu took the release of the click that opened it; the gesture still ends.
    menuAtePress = false;
    MouseReleased(b.x, b.y, KeysOf(b.state, b.button, false));
  }
}

// Text entry ------------------------------------------------------------------------------------

void IEditorWindowX11::OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area,
                                     const char* text, IPlugParam* parameter)
{
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  if (!control || textEntry || !conn || windowGone) return;
  std::unique_ptr<IEditorTextEntryX11> entry(new (std::nothrow) IEditorTextEntryX11(
    control, parameter, textStyle, area, text, control->GetTextEntryLength(), &IEditorWindowX11::TextEntryAccepts));
  if (!entry) return;
  IX11ErrorTrap trap(conn->display);
  if (!entry->Create(conn->display, conn->window, conn->visual)) return;
  textEntry = std::move(entry);
  textEntry->Draw(this);
}

void IEditorWindowX11::CloseTextEntry(bool commit)
{
  if (!textEntry) return;
  std::unique_ptr<IEditorTextEntryX11> entry = std::move(textEntry);
  const std::string text = entry->GetText();
  if (conn)
  {
    IX11ErrorTrap trap(conn->display);
    entry->Destroy(!windowGone);
    XFlush(conn->display);
  }
  if (commit) CommitEnteredText(entry->GetControl(), entry->GetParameter(), text.c_str());
}

void IEditorWindowX11::CancelTextEntry()
{
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  if (textEntry) textEntry->state = IEditorTextEntryX11::kCancelRequested;
}

bool IEditorWindowX11::IsTextEntryOpen() const
{
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  return textEntry != nullptr;
}

int IEditorWindowX11::GetTextEntryState() const
{
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  return textEntry ? textEntry->state : 0;
}

// Popup menu --------------------------------------------------------------------------------------

bool IEditorWindowX11::ModalIdle()
{
  if (closing || !conn || windowGone) return false;
  RedrawIfDue(false);
  return !closing && !windowGone;
}

bool IEditorWindowX11::ModalEvent(const XEvent& event)
{
  if (!conn || event.xany.window != conn->window) return true;  // input of the prompt's time is dropped
  switch (event.type)
  {
    case Expose:
    {
      const IPixelRect r(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                         event.xexpose.y + event.xexpose.height);
      if (exposed) Unite(exposedArea, r);
      else exposedArea = r;
      exposed = true;
      return true;
    }
    case DestroyNotify:
      if (event.xdestroywindow.window == conn->window) windowGone = true;
      return !windowGone;
    case UnmapNotify: mapped = false; return true;
    case MapNotify: mapped = true; return true;
    default: return true;
  }
}

IPopupMenu* IEditorWindowX11::ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area)
{
  captureIndex = -1;
  lastMouseX = -1;
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  if (!menu || menu->NItems() == 0 || !conn || windowGone || closing) return nullptr;
  IEditorPopupMenuX11 popup(menu, this);
  if (popup.GetRows().empty()) return nullptr;
  IX11ErrorTrap trap(conn->display);
  int rootX = 0, rootY = 0;
  Window child = 0;
  if (!XTranslateCoordinates(conn->display, conn->window, conn->root, area.left, area.bottom, &rootX, &rootY, &child))
    return nullptr;
  // Nothing waits for this editor while the menu is up: the audio thread must not either.
  const bool hadLock = instanceLockDepth > 0;
  ReleaseInstanceLock();
  const bool wasInTick = inTick;
  inTick = true;
  const int chosen = popup.Run(
    conn->display, conn->visual, conn->colormap, rootX, rootY, [this](const XEvent& e) { return ModalEvent(e); },
    [this]() { return ModalIdle(); });
  inTick = wasInTick;
  havePress = false;  // the clicks the menu took break a double click, as other buttons' do
  if (inPress && conn)
  {
    menuAtePress = true;
    Window rootReturn = 0, childReturn = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    if (XQueryPointer(conn->display, conn->window, &rootReturn, &childReturn, &rx, &ry, &wx, &wy, &mask) &&
        (mask & ButtonMaskOf(pressButton)))
      ignoreReleaseOf = pressButton;
  }
  if (hadLock && !AcquireInstanceLock()) return nullptr;
  if (chosen < 0 || closing) return nullptr;
  menu->chosenIndex = chosen;
  return menu;
}

// Resources -------------------------------------------------------------------------------------------

RasterBitmap* IEditorWindowX11::LoadBitmapResource(int resourceId, const char* name)
{
  return LoadPngResourceNamed(reinterpret_cast<void*>(RasterGetModuleHandle()), resourceId, name);
}

// The fallback thread -----------------------------------------------------------------------------

void IEditorWindowX11::StartFallback()
{
  {
    std::lock_guard<std::mutex> hold(fallbackMutex);
    fallbackStop = false;
  }
  try
  {
    fallback = std::thread(&IEditorWindowX11::FallbackLoop, this);
  }
  catch (...)
  {
    // Without the thread the editor still runs from the host's idle calls.
  }
}

void IEditorWindowX11::StopFallback()
{
  {
    std::lock_guard<std::mutex> hold(fallbackMutex);
    fallbackStop = true;
  }
  fallbackWake.notify_all();
  if (!fallback.joinable()) return;
  if (fallback.get_id() == std::this_thread::get_id()) fallback.detach();
  else fallback.join();
}

void IEditorWindowX11::FallbackLoop()
{
  std::unique_lock<std::mutex> wait(fallbackMutex);
  while (!fallbackStop)
  {
    fallbackWake.wait_for(wait, std::chrono::milliseconds(kFallbackPeriodMs), [this] { return fallbackStop; });
    if (fallbackStop) break;
    const int64_t lastIdle = lastHostIdleMs.load();
    if (lastIdle >= 0 && NowMs() - lastIdle < kHostSilenceMs) continue;
    wait.unlock();
    // Never waits for the connection: whoever holds it is ticking already.
    if (editorLock.try_lock())
    {
      if (conn && !inTick && !closing)
      {
        ++fallbackTicks;
        Tick(true);
      }
      editorLock.unlock();
    }
    wait.lock();
  }
}
