#include "graphics/ITextStyle.h"

ITextStyle::ITextStyle(const char* faceText, int sizeValue, const IPixelColor& colourValue, int styleValue,
                       int alignmentValue, int orientationValue, int qualityValue)
  : size(sizeValue), colour(colourValue), style(styleValue), alignment(alignmentValue),
    orientation(orientationValue), quality(qualityValue)
{
  SetFace(faceText);
}

void ITextStyle::SetFace(const char* text)
{
  int n = 0;
  if (text)
    for (; n < kFaceSize - 1 && text[n]; ++n) face[n] = text[n];
  face[n] = 0;
}
