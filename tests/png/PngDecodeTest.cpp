#include "raster/RasterPng.h"
#include "tests/png/PngTestSupport.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Chunks that make libpng's simplified API correct colours for the file's gamma or colour
// space. Our loader applies no colour management, so the reference reads the same pixels
// without them.
const std::vector<std::string> kColourChunks = {"gAMA", "cHRM", "sRGB", "iCCP"};

int BitDepthOf(const Bytes& png)
{
  return png.size() > 24 ? png[24] : 0;
}

int Channel(RasterPixel p, int shift)
{
  return (int)((p >> shift) & 0xFF);
}

std::unique_ptr<RasterBitmap> Load(const Bytes& png)
{
  return std::unique_ptr<RasterBitmap>(
      RasterLoadPngMemory(png.data(), (int32_t)png.size(), nullptr));
}

RasterPixel Argb(int a, int r, int g, int b)
{
  return RasterPackPixel(r, g, b, a);
}

} // namespace

// The simplified API converts interlaced 16-bit images to 8 bits wrongly (its 16-bit output
// for them equals that of their non-interlaced twins, its 8-bit output does not), so those
// images are compared with their twin's reference: "pngsuite/ibasn0g16.png" with
// "pngsuite/basn0g16.png".
static std::string ReferenceImageFor(const std::string& name, const Bytes& png)
{
  const size_t slash = name.rfind('/');
  const bool interlaced = png.size() > 28 && png[28] != 0;
  if (!interlaced || BitDepthOf(png) != 16 || name.compare(slash + 1, 1, "i") != 0)
    return name;
  return name.substr(0, slash + 1) + name.substr(slash + 2);
}

// Every image of libpng's own test sets (all colour types, bit depths 1 to 16, palettes with
// and without tRNS, interlaced) against the simplified API. 8-bit samples must match
// exactly. 16-bit samples may differ by one: the loader keeps the high byte, the reference
// rounds.
TEST(PngDecode, MatchesSimplifiedApiOnLibpngTestImages)
{
  const std::vector<std::string> images = ManifestEntries("image");
  ASSERT_GT(images.size(), 150u);
  for (const std::string& name : images) {
    SCOPED_TRACE(name);
    const Bytes png = ReadFileBytes(DataPath(name));
    ASSERT_FALSE(png.empty());
    const Bytes refPng = ReadFileBytes(DataPath(ReferenceImageFor(name, png)));
    const Reference ref = DecodeWithSimplifiedApi(WithoutChunks(refPng, kColourChunks),
                                                  PNG_IMAGE_FLAG_16BIT_sRGB);
    ASSERT_GT(ref.width, 0);
    std::unique_ptr<RasterBitmap> bitmap = Load(png);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->GetWidth(), ref.width);
    ASSERT_EQ(bitmap->GetHeight(), ref.height);
    const std::vector<RasterPixel> got = PixelsOf(*bitmap);
    const int tolerance = BitDepthOf(png) == 16 ? 1 : 0;
    int mismatches = 0;
    for (size_t i = 0; i < got.size() && mismatches < 5; ++i) {
      for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(Channel(got[i], shift) - Channel(ref.pixels[i], shift)) > tolerance) {
          ADD_FAILURE() << "pixel " << i << ": got " << std::hex << got[i] << ", expected "
                        << ref.pixels[i];
          ++mismatches;
          break;
        }
      }
    }
  }
}

// The file path decodes the same pixels as the memory path.
TEST(PngDecode, FileAndMemoryGiveTheSamePixels)
{
  for (const std::string& name : ManifestEntries("image")) {
    SCOPED_TRACE(name);
    const std::string path = DataPath(name);
    std::unique_ptr<RasterBitmap> fromFile(RasterLoadPngFile(path.c_str(), nullptr));
    std::unique_ptr<RasterBitmap> fromMemory = Load(ReadFileBytes(path));
    ASSERT_NE(fromFile, nullptr);
    ASSERT_NE(fromMemory, nullptr);
    EXPECT_EQ(PixelsOf(*fromFile), PixelsOf(*fromMemory));
  }
}

TEST(PngDecode, RgbaKeepsStraightAlphaInBlueGreenRedAlphaOrder)
{
  PngRecipe recipe;
  recipe.width = 2;
  recipe.colorType = 6;
  recipe.rows = {0x11, 0x22, 0x33, 0x80, 0xFF, 0x00, 0x7F, 0x00};
  std::unique_ptr<RasterBitmap> bitmap = Load(MakePng(recipe));
  ASSERT_NE(bitmap, nullptr);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(bitmap->GetBits());
  const unsigned char expected[8] = {0x33, 0x22, 0x11, 0x80, 0x7F, 0x00, 0xFF, 0x00};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
}

TEST(PngDecode, OpaqueFormatsGetFullAlpha)
{
  PngRecipe rgb;
  rgb.colorType = 2;
  rgb.rows = {0x10, 0x20, 0x30};
  std::unique_ptr<RasterBitmap> a = Load(MakePng(rgb));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(PixelsOf(*a)[0], Argb(0xFF, 0x10, 0x20, 0x30));

  PngRecipe palette;
  palette.colorType = 3;
  palette.width = 2;
  palette.palette = {0xAA, 0xBB, 0xCC, 0x01, 0x02, 0x03};
  palette.rows = {1, 0};
  std::unique_ptr<RasterBitmap> b = Load(MakePng(palette));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(PixelsOf(*b), (std::vector<RasterPixel>{Argb(0xFF, 1, 2, 3),
                                                    Argb(0xFF, 0xAA, 0xBB, 0xCC)}));
}

TEST(PngDecode, SixteenBitSamplesKeepTheirHighByte)
{
  // 0x12FF would round to 0x13; the high byte is 0x12.
  PngRecipe recipe;
  recipe.colorType = 6;
  recipe.bitDepth = 16;
  recipe.rows = {0x12, 0xFF, 0x34, 0x80, 0x56, 0x01, 0x9A, 0xFF};
  std::unique_ptr<RasterBitmap> bitmap = Load(MakePng(recipe));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(PixelsOf(*bitmap)[0], Argb(0x9A, 0x12, 0x34, 0x56));
}

TEST(PngDecode, LowBitGrayExpandsToEqualChannels)
{
  // 2-bit gray 0, 1, 2, 3 becomes 0x00, 0x55, 0xAA, 0xFF.
  PngRecipe recipe;
  recipe.colorType = 0;
  recipe.bitDepth = 2;
  recipe.width = 4;
  recipe.rows = {0x1B};
  std::unique_ptr<RasterBitmap> bitmap = Load(MakePng(recipe));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(PixelsOf(*bitmap),
            (std::vector<RasterPixel>{Argb(0xFF, 0, 0, 0), Argb(0xFF, 0x55, 0x55, 0x55),
                                      Argb(0xFF, 0xAA, 0xAA, 0xAA), Argb(0xFF, 0xFF, 0xFF, 0xFF)}));

  PngRecipe grayAlpha;
  grayAlpha.colorType = 4;
  grayAlpha.rows = {0x40, 0x90};
  std::unique_ptr<RasterBitmap> ga = Load(MakePng(grayAlpha));
  ASSERT_NE(ga, nullptr);
  EXPECT_EQ(PixelsOf(*ga)[0], Argb(0x90, 0x40, 0x40, 0x40));
}

// Transparency given only by a tRNS chunk becomes the pixel's alpha, with the colours in
// the same order as for images with an alpha channel.
TEST(PngDecode, TransparencyChunkBecomesAlpha)
{
  PngRecipe palette;
  palette.colorType = 3;
  palette.width = 3;
  palette.palette = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90};
  palette.transparency = {0x00, 0x80}; // entry 2 has no alpha given: opaque
  palette.rows = {0, 1, 2};
  std::unique_ptr<RasterBitmap> p = Load(MakePng(palette));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(PixelsOf(*p),
            (std::vector<RasterPixel>{Argb(0x00, 0x10, 0x20, 0x30), Argb(0x80, 0x40, 0x50, 0x60),
                                      Argb(0xFF, 0x70, 0x80, 0x90)}));

  PngRecipe rgb;
  rgb.colorType = 2;
  rgb.width = 2;
  rgb.transparency = {0x00, 0x11, 0x00, 0x22, 0x00, 0x33}; // key colour 11 22 33
  rgb.rows = {0x11, 0x22, 0x33, 0x11, 0x22, 0x34};
  std::unique_ptr<RasterBitmap> r = Load(MakePng(rgb));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(PixelsOf(*r),
            (std::vector<RasterPixel>{Argb(0x00, 0x11, 0x22, 0x33), Argb(0xFF, 0x11, 0x22, 0x34)}));

  PngRecipe gray;
  gray.colorType = 0;
  gray.width = 2;
  gray.transparency = {0x00, 0x07};
  gray.rows = {0x07, 0x08};
  std::unique_ptr<RasterBitmap> g = Load(MakePng(gray));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(PixelsOf(*g),
            (std::vector<RasterPixel>{Argb(0x00, 7, 7, 7), Argb(0xFF, 8, 8, 8)}));
}
