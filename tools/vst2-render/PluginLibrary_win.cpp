#include "tools/vst2-render/PluginLibrary.h"

#include <windows.h>

#include "tools/vst2-render/Platform.h"

namespace vrender {

PluginLibrary::~PluginLibrary() { Unload(); }

bool PluginLibrary::Load(const std::string& path, std::string& error) {
  Unload();
  if (!FileExists(path)) {
    error = "plug-in file '" + path + "' does not exist";
    return false;
  }
  if (IsDirectory(path)) {
    error = "plug-in path '" + path + "' is a directory, not a plug-in library";
    return false;
  }
  int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], n);
  // No "cannot load" message box for a file that is not a DLL: the tool reports it itself.
  UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  DWORD code = module ? 0 : GetLastError();
  SetErrorMode(previousMode);
  if (!module) {
    error = "'" + path + "' is not a loadable plug-in library (Windows error " +
            std::to_string(static_cast<unsigned long>(code)) + ")";
    return false;
  }
  handle = module;
  for (const char* name : {"VSTPluginMain", "main"}) {
    if (FARPROC symbol = GetProcAddress(module, name)) {
      entry = reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void*>(symbol));
      entryName = name;
      return true;
    }
  }
  error = "'" + path + "' exports neither VSTPluginMain nor main: not a VST 2 plug-in";
  Unload();
  return false;
}

void PluginLibrary::Unload() {
  if (handle) FreeLibrary(static_cast<HMODULE>(handle));
  handle = nullptr;
  entry = nullptr;
  entryName.clear();
}

}  // namespace vrender
