#include "raster/RasterResource.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<RasterModuleHandle> recordedModule{nullptr};
} // namespace

void RasterSetModuleHandle(RasterModuleHandle module)
{
  recordedModule.store(module);
}

RasterModuleHandle RasterGetModuleHandle()
{
  RasterModuleHandle module = recordedModule.load();
  if (module)
    return module;
  // No load routine recorded one (a test program): the module containing this code.
  HMODULE found = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&RasterGetModuleHandle), &found))
    return nullptr;
  module = reinterpret_cast<RasterModuleHandle>(found);
  recordedModule.store(module);
  return module;
}

// Windows modules carry their resources themselves; there are no generated tables.
void RasterRegisterResourceTable(RasterResourceTable*) {}

bool RasterFindResource(RasterModuleHandle module, int id, const char* type,
                        const unsigned char** data, int* size)
{
  if (!type || !data || !size)
    return false;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(module);
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id & 0xFFFF), type);
  if (!found)
    return false;
  const DWORD bytes = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const void* locked = loaded ? LockResource(loaded) : nullptr;
  if (!locked || bytes > 0x7FFFFFFF)
    return false;
  *data = static_cast<const unsigned char*>(locked);
  *size = static_cast<int>(bytes);
  return true;
}
