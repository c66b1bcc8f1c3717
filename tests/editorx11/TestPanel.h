#pragma once

#include <cstdint>
#include <vector>

#include "graphics/IPixelRect.h"
#include "platform/linux/IEditorWindowX11.h"

class IEditorCanvas;
class IPlugBase;

// The panel the window tests drive, built from the five real images on the product's three
// parameters (0 "Power" boolean, 1 "Amount" integer 0..100, 2 "Type" with two value texts):
// the background, a text knob on "Amount", a "Type" switch, and a "Power" switch whose
// right click opens a menu.
namespace TestPanel
{
const IPixelRect kKnob(222, 30, 346, 168);
const IPixelRect kKnobImage(222, 30, 346, 154);
const IPixelRect kKnobText(231, 151, 336, 168);
const int kSwitchX = 40, kSwitchY = 60;   // 40 x 58, two frames
const int kPowerX = 100, kPowerY = 170;   // 36 x 30, two frames
const int kKnobIndex = 1, kSwitchIndex = 2, kPowerIndex = 3;

// construction thread: declares the three parameters on plug the way the product does.
void DeclareParams(IPlugBase* plug);
// construction thread: attaches the controls to canvas.
void Build(IEditorCanvas* canvas, IPlugBase* plug);
}  // namespace TestPanel

// The editor window with a copy of its back buffer taken under its own lock, so a test can
// compare the screen with it while other threads drive the editor.
class SnapshotEditorWindow : public IEditorWindowX11
{
public:
  using IEditorWindowX11::IEditorWindowX11;
  // Pixels as 0x00RRGGBB, width * height of them, row by row; empty without a back buffer.
  std::vector<uint32_t> Snapshot();
};
