// A plug-in library file opened by the host, with its VST 2.4 entry point resolved.
#pragma once

#include <string>

#include "vst/vst2_abi.h"

namespace vrender {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library and resolves "VSTPluginMain", else "main". On failure returns false
  // with a one-line reason in 'error' and leaves nothing loaded.
  bool Load(const std::string& path, std::string& error);
  void Unload();

  VstPluginMainProc Entry() const { return entry; }
  // Which exported name was found ("VSTPluginMain" or "main").
  const std::string& EntryName() const { return entryName; }

 private:
  void* handle = nullptr;
  VstPluginMainProc entry = nullptr;
  std::string entryName;
};

}  // namespace vrender
