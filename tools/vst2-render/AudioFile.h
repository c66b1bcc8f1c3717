// Reading and writing audio files. The Linux build reads and writes WAV, AIFF and FLAC
// (integer and float) through libsndfile; the Windows build reads and writes WAV itself.
#pragma once

#include <string>

#include "tools/vst2-render/AudioBuffer.h"

namespace vrender {

// Reads a whole file. 'description' receives a short text such as "WAV pcm16".
// On failure returns false with a one-line reason naming the file.
bool ReadAudioFile(const std::string& path, AudioBuffer& audio, std::string& description,
                   std::string& error);

// The sample format used when the caller names none: float where the container holds float,
// else 24-bit integer.
SampleFormat DefaultSampleFormatFor(const std::string& path);

// Writes a whole file, choosing the container from the extension (.wav, .aif/.aiff, .flac).
// The data goes to a temporary name first and is renamed into place only when complete.
bool WriteAudioFile(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                    std::string& error);

// Lower-case extension of a path without the dot ("wav"); empty if none.
std::string FileExtension(const std::string& path);

}  // namespace vrender
