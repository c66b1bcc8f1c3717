#include "raster/RasterPngFile.h"

std::FILE* RasterPngOpenFile(const char* path)
{
  // Linux paths are bytes; UTF-8 needs no conversion.
  return std::fopen(path, "rb");
}
