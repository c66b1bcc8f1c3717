#include "tools/vst2-render/ResponseMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vrender {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr size_t kChunkFrames = 4096;
// A tail this far below the response's peak has died away (160 dB).
constexpr double kTailRatio = 1e-8;
constexpr double kLongestSeconds = 6.0;
constexpr double kSettleSeconds = 0.5;
// The second level is a power of two below full scale, so that a linear plug-in computing
// in floating point gives back exactly the same response, scaled.
constexpr double kQuietImpulse = 1.0 / 16.0;
// Responses that agree this closely (−60 dB) count as the same.
constexpr double kSameResponse = 1e-3;

using Outputs = std::vector<std::vector<double>>;

bool AllFinite(const std::vector<double>& samples) {
  for (double x : samples)
    if (!std::isfinite(x)) return false;
  return true;
}

double FinitePeak(const std::vector<double>& samples, size_t from) {
  double peak = 0.0;
  for (size_t k = from; k < samples.size(); ++k)
    if (std::isfinite(samples[k])) peak = std::max(peak, std::fabs(samples[k]));
  return peak;
}

void Silence(PluginInstance& instance, const ResponseSetup& setup, size_t frames) {
  const std::vector<std::vector<double>> zeros(static_cast<size_t>(setup.inputs), std::vector<double>(frames, 0.0));
  AudioBuffer ignored;
  instance.Render(zeros, frames, setup.precision, ignored, [](size_t) {});
}

// The outputs for an impulse of 'amplitude' into 'input', divided by the amplitude. With
// 'frames' 0 the length is found: whole chunks until the last one is quiet.
Outputs Impulse(PluginInstance& instance, const ResponseSetup& setup, int input, double amplitude, size_t frames) {
  const size_t longest =
      std::max(kChunkFrames, static_cast<size_t>(std::ceil(kLongestSeconds * setup.sampleRate / kChunkFrames)) * kChunkFrames);
  Outputs result(static_cast<size_t>(setup.outputs));
  std::vector<std::vector<double>> feed(static_cast<size_t>(setup.inputs), std::vector<double>(kChunkFrames, 0.0));
  feed[static_cast<size_t>(input)][0] = amplitude;
  size_t done = 0;
  for (;;) {
    const size_t n = frames ? std::min(kChunkFrames, frames - done) : kChunkFrames;
    AudioBuffer out;
    instance.Render(feed, n, setup.precision, out, [](size_t) {});
    feed[static_cast<size_t>(input)][0] = 0.0;
    for (size_t o = 0; o < result.size(); ++o)
      for (size_t k = 0; k < n; ++k) result[o].push_back(out.channels[o][k] / amplitude);
    done += n;
    if (frames) {
      if (done >= frames) break;
      continue;
    }
    if (done >= longest) break;
    double peak = 0.0, tail = 0.0;
    for (const std::vector<double>& channel : result) {
      peak = std::max(peak, FinitePeak(channel, 0));
      tail = std::max(tail, FinitePeak(channel, done - n));
    }
    if (tail <= peak * kTailRatio) break;
  }
  return result;
}

double WrapDegrees(double degrees) {
  while (degrees > 180.0) degrees -= 360.0;
  while (degrees <= -180.0) degrees += 360.0;
  return degrees;
}

// Folds the comparison of one more pair of responses into 'd'. 'floor' is the level below
// which the first response is too faint to compare (noise, numerical leftovers).
void Compare(const std::vector<double>& first, const std::vector<double>& second, const std::vector<double>& frequencies,
             double sampleRate, double floor, ResponseDeviation& d) {
  for (double f : frequencies) {
    const std::complex<double> a = TransferAt(first, f, sampleRate);
    const std::complex<double> b = TransferAt(second, f, sampleRate);
    const bool aFinite = std::isfinite(a.real()) && std::isfinite(a.imag());
    const bool bFinite = std::isfinite(b.real()) && std::isfinite(b.imag());
    if (aFinite != bFinite) {
      d.relative = HUGE_VAL;
      continue;
    }
    if (!aFinite || std::abs(a) < floor || !(floor > 0.0)) continue;
    const double relative = std::abs(b - a) / std::abs(a);
    d.relative = std::max(d.relative, relative);
    const double level = std::abs(b) > 0.0 ? std::fabs(20.0 * std::log10(std::abs(b) / std::abs(a))) : HUGE_VAL;
    d.levelDb = std::max(d.levelDb, level);
    d.phaseDeg = std::max(d.phaseDeg, std::fabs(WrapDegrees(PhaseDegrees(b) - PhaseDegrees(a))));
  }
}

std::string CsvName(int input, int output, int inputs, int outputs) {
  if (inputs == 2 && outputs == 2) return std::string(input ? "R" : "L") + "_to_" + (output ? "R" : "L");
  return "in" + std::to_string(input + 1) + "_to_out" + std::to_string(output + 1);
}

void AppendCsvNumber(std::string& line, double value, const char* format) {
  line += ',';
  if (std::isnan(value)) return;
  if (std::isinf(value)) {
    line += value < 0 ? "-inf" : "inf";
    return;
  }
  char text[40];
  std::snprintf(text, sizeof text, format, value);
  line += text;
}

}  // namespace

std::vector<double> ResponseFrequencies(double sampleRate, int count) {
  std::vector<double> frequencies;
  const double low = 20.0, high = sampleRate * 0.5;
  for (int i = 0; i < count; ++i) {
    const double t = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
    frequencies.push_back(i == count - 1 && count > 1 ? high : low * std::pow(high / low, t));
  }
  return frequencies;
}

std::complex<double> TransferAt(const std::vector<double>& impulse, double frequency, double sampleRate) {
  size_t end = impulse.size();
  while (end > 0 && impulse[end - 1] == 0.0) --end;
  const double cycles = frequency / sampleRate;  // per sample
  const std::complex<double> step = std::polar(1.0, -kTwoPi * cycles);
  std::complex<double> sum = 0.0, turn = 1.0;
  for (size_t k = 0; k < end; ++k) {
    // The rotating phasor is started afresh from the exact angle now and then, so that
    // rounding cannot build up over long responses.
    if ((k & 255) == 0) turn = std::polar(1.0, -kTwoPi * std::fmod(cycles * static_cast<double>(k), 1.0));
    if (!std::isfinite(impulse[k])) return {std::nan(""), std::nan("")};
    sum += impulse[k] * turn;
    turn *= step;
  }
  return sum;
}

double MagnitudeDb(std::complex<double> h) {
  const double m = std::abs(h);
  if (std::isnan(m)) return m;
  return m > 0.0 ? 20.0 * std::log10(m) : -HUGE_VAL;
}

double PhaseDegrees(std::complex<double> h) {
  // Where nothing passes, the phase means nothing.
  if (!(std::isfinite(h.real()) && std::isfinite(h.imag())) || std::abs(h) == 0.0) return std::nan("");
  return WrapDegrees(std::arg(h) * (360.0 / kTwoPi));
}

std::string ResponsePairName(int input, int output, int inputs, int outputs, const char* arrow) {
  const std::string between = std::string(" ") + arrow + " ";
  if (inputs == 2 && outputs == 2) return std::string(input ? "R" : "L") + between + (output ? "R" : "L");
  return "in " + std::to_string(input + 1) + between + "out " + std::to_string(output + 1);
}

bool ResponseMeasurement::LevelDependent() const { return levelCheck.relative > kSameResponse; }
bool ResponseMeasurement::TimeVarying() const { return timeCheck.relative > kSameResponse; }
bool ResponseMeasurement::AnyNonFinite() const {
  for (const ResponsePair& p : pairs)
    if (p.nonFinite) return true;
  return false;
}

ResponseMeasurement MeasureResponse(const ResponseSetup& setup) {
  ResponseMeasurement m;
  m.sampleRate = setup.sampleRate;
  m.frequencies = ResponseFrequencies(setup.sampleRate, setup.frequencyCount);
  m.levelCheckDb = -20.0 * std::log10(kQuietImpulse);
  const size_t settle = std::max<size_t>(kChunkFrames, static_cast<size_t>(kSettleSeconds * setup.sampleRate));

  std::vector<Outputs> loud, repeated, quiet;
  for (int input = 0; input < setup.inputs; ++input) {
    std::unique_ptr<PluginInstance> first = setup.newInstance();
    first->Resume();
    Silence(*first, setup, settle);
    loud.push_back(Impulse(*first, setup, input, 1.0, 0));
    const size_t frames = loud.back()[0].size();
    Silence(*first, setup, settle);
    repeated.push_back(Impulse(*first, setup, input, 1.0, frames));
    first->Suspend();
    m.timeCheckSeconds = static_cast<double>(frames + settle) / setup.sampleRate;

    std::unique_ptr<PluginInstance> second = setup.newInstance();
    second->Resume();
    Silence(*second, setup, settle);
    quiet.push_back(Impulse(*second, setup, input, kQuietImpulse, frames));
    second->Suspend();
    m.impulseFrames = std::max(m.impulseFrames, frames);
  }

  double peak = 0.0;
  for (int input = 0; input < setup.inputs; ++input) {
    for (int output = 0; output < setup.outputs; ++output) {
      ResponsePair p;
      p.input = input;
      p.output = output;
      p.name = ResponsePairName(input, output, setup.inputs, setup.outputs);
      p.impulse = loud[static_cast<size_t>(input)][static_cast<size_t>(output)];
      p.nonFinite = !AllFinite(p.impulse);
      for (double f : m.frequencies) {
        const std::complex<double> h = TransferAt(p.impulse, f, setup.sampleRate);
        p.magnitudeDb.push_back(MagnitudeDb(h));
        p.phaseDeg.push_back(PhaseDegrees(h));
        if (std::isfinite(std::abs(h))) peak = std::max(peak, std::abs(h));
      }
      m.pairs.push_back(std::move(p));
    }
  }
  const double floor = peak * kSameResponse;
  for (const ResponsePair& p : m.pairs) {
    const size_t in = static_cast<size_t>(p.input), out = static_cast<size_t>(p.output);
    Compare(p.impulse, quiet[in][out], m.frequencies, setup.sampleRate, floor, m.levelCheck);
    Compare(p.impulse, repeated[in][out], m.frequencies, setup.sampleRate, floor, m.timeCheck);
  }
  return m;
}

std::string ResponseCsv(const ResponseMeasurement& m) {
  std::string text = "frequency_hz";
  int inputs = 0, outputs = 0;
  for (const ResponsePair& p : m.pairs) {
    inputs = std::max(inputs, p.input + 1);
    outputs = std::max(outputs, p.output + 1);
  }
  for (const ResponsePair& p : m.pairs) {
    const std::string name = CsvName(p.input, p.output, inputs, outputs);
    text += "," + name + "_db," + name + "_phase_deg";
  }
  text += '\n';
  for (size_t i = 0; i < m.frequencies.size(); ++i) {
    char frequency[40];
    std::snprintf(frequency, sizeof frequency, "%.6f", m.frequencies[i]);
    std::string line = frequency;
    for (const ResponsePair& p : m.pairs) {
      AppendCsvNumber(line, p.magnitudeDb[i], "%.6f");
      AppendCsvNumber(line, p.phaseDeg[i], "%.4f");
    }
    text += line + '\n';
  }
  return text;
}

}  // namespace vrender
