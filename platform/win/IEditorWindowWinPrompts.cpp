// The editor window's prompts: the text entry over a control, popup menus, the colour and
// file dialogs, web addresses, and the folders of the host and the plug-in.
#include "platform/win/IEditorWindowWin.h"

#include "graphics/IControl.h"
#include "graphics/IPixelColor.h"
#include "graphics/IPopupMenu.h"
#include "graphics/ITextStyle.h"
#include "plugin/IText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace
{
// What the timer reads of a committed text: the box may hold more than this.
constexpr int kCommitTextSize = 32;
// The file dialogs' name buffer: 255 characters and the terminator.
constexpr int kFileNameSize = 256;
// Module file names longer than this are refused rather than cut short (a cut name would
// give a folder that is not the module's).
constexpr DWORD kModulePathSize = 1024;

UINT_PTR CALLBACK ColourDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam)
{
  if (msg == WM_INITDIALOG)
  {
    const CHOOSECOLORA* chooser = (const CHOOSECOLORA*)lParam;
    if (chooser && chooser->lCustData) SetWindowTextA(dialog, (const char*)chooser->lCustData);
  }
  return 0;  // the dialog's own handling goes on
}

// The folder of a module's file, with its trailing backslash, or "".
void ModuleFolder(HMODULE module, IText* out)
{
  if (!out) return;
  out->Set("");
  char path[kModulePathSize];
  const DWORD length = GetModuleFileNameA(module, path, kModulePathSize);
  if (length == 0 || length >= kModulePathSize) return;
  const char* slash = std::strrchr(path, '\\');
  if (!slash || slash[1] == 0) return;
  out->Set(path, (int)(slash - path) + 1);
}
}  // namespace

// Text entry ---------------------------------------------------------------------------------

void IEditorWindowWin::OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area,
                                     const char* text, IPlugParam* parameter)
{
  if (!control || textEntry || !window) return;
  DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE;
  if (textStyle.alignment == TextAlignCenter)
    style |= ES_CENTER;
  else if (textStyle.alignment == TextAlignRight)
    style |= ES_RIGHT;
  HWND box = CreateWindowExA(0, "EDIT", text ? text : "", style, area.left, area.top, area.right - area.left + 1,
                             area.bottom - area.top + 1, window, (HMENU)(INT_PTR)kTextEntryId, moduleHandle, nullptr);
  if (!box) return;
  textEntry = box;

  // A face the system does not know still gives a font (a substitute); a refused font
  // leaves the box with the system's.
  textEntryFont = CreateFontA(textStyle.size, 0, 0, 0, textStyle.style == TextStyleBold ? FW_BOLD : FW_DONTCARE,
                              textStyle.style == TextStyleItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, textStyle.face);
  if (textEntryFont) SendMessageA(box, WM_SETFONT, (WPARAM)textEntryFont, FALSE);
  SendMessageA(box, EM_SETSEL, 0, -1);
  SendMessageA(box, EM_LIMITTEXT, (WPARAM)control->GetTextEntryLength(), 0);
  SetFocus(box);

  // The owner first, so the procedure never meets the box without one.
  SetWindowLongPtrA(box, GWLP_USERDATA, (LONG_PTR)this);
  textEntryOldProc = (WNDPROC)SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)&TextEntryProcedure);
  textEntryParam = parameter;
  textEntryControl = control;
  // The focus given above arrived before this procedure was in place: still state 0.
  textEntryState = 0;
}

intptr_t __stdcall IEditorWindowWin::TextEntryProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  IEditorWindowWin* self = (IEditorWindowWin*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  if (!self || hwnd != self->textEntry || !self->textEntryOldProc) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return self->HandleTextEntryMessage(msg, wParam, lParam);
}

intptr_t IEditorWindowWin::HandleTextEntryMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  HWND box = textEntry;
  WNDPROC old = textEntryOldProc;
  switch (msg)
  {
    case WM_SETFOCUS: textEntryState = 1; break;
    case WM_KILLFOCUS: textEntryState = 3; break;
    case WM_GETDLGCODE:
    {
      LRESULT code = CallWindowProcA(old, box, msg, wParam, lParam);
      if (!textEntryParam && wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN)
      {
        textEntryState = 4;
        return 0;
      }
      break;
    case WM_CHAR:
      // Return commits (its key-down did that); its character never belongs in the text.
      if (wParam == '\r' || wParam == '\n' || !TextEntryAccepts(textEntryParam, (int)wParam)) return 0;
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK)
      {
        textEntryState = 4;
        return 0;
      }
      break;
    default: break;
  }
  return CallWindowProcA(old, box, msg, wParam, lParam);
}

void IEditorWindowWin::DiscardTextEntry()
{
  HWND box = textEntry;
  WNDPROC old = textEntryOldProc;
  HFONT font = textEntryFont;
  textEntry = nullptr;
  textEntryControl = nullptr;
  textEntryParam = nullptr;
  textEntryOldProc = nullptr;
  textEntryState = 0;
  textEntryFont = nullptr;
  // Gone already when it was destroyed with the editor window.
  if (box && IsWindow(box))
  {
    if (old) SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)old);
    SetWindowLongPtrA(box, GWLP_USERDATA, 0);
    DestroyWindow(box);
  }
  if (font) DeleteObject(font);
}

void IEditorWindowWin::FinishTextEntry(bool commit)
{
  IControl* control = textEntryControl;
  IPlugParam* parameter = textEntryParam;
  char text[kCommitTextSize] = {0};
  if (commit) GetWindowTextA(textEntry, text, kCommitTextSize);
  // Closed before the value goes out, so whatever the plug-in does with it meets a
  // settled editor.
  DiscardTextEntry();
  if (control && window)
  {
    // The control's bounds were kept from painting while the box was open.
    const IPixelRect& b = control->GetBounds();
    const RECT bounds = {b.left, b.top, b.right, b.bottom};
    InvalidateRect(window, &bounds, FALSE);
  }
  if (commit) CommitEnteredText(control, parameter, text);
}

// Popup menu ---------------------------------------------------------------------------------

IPopupMenu* IEditorWindowWin::ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area)
{
  // The click that opened the menu releases nothing afterwards.
  captureIndex = -1;
  lastMouseX = -1;
  if (!menu || !window || menu->NItems() <= 0) return nullptr;
  POINT anchor = {area.left, area.bottom};
  ClientToScreen(window, &anchor);
  HMENU systemMenu = CreatePopupMenu();
  if (!systemMenu) return nullptr;

  std::vector<char> text;
  for (int i = 1; i <= menu->NItems(); ++i)
  {
    const IPopupMenuItem* item = menu->GetItem(i - 1);
    if (!item) continue;
    if (item->IsSeparator())
    {
      AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    if (item->submenu) continue;
    UINT flags = MF_STRING;
    if (item->flags & IPopupMenuItem::kGreyed) flags |= MF_GRAYED;
    if (item->flags & IPopupMenuItem::kDisabled) flags |= MF_DISABLED;
    if (item->flags & IPopupMenuItem::kChecked) flags |= MF_CHECKED;
    text.assign((size_t)item->text.Length() + 16, 0);
    menu->FormatItemText(i - 1, text.data(), (int)text.size());
    AppendMenuA(systemMenu, flags, (UINT_PTR)i, text.data());
  }

  const UINT command =
      (UINT)TrackPopupMenu(systemMenu, TPM_NONOTIFY | TPM_RETURNCMD, anchor.x, anchor.y, 0, window, nullptr);
  DestroyMenu(systemMenu);
  if (command == 0) return nullptr;
  menu->chosenIndex = (int)command - 1;
  return menu;
}

// System dialogs -----------------------------------------------------------------------------

bool IEditorWindowWin::PromptForColour(IPixelColor* colour, const char* title)
{
  if (!window || !colour) return false;
  if (!customColours)
  {
    customColours = new (std::nothrow) COLORREF[16]();
    if (!customColours) return false;
  }
  CHOOSECOLORA chooser = {};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = window;
  chooser.rgbResult = RGB(colour->red & 0xFF, colour->green & 0xFF, colour->blue & 0xFF);
  chooser.lpCustColors = customColours;
  chooser.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_SOLIDCOLOR | CC_RGBINIT;
  if (title)
  {
    chooser.Flags |= CC_ENABLEHOOK;
    chooser.lpfnHook = &ColourDialogHook;
    chooser.lCustData = (LPARAM)title;
  }
  if (!ChooseColorA(&chooser)) return false;
  colour->red = GetRValue(chooser.rgbResult);
  colour->green = GetGValue(chooser.rgbResult);
  colour->blue = GetBValue(chooser.rgbResult);
  return true;
}

bool IEditorWindowWin::OpenUrl(const char* url, const char* title, const char* confirmText, const char* errorText)
{
  if (confirmText && MessageBoxA(window, confirmText, title, MB_YESNO) != IDYES) return false;
  DWORD connection = 0;
  if (url && InternetGetConnectedState(&connection, 0) &&
      (INT_PTR)ShellExecuteA(window, "open", url, nullptr, nullptr, SW_SHOWNORMAL) > 32)
    return true;
  if (errorText) MessageBoxA(window, errorText, title, MB_OK);
  return false;
}

void IEditorWindowWin::GetHostPath(IText* out)
{
  ModuleFolder(nullptr, out);
}

void IEditorWindowWin::GetPluginPath(IText* out)
{
  ModuleFolder(moduleHandle, out);
}

void IEditorWindowWin::PromptForFile(IText* out, int action, IText* directory, const char* extensions)
{
  if (!out) return;
  if (!window)
  {
    out->Set("");
    return;
  }
  IText localDirectory;
  if (!directory) directory = &localDirectory;

  char fileName[kFileNameSize];
  std::strncpy(fileName, out->Get(), kFileNameSize - 1);
  fileName[kFileNameSize - 1] = 0;
  if (directory->IsEmpty())
  {
    char desktop[MAX_PATH] = {0};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop)))
      directory->Set(desktop);
  }

  // "a b" filters *.a;*.b, described by the same pattern; the first is the default.
  std::string pattern, defaultExtension;
  if (extensions)
  {
    const char* p = extensions;
    while (*p)
    {
      while (*p == ' ') ++p;
      const char* start = p;
      while (*p && *p != ' ') ++p;
      if (p == start) continue;
      const std::string extension(start, (size_t)(p - start));
      if (defaultExtension.empty()) defaultExtension = extension;
      if (!pattern.empty()) pattern += ';';
      pattern += "*." + extension;
    }
  }
  std::string filter;
  if (!pattern.empty())
  {
    filter = pattern;
    filter += '\0';
    filter += pattern;
    filter += '\0';
    filter += '\0';
  }

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = fileName;
  dialog.nMaxFile = kFileNameSize;
  dialog.lpstrInitialDir = directory->IsEmpty() ? nullptr : directory->Get();
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  // The host's working directory is not the dialog's to change.
  dialog.Flags = OFN_NOCHANGEDIR;
  BOOL chosen;
  if (action == 1)
  {
    dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    chosen = GetSaveFileNameA(&dialog);
  }
  else
  {
    dialog.Flags |= OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameA(&dialog);
  }
  if (!chosen) return;  // cancelled: the initial name and folder stay

  char drive[_MAX_DRIVE], folder[_MAX_DIR];
  _splitpath(fileName, drive, folder, nullptr, nullptr);
  std::string chosenDirectory = std::string(drive) + folder;
  directory->Set(chosenDirectory.c_str());
  out->Set(fileName);
}
