#include "tools/vst2-render/AudioFile.h"

#include <sndfile.h>

#include <vector>

#include "tools/vst2-render/Platform.h"

namespace vrender {

namespace {

std::string DescribeFormat(int format) {
  std::string text;
  switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: text = "WAV"; break;
    case SF_FORMAT_WAVEX: text = "WAV"; break;
    case SF_FORMAT_AIFF: text = "AIFF"; break;
    case SF_FORMAT_FLAC: text = "FLAC"; break;
    default: text = "audio"; break;
  }
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8: return text + " pcm8";
    case SF_FORMAT_PCM_16: return text + " pcm16";
    case SF_FORMAT_PCM_24: return text + " pcm24";
    case SF_FORMAT_PCM_32: return text + " pcm32";
    case SF_FORMAT_FLOAT: return text + " float";
    case SF_FORMAT_DOUBLE: return text + " double";
    default: return text;
  }
}

int SubtypeFor(SampleFormat format) {
  switch (format) {
    case SampleFormat::Pcm16: return SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24: return SF_FORMAT_PCM_24;
    case SampleFormat::Pcm32: return SF_FORMAT_PCM_32;
    case SampleFormat::Float32: return SF_FORMAT_FLOAT;
    case SampleFormat::Float64: return SF_FORMAT_DOUBLE;
  }
  return SF_FORMAT_FLOAT;
}

// Writes every frame; integer formats are quantised here (not by the library) so both
// builds store exactly the same integers.
bool WriteFrames(SNDFILE* file, const AudioBuffer& audio, SampleFormat format) {
  const size_t channels = static_cast<size_t>(audio.ChannelCount());
  const size_t frames = audio.FrameCount();
  const int bits = IntegerBits(format);
  const size_t block = 4096;
  std::vector<double> doubles;
  std::vector<int> ints;
  for (size_t start = 0; start < frames; start += block) {
    const size_t n = frames - start < block ? frames - start : block;
    if (bits == 0) {
      doubles.resize(n * channels);
      for (size_t f = 0; f < n; ++f)
        for (size_t c = 0; c < channels; ++c) doubles[f * channels + c] = audio.channels[c][start + f];
      if (sf_writef_double(file, doubles.data(), static_cast<sf_count_t>(n)) != static_cast<sf_count_t>(n))
        return false;
    } else {
      ints.resize(n * channels);
      for (size_t f = 0; f < n; ++f)
        for (size_t c = 0; c < channels; ++c) {
          // Left-aligned in 32 bits, as the library's integer interface expects.
          const uint32_t v = static_cast<uint32_t>(QuantizeSample(audio.channels[c][start + f], bits));
          ints[f * channels + c] = static_cast<int>(v << (32 - bits));
        }
      if (sf_writef_int(file, ints.data(), static_cast<sf_count_t>(n)) != static_cast<sf_count_t>(n))
        return false;
    }
  }
  return true;
}

}  // namespace

bool ReadAudioFile(const std::string& path, AudioBuffer& audio, std::string& description,
                   std::string& error) {
  if (!FileExists(path)) {
    error = "input file '" + path + "' does not exist";
    return false;
  }
  if (IsDirectory(path)) {
    error = "input path '" + path + "' is a directory, not an audio file";
    return false;
  }
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = "'" + path + "' is not a readable audio file (" + sf_strerror(nullptr) + ")";
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
    sf_close(file);
    error = "'" + path + "' has an invalid audio header";
    return false;
  }
  const size_t channels = static_cast<size_t>(info.channels);
  audio.sampleRate = info.samplerate;
  audio.channels.assign(channels, std::vector<double>());
  std::vector<double> interleaved(4096 * channels);
  for (;;) {
    sf_count_t n = sf_readf_double(file, interleaved.data(), 4096);
    if (n <= 0) break;
    for (sf_count_t f = 0; f < n; ++f)
      for (size_t c = 0; c < channels; ++c)
        audio.channels[c].push_back(interleaved[static_cast<size_t>(f) * channels + c]);
  }
  const int status = sf_error(file);
  sf_close(file);
  if (status != SF_ERR_NO_ERROR) {
    error = "'" + path + "' could not be read to the end (" + sf_error_number(status) + ")";
    return false;
  }
  description = DescribeFormat(info.format);
  return true;
}

bool WriteAudioFile(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                    std::string& error) {
  const std::string ext = FileExtension(path);
  int major = 0;
  if (ext == "wav") major = SF_FORMAT_WAV;
  else if (ext == "aif" || ext == "aiff") major = SF_FORMAT_AIFF;
  else if (ext == "flac") major = SF_FORMAT_FLAC;
  if (major == 0) {
    error = "cannot write '" + path + "': unknown output type (use .wav, .aiff or .flac)";
    return false;
  }
  SF_INFO info = {};
  info.samplerate = static_cast<int>(audio.sampleRate + 0.5);
  info.channels = audio.ChannelCount();
  info.format = major | SubtypeFor(format);
  if (!sf_format_check(&info)) {
    error = "cannot write '" + path + "': the file type does not hold " +
            SampleFormatName(format) + " samples";
    return false;
  }
  const std::string temp = TemporaryNameFor(path);
  SNDFILE* file = sf_open(temp.c_str(), SFM_WRITE, &info);
  if (!file) {
    error = "cannot write output file '" + path + "' (" + sf_strerror(nullptr) + ")";
    return false;
  }
  bool ok = WriteFrames(file, audio, format);
  ok = (sf_close(file) == 0) && ok;
  if (ok) ok = RenameFile(temp, path);
  if (!ok) {
    RemoveFile(temp);
    error = "cannot write output file '" + path + "'";
    return false;
  }
  return true;
}

}  // namespace vrender
