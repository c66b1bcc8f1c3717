// The editor window: the window class, the child window and its redraw timer, the message
// handler that feeds the canvas, presentation of the back buffer, resizing and resources.
#include "platform/win/IEditorWindowWin.h"

#include "graphics/IControl.h"
#include "raster/RasterSysBitmap.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <windowsx.h>

#include <type_traits>

static_assert(std::is_same<IEditorWindowWin::WindowHandle, HWND>::value, "HWND");
static_assert(std::is_same<IEditorWindowWin::FontHandle, HFONT>::value, "HFONT");
static_assert(std::is_same<IEditorWindowWin::WindowProc, WNDPROC>::value, "WNDPROC");
static_assert(std::is_same<IEditorWindowWin::ColourRef, COLORREF>::value, "COLORREF");
static_assert(std::is_same<RasterModuleHandle, HINSTANCE>::value, "HINSTANCE");

namespace
{
const char kClassName[] = "IPlugWndClass";
const char kWindowTitle[] = "IPlug";

// Process-wide, shared by every editor of the library. Only window creation and
// destruction touch them, which hosts do on their user-interface thread.
int openWindowCount = 0;
double timerFrameRate = 25.0;
// Whether the class is registered, and for which module. Normally it is registered while
// openWindowCount is above zero; when the last window went with the host's window (inside
// its destruction, where the class cannot be unregistered yet) it stays registered until
// the next chance.
bool classRegistered = false;
HINSTANCE classModule = nullptr;

void AcquireWindowClass(HINSTANCE module)
{
  ++openWindowCount;
  if (classRegistered) return;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &IEditorWindowWin::WindowProcedure;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  // A failed registration shows as a failed window creation, which undoes the count.
  if (RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
  {
    classRegistered = true;
    classModule = module;
  }
}

void ReleaseWindowClass()
{
  if (openWindowCount > 0 || !classRegistered) return;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  // Fails while a window of the class still exists (one being destroyed); tried again by
  // the next close, open or destructor.
  if (UnregisterClassA(kClassName, classModule) || !GetClassInfoExA(classModule, kClassName, &wc))
  {
    classRegistered = false;
    classModule = nullptr;
  }
}

RECT ToRect(const IPixelRect& r)
{
  RECT out = {r.left, r.top, r.right, r.bottom};
  return out;
}

IMouseKeys KeysFrom(WPARAM keyState)
{
  return IMouseKeys((keyState & MK_LBUTTON) != 0, (keyState & MK_RBUTTON) != 0, (keyState & MK_SHIFT) != 0,
                    (keyState & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
}

IMouseKeys KeysNow()
{
  WPARAM state = 0;
  if (GetKeyState(VK_LBUTTON) < 0) state |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) state |= MK_RBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) state |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) state |= MK_CONTROL;
  return KeysFrom(state);
}

// The canvas's key code for a virtual key, or -1 for keys that belong to the window system.
int TranslateKey(WPARAM key)
{
  switch (key)
  {
    case VK_SPACE: return 0;
    case VK_UP: return 1;
    case VK_DOWN: return 2;
    case VK_LEFT: return 3;
    case VK_RIGHT: return 4;
    default: break;
  }
  if (key >= 0x30 && key <= 0x39) return 5 + (int)(key - 0x30);
  if (key >= 0x41 && key <= 0x5A) return 15 + (int)(key - 0x41);
  return -1;
}

// A plain child window (not a multiple-document child) grows with the editor.
bool IsPlainChild(HWND hwnd)
{
  return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) && !(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD);
}

void GrowWindow(HWND hwnd, const RECT& rect, int dW, int dH)
{
  SetWindowPos(hwnd, nullptr, 0, 0, rect.right - rect.left + dW, rect.bottom - rect.top + dH,
               SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
}
}  // namespace

IEditorWindowWin::IEditorWindowWin(IPlugBase* plugIn, int w, int h, int fps)
  : IEditorCanvas(plugIn, w, h, fps), moduleHandle(RasterGetModuleHandle())
{
}

IEditorWindowWin::~IEditorWindowWin()
{
  IEditorWindowWin::CloseWindow();
  delete[] customColours;
  customColours = nullptr;
}

int IEditorWindowWin::GetOpenWindowCount()
{
  return openWindowCount;
}

double IEditorWindowWin::GetTimerFrameRate()
{
  return timerFrameRate;
}

unsigned IEditorWindowWin::TimerPeriod(double fps)
{
  if (!(fps > 0.0)) fps = 25.0;
  return (unsigned)(1000.0 / fps);
}

void* IEditorWindowWin::OpenWindow(void* parentIn)
{
  HWND parent = (HWND)parentIn;
  parentWindow = parent;
  int x = 0, y = 0, w = width, h = height;
  if (window)
  {
    // Recreated where the old one was: its place in the parent's client area, its size.
    RECT old;
    GetWindowRect(window, &old);
    POINT topLeft = {old.left, old.top};
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, &topLeft, 1);
    x = topLeft.x;
    y = topLeft.y;
    w = old.right - old.left;
    h = old.bottom - old.top;
    CloseWindow();
  }

  AcquireWindowClass(moduleHandle);
  timerFrameRate = framesPerSecond;
  HWND created = CreateWindowExA(0, kClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, x, y, w, h, parent, nullptr,
                                 moduleHandle, this);
  if (!created)
  {
    --openWindowCount;
    ReleaseWindowClass();
    return nullptr;
  }
  window = created;
  MarkAllControlsDirty();
  return window;
}

void IEditorWindowWin::CloseWindow()
{
  HWND hwnd = window;
  if (hwnd)
  {
    DiscardTextEntry();
    KillTimer(hwnd, kTimerId);
    // The bookkeeping happens in the window's last message (ForgetWindow).
    if (!DestroyWindow(hwnd) && window == hwnd)
    {
      // Another thread's window (a host closing the editor from the wrong thread): cut it
      // loose from this canvas, let its own thread destroy it, and count it gone.
      if (IsWindow(hwnd))
      {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
      }
      window = nullptr;
      --openWindowCount;
    }
  }
  ReleaseWindowClass();
}

void IEditorWindowWin::ForgetWindow()
{
  DiscardTextEntry();
  window = nullptr;
  --openWindowCount;
  ReleaseWindowClass();
}

bool IEditorWindowWin::PresentArea(const IPixelRect& rect)
{
  PAINTSTRUCT ps;
  HDC dc = window ? BeginPaint(window, &ps) : nullptr;
  if (!dc) return true;
  HDC source = backBuffer ? (HDC)backBuffer->GetDeviceContext() : nullptr;
  if (source)
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source, rect.left, rect.top,
           SRCCOPY);
  EndPaint(window, &ps);
  return true;
}

void IEditorWindowWin::CancelTextEntry()
{
  textEntryState = 3;
}

void IEditorWindowWin::Resize(int w, int h)
{
  const int dW = w - width, dH = h - height;
  if (backBuffer) backBuffer->Resize(w, h);
  if (window)
  {
    RECT own, parentRect, grandRect;
    GetWindowRect(window, &own);
    HWND parent = nullptr, grandParent = nullptr;
    if (IsPlainChild(window) && (parent = GetParent(window)) != nullptr)
    {
      GetWindowRect(parent, &parentRect);
      if (IsPlainChild(parent) && (grandParent = GetParent(parent)) != nullptr) GetWindowRect(grandParent, &grandRect);
    }
    GrowWindow(window, own, dW, dH);
    if (parent) GrowWindow(parent, parentRect, dW, dH);
    if (grandParent) GrowWindow(grandParent, grandRect, dW, dH);
    const RECT old = {0, 0, width, height};
    InvalidateRect(window, &old, FALSE);
  }
  IEditorCanvas::Resize(w, h);
}

RasterBitmap* IEditorWindowWin::LoadBitmapResource(int resourceId, const char* name)
{
  return LoadPngResourceNamed(moduleHandle, resourceId, name);
}

void IEditorWindowWin::EndLostGesture()
{
  if (captureIndex < 0) return;
  skipNextRelease = true;
  MouseReleased(lastMouseX, lastMouseY, KeysNow());
}

intptr_t __stdcall IEditorWindowWin::WindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_CREATE)
  {
    const CREATESTRUCTA* create = (const CREATESTRUCTA*)lParam;
    IEditorWindowWin* self = create ? (IEditorWindowWin*)create->lpCreateParams : nullptr;
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)self);
    SetTimer(hwnd, kTimerId, TimerPeriod(timerFrameRate), nullptr);
    SetFocus(hwnd);
    return 0;
  }
  IEditorWindowWin* self = (IEditorWindowWin*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  if (!self || hwnd != self->window) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return self->HandleMessage(msg, wParam, lParam);
}

intptr_t IEditorWindowWin::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  HWND hwnd = window;

  // The window's life and the mouse capture come first, whatever the text entry is doing.
  switch (msg)
  {
    case WM_DESTROY:
      // Releasing it here ends a gesture the window's end would otherwise cut off.
      if (GetCapture() == hwnd) ReleaseCapture();
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
    {
      // Destroyed by us or with the host's window: either way nothing of it is left here.
      const LRESULT result = DefWindowProcA(hwnd, msg, wParam, lParam);
      ForgetWindow();
      return result;
    }
    case WM_CLOSE:
      CloseWindow();
      return 0;
    case WM_CAPTURECHANGED:
      if ((HWND)lParam != hwnd && !releasingCapture)
      {
        if (insidePress)
          captureLostInPress = true;
        else
          EndLostGesture();
      }
      return 0;
    default: break;
  }

  // While the box holds the focus it was given back, the panel stands still: a click only
  // asks the box to close at the next tick.
  if (textEntry && textEntryState == 1)
  {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN)
    {
      textEntryState = 3;
      // The press never reached a control; its release will not either.
      skipNextRelease = true;
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (msg)
  {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;

    case WM_PAINT:
    {
      RECT box;
      if (GetUpdateRect(hwnd, &box, FALSE))
      {
        RedrawArea(IPixelRect(box.left, box.top, box.right, box.bottom));
        // A pass that presented nothing (no controls) must not leave the area invalid, or
        // the paint request would come back for ever.
        ValidateRect(hwnd, &box);
      }
      return 0;
    }

    case WM_KEYDOWN:
    {
      const int key = TranslateKey(wParam);
      if (key < 0) break;
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(hwnd, &p);
      if (KeyPressed(p.x, p.y, key)) return 0;
      break;
    }

    case WM_TIMER:
    {
      if (wParam != kTimerId) return 0;
      if (textEntry && textEntryState != 0)
      {
        if (textEntryState == 3)
          FinishTextEntry(false);
        else if (textEntryState == 4)
          FinishTextEntry(true);
        else
          textEntryState = 0;
        return 0;
      }
      IPixelRect area;
      if (!CollectDirtyArea(&area)) return 0;
      const RECT dirty = ToRect(area);
      InvalidateRect(hwnd, &dirty, FALSE);
      if (textEntry)
      {
        // The box is a child without clipping: keep the panel from painting over it.
        const RECT edited = ToRect(textEntryControl->GetBounds());
        ValidateRect(hwnd, &edited);
        UpdateWindow(hwnd);
        textEntryState = 2;
      }
      else
      {
        UpdateWindow(hwnd);
      }
      return 0;
    }

    case WM_MOUSEMOVE:
      if ((wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == hwnd && !textEntry)
        MouseDragged(x, y, KeysFrom(wParam));
      return 0;

    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    {
      if (textEntry)
      {
        DiscardTextEntry();
        const RECT panel = {0, 0, width, height};
        InvalidateRect(hwnd, &panel, FALSE);
        UpdateWindow(hwnd);
      }
      skipNextRelease = false;
      SetFocus(hwnd);
      SetCapture(hwnd);
      insidePress = true;
      captureLostInPress = false;
      MousePressed(x, y, KeysFrom(wParam));
      insidePress = false;
      // The press handler opened something modal that took the capture: the gesture is
      // over, and the host hears so after its begin-edit.
      if (captureLostInPress && GetCapture() != hwnd) EndLostGesture();
      captureLostInPress = false;
      return 0;
    }

    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    {
      // The middle button took the capture as the others do, so it gives it back too.
      releasingCapture = true;
      ReleaseCapture();
      releasingCapture = false;
      if (skipNextRelease)
      {
        skipNextRelease = false;
        return 0;
      }
      MouseReleased(x, y, KeysFrom(wParam));
      return 0;
    }

    case WM_LBUTTONDBLCLK: MouseDoubleClicked(x, y, KeysFrom(wParam)); return 0;

    case WM_MOUSEWHEEL:
    {
      if (textEntry)
      {
        textEntryState = 3;
        return 0;
      }
      // The wheel's position is on the screen.
      RECT own;
      GetWindowRect(hwnd, &own);
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      MouseWheeled(x - own.left, y - own.top, KeysFrom(GET_KEYSTATE_WPARAM(wParam)), delta);
      return 0;
    }

    default: break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
