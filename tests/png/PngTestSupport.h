#pragma once

#include "raster/RasterBitmap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Test data copied into the build tree at configure time.
std::string DataPath(const std::string& relative);
Bytes ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const Bytes& bytes);
// Creates the file whose name is the Unicode text of the UTF-8 `path` (on Windows through
// the wide path, so that no narrow fallback can find it under another name).
bool WriteFileBytesUtf8(const std::string& path, const Bytes& bytes);
// Lines of the manifest whose kind ("image", "crasher") matches, as relative paths.
std::vector<std::string> ManifestEntries(const std::string& kind);

// The bitmap's pixels, top row first, width per row (row span removed).
std::vector<RasterPixel> PixelsOf(RasterBitmap& bitmap);

// libpng's simplified API as the reference decoder: straight-alpha BGRA bytes, read as
// RasterPixel values. `flags` go into png_image.flags. Empty on failure.
struct Reference
{
  int width = 0, height = 0;
  std::vector<RasterPixel> pixels;
};
Reference DecodeWithSimplifiedApi(const Bytes& png, uint32_t flags);

// PNG chunks walked and rebuilt, for making and corrupting images.
struct PngChunk
{
  std::string type;
  Bytes data;
};
std::vector<PngChunk> SplitChunks(const Bytes& png); // empty when malformed
Bytes JoinChunks(const std::vector<PngChunk>& chunks); // signature, chunks with fresh CRCs
Bytes WithoutChunks(const Bytes& png, const std::vector<std::string>& types);

// A small PNG writer: IHDR, optional PLTE and tRNS, one IDAT of filter-0 rows.
struct PngRecipe
{
  uint32_t width = 1, height = 1;
  int bitDepth = 8;
  int colorType = 2; // 0 gray, 2 RGB, 3 palette, 4 gray+alpha, 6 RGBA
  Bytes palette;     // RGB triples
  Bytes transparency;
  Bytes rows;        // raw scanlines without filter bytes, packed as the format says
  int filterType = 0; // written before every scanline
};
Bytes MakePng(const PngRecipe& recipe);

uint32_t Crc32(const std::string& type, const Bytes& data);
