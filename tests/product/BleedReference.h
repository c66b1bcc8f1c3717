#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// The channel bleed written out plainly, one sample at a time, straight from its formulas.
// The product's processing must match it bit for bit.
struct BleedReference
{
  double target = 0.0001;
  double gain = 0.0;
  double a0 = 0.0;
  double b1 = 0.0;
  double s = 0.0001;
  double y = 0.0;
  bool power = true;

  void SetRate(double fs)
  {
    double cutoff = fs * 0.5;
    if (cutoff > 20000.0) cutoff = 20000.0;
    const double p = std::exp(cutoff * (-6.283185307179586) / fs);
    a0 = 1.0 - p;
    b1 = -p;
  }

  void SetParams(bool powerOn, int amount, int type)
  {
    power = powerOn;
    gain = amount * 0.025;
    if (type == 1)
    {
      target = 0.005;
    }
    else
    {
      gain = gain * 0.1;
      target = 0.0001;
    }
  }

  static bool ExponentIsZero(double x)
  {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7FF0000000000000ull) == 0;
  }

  void Step(double l, double r, double* o0, double* o1)
  {
    if (!power)
    {
      *o0 = l;
      *o1 = r;
      return;
    }
    s = (target + s) * 0.5;
    const double sum = r + l;
    y = sum * a0 - b1 * y;
    const double bleed = (sum * s + (sum - y)) * gain;
    *o0 = bleed + l;
    *o1 = bleed + r;
    if (ExponentIsZero(y)) y = 0.0;
  }
};

// Deterministic test signal from raw generator bits, the same on every platform.
struct SignalSource
{
  uint64_t state;
  explicit SignalSource(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next()
  {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return (uint32_t)(state >> 16);
  }
  // Uniform in [-1, 1).
  double Sample() { return (double)Next() / 2147483648.0 - 1.0; }
  int Below(int n) { return (int)(Next() % (uint32_t)n); }
};
