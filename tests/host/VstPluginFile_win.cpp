#include <windows.h>

#include "tests/host/VstTestHost.h"

VstPluginFile::~VstPluginFile() { Close(); }

// Wine maps drive Z: to the Unix root, so a Unix path becomes Z:\ plus the path.
std::string VstPluginFile::NativePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:";
  for (char c : path) result += (c == '/') ? '\\' : c;
  return result;
}

bool VstPluginFile::Open(const std::string& path) {
  Close();
  HMODULE module = LoadLibraryA(NativePath(path).c_str());
  if (!module) return false;
  handle = module;
  for (const char* name : {"VSTPluginMain", "main"}) {
    if (FARPROC symbol = GetProcAddress(module, name)) {
      entry = reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(symbol));
      entryName = name;
      return true;
    }
  }
  Close();
  return false;
}

bool VstPluginFile::Exports(const char* symbol) const {
  return handle && GetProcAddress(static_cast<HMODULE>(handle), symbol) != nullptr;
}

void VstPluginFile::Close() {
  if (handle) FreeLibrary(static_cast<HMODULE>(handle));
  handle = nullptr;
  entry = nullptr;
  entryName.clear();
}
