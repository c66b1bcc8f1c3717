#include "tools/vst2-render/DemoSignal.h"

#include <cmath>
#include <cstdint>

namespace vrender {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Band-limited sawtooth: harmonics up to just below half the sample rate.
double Saw(double frequency, double t, double sampleRate) {
  double sum = 0.0;
  const int harmonics = static_cast<int>(sampleRate * 0.5 / frequency);
  for (int k = 1; k <= harmonics; ++k) sum += std::sin(kTwoPi * k * frequency * t) / k;
  return sum * (2.0 / 3.14159265358979);
}

// Short linear fades at both ends of a note keep it free of clicks.
double Envelope(double t, double length, double decay) {
  const double fade = 0.004;
  double gain = std::exp(-t * decay);
  if (t < fade) gain *= t / fade;
  if (length - t < fade) gain *= (length - t) / fade;
  return gain < 0.0 ? 0.0 : gain;
}

}  // namespace

AudioBuffer MakeDemoSignal(double sampleRate) {
  const double part = 1.5;
  const size_t partFrames = static_cast<size_t>(part * sampleRate);
  AudioBuffer audio;
  audio.sampleRate = sampleRate;
  audio.Resize(2, partFrames * 3);
  std::vector<double>& left = audio.channels[0];
  std::vector<double>& right = audio.channels[1];

  // First 1.5 s, left only: an arpeggio of four sawtooth notes.
  const double notes[4] = {220.0, 277.18, 329.63, 440.0};
  const double noteLength = part / 4;
  for (size_t k = 0; k < partFrames; ++k) {
    const double t = k / sampleRate;
    const int note = static_cast<int>(t / noteLength);
    const double tn = t - note * noteLength;
    left[k] = 0.5 * Envelope(tn, noteLength, 3.0) * Saw(notes[note < 4 ? note : 3], tn, sampleRate);
  }

  // Next 1.5 s, right only: noise hits every 1/8 s over a quiet 1 kHz tone.
  uint32_t seed = 0x2545F491u;
  const double hitLength = part / 12;
  for (size_t k = 0; k < partFrames; ++k) {
    const double t = k / sampleRate;
    const double th = std::fmod(t, hitLength);
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 8388608.0) - 1.0;
    right[partFrames + k] = 0.4 * Envelope(th, hitLength, 40.0) * noise +
                            0.1 * Envelope(t, part, 0.0) * std::sin(kTwoPi * 1000.0 * t);
  }

  // Last 1.5 s, both sides with different notes.
  for (size_t k = 0; k < partFrames; ++k) {
    const double t = k / sampleRate;
    left[2 * partFrames + k] = 0.3 * Envelope(t, part, 1.0) * Saw(329.63, t, sampleRate);
    right[2 * partFrames + k] = 0.3 * Envelope(t, part, 1.0) * Saw(415.3, t, sampleRate);
  }
  return audio;
}

}  // namespace vrender
