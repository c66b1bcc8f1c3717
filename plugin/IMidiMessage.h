#pragma once

#include <cstdint>

// One short MIDI message with its offset into the current block.
struct IMidiMessage
{
  int32_t sampleOffset = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};
