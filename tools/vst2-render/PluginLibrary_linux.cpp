#include "tools/vst2-render/PluginLibrary.h"

#include <dlfcn.h>

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
  // dlopen only searches the library path for names without a slash.
  std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
  handle = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = "'" + path + "' is not a loadable plug-in library (" +
            (reason ? std::string(reason) : std::string("unknown reason")) + ")";
    return false;
  }
  for (const char* name : {"VSTPluginMain", "main"}) {
    if (void* symbol = dlsym(handle, name)) {
      entry = reinterpret_cast<VstPluginMainProc>(symbol);
      entryName = name;
      return true;
    }
  }
  error = "'" + path + "' exports neither VSTPluginMain nor main: not a VST 2 plug-in";
  Unload();
  return false;
}

void PluginLibrary::Unload() {
  if (handle) dlclose(handle);
  handle = nullptr;
  entry = nullptr;
  entryName.clear();
}

}  // namespace vrender
