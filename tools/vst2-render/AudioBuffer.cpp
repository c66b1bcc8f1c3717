#include "tools/vst2-render/AudioBuffer.h"

#include <cmath>

namespace vrender {

namespace {
struct FormatName {
  SampleFormat format;
  const char* name;
};
const FormatName kFormatNames[] = {
    {SampleFormat::Pcm16, "pcm16"},   {SampleFormat::Pcm24, "pcm24"},
    {SampleFormat::Pcm32, "pcm32"},   {SampleFormat::Float32, "float"},
    {SampleFormat::Float64, "double"},
};
}  // namespace

bool ParseSampleFormat(const std::string& text, SampleFormat& format) {
  for (const FormatName& entry : kFormatNames) {
    if (text == entry.name) {
      format = entry.format;
      return true;
    }
  }
  return false;
}

const char* SampleFormatName(SampleFormat format) {
  for (const FormatName& entry : kFormatNames) {
    if (entry.format == format) return entry.name;
  }
  return "?";
}

int IntegerBits(SampleFormat format) {
  switch (format) {
    case SampleFormat::Pcm16: return 16;
    case SampleFormat::Pcm24: return 24;
    case SampleFormat::Pcm32: return 32;
    default: return 0;
  }
}

int64_t QuantizeSample(double x, int bits) {
  const double scale = std::ldexp(1.0, bits - 1);
  const double v = x * scale;
  if (!(v == v)) return 0;
  if (v >= scale - 1.0) return static_cast<int64_t>(scale) - 1;
  if (v <= -scale) return -static_cast<int64_t>(scale);
  return static_cast<int64_t>(std::nearbyint(v));
}

}  // namespace vrender
