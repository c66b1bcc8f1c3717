#include "tests/graphics/HeadlessCanvas.h"

#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "plugin/IText.h"
#include "raster/RasterResource.h"

HeadlessCanvas::HeadlessCanvas(IPlugBase* plug, int width, int height, int framesPerSecond)
  : IEditorCanvas(plug, width, height, framesPerSecond)
{
}

bool HeadlessCanvas::PresentArea(const IPixelRect& rect)
{
  presented.push_back(rect);
  return presentResult;
}

IPopupMenu* HeadlessCanvas::ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area)
{
  captureIndex = -1;
  lastMouseX = -1;
  std::vector<MenuItem> shown;
  char text[256];
  for (int i = 0; i < menu->NItems(); ++i)
  {
    menu->FormatItemText(i, text, sizeof text);
    shown.push_back({text, menu->GetItem(i)->flags});
  }
  menus.push_back(shown);
  menuAreas.push_back(area);
  if (menuChoice < 0 || menuChoice >= menu->NItems()) return nullptr;
  menu->chosenIndex = menuChoice;
  return menu;
}

void HeadlessCanvas::OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area,
                                   const char* text, IPlugParam* parameter)
{
  if (!control) return;
  textEntries.push_back({control, textStyle, area, text ? text : "", parameter});
}

void HeadlessCanvas::CommitTextEntry(const char* text)
{
  if (textEntries.empty()) return;
  const TextEntry& entry = textEntries.back();
  CommitEnteredText(entry.control, entry.parameter, text);
}

void HeadlessCanvas::GetHostPath(IText* out)
{
  out->Set("");
}

void HeadlessCanvas::GetPluginPath(IText* out)
{
  out->Set("");
}

void HeadlessCanvas::PromptForFile(IText* out, int, IText*, const char*)
{
  if (!window) out->Set("");
}

bool HeadlessCanvas::PromptForColour(IPixelColor*, const char*)
{
  return false;
}

bool HeadlessCanvas::OpenUrl(const char*, const char*, const char*, const char*)
{
  return false;
}

void* HeadlessCanvas::OpenWindow(void* parent)
{
  window = parent ? parent : this;
  MarkAllControlsDirty();
  return window;
}

RasterBitmap* HeadlessCanvas::LoadBitmapResource(int resourceId, const char* name)
{
  ++resourceLoads;
  return LoadPngResourceNamed(RasterGetModuleHandle(), resourceId, name);
}

bool HeadlessCanvas::Tick()
{
  IPixelRect area;
  if (!CollectDirtyArea(&area)) return false;
  RedrawArea(area);
  return true;
}
