#include "tests/graphics/ModuleProbe.h"

#include <windows.h>

bool ModuleProbe::Open(const std::string& path, const char* symbol)
{
  HMODULE module = LoadLibraryA(path.c_str());
  handle = module;
  if (!module) return false;
  run = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(module, symbol)));
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
  // Committed private memory, summed region by region (Wine answers 0 for the process
  // memory counters, but its address-space queries are exact).
  long long committed = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;
       address = (const char*)info.BaseAddress + info.RegionSize)
  {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) committed += (long long)info.RegionSize;
    if ((const char*)info.BaseAddress + info.RegionSize < address) break;
  }
  return {committed, (long long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)};
}
