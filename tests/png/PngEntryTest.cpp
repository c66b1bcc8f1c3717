#include "raster/RasterMemBitmap.h"
#include "raster/RasterPng.h"
#include "raster/RasterResource.h"
#include "tests/png/PngTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

namespace {

std::unique_ptr<RasterBitmap> Own(RasterBitmap* b)
{
  return std::unique_ptr<RasterBitmap>(b);
}

// A bitmap over caller-owned rows, stored bottom-up when `flipped`, whose size can be
// frozen to make Resize refuse.
class TestBitmap : public RasterBitmap
{
public:
  bool flipped = false;
  bool frozen = false;
  std::vector<RasterPixel> pixels;
  int width = 0, height = 0, span = 0;

  RasterPixel* GetBits() override { return pixels.empty() ? nullptr : pixels.data(); }
  int GetWidth() override { return width; }
  int GetHeight() override { return height; }
  int GetRowSpan() override { return span; }
  bool IsFlipped() override { return flipped; }
  bool Resize(int w, int h) override
  {
    if (frozen || (w == width && h == height))
      return false;
    width = w;
    height = h;
    span = w + 3; // a span wider than the width, to catch rows placed by width
    pixels.assign((size_t)span * h, 0xDEADBEEF);
    return true;
  }
};

const char* const kImageNames[5] = {"background.png", "knob.png", "switch.png", "power.png",
                                    "monomode.png"};
const int kImageSizes[5][2] = {{368, 240}, {124, 12524}, {40, 116}, {36, 60}, {368, 240}};

} // namespace

TEST(PngResources, TheFiveImagesLoadByNumberWithTheirSizes)
{
  RasterModuleHandle module = RasterGetModuleHandle();
  ASSERT_NE(module, nullptr);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(kImageNames[i]);
    std::unique_ptr<RasterBitmap> b = Own(RasterLoadPngResource(module, 100 + i, nullptr));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetWidth(), kImageSizes[i][0]);
    EXPECT_EQ(b->GetHeight(), kImageSizes[i][1]);
  }
  // Only the low 16 bits of the number count.
  std::unique_ptr<RasterBitmap> high = Own(RasterLoadPngResource(module, 0x10000 + 103, nullptr));
  ASSERT_NE(high, nullptr);
  EXPECT_EQ(high->GetWidth(), 36);
  EXPECT_EQ(RasterLoadPngResource(module, 105, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngResource(module, 99, nullptr), nullptr);
}

// The embedded bytes are the committed files, 8-bit RGB or RGBA without tRNS; the panel
// background is fully opaque.
TEST(PngResources, EmbeddedImagesAreTheCommittedFiles)
{
  RasterModuleHandle module = RasterGetModuleHandle();
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(kImageNames[i]);
    const unsigned char* data = nullptr;
    int size = 0;
    ASSERT_TRUE(RasterFindResource(module, 100 + i, "PNG", &data, &size));
    const Bytes embedded(data, data + size);
    EXPECT_EQ(embedded, ReadFileBytes(std::string(VOSS_PNG_TEST_SOURCE) + "/resources/img/" +
                                      kImageNames[i]));
    const std::vector<PngChunk> chunks = SplitChunks(embedded);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].data[8], 8);                                     // bit depth
    EXPECT_TRUE(chunks[0].data[9] == 2 || chunks[0].data[9] == 6);       // RGB or RGBA
    for (const PngChunk& c : chunks)
      EXPECT_NE(c.type, "tRNS");
  }
  EXPECT_FALSE(RasterFindResource(module, 100, "RCDATA", nullptr, nullptr));

  std::unique_ptr<RasterBitmap> background = Own(RasterLoadPngResource(module, 100, nullptr));
  ASSERT_NE(background, nullptr);
  for (RasterPixel p : PixelsOf(*background))
    ASSERT_EQ(RasterPixelAlpha(p), 255);
}

// Loads share no state: threads decoding at once all get the whole, same image.
TEST(PngResources, ConcurrentLoadsGiveIdenticalImages)
{
  RasterModuleHandle module = RasterGetModuleHandle();
  std::unique_ptr<RasterBitmap> reference = Own(RasterLoadPngResource(module, 102, nullptr));
  ASSERT_NE(reference, nullptr);
  const std::vector<RasterPixel> expected = PixelsOf(*reference);
  const Bytes bad = ReadFileBytes(DataPath("crashers/badadler.png"));
  bool same[4] = {false, false, false, false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      bool ok = true;
      for (int i = 0; i < 20; ++i) {
        std::unique_ptr<RasterBitmap> b = Own(RasterLoadPngResource(module, 102, nullptr));
        ok = ok && b && PixelsOf(*b) == expected;
        // Failing decodes jump back on their own thread without disturbing the others.
        ok = ok && !RasterLoadPngMemory(bad.data(), (int32_t)bad.size(), nullptr);
      }
      same[t] = ok;
    });
  for (std::thread& t : threads)
    t.join();
  for (bool ok : same)
    EXPECT_TRUE(ok);
}

TEST(PngTarget, TargetIsResizedFilledAndReturned)
{
  const Bytes png = ReadFileBytes(DataPath("pngsuite/basn6a08.png"));
  std::unique_ptr<RasterBitmap> fresh =
      Own(RasterLoadPngMemory(png.data(), (int32_t)png.size(), nullptr));
  ASSERT_NE(fresh, nullptr);

  RasterMemBitmap target(5, 7, 4);
  EXPECT_EQ(RasterLoadPngMemory(png.data(), (int32_t)png.size(), &target), &target);
  EXPECT_EQ(target.GetWidth(), 32);
  EXPECT_EQ(target.GetHeight(), 32);
  EXPECT_EQ(PixelsOf(target), PixelsOf(*fresh));

  // A span wider than the width: rows land span apart and the padding is left alone.
  TestBitmap wide;
  EXPECT_EQ(RasterLoadPngMemory(png.data(), (int32_t)png.size(), &wide), &wide);
  EXPECT_EQ(PixelsOf(wide), PixelsOf(*fresh));
  EXPECT_EQ(wide.pixels[32], 0xDEADBEEFu);

  // The file path fills the same target type through its own code.
  RasterMemBitmap fileTarget(1, 1, 4);
  const std::string path = DataPath("pngsuite/basn6a08.png");
  EXPECT_EQ(RasterLoadPngFile(path.c_str(), &fileTarget), &fileTarget);
  EXPECT_EQ(PixelsOf(fileTarget), PixelsOf(*fresh));
}

TEST(PngTarget, TargetThatCannotTakeTheSizeFailsTheLoad)
{
  const Bytes png = ReadFileBytes(DataPath("pngsuite/basn2c08.png"));
  TestBitmap target;
  target.Resize(4, 4);
  target.frozen = true;
  EXPECT_EQ(RasterLoadPngMemory(png.data(), (int32_t)png.size(), &target), nullptr);
  EXPECT_EQ(target.GetWidth(), 4);
  for (RasterPixel p : target.pixels)
    EXPECT_EQ(p, 0xDEADBEEFu);
}

// Files follow a bottom-up target's orientation, so image row 0 is still its top row;
// memory data is always written top-down into memory.
TEST(PngTarget, FileRowsFollowAFlippedTargetMemoryRowsDoNot)
{
  PngRecipe recipe;
  recipe.colorType = 0;
  recipe.height = 2;
  recipe.rows = {0x10, 0x20};
  const Bytes png = MakePng(recipe);
  const std::string path = DataPath("two_rows.png");
  ASSERT_TRUE(WriteFileBytes(path, png));

  TestBitmap fromFile;
  fromFile.flipped = true;
  ASSERT_EQ(RasterLoadPngFile(path.c_str(), &fromFile), &fromFile);
  EXPECT_EQ(PixelsOf(fromFile),
            (std::vector<RasterPixel>{0xFF101010u, 0xFF202020u})); // top row first
  EXPECT_EQ(fromFile.pixels[0], 0xFF202020u); // stored bottom-up

  TestBitmap fromMemory;
  fromMemory.flipped = true;
  ASSERT_EQ(RasterLoadPngMemory(png.data(), (int32_t)png.size(), &fromMemory), &fromMemory);
  EXPECT_EQ(fromMemory.pixels[0], 0xFF101010u); // image row 0 first in memory
}

TEST(PngFiles, PathsThatNameNoPngFileYieldNull)
{
  EXPECT_EQ(RasterLoadPngFile(nullptr, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngFile("", nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngFile(DataPath("no such file.png").c_str(), nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngFile(DataPath("pngsuite").c_str(), nullptr), nullptr); // a directory
  EXPECT_EQ(RasterLoadPngFile(DataPath("manifest.txt").c_str(), nullptr), nullptr);
}

// A UTF-8 path with non-ASCII characters opens the file of that Unicode name.
TEST(PngFiles, OpensUtf8PathsWithNonAsciiNames)
{
  const std::string path = DataPath("caf\xC3\xA9 \xE2\x99\xAA.png"); // "café ♪.png"
  ASSERT_TRUE(WriteFileBytesUtf8(path, ReadFileBytes(DataPath("pngsuite/basn0g08.png"))));
  std::unique_ptr<RasterBitmap> b = Own(RasterLoadPngFile(path.c_str(), nullptr));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetWidth(), 32);
}

// A path that is not valid UTF-8 is opened as it stands (on Windows through the narrow,
// unconverted path).
TEST(PngFiles, OpensPathsThatAreNotUtf8Unconverted)
{
  const std::string path = DataPath("na\xEFve.png"); // Latin-1 "naïve.png"
  ASSERT_TRUE(WriteFileBytes(path, ReadFileBytes(DataPath("pngsuite/basn0g08.png"))));
  std::unique_ptr<RasterBitmap> b = Own(RasterLoadPngFile(path.c_str(), nullptr));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetHeight(), 32);
}

TEST(PngFileHandler, ExtensionCheckAcceptsPngInAnyCaseOnly)
{
  const Bytes png = ReadFileBytes(DataPath("pngsuite/basn0g08.png"));
  for (const char* name : {"mixed.PnG", "upper.PNG", "plain.png", "copy.png.bak", "noext"})
    ASSERT_TRUE(WriteFileBytes(DataPath(name), png));

  for (const char* name : {"mixed.PnG", "upper.PNG", "plain.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<RasterBitmap> b =
        Own(RasterPngFileHandlerOpen(DataPath(name).c_str(), true, nullptr));
    EXPECT_NE(b, nullptr);
  }
  for (const char* name : {"copy.png.bak", "noext"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(RasterPngFileHandlerOpen(DataPath(name).c_str(), true, nullptr), nullptr);
  }
  // Without the check the content decides.
  std::unique_ptr<RasterBitmap> bak =
      Own(RasterPngFileHandlerOpen(DataPath("copy.png.bak").c_str(), false, nullptr));
  EXPECT_NE(bak, nullptr);

  // A bare name without '.', '/' or '\\' is compared whole.
  EXPECT_EQ(RasterPngFileHandlerOpen("png", true, nullptr), nullptr);
  EXPECT_EQ(RasterPngFileHandlerOpen("", true, nullptr), nullptr);
  EXPECT_EQ(RasterPngFileHandlerOpen(nullptr, true, nullptr), nullptr);
}

TEST(PngFileHandler, IsRegisteredWithItsDialogFilter)
{
  const RasterImageFileHandler* png = nullptr;
  for (const RasterImageFileHandler* h = RasterImageFileHandlerList; h; h = h->next)
    if (h->open == RasterPngFileHandlerOpen)
      png = h;
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->filter, RasterPngFileHandlerFilter);
  const char expected[] = "PNG files (*.PNG)\0*.PNG\0"; // with the literal's NUL: two at the end
  EXPECT_EQ(std::memcmp(RasterPngFileHandlerFilter(), expected, sizeof expected), 0);
}
