// Any NUL-terminated bytes walked as UTF-8 the way text drawing walks them: every step
// moves 1 to 4 bytes, never past the terminator, and yields a 16-bit code. (The decoder
// takes 0xC0 as a continuation byte and the multibyte test does not; both are as intended,
// so the two are not compared.)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/RasterCachedFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy: a read past the terminator is a heap overflow the sanitizer sees.
  std::vector<unsigned char> text(data, data + size);
  text.push_back(0);
  const size_t length = std::strlen(reinterpret_cast<const char*>(text.data()));
  size_t at = 0;
  while (at < length) {
    int code = -1;
    const int used = RasterUtf8Decode(text.data() + at, &code);
    if (used < 1 || used > 4 || at + static_cast<size_t>(used) > length || code < 0 || code > 0xFFFF) {
      std::fprintf(stderr, "at byte %zu: %d bytes, code %d\n", at, used, code);
      std::abort();
    }
    at += static_cast<size_t>(used);
  }
  RasterUtf8HasMultibyte(reinterpret_cast<const char*>(text.data()));  // reads to the terminator only
  return 0;
}
