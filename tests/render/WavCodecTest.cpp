#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "tools/vst2-render/WavCodec.h"

using namespace vrender;

namespace {

AudioBuffer RandomAudio(int channels, size_t frames, double scale, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> dist(-scale, scale);
  AudioBuffer audio;
  audio.sampleRate = 48000;
  audio.Resize(channels, frames);
  for (auto& c : audio.channels)
    for (double& x : c) x = dist(rng);
  return audio;
}

// Audio whose samples lie exactly on the integer grid of 'bits'.
AudioBuffer GridAudio(int channels, size_t frames, int bits, unsigned seed) {
  AudioBuffer audio = RandomAudio(channels, frames, 1.0, seed);
  const double scale = std::ldexp(1.0, bits - 1);
  for (auto& c : audio.channels)
    for (double& x : c) x = std::floor(x * scale) / scale;
  audio.channels[0][0] = -1.0;                      // most negative code
  audio.channels[0][1] = (scale - 1.0) / scale;     // most positive code
  return audio;
}

void ExpectSameAudio(const AudioBuffer& a, const AudioBuffer& b) {
  ASSERT_EQ(a.ChannelCount(), b.ChannelCount());
  ASSERT_EQ(a.FrameCount(), b.FrameCount());
  EXPECT_EQ(a.sampleRate, b.sampleRate);
  for (int c = 0; c < a.ChannelCount(); ++c)
    for (size_t k = 0; k < a.FrameCount(); ++k)
      ASSERT_EQ(a.channels[c][k], b.channels[c][k]) << "channel " << c << " frame " << k;
}

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace

TEST(WavCodec, IntegerFormatsRoundTripExactlyOnTheirGrid) {
  const struct {
    SampleFormat format;
    int bits;
  } cases[] = {{SampleFormat::Pcm16, 16}, {SampleFormat::Pcm24, 24}, {SampleFormat::Pcm32, 32}};
  for (const auto& c : cases) {
    // Odd frame count with mono 24-bit gives an odd data size, which needs a pad byte.
    for (int channels : {1, 2, 3}) {
      AudioBuffer audio = GridAudio(channels, 1001, c.bits, 7u + c.bits);
      std::vector<unsigned char> bytes;
      std::string error;
      ASSERT_TRUE(EncodeWav(audio, c.format, bytes, error)) << error;
      EXPECT_EQ(bytes.size() % 2, 0u);
      AudioBuffer back;
      std::string stored;
      ASSERT_TRUE(DecodeWav(bytes, back, error, &stored)) << error;
      EXPECT_EQ(stored, SampleFormatName(c.format));
      SCOPED_TRACE(SampleFormatName(c.format));
      ExpectSameAudio(audio, back);
    }
  }
}

TEST(WavCodec, FloatFormatsKeepTheirPrecision) {
  AudioBuffer audio = RandomAudio(2, 777, 4.0, 3);  // float files may exceed full scale
  std::vector<unsigned char> bytes;
  std::string error;
  ASSERT_TRUE(EncodeWav(audio, SampleFormat::Float64, bytes, error));
  AudioBuffer back;
  ASSERT_TRUE(DecodeWav(bytes, back, error));
  ExpectSameAudio(audio, back);

  ASSERT_TRUE(EncodeWav(audio, SampleFormat::Float32, bytes, error));
  ASSERT_TRUE(DecodeWav(bytes, back, error));
  for (auto& c : audio.channels)
    for (double& x : c) x = static_cast<float>(x);
  ExpectSameAudio(audio, back);
}

TEST(WavCodec, IntegerWritesRoundToNearestAndClipOutOfRangeAndNaN) {
  AudioBuffer audio;
  audio.Resize(1, 6);
  const double lsb = 1.0 / 32768.0;
  audio.channels[0] = {2.0, -3.0, NAN, 0.4 * lsb, 0.6 * lsb, -0.6 * lsb};
  std::vector<unsigned char> bytes;
  std::string error;
  ASSERT_TRUE(EncodeWav(audio, SampleFormat::Pcm16, bytes, error));
  AudioBuffer back;
  ASSERT_TRUE(DecodeWav(bytes, back, error));
  EXPECT_EQ(back.channels[0][0], 32767 * lsb);
  EXPECT_EQ(back.channels[0][1], -1.0);
  EXPECT_EQ(back.channels[0][2], 0.0);
  EXPECT_EQ(back.channels[0][3], 0.0);
  EXPECT_EQ(back.channels[0][4], lsb);
  EXPECT_EQ(back.channels[0][5], -lsb);
  // The same for 32 bits, where the scale itself is not an int32.
  ASSERT_TRUE(EncodeWav(audio, SampleFormat::Pcm32, bytes, error));
  ASSERT_TRUE(DecodeWav(bytes, back, error));
  EXPECT_EQ(back.channels[0][0], 2147483647.0 / 2147483648.0);
  EXPECT_EQ(back.channels[0][1], -1.0);
}

TEST(WavCodec, ReadsHeadersOtherWritersProduce) {
  // Hand-made file: 8-bit unsigned mono, an unknown chunk before 'fmt ', an odd-sized
  // chunk with its pad byte, and a data chunk declaring more bytes than the file holds.
  std::vector<unsigned char> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                  'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0,
                                  'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                                  0x44, 0xAC, 0, 0, 0x44, 0xAC, 0, 0, 1, 0, 8, 0,
                                  'd', 'a', 't', 'a', 100, 0, 0, 0, 128, 255, 0, 64};
  AudioBuffer audio;
  std::string error;
  ASSERT_TRUE(DecodeWav(b, audio, error)) << error;
  EXPECT_EQ(audio.sampleRate, 44100.0);
  ASSERT_EQ(audio.ChannelCount(), 1);
  ASSERT_EQ(audio.FrameCount(), 4u);
  EXPECT_EQ(audio.channels[0][0], 0.0);
  EXPECT_EQ(audio.channels[0][1], 127.0 / 128.0);
  EXPECT_EQ(audio.channels[0][2], -1.0);
  EXPECT_EQ(audio.channels[0][3], -0.5);
}

TEST(WavCodec, ExtensibleHeaderForMoreThanTwoChannelsIsReadBack) {
  AudioBuffer audio = RandomAudio(4, 10, 1.0, 5);
  std::vector<unsigned char> bytes;
  std::string error;
  ASSERT_TRUE(EncodeWav(audio, SampleFormat::Float32, bytes, error));
  EXPECT_EQ(Le32(bytes, 16), 40u);                 // fmt chunk size
  EXPECT_EQ(bytes[20] | (bytes[21] << 8), 0xFFFE);  // WAVE_FORMAT_EXTENSIBLE
  AudioBuffer back;
  ASSERT_TRUE(DecodeWav(bytes, back, error));
  EXPECT_EQ(back.ChannelCount(), 4);
  EXPECT_EQ(back.FrameCount(), 10u);
  EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);  // RIFF size
}

TEST(WavCodec, RejectsWhatIsNotUsableAudio) {
  AudioBuffer audio;
  std::string error;
  const std::string text = "this is plainly not a wave file at all";
  EXPECT_FALSE(DecodeWav(std::vector<unsigned char>(text.begin(), text.end()), audio, error));
  EXPECT_NE(error.find("not a WAV file"), std::string::npos);
  EXPECT_FALSE(DecodeWav({}, audio, error));

  AudioBuffer good = RandomAudio(2, 16, 1.0, 9);
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(EncodeWav(good, SampleFormat::Pcm16, bytes, error));
  std::vector<unsigned char> noData(bytes.begin(), bytes.begin() + 36);  // header and fmt only
  EXPECT_FALSE(DecodeWav(noData, audio, error));
  EXPECT_NE(error.find("no 'data'"), std::string::npos);

  std::vector<unsigned char> badBits = bytes;
  badBits[34] = 12;  // 12-bit samples in 2-byte slots are not supported
  EXPECT_FALSE(DecodeWav(badBits, audio, error));
  std::vector<unsigned char> badAlign = bytes;
  badAlign[32] = 3;  // block align inconsistent with channels × bytes
  EXPECT_FALSE(DecodeWav(badAlign, audio, error));
  std::vector<unsigned char> hugeFmt = bytes;
  hugeFmt[16] = 0xFF;
  hugeFmt[17] = 0xFF;  // fmt chunk size runs past the end of the file
  EXPECT_FALSE(DecodeWav(hugeFmt, audio, error));
}
