#include "tools/vst2-render/HostWindow.h"

namespace vrender {

std::unique_ptr<HostWindow> HostWindow::Create(int width, int height, std::string& error) {
  // An editor rectangle beyond any screen is a plug-in's mistake, not a window to make.
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    error = "the editor asks for a window of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return nullptr;
  }
  return CreateForPlatform(width, height, error);
}

}  // namespace vrender
