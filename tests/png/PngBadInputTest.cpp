#include "raster/RasterPng.h"
#include "tests/png/PngTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

std::unique_ptr<RasterBitmap> Load(const Bytes& png)
{
  return std::unique_ptr<RasterBitmap>(
      RasterLoadPngMemory(png.data(), (int32_t)png.size(), nullptr));
}

// A loaded bitmap must be whole: positive size and pixels behind it.
void ExpectNullOrWhole(const std::unique_ptr<RasterBitmap>& b)
{
  if (b) {
    EXPECT_GT(b->GetWidth(), 0);
    EXPECT_GT(b->GetHeight(), 0);
    EXPECT_NE(b->GetBits(), nullptr);
  }
}

Bytes WithDimensions(Bytes png, uint32_t width, uint32_t height)
{
  std::vector<PngChunk> chunks = SplitChunks(png);
  for (int i = 0; i < 4; ++i) {
    chunks[0].data[i] = (unsigned char)(width >> (24 - 8 * i));
    chunks[0].data[4 + i] = (unsigned char)(height >> (24 - 8 * i));
  }
  return JoinChunks(chunks); // fresh CRCs: only the sizes are wrong
}

// Offset of the first chunk of `type` in the file, or its size when there is none.
size_t ChunkOffset(const Bytes& png, const std::string& type)
{
  size_t offset = 8;
  for (const PngChunk& c : SplitChunks(png)) {
    if (c.type == type)
      return offset;
    offset += 12 + c.data.size();
  }
  return png.size();
}

// Small deterministic generator for the mutation run.
struct Rng
{
  uint64_t state;
  uint32_t Next()
  {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (uint32_t)(state >> 33);
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

} // namespace

TEST(PngBadInput, ShortOrUnsignedDataYieldsNull)
{
  const Bytes png = ReadFileBytes(DataPath("pngsuite/basn0g08.png"));
  EXPECT_EQ(RasterLoadPngMemory(nullptr, 100, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngMemory(png.data(), 7, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngMemory(png.data(), 0, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngMemory(png.data(), -5, nullptr), nullptr);
  Bytes unsigned_ = png;
  unsigned_[1] = 'Q';
  EXPECT_EQ(Load(unsigned_), nullptr);
  // The signature alone reads zeros after it, which libpng refuses.
  EXPECT_EQ(RasterLoadPngMemory(png.data(), 8, nullptr), nullptr);
}

// Every prefix of a file: cut before IEND, libpng meets zeros where data or a checksum
// should be and fails; cut inside IEND, the image is already complete.
TEST(PngBadInput, TruncatedDataAtEveryLengthYieldsNullUntilTheEndChunk)
{
  for (const char* name : {"pngsuite/basn6a08.png", "pngsuite/basn3p04.png",
                           "pngsuite/interlaced/ibasn0g04.png", "pngsuite/ibasn6a16.png"}) {
    SCOPED_TRACE(name);
    const Bytes png = ReadFileBytes(DataPath(name));
    std::unique_ptr<RasterBitmap> whole = Load(png);
    ASSERT_NE(whole, nullptr);
    const size_t end = ChunkOffset(png, "IEND");
    for (size_t n = 0; n < png.size(); ++n) {
      // An exact-size copy, so a read past the cut is an out-of-bounds read under ASan.
      const Bytes cut(png.begin(), png.begin() + (ptrdiff_t)n);
      std::unique_ptr<RasterBitmap> b = Load(cut);
      if (n < end) {
        ASSERT_EQ(b, nullptr) << "cut at " << n;
      } else {
        ASSERT_NE(b, nullptr) << "cut at " << n;
        ASSERT_EQ(PixelsOf(*b), PixelsOf(*whole));
      }
    }
  }
}

// libpng's collection of files that once crashed decoders: any outcome but a crash, a leak
// or an incomplete bitmap is fine.
TEST(PngBadInput, LibpngCrasherFilesAreSurvived)
{
  const std::vector<std::string> crashers = ManifestEntries("crasher");
  ASSERT_GE(crashers.size(), 20u);
  for (const std::string& name : crashers) {
    SCOPED_TRACE(name);
    const std::string path = DataPath(name);
    ExpectNullOrWhole(Load(ReadFileBytes(path)));
    ExpectNullOrWhole(std::unique_ptr<RasterBitmap>(RasterLoadPngFile(path.c_str(), nullptr)));
  }
}

TEST(PngBadInput, CorruptedImagesYieldNull)
{
  const Bytes good = ReadFileBytes(DataPath("pngsuite/basn2c08.png"));
  ASSERT_NE(Load(good), nullptr);

  Bytes badHeaderCrc = good;
  badHeaderCrc[29] ^= 0x01;
  EXPECT_EQ(Load(badHeaderCrc), nullptr);

  // Damaged compressed data with a valid CRC reaches the inflater, which must refuse it.
  std::vector<PngChunk> chunks = SplitChunks(good);
  for (PngChunk& c : chunks)
    if (c.type == "IDAT")
      for (size_t i = 2; i < c.data.size(); i += 7)
        c.data[i] ^= 0x5A;
  EXPECT_EQ(Load(JoinChunks(chunks)), nullptr);

  // An unknown row filter type.
  PngRecipe badFilter;
  badFilter.width = 4;
  badFilter.height = 2;
  EXPECT_NE(Load(MakePng(badFilter)), nullptr);
  badFilter.filterType = 9;
  EXPECT_EQ(Load(MakePng(badFilter)), nullptr);

  // No IDAT at all.
  std::vector<PngChunk> noData;
  for (const PngChunk& c : SplitChunks(good))
    if (c.type != "IDAT")
      noData.push_back(c);
  EXPECT_EQ(Load(JoinChunks(noData)), nullptr);

  // An image data chunk claiming 600 MB in a file of a few hundred bytes: the reads past
  // the end stop the decode instead of feeding libpng that many zeros.
  Bytes hugeChunk = good;
  hugeChunk[ChunkOffset(good, "IDAT")] = 0x25; // length 0x25000048
  EXPECT_EQ(Load(hugeChunk), nullptr);

  // A header claiming an impossible colour type and depth.
  std::vector<PngChunk> badType = SplitChunks(good);
  badType[0].data[9] = 5;
  EXPECT_EQ(Load(JoinChunks(badType)), nullptr);
}

// Headers whose width × height × 4 does not fit an int are refused before anything is
// allocated for the pixels, whatever data follows.
TEST(PngBadInput, ImagesTooLargeForIntByteCountsYieldNull)
{
  const Bytes good = ReadFileBytes(DataPath("pngsuite/basn6a08.png"));
  EXPECT_EQ(Load(WithDimensions(good, 65536, 65536)), nullptr);   // 2^34 bytes
  EXPECT_EQ(Load(WithDimensions(good, 23171, 23171)), nullptr);   // just over 2^31 bytes
  EXPECT_EQ(Load(WithDimensions(good, 1000000, 1000000)), nullptr);
  EXPECT_EQ(Load(WithDimensions(good, 0x7FFFFFFF, 1)), nullptr);
  EXPECT_EQ(Load(WithDimensions(good, 0, 32)), nullptr);
  // Plausible sizes with too little data fail on the data instead.
  EXPECT_EQ(Load(WithDimensions(good, 32, 4096)), nullptr);
}

// A seeded mutation run over small valid images: byte flips, overwrites, insertions,
// deletions and cuts, with the chunk CRCs sometimes repaired so the damage reaches the
// decoder proper. Each input is copied to an exact-size buffer.
TEST(PngBadInput, MutatedImagesNeverCrashOrLeak)
{
  std::vector<Bytes> seeds;
  for (const char* name : {"pngsuite/basn0g01.png", "pngsuite/basn3p08.png",
                           "pngsuite/basn6a16.png", "pngsuite/ibasn2c08.png",
                           "pngsuite/ftbbn3p08.png", "testpngs/gray-alpha-8.png"})
    seeds.push_back(ReadFileBytes(DataPath(name)));
  Rng rng{0x5EED1234ull};
#if defined(__SANITIZE_ADDRESS__)
  const int rounds = 6000;
#else
  const int rounds = 20000;
#endif
  int decoded = 0;
  for (int round = 0; round < rounds; ++round) {
    Bytes data = seeds[rng.Below((uint32_t)seeds.size())];
    const int edits = 1 + (int)rng.Below(6);
    for (int e = 0; e < edits && !data.empty(); ++e) {
      const size_t at = rng.Below((uint32_t)data.size());
      switch (rng.Below(5)) {
      case 0: data[at] ^= (unsigned char)(1u << rng.Below(8)); break;
      case 1: data[at] = (unsigned char)rng.Next(); break;
      case 2: data.insert(data.begin() + (ptrdiff_t)at, (unsigned char)rng.Next()); break;
      case 3: data.erase(data.begin() + (ptrdiff_t)at); break;
      default: data.resize(at); break;
      }
    }
    if (rng.Below(2) == 0) {
      std::vector<PngChunk> chunks = SplitChunks(data);
      if (!chunks.empty())
        data = JoinChunks(chunks);
    }
    std::unique_ptr<RasterBitmap> b = Load(data);
    ExpectNullOrWhole(b);
    if (b)
      ++decoded;
    if (HasFailure())
      FAIL() << "round " << round;
  }
  // The run reached the decoder, not only the signature check.
  EXPECT_GT(decoded, rounds / 50);
}
