// Opens a plug-in's editor in a host window of the tool's own, lets it run as a host's idle
// calls would, and reads its pixels back: what --editor-png writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vst2-render/PluginInstance.h"

namespace vrender {

struct EditorPicture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
  int ticks = 0;                 // effEditIdle calls before the picture held still
};

// The editor's rectangle from effEditGetRect; false when the plug-in gives none.
bool EditorSize(PluginInstance& instance, int& width, int& height);

// Opens the editor, ticks it (effEditIdle every 40 ms, as hosts do) until two pictures in a
// row agree or a few seconds passed, captures it and closes it again. On failure returns
// false with a one-line reason.
bool CaptureEditor(PluginInstance& instance, EditorPicture& picture, std::string& error);

}  // namespace vrender
