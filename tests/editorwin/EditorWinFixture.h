#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/editorwin/EditorWinTestSupport.h"
#include "tests/graphics/ProductPanel.h"
#include "tests/plugin/TestPlug.h"

// One editor in a visible host window, owned by a recording plug-in, with a watchdog over
// the test. Every test must leave no editor window and no window class behind.
class EditorTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 368;
  static constexpr int kHeight = 240;

  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    watchdog.reset(new Watchdog(std::string(info->test_suite_name()) + "." + info->name(), 45));
    plug.DeclareProductParams();
    host.reset(new TestHostWindow(withContainer));
  }

  void TearDown() override {
    for (TestPlug* p : morePlugs) delete p;  // their editors with them
    morePlugs.clear();
    if (canvas) canvas->CloseWindow();
    host.reset();
    Pump();
    EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
    EXPECT_FALSE(IsClassRegistered(GetModuleHandleA(nullptr), "IPlugWndClass"));
    watchdog.reset();
  }

  // The editor with probe controls: a grey background, "a" bound to "Amount", "b" bound to
  // nothing, "c" bound to "Power".
  void MakeProbeEditor(int framesPerSecond = 0) {
    canvas = new IEditorWindowWin(&plug, kWidth, kHeight, framesPerSecond);
    background = Probe(IPixelRect(0, 0, kWidth, kHeight), -1, 0x404040, "bg");
    a = Probe(IPixelRect(20, 20, 120, 80), 1, 0xC03030, "a");
    b = Probe(IPixelRect(200, 20, 300, 80), -1, 0x3030C0, "b");
    c = Probe(IPixelRect(20, 120, 120, 200), 0, 0x30C030, "c");
    plug.AttachEditor(canvas);
  }

  // The editor built as the product builds its panel, overlay hidden.
  void MakeProductEditor() {
    canvas = new IEditorWindowWin(&plug, kWidth, kHeight, 0);
    panel = BuildProductPanel(canvas, &plug);
    plug.AttachEditor(canvas);
    panel.overlay->SetHidden(true);
  }

  ProbeControl* Probe(const IPixelRect& bounds, int param, uint32_t colour, const char* name) {
    ProbeControl* p = new ProbeControl(&plug, bounds, param, colour, &log, name);
    canvas->AttachControl(p);
    return p;
  }

  HWND Open() {
    HWND hwnd = (HWND)canvas->OpenWindow(host->Parent());
    Pump();
    return hwnd;
  }
  HWND Window() const { return (HWND)canvas->GetWindow(); }
  // One redraw-timer tick, delivered as the timer does.
  void Tick() { SendMessageA(Window(), WM_TIMER, IEditorWindowWin::kTimerId, 0); }
  // Leaves the ticks to the test.
  void StopTimer() { KillTimer(Window(), IEditorWindowWin::kTimerId); }
  WindowPixels Shot() { return CaptureWindow(Window(), kWidth, kHeight); }

  void ClickAt(int x, int y, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
    MoveMouseToClient(Window(), x, y);
    SendMouseButton(down);
    SendMouseButton(up);
    PumpFor(30);
  }

  bool withContainer = false;
  std::unique_ptr<Watchdog> watchdog;
  std::vector<std::string> log;  // before the plug-in: its controls write here
  TestPlug plug;
  std::vector<TestPlug*> morePlugs;
  std::unique_ptr<TestHostWindow> host;
  IEditorWindowWin* canvas = nullptr;  // owned by plug
  ProbeControl* background = nullptr;
  ProbeControl* a = nullptr;
  ProbeControl* b = nullptr;
  ProbeControl* c = nullptr;
  ProductPanel panel;
};
