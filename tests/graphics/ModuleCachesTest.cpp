// The process-wide caches belong to the module that holds them: loading a module, letting
// it fill its caches and unloading it, again and again, leaves no memory (nor, on Windows,
// GDI objects) behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/graphics/ModuleProbe.h"

namespace {

TEST(ModuleCaches, AreFreedWhenTheModuleIsUnloaded) {
  const std::string path = VOSS_CACHE_MODULE;
  const int kCycles = 12;
  ModuleProbe::Usage before{}, loaded{}, after{};
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    ModuleProbe module;
    ASSERT_TRUE(module.Open(path)) << path;
    // The first cycle settles what the process sets up once (loader and runtime state).
    if (cycle == 1) before = ModuleProbe::Measure();
    EXPECT_EQ(module.Run(), 5 * 10 + 1);  // five images, one font, however many instances
    if (cycle == 1) loaded = ModuleProbe::Measure();
    module.Close();
    EXPECT_FALSE(ModuleProbe::IsLoaded(path)) << "cycle " << cycle;
  }
  after = ModuleProbe::Measure();
  std::printf("heap: %lld before, %lld loaded, %lld after %d cycles; GDI objects %lld -> %lld\n", before.heapBytes,
              loaded.heapBytes, after.heapBytes, kCycles - 1, before.gdiObjects, after.gdiObjects);
  // One cycle's images alone take over 6 MB (the knob's filmstrip is 124 x 12524 pixels).
  EXPECT_GT(loaded.heapBytes - before.heapBytes, 6'000'000) << "the measure does not see the caches";
  EXPECT_LT(after.heapBytes - before.heapBytes, 512 * 1024) << "over " << kCycles - 1 << " cycles";
  EXPECT_LE(after.gdiObjects, before.gdiObjects);
}

}  // namespace
