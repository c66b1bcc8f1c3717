#pragma once

#include <cstdint>

// A text shown for one particular value of a parameter.
struct IValueText
{
  static constexpr int kTextSize = 32;  // bytes, terminator included

  int32_t value;
  char text[kTextSize];
};
