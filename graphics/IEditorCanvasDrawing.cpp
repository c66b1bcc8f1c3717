// Bitmap resources through the process-wide cache, and the drawing calls controls use.
#include "graphics/IBitmapCache.h"
#include "graphics/IBitmapRef.h"
#include "graphics/IBlendSpec.h"
#include "graphics/IEditorCanvas.h"
#include "graphics/IFontCache.h"
#include "graphics/ITextStyle.h"
#include "raster/RasterBlit.h"
#include "raster/RasterCachedFont.h"
#include "raster/RasterPng.h"
#include "raster/RasterSysBitmap.h"
#include "raster/RasterSysFont.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
long long Max64(long long a, long long b) { return a > b ? a : b; }
long long Min64(long long a, long long b) { return a < b ? a : b; }
int SaturateInt(long long v) { return (int)(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

// The raster mode and opacity a blend asks for; no blend is BlendNormal at full weight.
void BlendToRaster(const IBlendSpec* blend, int* mode, float* opacity)
{
  *opacity = blend ? blend->weight : 1.0f;
  switch (blend ? blend->method : BlendNormal)
  {
    case BlendReplace: *mode = RasterModeCopy; break;
    case BlendAdd: *mode = RasterModeAdd | RasterModeUseSourceAlpha; break;
    case BlendDodge: *mode = RasterModeDodge | RasterModeUseSourceAlpha; break;
    default: *mode = RasterModeCopy | RasterModeUseSourceAlpha; break;
  }
}

int SystemFontQuality(int quality)
{
  switch (quality)
  {
    case TextQualityDefault: return RasterFontQualityDefault;
    case TextQualityAntialiased: return RasterFontQualityAntialiased;
    case TextQualityClearType: return RasterFontQualityClearType;
    default: return RasterFontQualityNonAntialiased;
  }
}
}  // namespace

RasterBitmap* IEditorCanvas::LoadPngResourceNamed(void* module, int resourceId, const char* name)
{
  const char* dot = name ? std::strrchr(name, '.') : nullptr;
  if (!dot) return nullptr;
  const char* ext = dot + 1;
  if (std::strlen(ext) != 3) return nullptr;
  for (int i = 0; i < 3; ++i)
  {
    const char c = ext[i] >= 'A' && ext[i] <= 'Z' ? (char)(ext[i] - 'A' + 'a') : ext[i];
    if (c != "png"[i]) return nullptr;
  }
  return RasterLoadPngResource((RasterModuleHandle)module, resourceId, nullptr);
}

IBitmapRef IEditorCanvas::LoadBitmap(int resourceId, const char* name, int frames)
{
  RasterBitmap* bitmap = IBitmapCache::Find(resourceId);
  if (!bitmap)
  {
    // Decoded without the cache's lock: a second editor may decode the same image at the
    // same moment, and both copies stay valid until unload.
    bitmap = LoadBitmapResource(resourceId, name);
    IBitmapCache::Add(resourceId, bitmap);
  }
  if (!bitmap) return IBitmapRef(nullptr, 0, 0, frames);
  return IBitmapRef(bitmap, bitmap->GetWidth(), bitmap->GetHeight(), frames);
}

bool IEditorCanvas::DrawBitmapFrame(const IBitmapRef& bitmap, const IPixelRect& rect, int frame,
                                    const IBlendSpec* blend)
{
  int sourceY = 0;
  if (bitmap.frames > 1 && frame > 1)
    sourceY = SaturateInt((long long)((double)bitmap.height * (double)(frame - 1) / (double)bitmap.frames + 0.5));
  return DrawBitmapRegion(bitmap, rect, 0, sourceY, blend);
}

bool IEditorCanvas::DrawBitmapRegion(const IBitmapRef& bitmap, const IPixelRect& destRect, int sourceX, int sourceY,
                                     const IBlendSpec* blend)
{
  // The part of destRect inside the area being redrawn, in 64 bits so that no rectangle a
  // caller passes can overflow.
  const IPixelRect& c = drawClip;
  long long left = 0, top = 0, right = 0, bottom = 0;
  if (!destRect.IsEmpty() && !c.IsEmpty() && destRect.right >= c.left && destRect.left < c.right &&
      destRect.bottom >= c.top && destRect.top < c.bottom)
  {
    left = Max64(destRect.left, c.left);
    top = Max64(destRect.top, c.top);
    right = Min64(destRect.right, c.right);
    bottom = Min64(destRect.bottom, c.bottom);
  }
  long long sx = (long long)sourceX + left - destRect.left;
  long long sy = (long long)sourceY + top - destRect.top;
  int mode;
  float opacity;
  BlendToRaster(blend, &mode, &opacity);
  if (right <= left || bottom <= top || !backBuffer || !bitmap.bitmap) return true;

  // Cut to the back buffer as the blit itself would, so every number handed on fits an int.
  if (left < 0)
  {
    sx -= left;
    left = 0;
  }
  if (top < 0)
  {
    sy -= top;
    top = 0;
  }
  right = Min64(right, backBuffer->GetWidth());
  bottom = Min64(bottom, backBuffer->GetHeight());
  if (right <= left || bottom <= top) return true;
  if (sx < INT32_MIN || sx > INT32_MAX || sy < INT32_MIN || sy > INT32_MAX) return true;  // off the source
  RasterBlitRect(backBuffer, bitmap.bitmap, (int)left, (int)top, (int)sx, (int)sy, (int)(right - left),
                 (int)(bottom - top), opacity, mode);
  return true;
}

RasterCachedFont* IEditorCanvas::CacheFont(ITextStyle* textStyle)
{
  if (!textStyle) return nullptr;
  char face[ITextStyle::kFaceSize];
  std::memcpy(face, textStyle->face, sizeof face);
  face[sizeof face - 1] = 0;  // a face written into the field by hand may lack its end
  const int size = textStyle->size, orientation = textStyle->orientation, style = textStyle->style;

  RasterCachedFont* font = IFontCache::Find(size, orientation, style, face);
  if (!font)
  {
    font = new (std::nothrow) RasterCachedFont();
    if (!font) return nullptr;
    const int tenths = SaturateInt((long long)orientation * 10);
    RasterFontHandle system = RasterCreateFontEx(face, size, tenths, tenths, style == TextStyleBold ? 700 : 400,
                                                 style == TextStyleItalic, SystemFontQuality(textStyle->quality));
    if (!system)
    {
      delete font;
      return nullptr;
    }
    font->SetFont(system, RasterFontOwnsHandle | RasterFontNativeDrawing);
    IFontCache::Add(size, orientation, style, face, font);
  }
  textStyle->cachedFont = font;
  return font;
}

bool IEditorCanvas::DrawStyledText(ITextStyle* textStyle, const char* text, const IPixelRect& rect)
{
  if (!text || !*text) return true;
  if (!textStyle) return false;
  RasterCachedFont* font = textStyle->cachedFont;
  if (!font) font = CacheFont(textStyle);
  if (!font) return false;
  const IPixelColor& colour = textStyle->colour;
  font->SetColor(((RasterPixel)(colour.alpha & 0xFF) << 24) | ((RasterPixel)(colour.red & 0xFF) << 16) |
                 ((RasterPixel)(colour.green & 0xFF) << 8) | (RasterPixel)(colour.blue & 0xFF));
  unsigned format = RasterTextNoClip;
  if (colour.alpha != 255) format |= RasterTextAlphaFromColor;
  if (textStyle->alignment == TextAlignCenter)
    format |= RasterTextCenter;
  else if (textStyle->alignment != TextAlignLeft)
    format |= RasterTextRight;
  int box[4] = {rect.left, rect.top, rect.right, rect.bottom};
  if (backBuffer) font->DrawTextInRect(backBuffer, text, -1, box, format);
  return true;
}
