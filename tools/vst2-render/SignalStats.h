// Levels and differences of rendered audio.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/vst2-render/AudioBuffer.h"

namespace vrender {

struct ChannelLevel {
  double peak = 0.0;  // largest absolute sample
  double rms = 0.0;   // root mean square
};

ChannelLevel MeasureChannel(const std::vector<double>& samples);

// 20·log10(linear); minus infinity for 0.
double AmplitudeToDb(double linear);

// Level of 'leaked' relative to 'source' in dB, from their energies: 10·log10(Σleaked²/Σsource²).
// Minus infinity when nothing leaked; NaN when the source is silent (nothing to measure).
double LeakageDb(const std::vector<double>& leaked, const std::vector<double>& source);

struct Difference {
  double largest = 0.0;
  int channel = 0;
  size_t frame = 0;
};

// Largest absolute sample difference. False with a reason when the shapes differ.
bool CompareAudio(const AudioBuffer& a, const AudioBuffer& b, Difference& difference,
                  std::string& error);

}  // namespace vrender
