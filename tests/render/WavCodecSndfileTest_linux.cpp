// The WAV codec the Windows build uses, checked against libsndfile in both directions, so
// both builds read and write the same files the same way.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <random>

#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/AudioFile.h"
#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/WavCodec.h"

using namespace vrender;

namespace {

AudioBuffer RandomAudio(int channels, size_t frames, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> dist(-0.99, 0.99);
  AudioBuffer audio;
  audio.sampleRate = 44100;
  audio.Resize(channels, frames);
  for (auto& c : audio.channels)
    for (double& x : c) x = dist(rng);
  return audio;
}

}  // namespace

TEST(WavCodecAgainstSndfile, FilesWeWriteReadTheSameThroughSndfile) {
  const std::string folder = ScratchFolder();
  for (SampleFormat format : {SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Pcm32,
                              SampleFormat::Float32, SampleFormat::Float64}) {
    for (int channels : {1, 2, 5}) {
      SCOPED_TRACE(std::string(SampleFormatName(format)) + " x" + std::to_string(channels));
      AudioBuffer audio = RandomAudio(channels, 999, 11);
      std::vector<unsigned char> bytes;
      std::string error;
      ASSERT_TRUE(EncodeWav(audio, format, bytes, error));
      const std::string path = folder + "ours.wav";
      ASSERT_TRUE(WriteWholeFileAtomically(path, bytes));
      AudioBuffer ours, theirs;
      ASSERT_TRUE(DecodeWav(bytes, ours, error));
      std::string description;
      ASSERT_TRUE(ReadAudioFile(path, theirs, description, error)) << error;  // libsndfile
      ASSERT_EQ(theirs.ChannelCount(), channels);
      ASSERT_EQ(theirs.FrameCount(), 999u);
      for (int c = 0; c < channels; ++c)
        for (size_t k = 0; k < 999; ++k) ASSERT_EQ(ours.channels[c][k], theirs.channels[c][k]);
    }
  }
}

TEST(WavCodecAgainstSndfile, FilesSndfileWritesDecodeTheSameHere) {
  const std::string folder = ScratchFolder();
  const int subtypes[] = {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                          SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE};
  for (int major : {SF_FORMAT_WAV, SF_FORMAT_WAVEX}) {
    for (int subtype : subtypes) {
      SCOPED_TRACE(std::to_string(major | subtype));
      AudioBuffer audio = RandomAudio(2, 500, 23);
      std::vector<double> interleaved;
      for (size_t k = 0; k < 500; ++k)
        for (int c = 0; c < 2; ++c) interleaved.push_back(audio.channels[c][k]);
      const std::string path = folder + "theirs.wav";
      SF_INFO info = {};
      info.samplerate = 44100;
      info.channels = 2;
      info.format = major | subtype;
      SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
      ASSERT_NE(file, nullptr);
      ASSERT_EQ(sf_writef_double(file, interleaved.data(), 500), 500);
      sf_close(file);

      AudioBuffer theirs, ours;
      std::string description, error;
      ASSERT_TRUE(ReadAudioFile(path, theirs, description, error));
      std::vector<unsigned char> bytes;
      ASSERT_TRUE(ReadWholeFile(path, bytes));
      ASSERT_TRUE(DecodeWav(bytes, ours, error)) << error;
      ASSERT_EQ(ours.FrameCount(), 500u);
      for (int c = 0; c < 2; ++c)
        for (size_t k = 0; k < 500; ++k) ASSERT_EQ(ours.channels[c][k], theirs.channels[c][k]);
    }
  }
}

TEST(WavCodecAgainstSndfile, BothWritersStoreTheSameIntegers) {
  // The Linux build writes through libsndfile but quantises itself: same codes as the codec.
  const std::string folder = ScratchFolder();
  AudioBuffer audio = RandomAudio(2, 300, 31);
  audio.channels[0][0] = 1.5;  // clipped by both
  for (SampleFormat format : {SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Pcm32}) {
    std::string error;
    ASSERT_TRUE(WriteAudioFile(folder + "sndfile.wav", audio, format, error)) << error;
    std::vector<unsigned char> viaSndfile, viaCodec;
    ASSERT_TRUE(ReadWholeFile(folder + "sndfile.wav", viaSndfile));
    ASSERT_TRUE(EncodeWav(audio, format, viaCodec, error));
    AudioBuffer a, b;
    ASSERT_TRUE(DecodeWav(viaSndfile, a, error));
    ASSERT_TRUE(DecodeWav(viaCodec, b, error));
    for (int c = 0; c < 2; ++c)
      for (size_t k = 0; k < 300; ++k) ASSERT_EQ(a.channels[c][k], b.channels[c][k]) << SampleFormatName(format);
  }
}
