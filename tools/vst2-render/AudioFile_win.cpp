#include "tools/vst2-render/AudioFile.h"

#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/WavCodec.h"

namespace vrender {

bool ReadAudioFile(const std::string& path, AudioBuffer& audio, std::string& description,
                   std::string& error) {
  if (!FileExists(path)) {
    error = "input file '" + path + "' does not exist";
    return false;
  }
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes)) {
    error = "cannot read input file '" + path + "'";
    return false;
  }
  std::string reason, sampleFormat;
  if (!DecodeWav(bytes, audio, reason, &sampleFormat)) {
    error = "'" + path + "' is not a readable audio file: " + reason +
            " (this build reads WAV only)";
    return false;
  }
  description = "WAV " + sampleFormat;
  return true;
}

bool WriteAudioFile(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                    std::string& error) {
  if (FileExtension(path) != "wav") {
    error = "cannot write '" + path + "': this build writes .wav files only";
    return false;
  }
  std::vector<unsigned char> bytes;
  std::string reason;
  if (!EncodeWav(audio, format, bytes, reason)) {
    error = "cannot write '" + path + "': " + reason;
    return false;
  }
  if (!WriteWholeFileAtomically(path, bytes)) {
    error = "cannot write output file '" + path + "'";
    return false;
  }
  return true;
}

}  // namespace vrender
