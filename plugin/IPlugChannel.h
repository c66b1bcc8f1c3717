#pragma once

#include "plugin/IStateChunk.h"

// An input channel of the processing frame. A disconnected channel's slot points at its
// scratch, so processing may read it harmlessly; a connected one's is set every block.
struct IInputChannel
{
  bool connected = false;
  double** slot = nullptr;               // this channel's element of the input pointer array
  IStateChunk scratch{IStateChunk::kDefaultGranularity};  // block-size 64-bit samples
  const double* hostSource64 = nullptr;  // host buffer of the current 64-bit block
  const float* hostSource32 = nullptr;   // host buffer of the current 32-bit block
};

// An output channel of the processing frame.
struct IOutputChannel
{
  bool connected = false;
  double** slot = nullptr;               // this channel's element of the output pointer array
  float* hostDestination = nullptr;      // host buffer of the current 32-bit block
  IStateChunk scratch{IStateChunk::kDefaultGranularity};
  double* hostDestination64 = nullptr;   // host buffer of the current 64-bit block
};
