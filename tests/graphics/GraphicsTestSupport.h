#pragma once

#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "tests/graphics/HeadlessCanvas.h"
#include "tests/plugin/TestPlug.h"

// A control that writes every call it gets into a shared log as "name:call".
class RecordingControl : public IControl
{
public:
  RecordingControl(IPlugBase* plug, const IPixelRect& bounds, int paramIndex, std::vector<std::string>* log,
                   const char* name)
    : IControl(plug, bounds, paramIndex, nullptr), log(log), name(name)
  {
  }
  ~RecordingControl() override { Note("deleted"); }

  void HandlePress(int x, int y, const IMouseKeys& keys) override
  {
    Note("press " + std::to_string(x) + "," + std::to_string(y));
    IControl::HandlePress(x, y, keys);
  }
  void HandleRelease(int x, int y, const IMouseKeys&) override
  {
    Note("release " + std::to_string(x) + "," + std::to_string(y));
  }
  void HandleDrag(int, int, int dX, int dY, const IMouseKeys&) override
  {
    Note("drag " + std::to_string(dX) + "," + std::to_string(dY));
  }
  void HandleDoubleClick(int x, int y, const IMouseKeys& keys) override
  {
    Note("double");
    IControl::HandleDoubleClick(x, y, keys);
  }
  void HandleWheel(int, int, const IMouseKeys&, int delta) override { Note("wheel " + std::to_string(delta)); }
  bool HandleKey(int, int, int key) override
  {
    Note("key " + std::to_string(key));
    return handlesKeys;
  }
  bool Render(IEditorCanvas*) override
  {
    Note("render");
    return true;
  }

  void Note(const std::string& what)
  {
    if (log) log->push_back(name + ":" + what);
  }

  std::vector<std::string>* log;
  std::string name;
  bool handlesKeys = false;
};

// A plug-in with the product's three parameters ("Power", "Amount" 0..100, "Type" with two
// value texts) and a headless canvas it owns once attached.
struct PanelFixture
{
  PanelFixture() : canvas(new HeadlessCanvas(&plug)) { plug.DeclareProductParams(); }
  ~PanelFixture()
  {
    if (!attached) delete canvas;
  }
  void Attach()
  {
    plug.AttachEditor(canvas);
    attached = true;
  }

  TestPlug plug;
  HeadlessCanvas* canvas;
  bool attached = false;
};
