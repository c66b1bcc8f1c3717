#include "raster/RasterResource.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

std::atomic<RasterModuleHandle> recordedModule{nullptr};

// Tables register during static initialisation of each module; a module loaded later may
// do so while another thread looks something up, hence the lock.
std::mutex tableLock;
RasterResourceTable* tableList = nullptr;

RasterModuleHandle ModuleOf(const void* address)
{
  Dl_info info;
  if (dladdr(address, &info) == 0)
    return nullptr;
  return static_cast<RasterModuleHandle>(info.dli_fbase);
}

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
  // The object file holding this function is linked into the same module as the
  // generated resource table, so its load address names that module.
  module = ModuleOf(reinterpret_cast<const void*>(&RasterGetModuleHandle));
  recordedModule.store(module);
  return module;
}

void RasterRegisterResourceTable(RasterResourceTable* table)
{
  if (!table)
    return;
  table->module = ModuleOf(table);
  std::lock_guard<std::mutex> hold(tableLock);
  table->next = tableList;
  tableList = table;
}

bool RasterFindResource(RasterModuleHandle module, int id, const char* type,
                        const unsigned char** data, int* size)
{
  if (!module || !type || !data || !size)
    return false;
  const int wanted = id & 0xFFFF;
  std::lock_guard<std::mutex> hold(tableLock);
  for (const RasterResourceTable* table = tableList; table; table = table->next) {
    if (table->module != module)
      continue;
    for (int i = 0; i < table->count; ++i) {
      const RasterResourceEntry& entry = table->entries[i];
      if ((entry.id & 0xFFFF) == wanted && entry.type && std::strcmp(entry.type, type) == 0) {
        *data = entry.data;
        *size = entry.size;
        return true;
      }
    }
  }
  return false;
}
