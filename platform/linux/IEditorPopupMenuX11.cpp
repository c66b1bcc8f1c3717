#include "platform/linux/IEditorPopupMenuX11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>
#include <thread>

#include "graphics/IEditorCanvas.h"
#include "graphics/IPopupMenu.h"
#include "graphics/ITextStyle.h"
#include "platform/linux/IEditorDrawLock.h"
#include "raster/RasterCachedFont.h"
#include "raster/RasterLine.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterSysBitmap.h"

namespace
{
constexpr int kCheckColumn = 20;     // room for the check mark left of the text
constexpr int kRightMargin = 16;
constexpr int kRowPadding = 3;       // above and below the text
constexpr int kSeparatorHeight = 7;
constexpr int kMinimumWidth = 80;
constexpr int kIdleMilliseconds = 40;
constexpr RasterPixel kBackground = 0xFFF2F2F2;
constexpr RasterPixel kBorder = 0xFF7A7A7A;
constexpr RasterPixel kHighlight = 0xFF3399FF;
constexpr RasterPixel kText = 0xFF000000;
constexpr RasterPixel kHighlightText = 0xFFFFFFFF;
constexpr RasterPixel kGreyedText = 0xFF8C8C8C;
constexpr RasterPixel kSeparator = 0xFFC8C8C8;

ITextStyle& MenuStyle()
{
  static ITextStyle style("Verdana", 13, IPixelColor(255, 0, 0, 0), TextStyleNormal, TextAlignLeft);
  return style;
}

int TextWidth(RasterCachedFont* font, const std::string& text)
{
  if (!font || text.empty()) return 0;
  int rect[4] = {0, 0, 0, 0};
  font->DrawTextInRect(nullptr, text.c_str(), -1, rect, RasterTextCalcRect | RasterTextSingleLine | RasterTextNoClip);
  return rect[2] - rect[0];
}

bool IsSeparator(int flags)
{
  return (flags & IPopupMenuItem::kSeparator) != 0;
}
}  // namespace

IEditorPopupMenuX11::IEditorPopupMenuX11(IPopupMenu* menu, IEditorCanvas* c) : canvas(c)
{
  IEditorDrawLock drawing;
  RasterCachedFont* font = canvas ? canvas->CacheFont(&MenuStyle()) : nullptr;
  const int lineHeight = font ? font->GetLineHeight() : MenuStyle().size + 3;
  int widest = 0;
  int y = 2;
  for (int i = 0; menu && i < menu->NItems(); ++i)
  {
    const IPopupMenuItem* item = menu->GetItem(i);
    if (item->submenu) continue;  // submenus are not offered
    Row row;
    row.item = i;
    row.flags = item->flags;
    row.top = y;
    if (IsSeparator(item->flags))
    {
      row.height = kSeparatorHeight;
    }
    else
    {
      char text[512];
      menu->FormatItemText(i, text, (int)sizeof text);
      row.text = text;
      row.height = lineHeight + 2 * kRowPadding;
      const int w = TextWidth(font, row.text);
      if (w > widest) widest = w;
    }
    y += row.height;
    rows.push_back(row);
  }
  width = kCheckColumn + widest + kRightMargin;
  if (width < kMinimumWidth) width = kMinimumWidth;
  height = y + 2;
}

int IEditorPopupMenuX11::RowAt(int x, int y) const
{
  if (x < 0 || x >= width) return -1;
  for (size_t i = 0; i < rows.size(); ++i)
    if (y >= rows[i].top && y < rows[i].top + rows[i].height) return (int)i;
  return -1;
}

bool IEditorPopupMenuX11::IsChoosable(int row) const
{
  if (row < 0 || row >= (int)rows.size()) return false;
  return (rows[(size_t)row].flags & (IPopupMenuItem::kSeparator | IPopupMenuItem::kGreyed | IPopupMenuItem::kDisabled)) == 0;
}

int IEditorPopupMenuX11::Step(int from, int direction) const
{
  const int n = (int)rows.size();
  for (int k = 1; k <= n; ++k)
  {
    const int row = ((from < 0 ? (direction > 0 ? -1 : 0) : from) + direction * k + 2 * n) % n;
    if (IsChoosable(row)) return row;
  }
  return -1;
}

void IEditorPopupMenuX11::Draw()
{
  if (!display || !window) return;
  RasterSysBitmap pixels(width, height);
  if (!pixels.GetBits()) return;
  {
    IEditorDrawLock drawing;
    RasterFillRect(&pixels, 0, 0, width, height, kBackground, 1.0f, RasterModeCopy);
    RasterRectOutline(&pixels, 0, 0, width - 1, height - 1, kBorder, 1.0f, RasterModeCopy);
    RasterCachedFont* font = canvas ? canvas->CacheFont(&MenuStyle()) : nullptr;
    for (size_t i = 0; i < rows.size(); ++i)
    {
      const Row& row = rows[i];
      if (IsSeparator(row.flags))
      {
        RasterFillRect(&pixels, 4, row.top + row.height / 2, width - 8, 1, kSeparator, 1.0f, RasterModeCopy);
        continue;
      }
      const bool lit = (int)i == highlighted;
      if (lit) RasterFillRect(&pixels, 2, row.top, width - 4, row.height, kHighlight, 1.0f, RasterModeCopy);
      const RasterPixel ink = lit ? kHighlightText : (row.flags & IPopupMenuItem::kGreyed) ? kGreyedText : kText;
      if (row.flags & IPopupMenuItem::kChecked)
      {
        // A tick: a short stroke down to the right, then a long one up.
        const int cx = 6, cy = row.top + row.height / 2;
        for (int t = 0; t < 2; ++t)
        {
          RasterLine(&pixels, cx, cy + t, cx + 3, cy + 3 + t, ink, 1.0f, RasterModeCopy, false);
          RasterLine(&pixels, cx + 3, cy + 3 + t, cx + 9, cy - 4 + t, ink, 1.0f, RasterModeCopy, false);
        }
      }
      if (font && !row.text.empty())
      {
        font->SetColor(ink);
        int rect[4] = {kCheckColumn, row.top + kRowPadding, width - 2, row.top + row.height};
        font->DrawTextInRect(&pixels, row.text.c_str(), -1, rect, RasterTextNoClip | RasterTextSingleLine);
      }
    }
  }
  XImage* image = XCreateImage(display, static_cast<Visual*>(visual), 24, ZPixmap, 0,
                               reinterpret_cast<char*>(pixels.GetBits()), (unsigned)width, (unsigned)height, 32,
                               pixels.GetRowSpan() * 4);
  if (!image) return;
  image->byte_order = LSBFirst;
  GC gc = XCreateGC(display, window, 0, nullptr);
  XPutImage(display, window, gc, image, 0, 0, 0, 0, (unsigned)width, (unsigned)height);
  XFreeGC(display, gc);
  image->data = nullptr;
  XDestroyImage(image);
  XFlush(display);
}

int IEditorPopupMenuX11::Run(Display* d, void* v, unsigned long colormap, int rootX, int rootY,
                             const std::function<bool(const XEvent&)>& other, const std::function<bool()>& idle)
{
  if (rows.empty() || !d) return -1;
  display = d;
  visual = v;
  const int screen = DefaultScreen(d);
  const Window root = RootWindow(d, screen);
  // Kept on the screen: a menu near the bottom or the right edge opens above or left.
  const int screenW = DisplayWidth(d, screen), screenH = DisplayHeight(d, screen);
  if (rootX + width > screenW) rootX = screenW - width;
  if (rootY + height > screenH) rootY = screenH - height;
  if (rootX < 0) rootX = 0;
  if (rootY < 0) rootY = 0;

  XSetWindowAttributes attributes = {};
  attributes.override_redirect = True;
  attributes.save_under = True;
  attributes.colormap = colormap;
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                          StructureNotifyMask;
  window = XCreateWindow(d, root, rootX, rootY, (unsigned)width, (unsigned)height, 0, 24, InputOutput,
                         static_cast<Visual*>(v),
                         CWOverrideRedirect | CWSaveUnder | CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask,
                         &attributes);
  if (!window) return -1;
  // Compositing window managers place and shade a window by its type.
  const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  Atom popup = XInternAtom(d, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
  XChangeProperty(d, window, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&popup), 1);
  XMapRaised(d, window);
  XSync(d, False);

  // Another client (the host's own menu, a window manager drag) may hold the pointer or the
  // keyboard for a moment; a menu without the grabs still works inside its own window.
  bool havePointer = false, haveKeyboard = false;
  for (int attempt = 0; attempt < 20 && !(havePointer && haveKeyboard); ++attempt)
  {
    if (!havePointer)
      havePointer = XGrabPointer(d, window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    if (!haveKeyboard)
      haveKeyboard = XGrabKeyboard(d, window, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!(havePointer && haveKeyboard)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Draw();

  int chosen = -1;
  bool running = true;
  auto last = std::chrono::steady_clock::now();
  while (running)
  {
    while (running && XPending(d))
    {
      XEvent event;
      XNextEvent(d, &event);
      if (event.xany.window != window)
      {
        if (!other(event)) running = false;
        continue;
      }
      switch (event.type)
      {
        case Expose:
          if (event.xexpose.count == 0) Draw();
          break;
        case MotionNotify:
        {
          const int row = RowAt(event.xmotion.x, event.xmotion.y);
          const int lit = IsChoosable(row) ? row : -1;
          if (lit != highlighted)
          {
            highlighted = lit;
            Draw();
          }
          break;
        }
        case ButtonPress:
          if (event.xbutton.button > Button3) break;  // the wheel neither chooses nor dismisses
          if (event.xbutton.x < 0 || event.xbutton.y < 0 || event.xbutton.x >= width || event.xbutton.y >= height)
            running = false;  // a click outside dismisses the menu
          break;
        case ButtonRelease:
        {
          if (event.xbutton.button > Button3) break;
          const int row = RowAt(event.xbutton.x, event.xbutton.y);
          if (IsChoosable(row))
          {
            chosen = rows[(size_t)row].item;
            running = false;
          }
          break;
        }
        case KeyPress:
        {
          XKeyEvent key = event.xkey;
          const KeySym keysym = XLookupKeysym(&key, 0);
          if (keysym == XK_Escape)
          {
            running = false;
          }
          else if (keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_space)
          {
            if (IsChoosable(highlighted))
            {
              chosen = rows[(size_t)highlighted].item;
              running = false;
            }
          }
          else if (keysym == XK_Up || keysym == XK_Down || keysym == XK_KP_Up || keysym == XK_KP_Down)
          {
            highlighted = Step(highlighted, keysym == XK_Up || keysym == XK_KP_Up ? -1 : 1);
            Draw();
          }
          break;
        }
        case UnmapNotify:
        case DestroyNotify: running = false; break;
        default: break;
      }
    }
    if (!running) break;
    const auto now = std::chrono::steady_clock::now();
    if (now - last >= std::chrono::milliseconds(kIdleMilliseconds))
    {
      last = now;
      if (!idle())
      {
        running = false;
        break;
      }
    }
    pollfd wait = {ConnectionNumber(d), POLLIN, 0};
    poll(&wait, 1, kIdleMilliseconds);
  }

  XUngrabKeyboard(d, CurrentTime);
  XUngrabPointer(d, CurrentTime);
  XDestroyWindow(d, window);
  XFlush(d);
  window = 0;
  return chosen;
}
