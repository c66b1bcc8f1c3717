// The editor's thread redrawing and taking gestures while the host pushes parameter values
// and the audio thread shows and hides the overlay on every block: no data race (this runs
// under ThreadSanitizer), and every value stays in range.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/graphics/ProductPanel.h"

namespace {

TEST(CanvasThreads, HostAndAudioStoresRaceWithNothingOnTheEditorThread) {
  PanelFixture fx;
  ProductPanel panel = BuildProductPanel(fx.canvas, &fx.plug);
  fx.Attach();
  fx.canvas->OpenWindow(nullptr);
  const int kTicks = 300;
  std::atomic<bool> editorDone{false};

  // The host: a parameter set (under the instance lock, controls first, as the adapter does),
  // then a block whose processing shows or hides the overlay.
  std::thread host([&] {
    for (int block = 0; !editorDone; ++block) {
      {
        IPlugMutexLock lock(fx.plug.GetMutex());
        const double v = (block % 101) / 100.0;
        fx.canvas->PushParamToControls(1, v, true);
        fx.plug.GetParam(1)->SetFromNormalized(v);
        fx.plug.OnParameterChanged(1);
      }
      {
        IPlugMutexLock lock(fx.plug.GetMutex());
        panel.overlay->SetHidden(block % 7 != 0);
      }
    }
  });

  // The editor: timer ticks, a knob drag, switch clicks, wheel turns and double clicks.
  const IMouseKeys left(true, false, false, false, false);
  for (int ticks = 0; ticks < kTicks; ++ticks) {
    IPixelRect area;
    if (fx.canvas->CollectDirtyArea(&area)) fx.canvas->RedrawArea(area);
    fx.canvas->MousePressed(280, 80, left);
    fx.canvas->MouseDragged(280, 70 - ticks % 30, left);
    fx.canvas->MouseReleased(280, 70, left);
    fx.canvas->MousePressed(40, 90, left);
    fx.canvas->MouseReleased(40, 90, left);
    fx.canvas->MouseWheeled(280, 80, left, ticks % 2 ? 3 : -3);
    fx.canvas->MouseDoubleClicked(30, 160, left);
  }
  editorDone = true;
  host.join();

  for (int i = 0; i < fx.canvas->NControls(); ++i) {
    const double v = fx.canvas->GetControl(i)->GetValue();
    EXPECT_TRUE(v >= 0.0 && v <= 1.0) << i << ": " << v;
  }
  for (int p = 0; p < fx.plug.NParams(); ++p) {
    const double n = fx.plug.GetParam(p)->GetNormalizedValue();
    EXPECT_TRUE(n >= 0.0 && n <= 1.0) << p << ": " << n;
  }
}

}  // namespace
