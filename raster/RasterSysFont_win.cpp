#include "raster/RasterSysFont.h"

#include "raster/RasterBlit.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace {

HDC CanvasDC(RasterSysBitmap* canvas)
{
  return canvas ? (HDC)canvas->GetDeviceContext() : nullptr;
}

// Off-screen bitmap for system text drawn into bitmaps that have no device context; made on
// first use, released at module unload.
RasterSysBitmap& TextBitmap()
{
  static RasterSysBitmap bitmap(0, 0);
  return bitmap;
}

bool GrowTo(RasterSysBitmap& bitmap, int width, int height)
{
  if (bitmap.GetWidth() < width || bitmap.GetHeight() < height)
    bitmap.Resize(std::max(bitmap.GetWidth(), width), std::max(bitmap.GetHeight(), height));
  return bitmap.GetBits() && bitmap.GetWidth() >= width && bitmap.GetHeight() >= height;
}

// The multibyte test, bounded by the length when one is given.
bool HasMultibyte(const char* text, int length)
{
  if (length < 0)
    return RasterUtf8HasMultibyte(text);
  const unsigned char* p = (const unsigned char*)text;
  auto tail = [&](int i) { return i < length && p[i] >= 0x80 && p[i] <= 0xBF; };
  for (int i = 0; i < length && p[i]; ++i) {
    if (p[i] >= 0xC2 && p[i] <= 0xDF && tail(i + 1))
      return true;
    if (p[i] >= 0xE0 && p[i] <= 0xF4 && tail(i + 1) && tail(i + 2))
      return true;
  }
  return false;
}

int Clamp1(long long v)
{
  return v < 1 ? 1 : (v > 0x7FFFFFFF ? 0x7FFFFFFF : (int)v);
}

} // namespace

RasterFontHandle RasterCreateFontEx(const char* face, int height, int escapement, int orientation, int weight,
                                    bool italic, int quality)
{
  HFONT font = CreateFontA(height, 0, escapement, orientation, weight, italic ? TRUE : FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, (DWORD)quality,
                           DEFAULT_PITCH | FF_DONTCARE, face ? face : "");
  return (RasterFontHandle)font;
}

RasterFontHandle RasterCreateFont(const char* face, int height, int weight, bool italic)
{
  return RasterCreateFontEx(face, height, 0, 0, weight, italic, ANTIALIASED_QUALITY);
}

void RasterDeleteFont(RasterFontHandle font)
{
  if (font)
    DeleteObject((HGDIOBJ)font);
}

bool RasterSysFontIsNtFamily()
{
  static const bool nt = (GetVersion() & 0x80000000u) == 0;
  return nt;
}

bool RasterIsWine()
{
  static const bool wine = [] {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }();
  return wine;
}

int RasterSysFontLineHeight(RasterFontHandle font, RasterSysBitmap* canvas)
{
  HDC dc = CanvasDC(canvas);
  if (!dc || !font)
    return 0;
  HGDIOBJ old = SelectObject(dc, (HGDIOBJ)font);
  TEXTMETRICA metrics = {};
  const int height = GetTextMetricsA(dc, &metrics) ? (int)metrics.tmHeight : 0;
  SelectObject(dc, old);
  return height;
}

void RasterSysFontMeasureChar(RasterFontHandle font, int code, bool wide, RasterSysBitmap* canvas, int* width,
                              int* height)
{
  *width = 0;
  *height = 0;
  HDC dc = CanvasDC(canvas);
  if (!dc || !font)
    return;
  HGDIOBJ old = SelectObject(dc, (HGDIOBJ)font);
  RECT r = {0, 0, 0, 0};
  const UINT format = DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE;
  if (wide) {
    WCHAR c = (WCHAR)code;
    DrawTextW(dc, &c, 1, &r, format);
  } else {
    char c = (char)code;
    DrawTextA(dc, &c, 1, &r, format);
  }
  SelectObject(dc, old);
  *width = r.right - r.left;
  *height = r.bottom - r.top;
}

void RasterSysFontDrawChar(RasterFontHandle font, int code, bool wide, RasterSysBitmap* canvas, int width, int height)
{
  HDC dc = CanvasDC(canvas);
  if (!dc || !font)
    return;
  HGDIOBJ old = SelectObject(dc, (HGDIOBJ)font);
  SetTextColor(dc, 0xFFFFFF);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, 0);
  RECT r = {0, 0, width, height};
  const UINT format = DT_NOPREFIX | DT_SINGLELINE;
  if (wide) {
    WCHAR c = (WCHAR)code;
    DrawTextW(dc, &c, 1, &r, format);
  } else {
    char c = (char)code;
    DrawTextA(dc, &c, 1, &r, format);
  }
  SelectObject(dc, old);
  GdiFlush();
}

bool RasterSysFontHasTextPath() { return true; }

int RasterSysFontDrawText(RasterFontHandle font, RasterBitmap* dest, const char* text, int length, int* rect,
                          unsigned format, RasterPixel textColor, int backgroundMode, RasterPixel backgroundColor,
                          float alpha)
{
  WCHAR local[1024];
  WCHAR* heap = nullptr;
  const WCHAR* wideText = nullptr;
  if (RasterSysFontIsNtFamily() && HasMultibyte(text, length)) {
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (needed > 0) {
      WCHAR* buffer = needed < 1000 ? local : (heap = new (std::nothrow) WCHAR[(size_t)needed + 32]);
      if (buffer) {
        const int got = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, buffer, needed);
        if (got > 0) {
          buffer[got] = 0; // a counted text converts without its terminator
          wideText = buffer;
        }
      }
    }
  }
  auto systemText = [&](HDC dc, RECT* r, UINT fmt) {
    return wideText ? DrawTextW(dc, wideText, -1, r, fmt) : DrawTextA(dc, text, length, r, fmt);
  };

  const long long rectW = (long long)rect[2] - rect[0], rectH = (long long)rect[3] - rect[1];
  HDC dc = dest ? (HDC)dest->GetDeviceContext() : nullptr;
  RasterSysBitmap* offscreen = nullptr;
  RECT drawRect = {rect[0], rect[1], rect[2], rect[3]};
  int offsetX = 0, offsetY = 0, result = 0;
  HGDIOBJ oldFont = nullptr;

  if (!dc) {
    offscreen = &TextBitmap();
    GrowTo(*offscreen, Clamp1(rectW), Clamp1(rectH));
    dc = (HDC)offscreen->GetDeviceContext();
    if (!dc) {
      delete[] heap;
      return 0;
    }
    oldFont = SelectObject(dc, (HGDIOBJ)font);
    RECT measured = {0, 0, (LONG)Clamp1(rectW), (LONG)Clamp1(rectH)};
    result = systemText(dc, &measured, (format & ~(UINT)(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM)) |
                                           DT_CALCRECT | DT_NOPREFIX);
    const int width = measured.right - measured.left, height = measured.bottom - measured.top;
    if (format & DT_CALCRECT) {
      rect[2] = (int)std::min<long long>((long long)rect[0] + width, 0x7FFFFFFF);
      rect[3] = (int)std::min<long long>((long long)rect[1] + height, 0x7FFFFFFF);
      SelectObject(dc, oldFont);
      delete[] heap;
      return result;
    }
    if (!dest) {
      SelectObject(dc, oldFont);
      delete[] heap;
      return 0;
    }
    long long boxW = (format & DT_NOCLIP) ? width : rectW;
    long long boxH = (format & DT_NOCLIP) ? height : rectH;
    if (width < boxW) {
      offsetX = (format & DT_RIGHT) ? (int)(boxW - width) : (format & DT_CENTER) ? (int)((boxW - width) / 2) : 0;
      boxW = width;
    }
    if (height < boxH) {
      offsetY = (format & DT_BOTTOM) ? (int)(boxH - height) : (format & DT_VCENTER) ? (int)((boxH - height) / 2) : 0;
      boxH = height;
    }
    if (boxW < 1 || boxH < 1 || !GrowTo(*offscreen, (int)boxW, (int)boxH)) {
      SelectObject(dc, oldFont);
      delete[] heap;
      return 0;
    }
    RasterBlitRect(offscreen, dest, 0, 0, rect[0] + offsetX, rect[1] + offsetY, (int)boxW, (int)boxH, 1.0f,
                   RasterModeCopy);
    drawRect = {0, 0, (LONG)boxW, (LONG)boxH};
  } else {
    oldFont = SelectObject(dc, (HGDIOBJ)font);
  }

  SetTextColor(dc, RGB(RasterPixelRed(textColor), RasterPixelGreen(textColor), RasterPixelBlue(textColor)));
  SetBkMode(dc, backgroundMode);
  if (backgroundMode == 2)
    SetBkColor(dc, RGB(RasterPixelRed(backgroundColor), RasterPixelGreen(backgroundColor),
                       RasterPixelBlue(backgroundColor)));
  result = systemText(dc, &drawRect, format | DT_NOPREFIX);
  GdiFlush();

  if (offscreen) {
    RasterBlitRect(dest, offscreen, rect[0] + offsetX, rect[1] + offsetY, 0, 0, drawRect.right, drawRect.bottom,
                   alpha, RasterModeCopy);
  } else if (format & DT_CALCRECT) {
    rect[0] = drawRect.left;
    rect[1] = drawRect.top;
    rect[2] = drawRect.right;
    rect[3] = drawRect.bottom;
  }
  SelectObject(dc, oldFont);
  delete[] heap;
  return result;
}
