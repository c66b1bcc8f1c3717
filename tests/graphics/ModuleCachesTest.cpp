// The process-wide caches belong to the module that holds them: loading a module, letting
// it fill its caches and unloading it, again and again, leaves no memory (nor, on Windows,
// GDI objects) behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/graphics/ModuleProbe.h"

namespace {

// Loads, runs and unloads the module cycles times; the growth of the process's memory from
// the end of the second cycle on, and the memory in use while the second cycle's module
// was loaded.
struct Cycles {
  ModuleProbe::Usage before{}, loaded{}, after{};
  long long Growth() const { return after.heapBytes - before.heapBytes; }
};

Cycles RunCycles(const std::string& path, int cycles, int expected, const char* symbol = "VossCacheModuleRun") {
  Cycles m;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    ModuleProbe module;
    EXPECT_TRUE(module.Open(path, symbol)) << path;
    // The first cycle settles what the process sets up once (loader and runtime state).
    if (cycle == 1) m.before = ModuleProbe::Measure();
    if (expected >= 0) EXPECT_EQ(module.Run(), expected);
    if (cycle == 1) m.loaded = ModuleProbe::Measure();
    module.Close();
    EXPECT_FALSE(ModuleProbe::IsLoaded(path)) << "cycle " << cycle;
  }
  m.after = ModuleProbe::Measure();
  return m;
}

TEST(ModuleCaches, AreFreedWhenTheModuleIsUnloaded) {
  const int kCycles = 16;
  // A module of the same code that never runs it: what loading alone costs.
  const Cycles empty = RunCycles(VOSS_EMPTY_MODULE, kCycles, 0);
  // Five images and one font, however many instances and editors use them.
  const Cycles caches = RunCycles(VOSS_CACHE_MODULE, kCycles, 5 * 10 + 1);
  std::printf("over %d cycles: %lld bytes kept with the caches, %lld without; %lld in use while loaded; "
              "GDI objects %lld -> %lld\n",
              kCycles - 2, caches.Growth(), empty.Growth(), caches.loaded.heapBytes - caches.before.heapBytes,
              caches.before.gdiObjects, caches.after.gdiObjects);
  // One cycle's images alone take over 6 MB (the knob's filmstrip is 124 x 12524 pixels),
  // one font with its glyphs some tens of kilobytes.
  EXPECT_GT(caches.loaded.heapBytes - caches.before.heapBytes, 6'000'000) << "the measure does not see the caches";
  EXPECT_LT(empty.Growth(), 512 * 1024);
  EXPECT_LT(caches.Growth() - empty.Growth(), 512 * 1024);
  EXPECT_LE(caches.after.gdiObjects, caches.before.gdiObjects);
}

TEST(ModuleCaches, ThePlugInModuleLeavesNothingBehindWhenUnloaded) {
  const Cycles product = RunCycles(VOSS_PLUGIN_MODULE, 16, -1, "VSTPluginMain");
  std::printf("the plug-in module kept %lld bytes over 14 cycles\n", product.Growth());
  EXPECT_LT(product.Growth(), 512 * 1024);
}

}  // namespace
