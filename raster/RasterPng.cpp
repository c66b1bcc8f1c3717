#include "raster/RasterPng.h"

#include "raster/RasterMemBitmap.h"
#include "raster/RasterPngFile.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

RasterImageFileHandler* RasterImageFileHandlerList = nullptr;

namespace {

// libpng's jump buffer is sized by us; never smaller than the platform's jmp_buf.
constexpr size_t kJumpBufferBytes = sizeof(jmp_buf) > 256 ? sizeof(jmp_buf) : 256;

struct MemoryReader;

// Everything the decode needs to keep across libpng's jump back to the recovery point.
// It lives in the caller's frame, outside the function that calls setjmp, and holds no
// object with a destructor: after a jump the caller releases what it points to.
struct PngDecodeJob
{
  // input
  MemoryReader* memory;          // memory case, else null
  std::FILE* file;               // file case, else null
  RasterBitmap* target;
  // results
  RasterBitmap* bitmap;      // the target or the bitmap made here, once sized
  RasterMemBitmap* created;  // the bitmap made here, released on failure
  png_bytep* rows;           // row table, always released
};

// How many bytes past the end the memory reader delivers as zeros before it gives up.
// Zeros let libpng judge a truncated image by its own checks (a cut header, checksum or
// data block), but a chunk length damaged into hundreds of megabytes would otherwise have
// libpng chew through that many phantom zeros before it fails.
constexpr int64_t kMaxBytesPastEnd = 64 * 1024;

// The memory cursor and what was delivered beyond its end. The cursor comes first: libpng's
// input pointer is the address of both.
struct MemoryReader
{
  RasterPngMemorySource source;
  int64_t pastEnd;
};

// libpng pulls bytes through this. Past the end it delivers zeros instead of reporting an
// error, so libpng's own checks on what it reads decide whether decoding fails; only a
// read far beyond the end stops the decode.
void ReadFromMemory(png_structp png, png_bytep buffer, size_t count)
{
  MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  RasterPngMemorySource* source = &reader->source;
  std::memset(buffer, 0, count);
  size_t copied = count;
  if (copied > (size_t)source->remaining)
    copied = (size_t)source->remaining;
  if (copied > 0)
    std::memcpy(buffer, source->current, copied);
  source->current += copied;
  source->remaining -= (int32_t)copied;
  reader->pastEnd += (int64_t)(count - copied);
  if (reader->pastEnd > kMaxBytesPastEnd)
    png_error(png, "Read far past the end of the data");
}

// Asks libpng for 4-byte alpha, red, green, blue rows whatever the stored format.
void SetTransforms(png_structp png, png_infop info, int bitDepth, int colorType)
{
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (hasTransparency)
    png_set_tRNS_to_alpha(png);
  if (bitDepth == 16)
    png_set_strip_16(png); // keeps the high byte of each sample
  if (bitDepth < 8)
    png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  // A tRNS chunk gives the rows an alpha channel just as an alpha colour type does, so it
  // must move to the front the same way; a filler would find no room and leave red first.
  if ((colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTransparency)
    png_set_swap_alpha(png);
  else
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
}

// The image's size in a bitmap of row alignment 4 must stay addressable with int byte
// counts, as the rest of the raster library computes them.
bool SizeFits(png_uint_32 width, png_uint_32 height)
{
  if (width == 0 || height == 0 || width > (png_uint_32)INT_MAX - 3 || height > (png_uint_32)INT_MAX)
    return false;
  const unsigned long long span = ((unsigned long long)width + 3) & ~3ull;
  return (unsigned long long)height * span * 4 <= (unsigned long long)INT_MAX;
}

// True when `bitmap` has exactly the image's size and pixels to hold it.
bool BitmapHolds(RasterBitmap* bitmap, int width, int height)
{
  return bitmap->GetWidth() == width && bitmap->GetHeight() == height &&
         bitmap->GetBits() != nullptr && bitmap->GetRowSpan() >= width;
}

// Steps 4 to 9: attach the input, read the header, set the transforms, size the bitmap and
// let libpng write every row straight into it. Answers false on failure; a libpng error
// jumps back to the recovery point here. Only `job` carries state across that jump.
bool ReadIntoBitmap(png_structp png, png_infop info, PngDecodeJob* job)
{
  jmp_buf* recovery = png_set_longjmp_fn(png, longjmp, kJumpBufferBytes);
  if (!recovery)
    return false;
  if (setjmp(*recovery))
    return false;

  if (job->file)
    png_init_io(png, job->file);
  else
    png_set_read_fn(png, job->memory, ReadFromMemory);
  // The decode uses no ancillary chunk but tRNS, which libpng keeps handling. Skipping the
  // others unread also spares a few bytes that declare a 1 GB text chunk from making libpng
  // allocate and clear that much before it finds the data missing (its size limit on
  // chunks only warns).
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, &compression,
               &filter);
  SetTransforms(png, info, bitDepth, colorType);

  // Confirm that the transforms yield exactly four bytes a pixel before any row is
  // written into the bitmap.
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (!SizeFits(width, height) || png_get_rowbytes(png, info) != (size_t)width * 4)
    return false;

  const int w = (int)width, h = (int)height;
  if (job->target) {
    job->target->Resize(w, h);
    if (!BitmapHolds(job->target, w, h))
      return false;
    job->bitmap = job->target;
  } else {
    job->created = new (std::nothrow) RasterMemBitmap(w, h, 4);
    if (!job->created || !BitmapHolds(job->created, w, h))
      return false;
    job->bitmap = job->created;
  }

  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * (size_t)h));
  if (!job->rows)
    return false;
  RasterBitmap* bitmap = job->bitmap;
  const ptrdiff_t span = (ptrdiff_t)bitmap->GetRowSpan() * 4;
  png_bytep row = reinterpret_cast<png_bytep>(bitmap->GetBits());
  ptrdiff_t step = span;
  // Only files follow the target's orientation; memory rows are always top-down.
  if (job->file && bitmap->IsFlipped()) {
    row += (ptrdiff_t)(bitmap->GetHeight() - 1) * span;
    step = -span;
  }
  for (int i = 0; i < h; ++i, row += step)
    job->rows[i] = row;

  png_read_image(png, job->rows);
  return true;
}

// Alpha, red, green, blue in memory order becomes the native word 0xAARRGGBB, that is the
// bytes blue, green, red, alpha on a little-endian machine: one byte swap per pixel.
void ReorderChannels(png_bytep* rows, int width, int height)
{
  for (int y = 0; y < height; ++y) {
    unsigned char* p = rows[y];
    for (int x = 0; x < width; ++x, p += 4) {
      const uint32_t v = (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 |
                         (uint32_t)p[3];
      std::memcpy(p, &v, 4);
    }
  }
}

// The decode common to memory and files. The caller owns and closes the file.
RasterBitmap* DecodePng(MemoryReader* memory, std::FILE* file, RasterBitmap* target)
{
  // The version text is the linked library's own: libpng refuses any older one.
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png)
    return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }

  PngDecodeJob job = {memory, file, target, nullptr, nullptr, nullptr};
  const bool ok = ReadIntoBitmap(png, info, &job);
  png_destroy_read_struct(&png, &info, nullptr);

  RasterBitmap* result = nullptr;
  if (ok) {
    ReorderChannels(job.rows, job.bitmap->GetWidth(), job.bitmap->GetHeight());
    result = job.bitmap;
  } else {
    delete job.created;
  }
  std::free(job.rows);
  return result;
}

bool EqualsIgnoringCase(const char* a, const char* b)
{
  for (;; ++a, ++b) {
    char x = *a, y = *b;
    if (x >= 'A' && x <= 'Z')
      x = (char)(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = (char)(y - 'A' + 'a');
    if (x != y)
      return false;
    if (x == 0)
      return true;
  }
}

RasterImageFileHandler pngFileHandler = {RasterPngFileHandlerOpen, RasterPngFileHandlerFilter,
                                         nullptr};

// Linked in at static initialisation; the list head is constant-initialised to null, so
// the order relative to other handlers' registration does not matter.
const bool pngFileHandlerRegistered = [] {
  pngFileHandler.next = RasterImageFileHandlerList;
  RasterImageFileHandlerList = &pngFileHandler;
  return true;
}();

} // namespace

RasterBitmap* RasterLoadPngResource(RasterModuleHandle module, int resourceId,
                                    RasterBitmap* target)
{
  const unsigned char* data = nullptr;
  int size = 0;
  if (!RasterFindResource(module, resourceId & 0xFFFF, "PNG", &data, &size))
    return nullptr;
  if (size < 8)
    return nullptr;
  // The resource stays mapped with the module; nothing to free.
  return RasterLoadPngMemory(data, size, target);
}

RasterBitmap* RasterLoadPngMemory(const void* data, int32_t byteCount, RasterBitmap* target)
{
  if (!data || byteCount < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0)
    return nullptr;
  MemoryReader reader = {{static_cast<const unsigned char*>(data), byteCount}, 0};
  return DecodePng(&reader, nullptr, target);
}

RasterBitmap* RasterLoadPngFile(const char* path, RasterBitmap* target)
{
  if (!path)
    return nullptr;
  std::FILE* file = RasterPngOpenFile(path);
  if (!file)
    return nullptr;
  RasterBitmap* result = DecodePng(nullptr, file, target);
  std::fclose(file);
  return result;
}

RasterBitmap* RasterPngFileHandlerOpen(const char* path, bool checkExtension,
                                       RasterBitmap* target)
{
  if (!path)
    return nullptr;
  if (checkExtension) {
    const size_t length = std::strlen(path);
    if (length == 0)
      return nullptr;
    const char* p = path + length - 1;
    while (p > path && *p != '.' && *p != '/' && *p != '\\')
      --p;
    if (!EqualsIgnoringCase(p, ".png"))
      return nullptr;
  }
  return RasterLoadPngFile(path, target);
}

const char* RasterPngFileHandlerFilter()
{
  // The literal's own terminator supplies the second NUL at the end.
  return "PNG files (*.PNG)\0*.PNG\0";
}
