// libFuzzer entry for the state load exchange. Not part of the CMake build (it needs
// clang); build and run from the repository root with:
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I. \
//     tests/plugin/fuzz/state_load_libfuzzer.cpp tests/plugin/fuzz/StateLoadFuzz.cpp \
//     $(ls plugin/*.cpp | grep -v _win.cpp) -o build/state_load_fuzzer
//   build/state_load_fuzzer -runs=1000000
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
