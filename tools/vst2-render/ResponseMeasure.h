// The steady-state linear response of a plug-in for every input -> output pair, from its
// impulse response: magnitude and phase at log-spaced frequencies, with checks that the
// plug-in is linear and time-invariant enough for the numbers to mean something.
#pragma once

#include <complex>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/vst2-render/PluginInstance.h"

namespace vrender {

// 'count' frequencies from 20 Hz to the Nyquist frequency, evenly spaced in log frequency,
// both ends included.
std::vector<double> ResponseFrequencies(double sampleRate, int count = 400);

// The transfer function of an impulse response at one frequency: Σ h[k]·e^(−j2πfk/fs),
// evaluated directly. NaN when the response holds a non-finite sample.
std::complex<double> TransferAt(const std::vector<double>& impulse, double frequency, double sampleRate);

// 20·log10|H| (−inf for 0) and the phase in degrees, (−180, 180].
double MagnitudeDb(std::complex<double> h);
double PhaseDegrees(std::complex<double> h);

// Name of one pair: "L → R" for a stereo effect, else "in 1 → out 2"; 'arrow' replaces the
// arrow where only ASCII will do (a Windows console).
std::string ResponsePairName(int input, int output, int inputs, int outputs, const char* arrow = "\u2192");

struct ResponsePair {
  int input = 0;
  int output = 0;
  std::string name;
  std::vector<double> impulse;      // the output for a unit impulse into 'input'
  std::vector<double> magnitudeDb;  // at each frequency; −inf where nothing passes, NaN unknown
  std::vector<double> phaseDeg;
  bool nonFinite = false;           // the output held NaN or infinite samples
};

// How far two measurements that should agree came apart, over the frequencies where the
// response is within 60 dB of its loudest: the largest level difference (dB) and phase
// difference (degrees).
struct ResponseDeviation {
  double relative = 0.0;  // largest |H2 − H1| / |H1|; infinite when only one is finite
  double levelDb = 0.0;
  double phaseDeg = 0.0;
};

struct ResponseMeasurement {
  double sampleRate = 0.0;
  size_t impulseFrames = 0;  // length of each measured impulse response
  std::vector<double> frequencies;
  std::vector<ResponsePair> pairs;  // input by input, outputs in order
  // Impulses of two levels into fresh instances, and two impulses into the same instance.
  ResponseDeviation levelCheck, timeCheck;
  double levelCheckDb = 0.0;     // how far apart the two impulse levels are
  double timeCheckSeconds = 0.0; // how far apart the two impulses into one instance are

  bool LevelDependent() const;
  bool TimeVarying() const;
  bool AnyNonFinite() const;
};

struct ResponseSetup {
  // A fresh instance, opened and set up exactly like the others, not yet resumed.
  std::function<std::unique_ptr<PluginInstance>()> newInstance;
  Precision precision = Precision::Double64;
  double sampleRate = 44100.0;
  int inputs = 0;
  int outputs = 0;
  int frequencyCount = 400;
};

// For each input, a fresh instance first runs on silence, so that smoothed parameters
// settle, then receives a unit impulse; the output is taken until its tail has died away
// (160 dB below its peak) or for at most six seconds. main thread
ResponseMeasurement MeasureResponse(const ResponseSetup& setup);

// The numbers as CSV: a frequency column, then level (dB) and phase (degrees) per pair.
// Unknown values are empty fields, silence is -inf.
std::string ResponseCsv(const ResponseMeasurement& measurement);

}  // namespace vrender
