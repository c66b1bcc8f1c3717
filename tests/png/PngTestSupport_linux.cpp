#include "tests/png/PngTestSupport.h"

bool WriteFileBytesUtf8(const std::string& path, const Bytes& bytes)
{
  return WriteFileBytes(path, bytes); // Linux names are bytes
}
