// libFuzzer entry for the state load exchange. Built in the clang fuzzing tree with the
// other fuzz targets (tests/fuzz) and run by scripts/fuzz.sh.
#include <cstdio>
#include <cstdlib>

#include "tests/plugin/fuzz/StateLoadFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const char* why = "";
  if (!CheckStateLoad(data, size, &why))
  {
    std::fprintf(stderr, "state load invariant broken: %s\n", why);
    std::abort();
  }
  return 0;
}
