#pragma once

#include "raster/RasterBitmap.h"
#include "raster/RasterResource.h"

#include <cstdint>

// PNG decoding into 32-bit bitmaps. Every loader takes an optional target bitmap: when
// given, it is resized to the image and returned on success (it stays the caller's); when
// null, a new RasterMemBitmap (row alignment 4) is made and the caller owns it. Any
// failure answers null. Pixels come out as RasterPixel (bytes blue, green, red, alpha),
// alpha straight; images without transparency get alpha 255.
//
// The loaders keep no state between calls: any thread may load at any time, as long as a
// shared target bitmap is not handed to two loads at once.

// The read cursor libpng draws from when decoding from memory.
struct RasterPngMemorySource
{
  const unsigned char* current;
  int32_t remaining;
};

// One image-file handler in the process-wide list of handlers.
struct RasterImageFileHandler
{
  RasterBitmap* (*open)(const char* path, bool checkExtension, RasterBitmap* target);
  const char* (*filter)();
  RasterImageFileHandler* next;
};

// Head of the handler list: null at load; handlers prepend their static records during
// static initialisation and nothing changes it afterwards.
extern RasterImageFileHandler* RasterImageFileHandlerList;

// Image resource `resourceId` (low 16 bits) of type "PNG" in `module`.
// any thread
RasterBitmap* RasterLoadPngResource(RasterModuleHandle module, int resourceId,
                                    RasterBitmap* target);

// `byteCount` bytes of PNG data at `data`.
// any thread
RasterBitmap* RasterLoadPngMemory(const void* data, int32_t byteCount, RasterBitmap* target);

// The file at the UTF-8 `path`. Unlike the other loaders, rows follow a flipped target's
// orientation, so image row 0 is always the bitmap's top row.
// any thread
RasterBitmap* RasterLoadPngFile(const char* path, RasterBitmap* target);

// The PNG handler's open function: with `checkExtension`, refuses paths whose last
// '.', '/' or '\\' does not start the text ".png" (any case).
// any thread
RasterBitmap* RasterPngFileHandlerOpen(const char* path, bool checkExtension,
                                       RasterBitmap* target);

// "PNG files (*.PNG)\0*.PNG\0\0": description and pattern, as file dialogs take them.
// any thread
const char* RasterPngFileHandlerFilter();
