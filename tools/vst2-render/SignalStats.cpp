#include "tools/vst2-render/SignalStats.h"

#include <cmath>
#include <limits>

namespace vrender {

ChannelLevel MeasureChannel(const std::vector<double>& samples) {
  ChannelLevel level;
  double energy = 0.0;
  for (double x : samples) {
    const double a = std::fabs(x);
    if (a > level.peak) level.peak = a;
    energy += x * x;
  }
  if (!samples.empty()) level.rms = std::sqrt(energy / static_cast<double>(samples.size()));
  return level;
}

double AmplitudeToDb(double linear) {
  if (linear <= 0.0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(linear);
}

double LeakageDb(const std::vector<double>& leaked, const std::vector<double>& source) {
  double leakedEnergy = 0.0, sourceEnergy = 0.0;
  for (double x : leaked) leakedEnergy += x * x;
  for (double x : source) sourceEnergy += x * x;
  if (sourceEnergy <= 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (leakedEnergy <= 0.0) return -std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(leakedEnergy / sourceEnergy);
}

bool CompareAudio(const AudioBuffer& a, const AudioBuffer& b, Difference& difference,
                  std::string& error) {
  if (a.ChannelCount() != b.ChannelCount()) {
    error = "the files have different channel counts (" + std::to_string(a.ChannelCount()) +
            " and " + std::to_string(b.ChannelCount()) + ")";
    return false;
  }
  if (a.FrameCount() != b.FrameCount()) {
    error = "the files have different lengths (" + std::to_string(a.FrameCount()) + " and " +
            std::to_string(b.FrameCount()) + " frames)";
    return false;
  }
  difference = Difference();
  for (int c = 0; c < a.ChannelCount(); ++c) {
    const auto& x = a.channels[static_cast<size_t>(c)];
    const auto& y = b.channels[static_cast<size_t>(c)];
    for (size_t k = 0; k < x.size(); ++k) {
      const double d = std::fabs(x[k] - y[k]);
      // A NaN on either side counts as the largest possible difference.
      if (d > difference.largest || d != d) {
        difference.largest = d != d ? std::numeric_limits<double>::infinity() : d;
        difference.channel = c;
        difference.frame = k;
      }
    }
  }
  return true;
}

}  // namespace vrender
