#include "tests/editorwin/EditorWinTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "raster/RasterPrimitives.h"

// Watchdog -----------------------------------------------------------------------------------

Watchdog::Watchdog(std::string what, int seconds)
{
  thread = std::thread([this, what, seconds] {
    std::unique_lock<std::mutex> lock(mutex);
    if (wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return disarmed; })) return;
    std::fprintf(stderr, "watchdog: %s still running after %d s; ending the test program\n", what.c_str(), seconds);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  });
}

Watchdog::~Watchdog()
{
  {
    std::lock_guard<std::mutex> lock(mutex);
    disarmed = true;
  }
  wake.notify_all();
  thread.join();
}

// Messages -----------------------------------------------------------------------------------

void Pump()
{
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
  {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void PumpFor(int milliseconds)
{
  const DWORD start = GetTickCount();
  for (;;)
  {
    Pump();
    const DWORD spent = GetTickCount() - start;
    if (spent >= (DWORD)milliseconds) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, (DWORD)milliseconds - spent, QS_ALLINPUT);
  }
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds)
{
  const DWORD start = GetTickCount();
  for (;;)
  {
    Pump();
    if (done()) return true;
    const DWORD spent = GetTickCount() - start;
    if (spent >= (DWORD)milliseconds) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Host window --------------------------------------------------------------------------------

namespace
{

LRESULT CALLBACK HostProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterHostClasses()
{
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &HostProcedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = "VossTestHost";
  RegisterClassA(&wc);
  wc.lpszClassName = "VossTestContainer";
  RegisterClassA(&wc);
  registered = true;
}
}  // namespace

TestHostWindow::TestHostWindow(bool withContainer)
{
  RegisterHostClasses();
  frame = CreateWindowExA(0, "VossTestHost", "Vossamere2 test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 700,
                          520, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (withContainer)
    container = CreateWindowExA(0, "VossTestContainer", "", WS_CHILD | WS_VISIBLE, 20, 30, 420, 300, frame, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ShowWindow(frame, SW_SHOWNORMAL);
  SetForegroundWindow(frame);
  SetActiveWindow(frame);
  UpdateWindow(frame);
  PumpFor(50);
}

TestHostWindow::~TestHostWindow()
{
  if (IsWindow(frame)) DestroyWindow(frame);
  Pump();
}

// Input --------------------------------------------------------------------------------------

void MoveMouseTo(int screenX, int screenY)
{
  // Wine maps absolute input with (dx * width) >> 16: round up so the pixel comes out exact.
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = (LONG)(((long long)screenX * 65536 + w - 1) / w);
  input.mi.dy = (LONG)(((long long)screenY * 65536 + h - 1) / h);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
  PumpUntil(
      [&] {
        POINT p;
        GetCursorPos(&p);
        return p.x == screenX && p.y == screenY;
      },
      1000);
}

void MoveMouseToClient(HWND hwnd, int x, int y)
{
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  MoveMouseTo(p.x, p.y);
}

void SendMouseButton(DWORD flags)
{
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

void SendWheel(int amount)
{
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = (DWORD)amount;
  SendInput(1, &input, sizeof input);
}

void SendKey(WORD virtualKey, bool down)
{
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = (WORD)MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

void TapKey(WORD virtualKey)
{
  SendKey(virtualKey, true);
  SendKey(virtualKey, false);
}

void TypeText(const char* text)
{
  for (const char* p = text; *p; ++p)
  {
    const char c = *p;
    if (c >= '0' && c <= '9')
      TapKey((WORD)c);
    else if (c >= 'a' && c <= 'z')
      TapKey((WORD)(c - 'a' + 'A'));
    else if (c == '\b')
      TapKey(VK_BACK);
    else
    {
      // Punctuation wherever the keyboard layout puts it.
      const SHORT key = VkKeyScanA(c);
      if (key == -1) continue;
      const bool shift = (key & 0x100) != 0;
      if (shift) SendKey(VK_SHIFT, true);
      TapKey((WORD)(key & 0xFF));
      if (shift) SendKey(VK_SHIFT, false);
    }
    Pump();
  }
}

// Counting -----------------------------------------------------------------------------------

namespace
{
struct ChildCount
{
  const char* className;
  int count;
};

BOOL CALLBACK CountChild(HWND hwnd, LPARAM data)
{
  ChildCount* c = (ChildCount*)data;
  char name[64];
  if (GetClassNameA(hwnd, name, sizeof name) && std::strcmp(name, c->className) == 0) ++c->count;
  return TRUE;
}
}  // namespace

int CountChildWindows(HWND parent, const char* className)
{
  ChildCount c = {className, 0};
  EnumChildWindows(parent, &CountChild, (LPARAM)&c);
  return c.count;
}

bool IsClassRegistered(HINSTANCE module, const char* className)
{
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  return GetClassInfoExA(module, className, &wc) != 0;
}

namespace
{
// The system's handle table as NtQuerySystemInformation(SystemHandleInformation) gives it.
struct SystemHandleEntry
{
  USHORT processId;  // low 16 bits of the owner's id
  USHORT creator;
  UCHAR type;
  UCHAR attributes;
  USHORT handle;
  void* object;
  ULONG access;
};
struct SystemHandleTable
{
  ULONG count;
  SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
}  // namespace

long ProcessHandleCount()
{
  // GetProcessHandleCount answers 0 under Wine; the system's table is real there.
  const auto query = (QuerySystemInformation)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                                    "NtQuerySystemInformation");
  if (!query) return -1;
  std::vector<char> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt)
  {
    ULONG needed = 0;
    const LONG status = query(16, buffer.data(), (ULONG)buffer.size(), &needed);
    if (status == 0)
    {
      const SystemHandleTable* table = (const SystemHandleTable*)buffer.data();
      long mine = 0;
      for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].processId == (USHORT)GetCurrentProcessId()) ++mine;
      return mine;
    }
    buffer.resize(buffer.size() * 2);
  }
  return -1;
}

DWORD GdiObjectCount()
{
  return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

namespace
{
BOOL CALLBACK CountOne(HWND, LPARAM data)
{
  ++*(int*)data;
  return TRUE;
}

BOOL CALLBACK CountWithChildren(HWND hwnd, LPARAM data)
{
  ++*(int*)data;
  EnumChildWindows(hwnd, &CountOne, data);
  return TRUE;
}
}  // namespace

int CountThreadWindows()
{
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountWithChildren, (LPARAM)&count);
  return count;
}

// Pixels -------------------------------------------------------------------------------------

WindowPixels CaptureWindow(HWND hwnd, int width, int height)
{
  WindowPixels shot;
  shot.width = width;
  shot.height = height;
  shot.pixels.assign((size_t)width * height, 0);
  HDC windowDc = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(windowDc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const uint32_t* source = (const uint32_t*)bits;
  for (size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = source[i] & 0xFFFFFF;
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(hwnd, windowDc);
  return shot;
}

namespace
{
std::string PixelText(int x, int y, uint32_t have, uint32_t want)
{
  char text[96];
  std::snprintf(text, sizeof text, "(%d, %d) is %06X, not %06X", x, y, (unsigned)have, (unsigned)want);
  return text;
}
}  // namespace

std::string FirstPixelNot(const WindowPixels& shot, const IPixelRect& area, uint32_t colour)
{
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (shot.At(x, y) != (colour & 0xFFFFFF)) return PixelText(x, y, shot.At(x, y), colour & 0xFFFFFF);
  return "";
}

std::string FirstDifference(const WindowPixels& a, const WindowPixels& b, const IPixelRect& area,
                            const IPixelRect& excluded)
{
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
    {
      if (!excluded.IsEmpty() && excluded.Contains(x, y)) continue;
      if (a.At(x, y) != b.At(x, y)) return PixelText(x, y, a.At(x, y), b.At(x, y));
    }
  return "";
}

// Probe control ------------------------------------------------------------------------------

std::string KeysText(const IMouseKeys& keys)
{
  std::string text = keys.left || keys.right ? std::string(keys.left ? "L" : "") + (keys.right ? "R" : "") : "-";
  if (keys.shift) text += "+shift";
  if (keys.control) text += "+control";
  if (keys.alt) text += "+alt";
  return text;
}

ProbeControl::ProbeControl(IPlugBase* plug, const IPixelRect& bounds, int paramIndex, uint32_t fill,
                           std::vector<std::string>* calls, const char* probeName)
  : IControl(plug, bounds, paramIndex, nullptr), colour(fill), log(calls), name(probeName)
{
}

void ProbeControl::Note(const std::string& what)
{
  if (log) log->push_back(name + ":" + what);
}

void ProbeControl::HandlePress(int x, int y, const IMouseKeys& keys)
{
  Note("press " + std::to_string(x) + "," + std::to_string(y) + " " + KeysText(keys));
  IControl::HandlePress(x, y, keys);
}

void ProbeControl::HandleRelease(int x, int y, const IMouseKeys& keys)
{
  Note("release " + std::to_string(x) + "," + std::to_string(y) + " " + KeysText(keys));
}

void ProbeControl::HandleDrag(int x, int y, int dX, int dY, const IMouseKeys& keys)
{
  Note("drag " + std::to_string(x) + "," + std::to_string(y) + " by " + std::to_string(dX) + "," +
       std::to_string(dY) + " " + KeysText(keys));
}

void ProbeControl::HandleDoubleClick(int x, int y, const IMouseKeys& keys)
{
  Note("double " + std::to_string(x) + "," + std::to_string(y));
  IControl::HandleDoubleClick(x, y, keys);
}

void ProbeControl::HandleWheel(int x, int y, const IMouseKeys& keys, int delta)
{
  Note("wheel " + std::to_string(delta) + " at " + std::to_string(x) + "," + std::to_string(y));
  IControl::HandleWheel(x, y, keys, delta);
}

bool ProbeControl::HandleKey(int x, int y, int key)
{
  Note("key " + std::to_string(key) + " at " + std::to_string(x) + "," + std::to_string(y));
  return handlesKeys;
}

bool ProbeControl::Render(IEditorCanvas* canvas)
{
  ++renders;
  const IPixelRect& clip = canvas->GetDrawClip();
  const int left = bounds.left > clip.left ? bounds.left : clip.left;
  const int top = bounds.top > clip.top ? bounds.top : clip.top;
  const int right = bounds.right < clip.right ? bounds.right : clip.right;
  const int bottom = bounds.bottom < clip.bottom ? bounds.bottom : clip.bottom;
  if (right > left && bottom > top)
    RasterFillRect((RasterBitmap*)canvas->GetBackBuffer(), left, top, right - left, bottom - top,
                   0xFF000000u | colour, 1.0f, RasterModeCopy);
  return true;
}

// Modal answers ------------------------------------------------------------------------------

namespace
{
struct FindData
{
  const char* className;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM data)
{
  FindData* f = (FindData*)data;
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
  char name[64], title[256];
  if (!GetClassNameA(hwnd, name, sizeof name) || std::strcmp(name, f->className) != 0) return TRUE;
  if (f->title)
  {
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::strcmp(title, f->title) != 0) return TRUE;
  }
  f->found = hwnd;
  return FALSE;
}
}  // namespace

HWND FindProcessWindow(const char* className, const char* title)
{
  FindData f = {className, title, nullptr};
  EnumWindows(&FindTopLevel, (LPARAM)&f);
  return f.found;
}

WindowAnswerer::WindowAnswerer(const char* className, const char* title, std::function<void(HWND)> act,
                               int milliseconds)
{
  std::string cls = className;
  std::string caption = title ? title : "";
  const bool withTitle = title != nullptr;
  thread = std::thread([this, cls, caption, withTitle, act, milliseconds] {
    const DWORD start = GetTickCount();
    while (!stop && GetTickCount() - start < (DWORD)milliseconds)
    {
      HWND hwnd = FindProcessWindow(cls.c_str(), withTitle ? caption.c_str() : nullptr);
      if (hwnd)
      {
        seen = hwnd;
        // Let the dialog finish starting before it is answered.
        Sleep(150);
        found = true;
        act(hwnd);
        return;
      }
      Sleep(20);
    }
  });
}

WindowAnswerer::~WindowAnswerer()
{
  stop = true;
  thread.join();
}
