// A self-contained RIFF/WAVE reader and writer: PCM 8/16/24/32-bit and IEEE float 32/64-bit,
// plain or WAVE_FORMAT_EXTENSIBLE headers. Integer samples map to ±1.0 by 2^(bits-1) both ways,
// so integer data survives a read and a write unchanged.
#pragma once

#include <string>
#include <vector>

#include "tools/vst2-render/AudioBuffer.h"

namespace vrender {

// Decodes a whole WAV file image. On failure returns false with a one-line reason.
// 'sampleFormat', when given, receives the stored format ("pcm16", "float", ...).
bool DecodeWav(const std::vector<unsigned char>& bytes, AudioBuffer& audio, std::string& error,
               std::string* sampleFormat = nullptr);

// Encodes audio as a WAV file image. Integer formats round to nearest and clip to full scale.
// Fails (with a reason) when the data would not fit the 32-bit RIFF sizes.
bool EncodeWav(const AudioBuffer& audio, SampleFormat format, std::vector<unsigned char>& bytes,
               std::string& error);

}  // namespace vrender
