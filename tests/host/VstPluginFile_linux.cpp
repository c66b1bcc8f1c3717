#include <dlfcn.h>

#include "tests/host/VstTestHost.h"

VstPluginFile::~VstPluginFile() { Close(); }

std::string VstPluginFile::NativePath(const std::string& path) { return path; }

bool VstPluginFile::Open(const std::string& path) {
  Close();
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return false;
  for (const char* name : {"VSTPluginMain", "main"}) {
    if (void* symbol = dlsym(handle, name)) {
      entry = reinterpret_cast<VstPluginMainProc>(symbol);
      entryName = name;
      return true;
    }
  }
  Close();
  return false;
}

bool VstPluginFile::Exports(const char* symbol) const {
  return handle && dlsym(handle, symbol) != nullptr;
}

void VstPluginFile::Close() {
  if (handle) dlclose(handle);
  handle = nullptr;
  entry = nullptr;
  entryName.clear();
}
