#include "tests/png/PngTestSupport.h"

#include <windows.h>

#include <cstdio>

bool WriteFileBytesUtf8(const std::string& path, const Bytes& bytes)
{
  wchar_t wide[2048];
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide, 2048) == 0)
    return false;
  std::FILE* f = _wfopen(wide, L"wb");
  if (!f)
    return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}
