#pragma once

#include <cstdint>

#include "graphics/IPixelColor.h"

class RasterCachedFont;

enum ETextStyleWeight : int32_t { TextStyleNormal = 0, TextStyleBold = 1, TextStyleItalic = 2 };
enum ETextAlignment : int32_t { TextAlignLeft = 0, TextAlignCenter = 1, TextAlignRight = 2 };
enum ETextQuality : int32_t
{
  TextQualityDefault = 0,
  TextQualityNonAntialiased = 1,
  TextQualityAntialiased = 2,
  TextQualityClearType = 3
};

// How a control draws text. The cached font is made on first use and shared through the
// process-wide font cache by every style with the same face, size, style and orientation.
struct ITextStyle
{
  static constexpr int kFaceSize = 32;  // face text with its terminator

  char face[kFaceSize];
  int32_t size;         // character height in pixels
  IPixelColor colour;
  int32_t style;        // ETextStyleWeight
  int32_t alignment;    // ETextAlignment
  int32_t orientation;  // degrees
  int32_t quality;      // ETextQuality
  RasterCachedFont* cachedFont = nullptr;  // not owned

  // A face longer than the field is cut to fit.
  explicit ITextStyle(const char* face = "Verdana", int size = 12, const IPixelColor& colour = IPixelColor(),
                      int style = TextStyleNormal, int alignment = TextAlignCenter, int orientation = 0,
                      int quality = TextQualityDefault);
  void SetFace(const char* text);
};
