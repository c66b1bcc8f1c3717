#include "platform/linux/IEditorTextEntryX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "graphics/IEditorCanvas.h"
#include "platform/linux/IEditorDrawLock.h"
#include "raster/RasterCachedFont.h"
#include "raster/RasterPrimitives.h"
#include "raster/RasterSysBitmap.h"

namespace
{
constexpr int kCommitCharacters = 31;  // what a commit reads of the box
constexpr RasterPixel kBoxColour = 0xFFFFFFFF;
constexpr RasterPixel kSelectionColour = 0xFF3399FF;
constexpr RasterPixel kSelectedTextColour = 0xFFFFFFFF;
constexpr int kMargin = 1;

void AppendUtf8(std::string& out, uint32_t c)
{
  if (c < 0x80)
  {
    out += (char)c;
  }
  else if (c < 0x800)
  {
    out += (char)(0xC0 | (c >> 6));
    out += (char)(0x80 | (c & 0x3F));
  }
  else
  {
    out += (char)(0xE0 | ((c >> 12) & 0x0F));
    out += (char)(0x80 | ((c >> 6) & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  }
}

// Some hosts pass text the user never typed (a value text with any characters); the box
// shows it as it is, character by character.
std::vector<uint32_t> DecodeUtf8(const char* text)
{
  std::vector<uint32_t> out;
  if (!text) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p)
  {
    int code = 0;
    p += RasterUtf8Decode(p, &code);
    out.push_back((uint32_t)code);
  }
  return out;
}

std::string Utf8Of(const std::vector<uint32_t>& chars, size_t begin, size_t end)
{
  std::string out;
  for (size_t i = begin; i < end && i < chars.size(); ++i) AppendUtf8(out, chars[i]);
  return out;
}

int TextWidth(RasterCachedFont* font, const std::string& text)
{
  if (!font || text.empty()) return 0;
  int rect[4] = {0, 0, 0, 0};
  font->DrawTextInRect(nullptr, text.c_str(), -1, rect, RasterTextCalcRect | RasterTextSingleLine | RasterTextNoClip);
  return rect[2] - rect[0];
}
}  // namespace

IEditorTextEntryX11::IEditorTextEntryX11(IControl* c, IPlugParam* p, const ITextStyle& s, const IPixelRect& a,
                                         const char* text, int length, CharacterFilter f)
  : control(c), parameter(p), style(s), area(a), maxLength(length > 0 ? length : 0), filter(f)
{
  characters = DecodeUtf8(text);
  // The box holds no more than its limit, even of the text it opened with.
  if ((int)characters.size() > maxLength) characters.resize((size_t)maxLength);
  caret = (int)characters.size();
  allSelected = true;
}

IEditorTextEntryX11::~IEditorTextEntryX11() = default;

void IEditorTextEntryX11::DeleteSelection()
{
  if (!allSelected) return;
  characters.clear();
  caret = 0;
  allSelected = false;
}

bool IEditorTextEntryX11::Type(uint32_t character)
{
  if (character < 0x20 || character == 0x7F) return false;  // controls are keys, not text
  if (filter && !filter(parameter, (int)character)) return false;
  const int kept = allSelected ? 0 : (int)characters.size();
  if (kept >= maxLength) return false;
  DeleteSelection();
  characters.insert(characters.begin() + caret, character);
  ++caret;
  return true;
}

void IEditorTextEntryX11::Backspace()
{
  if (allSelected)
  {
    DeleteSelection();
    return;
  }
  if (caret > 0)
  {
    characters.erase(characters.begin() + (caret - 1));
    --caret;
  }
}

void IEditorTextEntryX11::DeleteForward()
{
  if (allSelected)
  {
    DeleteSelection();
    return;
  }
  if (caret < (int)characters.size()) characters.erase(characters.begin() + caret);
}

void IEditorTextEntryX11::MoveCaret(int delta)
{
  if (allSelected)
  {
    // Like an edit box: an arrow leaves the selection at the side it points to.
    caret = delta < 0 ? 0 : (int)characters.size();
    allSelected = false;
    return;
  }
  caret += delta;
  if (caret < 0) caret = 0;
  if (caret > (int)characters.size()) caret = (int)characters.size();
}

void IEditorTextEntryX11::CaretToStart()
{
  allSelected = false;
  caret = 0;
}

void IEditorTextEntryX11::CaretToEnd()
{
  allSelected = false;
  caret = (int)characters.size();
}

void IEditorTextEntryX11::SelectAll()
{
  allSelected = !characters.empty();
  caret = (int)characters.size();
}

void IEditorTextEntryX11::HandleKey(unsigned long keysym, const char* chars, int count, unsigned modifiers)
{
  switch (keysym)
  {
    case XK_Return:
    case XK_KP_Enter: state = kCommitRequested; return;
    case XK_Escape: state = kCancelRequested; return;
    case XK_BackSpace: Backspace(); return;
    case XK_Delete:
    case XK_KP_Delete: DeleteForward(); return;
    case XK_Left:
    case XK_KP_Left: MoveCaret(-1); return;
    case XK_Right:
    case XK_KP_Right: MoveCaret(1); return;
    case XK_Home:
    case XK_KP_Home: CaretToStart(); return;
    case XK_End:
    case XK_KP_End: CaretToEnd(); return;
    default: break;
  }
  if ((modifiers & ControlMask) && (keysym == XK_a || keysym == XK_A))
  {
    SelectAll();
    return;
  }
  if (modifiers & (ControlMask | Mod1Mask)) return;
  for (int i = 0; i < count; ++i) Type((unsigned char)chars[i]);
}

std::string IEditorTextEntryX11::GetText() const
{
  return Utf8Of(characters, 0, (size_t)kCommitCharacters);
}

bool IEditorTextEntryX11::Create(Display* d, unsigned long editorWindow, void* editorVisual)
{
  display = d;
  visual = editorVisual;
  const int w = area.right - area.left + 1, h = area.bottom - area.top + 1;
  if (w <= 0 || h <= 0) return false;
  XSetWindowAttributes attributes = {};
  attributes.background_pixmap = None;  // we paint every pixel ourselves
  attributes.event_mask = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask | StructureNotifyMask;
  window = XCreateWindow(d, editorWindow, area.left, area.top, (unsigned)w, (unsigned)h, 0, CopyFromParent,
                         InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
  if (!window) return false;
  XMapRaised(d, window);
  XGetInputFocus(d, &previousFocus, &previousRevert);
  // Fails (and the trap swallows it) while the host's window is not viewable; the box then
  // simply waits for keys the host forwards, or for a click.
  XSetInputFocus(d, window, RevertToParent, CurrentTime);
  return true;
}

void IEditorTextEntryX11::Destroy(bool windowExists)
{
  if (!display || !window) return;
  if (windowExists)
  {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // Only when the focus is still ours: a user who clicked elsewhere keeps it there.
    if (focus == window)
      XSetInputFocus(display, previousFocus ? previousFocus : PointerRoot, previousRevert, CurrentTime);
    XDestroyWindow(display, window);
  }
  window = 0;
}

bool IEditorTextEntryX11::HandleEvent(const XEvent& event, IEditorCanvas* canvas)
{
  if (!window || event.xany.window != window) return false;
  switch (event.type)
  {
    case Expose:
      if (event.xexpose.count == 0) Draw(canvas);
      break;
    case FocusIn:
      if (state == kOpen && event.xfocus.mode != NotifyUngrab) state = kFocused;
      break;
    case FocusOut:
      // Focus moving inside the box, or a keyboard grab (a window manager's shortcut, a
      // menu), is no loss of focus.
      if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
          event.xfocus.detail != NotifyPointer && (state == kOpen || state == kFocused))
        state = kCancelRequested;
      break;
    case KeyPress:
    {
      XKeyEvent key = event.xkey;
      char chars[16];
      KeySym keysym = 0;
      const int count = XLookupString(&key, chars, (int)sizeof chars, &keysym, nullptr);
      HandleKey((unsigned long)keysym, chars, count, key.state);
      Draw(canvas);
      break;
    }
    case ButtonPress:
      // A click in the box puts the caret at its end, as a simple edit box does.
      if (event.xbutton.button == Button1)
      {
        CaretToEnd();
        Draw(canvas);
      }
      if (state == kOpen) XSetInputFocus(display, window, RevertToParent, CurrentTime);
      break;
    default: break;
  }
  return true;
}

void IEditorTextEntryX11::Draw(IEditorCanvas* canvas)
{
  if (!display || !window || !canvas) return;
  const int w = area.right - area.left + 1, h = area.bottom - area.top + 1;
  RasterSysBitmap pixels(w, h);
  if (!pixels.GetBits()) return;
  {
    IEditorDrawLock drawing;
    RasterFillRect(&pixels, 0, 0, w, h, kBoxColour, 1.0f, RasterModeCopy);
    RasterCachedFont* font = canvas->CacheFont(&style);
    const std::string text = Utf8Of(characters, 0, characters.size());
    const int textWidth = TextWidth(font, text);
    int x = kMargin;
    if (style.alignment == TextAlignCenter) x = (w - textWidth) / 2;
    else if (style.alignment != TextAlignLeft) x = w - kMargin - 1 - textWidth;
    if (x < kMargin) x = kMargin;
    const int lineHeight = font ? font->GetLineHeight() : style.size;
    const bool selected = allSelected && !characters.empty();
    if (selected) RasterFillRect(&pixels, x, 0, textWidth, lineHeight < h ? lineHeight : h, kSelectionColour, 1.0f, RasterModeCopy);
    if (font && !text.empty())
    {
      const IPixelColor& c = style.colour;
      font->SetColor(selected ? kSelectedTextColour
                              : RasterPackPixel(c.red, c.green, c.blue, 255));
      int rect[4] = {x, 0, x + textWidth + 1, h};
      font->DrawTextInRect(&pixels, text.c_str(), -1, rect, RasterTextNoClip | RasterTextSingleLine);
    }
    if (!selected)
    {
      const int caretX = x + TextWidth(font, Utf8Of(characters, 0, (size_t)caret));
      const IPixelColor& c = style.colour;
      RasterFillRect(&pixels, caretX < w ? caretX : w - 1, 0, 1, lineHeight < h ? lineHeight : h,
                     RasterPackPixel(c.red, c.green, c.blue, 255), 1.0f, RasterModeCopy);
    }
  }
  XImage* image = XCreateImage(display, static_cast<Visual*>(visual), 24, ZPixmap, 0,
                               reinterpret_cast<char*>(pixels.GetBits()), (unsigned)w, (unsigned)h, 32,
                               pixels.GetRowSpan() * 4);
  if (!image) return;
  image->byte_order = LSBFirst;
  GC gc = XCreateGC(display, window, 0, nullptr);
  XPutImage(display, window, gc, image, 0, 0, 0, 0, (unsigned)w, (unsigned)h);
  XFreeGC(display, gc);
  image->data = nullptr;  // the pixels belong to the bitmap
  XDestroyImage(image);
  XFlush(display);
}
