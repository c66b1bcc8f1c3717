// The whole product with its editor open on a private Xvfb, in one process so that the
// ThreadSanitizer copy of this program sees every thread: an audio thread processing blocks
// (single and double precision) and automating, the host's idle thread redrawing the panel,
// the editor's fallback thread, and the test's thread giving real gestures through XTest and
// changing the outputs the host connects.
#include "tests/editorx11/X11TestSupport.h"

#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "product/Vossamere2.h"
#include "tests/host/VstTestHost.h"
#include "tests/product/PanelWindowShared.h"
#include "vst/IPlugVSTEntry.h"

using namespace panel_window;

namespace
{
AEffect* Entry(audioMasterCallback host)
{
  return IPlugVSTCreate(host, &MakeVossamere2);
}

void Arrange(const VstEffect& fx, int outputs)
{
  VstSpeakerArrangement in{}, out{};
  in.numChannels = 2;
  out.numChannels = outputs;
  fx.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
}
}  // namespace

TEST(PanelThreads, AudioAndAutomationRunWhileThePanelRedrawsAndTakesGestures)
{
  Display* x = XOpenDisplay(TestDisplayName().c_str());
  ASSERT_NE(x, nullptr);
  VstTestHost host;
  VstEffect fx(host.Create(&Entry), &host);
  ASSERT_TRUE(fx);
  fx.Start(44100.0f, 256);
  Arrange(fx, 2);
  const Window parent = CreateHostWindow(x, 100, 100, kWidth, kHeight);
  ASSERT_EQ(fx.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)parent)), 1);
  HostIdleThread idle([fx] { fx.Dispatch(effEditIdle); }, 15);

  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::thread audio([&] {
    std::vector<std::vector<float>> in(2, std::vector<float>(256)), out(2, std::vector<float>(256));
    std::vector<std::vector<double>> in64(2, std::vector<double>(256)), out64(2, std::vector<double>(256));
    for (int i = 0; i < 256; ++i)
      in[0][i] = in[1][i] = (float)(in64[0][i] = in64[1][i] = 0.5 * std::sin(i * 0.1));
    long n = 0;
    while (!stop.load())
    {
      if (n % 2)
        fx.ProcessDouble(in64, out64, 256);
      else
        fx.ProcessReplacing(in, out, 256);
      // The host's automation lane: "Amount" sweeps, "Type" flips now and then.
      fx.SetParameter(1, (float)((n % 101) / 100.0));
      if (n % 37 == 0) fx.SetParameter(2, (float)((n / 37) % 2));
      ++n;
      blocks = n;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  for (int round = 0; std::chrono::steady_clock::now() < until; ++round)
  {
    // Drags of the knob, clicks and right clicks on the switches, a double click.
    MovePointer(x, parent, kKnobX, kKnobY);
    PressButton(x, 1);
    for (int i = 1; i <= 5; ++i)
    {
      MovePointer(x, parent, kKnobX, kKnobY - 20 * i);
      std::this_thread::sleep_for(std::chrono::milliseconds(8));
    }
    ReleaseButton(x, 1);
    Click(x, parent, kPowerX, kPowerY);
    Click(x, parent, kTypeX, kTypeY, 3);
    Click(x, parent, kTypeX, kTypeY);
    Click(x, parent, kKnobX, kKnobY);
    Click(x, parent, kKnobX, kKnobY);
    if (round % 3 == 1)
    {
      // The value entry, typed into and committed while the audio thread automates.
      Click(x, parent, kTextX, kTextY);
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
      TypeText(x, "42");
      TapKey(x, XK_Return);
    }
    // A host that changes the outputs it connects while audio runs.
    Arrange(fx, round % 2 ? 2 : 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  stop = true;
  audio.join();
  EXPECT_GT(blocks.load(), 50);
  EXPECT_GT(host.CountOf(audioMasterBeginEdit), 5u) << "the gestures reached the panel";

  // Still whole: a stereo block hides the overlay, and the panel shows the host's values.
  Arrange(fx, 2);
  fx.SetParameter(0, 1.0f);
  fx.SetParameter(1, 0.3f);
  fx.SetParameter(2, 0.0f);
  ProcessBlock(fx, 2);
  const std::vector<uint32_t> wanted = ReferencePanel(0.3, 0.0, 1.0, false);
  std::string why;
  EXPECT_TRUE(WaitFor([&] {
    return (why = FirstDifferenceOutsideText(ReadScreen(x, parent, 0, 0, kWidth, kHeight), wanted)).empty();
  })) << why;

  idle.Stop();
  EXPECT_EQ(fx.Dispatch(effEditClose), 1);
  fx.Close();
  XDestroyWindow(x, parent);
  XCloseDisplay(x);
}
