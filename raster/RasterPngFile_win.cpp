#include "raster/RasterPngFile.h"

#include <windows.h>

std::FILE* RasterPngOpenFile(const char* path)
{
  std::FILE* file = nullptr;
  // NT-family systems: open through the wide path so that any Unicode name works.
  if ((GetVersion() & 0x80000000u) == 0) {
    wchar_t wide[2048];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, 2048) != 0)
      file = _wfopen(wide, L"rb");
  }
  if (!file)
    file = std::fopen(path, "rb");
  return file;
}
