#include "tests/editorx11/TestPanel.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IKnobMultiControlText.h"
#include "graphics/ISwitchControl.h"
#include "plugin/IPlugBase.h"
#include "raster/RasterSysBitmap.h"

void TestPanel::DeclareParams(IPlugBase* plug)
{
  plug->GetParam(0)->DeclareBool("Power", true);
  plug->GetParam(1)->DeclareInt("Amount", 0, 0, 100, "%");
  plug->GetParam(2)->DeclareInt("Type", 0, 0, 1, "");
  plug->GetParam(2)->AddValueText(0, "Professional");
  plug->GetParam(2)->AddValueText(1, "Consumer");
}

void TestPanel::Build(IEditorCanvas* canvas, IPlugBase* plug)
{
  canvas->AttachBackground(100, "background.png");
  const IBitmapRef knob = canvas->LoadBitmap(101, "knob.png", 101);
  canvas->AttachControl(new IKnobMultiControlText(plug, kKnob, 1, knob, ITextStyle(), nullptr));
  const IBitmapRef type = canvas->LoadBitmap(102, "switch.png", 2);
  canvas->AttachControl(new ISwitchControl(plug, kSwitchX, kSwitchY, 2, type, nullptr));
  const IBitmapRef power = canvas->LoadBitmap(103, "power.png", 2);
  ISwitchControl* powerSwitch = new ISwitchControl(plug, kPowerX, kPowerY, 0, power, nullptr);
  powerSwitch->SetPromptDisabled(false);
  canvas->AttachControl(powerSwitch);
}

std::vector<uint32_t> SnapshotEditorWindow::Snapshot()
{
  std::lock_guard<std::recursive_mutex> hold(editorLock);
  std::vector<uint32_t> pixels;
  RasterSysBitmap* buffer = GetBackBuffer();
  if (!buffer || !buffer->GetBits()) return pixels;
  const int w = buffer->GetWidth(), h = buffer->GetHeight(), span = buffer->GetRowSpan();
  pixels.resize((size_t)w * (size_t)h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[(size_t)y * w + x] = buffer->GetBits()[(size_t)y * span + x] & 0xFFFFFF;
  return pixels;
}
