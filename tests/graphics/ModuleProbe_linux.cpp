#include "tests/graphics/ModuleProbe.h"

#include <dlfcn.h>
#include <malloc.h>

#include <fstream>

bool ModuleProbe::Open(const std::string& path, const char* symbol)
{
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return false;
  run = reinterpret_cast<int (*)()>(dlsym(handle, symbol));
  return run != nullptr;
}

int ModuleProbe::Run()
{
  return run ? run() : -1;
}

void ModuleProbe::Close()
{
  if (handle) dlclose(handle);
  handle = nullptr;
  run = nullptr;
}

bool ModuleProbe::IsLoaded(const std::string& path)
{
  std::ifstream maps("/proc/self/maps");
  std::string line;
  const std::string name = path.substr(path.find_last_of('/') + 1);
  while (std::getline(maps, line))
    if (line.find(name) != std::string::npos) return true;
  return false;
}

ModuleProbe::Usage ModuleProbe::Measure()
{
  const struct mallinfo2 info = mallinfo2();
  return {(long long)(info.uordblks + info.hblkhd), 0};
}
