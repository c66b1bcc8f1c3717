#include "tests/png/PngTestSupport.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

std::string DataPath(const std::string& relative)
{
  return std::string(VOSS_PNG_TEST_DATA) + "/" + relative;
}

Bytes ReadFileBytes(const std::string& path)
{
  Bytes bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    return bytes;
  unsigned char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes)
{
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::string> ManifestEntries(const std::string& kind)
{
  std::vector<std::string> result;
  std::ifstream in(DataPath("manifest.txt"));
  std::string k, path;
  while (in >> k >> path)
    if (k == kind)
      result.push_back(path);
  return result;
}

std::vector<RasterPixel> PixelsOf(RasterBitmap& bitmap)
{
  std::vector<RasterPixel> pixels;
  const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
  RasterPixel* bits = bitmap.GetBits();
  if (!bits)
    return pixels;
  for (int y = 0; y < h; ++y) {
    const RasterPixel* row =
        RasterRowPointer(bits, h, bitmap.GetRowSpan(), bitmap.IsFlipped(), y);
    pixels.insert(pixels.end(), row, row + w);
  }
  return pixels;
}

Reference DecodeWithSimplifiedApi(const Bytes& png, uint32_t flags)
{
  Reference ref;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
    return ref;
  image.flags |= flags;
  image.format = PNG_FORMAT_BGRA;
  std::vector<unsigned char> buffer(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) {
    png_image_free(&image);
    return ref;
  }
  ref.width = (int)image.width;
  ref.height = (int)image.height;
  ref.pixels.resize((size_t)ref.width * ref.height);
  for (size_t i = 0; i < ref.pixels.size(); ++i) {
    const unsigned char* p = &buffer[i * 4];
    ref.pixels[i] = RasterPackPixel(p[2], p[1], p[0], p[3]);
  }
  return ref;
}

namespace {
const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t ReadBigEndian(const unsigned char* p)
{
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

void AppendBigEndian(Bytes& out, uint32_t v)
{
  out.push_back((unsigned char)(v >> 24));
  out.push_back((unsigned char)(v >> 16));
  out.push_back((unsigned char)(v >> 8));
  out.push_back((unsigned char)v);
}
} // namespace

uint32_t Crc32(const std::string& type, const Bytes& data)
{
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty())
    crc = crc32(crc, data.data(), (uInt)data.size());
  return (uint32_t)crc;
}

std::vector<PngChunk> SplitChunks(const Bytes& png)
{
  std::vector<PngChunk> chunks;
  if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0)
    return chunks;
  size_t p = 8;
  while (p + 12 <= png.size()) {
    const uint32_t length = ReadBigEndian(&png[p]);
    if (length > png.size() - p - 12)
      return {};
    PngChunk c;
    c.type.assign(reinterpret_cast<const char*>(&png[p + 4]), 4);
    c.data.assign(png.begin() + (ptrdiff_t)p + 8, png.begin() + (ptrdiff_t)(p + 8 + length));
    chunks.push_back(c);
    p += 12 + length;
  }
  return chunks;
}

Bytes JoinChunks(const std::vector<PngChunk>& chunks)
{
  Bytes out(kSignature, kSignature + 8);
  for (const PngChunk& c : chunks) {
    AppendBigEndian(out, (uint32_t)c.data.size());
    out.insert(out.end(), c.type.begin(), c.type.end());
    out.insert(out.end(), c.data.begin(), c.data.end());
    AppendBigEndian(out, Crc32(c.type, c.data));
  }
  return out;
}

Bytes WithoutChunks(const Bytes& png, const std::vector<std::string>& types)
{
  std::vector<PngChunk> kept;
  for (const PngChunk& c : SplitChunks(png)) {
    bool drop = false;
    for (const std::string& t : types)
      drop = drop || c.type == t;
    if (!drop)
      kept.push_back(c);
  }
  return JoinChunks(kept);
}

Bytes MakePng(const PngRecipe& recipe)
{
  std::vector<PngChunk> chunks;
  PngChunk ihdr{"IHDR", {}};
  AppendBigEndian(ihdr.data, recipe.width);
  AppendBigEndian(ihdr.data, recipe.height);
  ihdr.data.push_back((unsigned char)recipe.bitDepth);
  ihdr.data.push_back((unsigned char)recipe.colorType);
  ihdr.data.push_back(0); // deflate
  ihdr.data.push_back(0); // adaptive filtering
  ihdr.data.push_back(0); // not interlaced
  chunks.push_back(ihdr);
  if (!recipe.palette.empty())
    chunks.push_back({"PLTE", recipe.palette});
  if (!recipe.transparency.empty())
    chunks.push_back({"tRNS", recipe.transparency});

  const int channels = recipe.colorType == 0 || recipe.colorType == 3 ? 1
                       : recipe.colorType == 4                      ? 2
                       : recipe.colorType == 2                      ? 3
                                                                  : 4;
  const size_t rowBytes = ((size_t)recipe.width * channels * recipe.bitDepth + 7) / 8;
  Bytes raw;
  for (uint32_t y = 0; y < recipe.height; ++y) {
    raw.push_back((unsigned char)recipe.filterType);
    for (size_t i = 0; i < rowBytes; ++i) {
      const size_t at = y * rowBytes + i;
      raw.push_back(at < recipe.rows.size() ? recipe.rows[at] : 0);
    }
  }
  uLongf packedSize = compressBound((uLong)raw.size());
  Bytes packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), (uLong)raw.size());
  packed.resize(packedSize);
  chunks.push_back({"IDAT", packed});
  chunks.push_back({"IEND", {}});
  return JoinChunks(chunks);
}
