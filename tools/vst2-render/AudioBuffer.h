// Audio held in memory as one vector of 64-bit samples per channel, full scale ±1.0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrender {

struct AudioBuffer {
  double sampleRate = 44100.0;
  std::vector<std::vector<double>> channels;

  int ChannelCount() const { return static_cast<int>(channels.size()); }
  size_t FrameCount() const { return channels.empty() ? 0 : channels[0].size(); }
  void Resize(int channelCount, size_t frames) {
    channels.assign(static_cast<size_t>(channelCount), std::vector<double>(frames, 0.0));
  }
};

// How samples are stored in a written file.
enum class SampleFormat { Pcm16, Pcm24, Pcm32, Float32, Float64 };

// Parses "pcm16", "pcm24", "pcm32", "float" or "double"; false for anything else.
bool ParseSampleFormat(const std::string& text, SampleFormat& format);
const char* SampleFormatName(SampleFormat format);
// Bits per stored sample of an integer format (0 for the float formats).
int IntegerBits(SampleFormat format);

// One sample to a signed integer of 'bits' (16, 24 or 32): x × 2^(bits-1) rounded to nearest
// and clipped to the integer range; NaN becomes 0. Both builds quantise with this.
int64_t QuantizeSample(double x, int bits);

}  // namespace vrender
