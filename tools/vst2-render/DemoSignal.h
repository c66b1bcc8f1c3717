// A built-in stereo test signal, so a demonstration needs no audio file from elsewhere.
#pragma once

#include "tools/vst2-render/AudioBuffer.h"

namespace vrender {

// 4.5 seconds in three parts of 1.5 s: bright sawtooth notes hard left (right silent), noise
// hits and a tone hard right (left silent), then different notes on both sides. The
// hard-panned parts make any bleed between the channels audible and measurable.
AudioBuffer MakeDemoSignal(double sampleRate);

}  // namespace vrender
