#pragma once

#include <cstdint>

// The host's transport as far as it reports it; fields it does not report keep the
// caller's values.
struct ITransportInfo
{
  double tempo = 0.0;
  double samplePosition = 0.0;
  double quarterNotePosition = 0.0;
  double lastBarStart = 0.0;
  double cycleStart = 0.0;
  double cycleEnd = 0.0;
  int32_t numerator = 0;
  int32_t denominator = 0;
  bool transportPlaying = false;
  bool cycleActive = false;
};
