#include "tools/vst2-render/HostWindow.h"

#include <windows.h>

namespace vrender {

namespace {

const wchar_t kClassName[] = L"vst2-render host";

LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Closing is the tool's decision: a stray WM_CLOSE must not destroy the editor's parent.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class Win32HostWindow : public HostWindow {
 public:
  ~Win32HostWindow() override {
    if (hwnd) DestroyWindow(hwnd);
    PumpEvents();
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
  }

  bool Open(int width, int height, std::string& error) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      error = "cannot register the host window class";
      return false;
    }
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    hwnd = CreateWindowExW(0, kClassName, L"vst2-render", kStyle, 0, 0, frame.right - frame.left,
                           frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) {
      error = "cannot create a host window (is there a display?)";
      return false;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    PumpEvents();
    return true;
  }

  void* ParentHandle() const override { return hwnd; }

  void Resize(int width, int height) override {
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpEvents();
  }

  void PumpEvents() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  bool Capture(int width, int height, std::vector<uint32_t>& pixels) override {
    HDC windowDc = GetDC(hwnd);
    if (!windowDc) return false;
    HDC memory = CreateCompatibleDC(windowDc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool ok = false;
    if (section && bits) {
      HGDIOBJ previous = SelectObject(memory, section);
      ok = BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != 0;
      GdiFlush();
      if (ok) {
        const uint32_t* source = static_cast<const uint32_t*>(bits);
        pixels.assign(source, source + static_cast<size_t>(width) * static_cast<size_t>(height));
        for (uint32_t& p : pixels) p &= 0xFFFFFFu;
      }
      SelectObject(memory, previous);
    }
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    ReleaseDC(hwnd, windowDc);
    return ok;
  }

 private:
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  HWND hwnd = nullptr;
};

}  // namespace

bool EnsureDisplay(std::string&) { return true; }

std::unique_ptr<HostWindow> HostWindow::CreateForPlatform(int width, int height, std::string& error) {
  std::unique_ptr<Win32HostWindow> window(new Win32HostWindow());
  if (!window->Open(width, height, error)) return nullptr;
  return window;
}

}  // namespace vrender
