#include "tools/vst2-render/WavCodec.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace vrender {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Read32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(std::vector<unsigned char>& out, uint32_t v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// One stored sample to ±1.0 full scale.
double DecodeSample(const unsigned char* p, uint16_t format, int bytes) {
  if (format == kFormatFloat) {
    if (bytes == 4) {
      uint32_t bits = Read32(p);
      float f;
      std::memcpy(&f, &bits, 4);
      return f;
    }
    uint64_t bits = static_cast<uint64_t>(Read32(p)) | (static_cast<uint64_t>(Read32(p + 4)) << 32);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }
  switch (bytes) {
    case 1:
      return (static_cast<int>(p[0]) - 128) / 128.0;
    case 2:
      return static_cast<int16_t>(Read16(p)) / 32768.0;
    case 3: {
      int32_t v = static_cast<int32_t>((static_cast<uint32_t>(p[0]) << 8) |
                                       (static_cast<uint32_t>(p[1]) << 16) |
                                       (static_cast<uint32_t>(p[2]) << 24));
      return (v >> 8) / 8388608.0;
    }
    default:
      return static_cast<int32_t>(Read32(p)) / 2147483648.0;
  }
}

}  // namespace

bool DecodeWav(const std::vector<unsigned char>& bytes, AudioBuffer& audio, std::string& error,
               std::string* sampleFormat) {
  const size_t size = bytes.size();
  const unsigned char* data = bytes.data();
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    error = "not a WAV file (no RIFF/WAVE header)";
    return false;
  }
  bool haveFormat = false;
  uint16_t format = 0, channels = 0, blockAlign = 0, bits = 0;
  uint32_t sampleRate = 0;
  const unsigned char* samples = nullptr;
  size_t sampleBytes = 0;
  size_t pos = 12;
  while (pos + 8 <= size) {
    const unsigned char* chunk = data + pos;
    const uint32_t declared = Read32(chunk + 4);
    const size_t available = size - pos - 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (declared < 16 || declared > available) {
        error = "WAV file has a damaged 'fmt ' chunk";
        return false;
      }
      format = Read16(chunk + 8);
      channels = Read16(chunk + 10);
      sampleRate = Read32(chunk + 12);
      blockAlign = Read16(chunk + 20);
      bits = Read16(chunk + 22);
      if (format == kFormatExtensible) {
        // The sub-format GUID starts with the plain format tag.
        if (declared < 40) {
          error = "WAV file has a damaged extensible 'fmt ' chunk";
          return false;
        }
        format = Read16(chunk + 32);
      }
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      samples = chunk + 8;
      // A streamed or truncated file may declare more than it holds: keep what is there.
      sampleBytes = declared > available ? available : declared;
      if (haveFormat) break;
    }
    const uint64_t next = static_cast<uint64_t>(pos) + 8 + declared + (declared & 1);
    if (next > size) break;
    pos = static_cast<size_t>(next);
  }
  if (!haveFormat) {
    error = "WAV file has no 'fmt ' chunk";
    return false;
  }
  if (!samples) {
    error = "WAV file has no 'data' chunk";
    return false;
  }
  const int sampleSize = (bits + 7) / 8;
  const bool pcmOk = format == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
  const bool floatOk = format == kFormatFloat && (bits == 32 || bits == 64);
  if (!pcmOk && !floatOk) {
    error = "unsupported WAV sample format (tag " + std::to_string(format) + ", " +
            std::to_string(bits) + " bits)";
    return false;
  }
  if (channels == 0 || sampleRate == 0 || blockAlign != channels * sampleSize) {
    error = "WAV file has an inconsistent 'fmt ' chunk";
    return false;
  }
  const size_t frames = sampleBytes / blockAlign;
  if (sampleFormat) {
    *sampleFormat = floatOk ? (bits == 32 ? "float" : "double") : "pcm" + std::to_string(bits);
  }
  audio.sampleRate = sampleRate;
  audio.Resize(channels, frames);
  for (size_t f = 0; f < frames; ++f) {
    const unsigned char* frame = samples + f * blockAlign;
    for (int c = 0; c < channels; ++c) {
      audio.channels[static_cast<size_t>(c)][f] = DecodeSample(frame + c * sampleSize, format, sampleSize);
    }
  }
  return true;
}

bool EncodeWav(const AudioBuffer& audio, SampleFormat format, std::vector<unsigned char>& bytes,
               std::string& error) {
  int bits = 16;
  bool isFloat = false;
  switch (format) {
    case SampleFormat::Pcm16: bits = 16; break;
    case SampleFormat::Pcm24: bits = 24; break;
    case SampleFormat::Pcm32: bits = 32; break;
    case SampleFormat::Float32: bits = 32; isFloat = true; break;
    case SampleFormat::Float64: bits = 64; isFloat = true; break;
  }
  const int channels = audio.ChannelCount();
  const size_t frames = audio.FrameCount();
  const int sampleSize = bits / 8;
  if (channels < 1 || channels > 0xFFFF) {
    error = "cannot write a WAV file with " + std::to_string(channels) + " channels";
    return false;
  }
  if (!(audio.sampleRate >= 1.0 && audio.sampleRate <= 4294967295.0)) {
    error = "cannot write a WAV file at this sample rate";
    return false;
  }
  const bool extensible = channels > 2;
  const uint32_t formatSize = extensible ? 40 : (isFloat ? 18 : 16);
  const uint64_t dataBytes = static_cast<uint64_t>(frames) * static_cast<uint64_t>(channels) * sampleSize;
  const uint64_t riffBytes = 4 + (8 + formatSize) + (isFloat ? 12 : 0) + 8 + dataBytes + (dataBytes & 1);
  if (riffBytes > 0xFFFFFFFFull) {
    error = "audio too long for a WAV file (over 4 GB)";
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<size_t>(riffBytes + 8));
  PutTag(bytes, "RIFF");
  Put32(bytes, static_cast<uint32_t>(riffBytes));
  PutTag(bytes, "WAVE");
  PutTag(bytes, "fmt ");
  Put32(bytes, formatSize);
  const uint16_t tag = isFloat ? kFormatFloat : kFormatPcm;
  Put16(bytes, extensible ? kFormatExtensible : tag);
  Put16(bytes, static_cast<uint32_t>(channels));
  const uint32_t rate = static_cast<uint32_t>(std::lround(audio.sampleRate));
  Put32(bytes, rate);
  Put32(bytes, rate * static_cast<uint32_t>(channels * sampleSize));
  Put16(bytes, static_cast<uint32_t>(channels * sampleSize));
  Put16(bytes, static_cast<uint32_t>(bits));
  if (extensible) {
    Put16(bytes, 22);
    Put16(bytes, static_cast<uint32_t>(bits));  // valid bits
    Put32(bytes, 0);                             // no speaker mask
    // KSDATAFORMAT_SUBTYPE_PCM / _IEEE_FLOAT: the tag followed by the fixed GUID tail.
    static const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    Put16(bytes, tag);
    bytes.insert(bytes.end(), kGuidTail, kGuidTail + 14);
  } else if (isFloat) {
    Put16(bytes, 0);
  }
  if (isFloat) {
    PutTag(bytes, "fact");
    Put32(bytes, 4);
    Put32(bytes, static_cast<uint32_t>(frames));
  }
  PutTag(bytes, "data");
  Put32(bytes, static_cast<uint32_t>(dataBytes));
  for (size_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const double x = audio.channels[static_cast<size_t>(c)][f];
      if (format == SampleFormat::Float32) {
        float v = static_cast<float>(x);
        uint32_t u;
        std::memcpy(&u, &v, 4);
        Put32(bytes, u);
      } else if (format == SampleFormat::Float64) {
        uint64_t u;
        std::memcpy(&u, &x, 8);
        Put32(bytes, static_cast<uint32_t>(u));
        Put32(bytes, static_cast<uint32_t>(u >> 32));
      } else {
        const uint32_t v = static_cast<uint32_t>(QuantizeSample(x, bits));
        for (int b = 0; b < sampleSize; ++b) bytes.push_back(static_cast<unsigned char>(v >> (8 * b)));
      }
    }
  }
  if (dataBytes & 1) bytes.push_back(0);
  return true;
}

}  // namespace vrender
