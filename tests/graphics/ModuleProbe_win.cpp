#include "tests/graphics/ModuleProbe.h"

#include <windows.h>
#include <psapi.h>

bool ModuleProbe::Open(const std::string& path)
{
  HMODULE module = LoadLibraryA(path.c_str());
  handle = module;
  if (!module) return false;
  run = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(module, "VossCacheModuleRun")));
  return run != nullptr;
}

int ModuleProbe::Run()
{
  return run ? run() : -1;
}

void ModuleProbe::Close()
{
  if (handle) FreeLibrary((HMODULE)handle);
  handle = nullptr;
  run = nullptr;
}

bool ModuleProbe::IsLoaded(const std::string& path)
{
  return GetModuleHandleA(path.c_str()) != nullptr;
}

ModuleProbe::Usage ModuleProbe::Measure()
{
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters);
  return {(long long)counters.PrivateUsage, (long long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)};
}
