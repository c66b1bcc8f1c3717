#include "tools/vst2-render/EditorCapture.h"

#include <chrono>
#include <memory>
#include <thread>

#include "tools/vst2-render/HostWindow.h"

namespace vrender {

namespace {

constexpr int kTickMilliseconds = 40;  // a host's idle period (Ardour's, and 25 a second)
constexpr int kFirstTicks = 8;         // the editor draws its first frames
constexpr int kMostTicks = 100;        // four seconds: a picture still changing is taken as it is

void Tick(PluginInstance& instance, HostWindow& window) {
  window.PumpEvents();
  instance.Dispatch(effEditIdle);
  window.PumpEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(kTickMilliseconds));
}

}  // namespace

bool EditorSize(PluginInstance& instance, int& width, int& height) {
  ERect* rect = nullptr;
  instance.Dispatch(effEditGetRect, 0, 0, &rect);
  if (!rect) return false;
  width = rect->right - rect->left;
  height = rect->bottom - rect->top;
  return width > 0 && height > 0;
}

bool CaptureEditor(PluginInstance& instance, EditorPicture& picture, std::string& error) {
  if (!(instance.Effect()->flags & effFlagsHasEditor)) {
    error = "the plug-in has no editor";
    return false;
  }
  int width = 0, height = 0;
  // Some plug-ins know their size only once the editor is open: ask again after.
  const bool sizeKnown = EditorSize(instance, width, height);
  std::unique_ptr<HostWindow> window = HostWindow::Create(sizeKnown ? width : 640, sizeKnown ? height : 480, error);
  if (!window) return false;
  if (instance.Dispatch(effEditOpen, 0, 0, window->ParentHandle()) == 0) {
    error = "the plug-in's editor did not open";
    return false;
  }
  int openWidth = 0, openHeight = 0;
  if (!EditorSize(instance, openWidth, openHeight)) {
    instance.Dispatch(effEditClose);
    error = "the plug-in's editor reports no size";
    return false;
  }
  if (openWidth != width || openHeight != height) {
    width = openWidth;
    height = openHeight;
    window->Resize(width, height);
  }

  std::vector<uint32_t> latest, now;
  bool captured = false, still = false;
  int ticks = 0;
  while (ticks < kMostTicks && !still) {
    Tick(instance, *window);
    ++ticks;
    if (ticks < kFirstTicks) continue;
    if (!window->Capture(width, height, now)) break;
    still = captured && now == latest;
    captured = true;
    latest.swap(now);
  }
  instance.Dispatch(effEditClose);
  window->PumpEvents();
  if (!captured) {
    error = "cannot read the editor's window back";
    return false;
  }
  picture.width = width;
  picture.height = height;
  picture.pixels.swap(latest);
  picture.ticks = ticks;
  return true;
}

}  // namespace vrender
