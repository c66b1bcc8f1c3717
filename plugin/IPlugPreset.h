#pragma once

#include "plugin/IStateChunk.h"

// One preset slot: whether it holds values, its name and its stored parameter block.
struct IPlugPreset
{
  // Holds "user preset" with any number and the 24-character program names of VST 2.4
  // hosts; longer names are cut to fit.
  static constexpr int kNameSize = 32;  // terminator included

  IPlugPreset();

  // Copies at most kNameSize - 1 bytes, up to the first zero byte; null gives "".
  void SetName(const char* text);

  bool isSet = false;
  char name[kNameSize];
  IStateChunk values{IStateChunk::kDefaultGranularity};
};
