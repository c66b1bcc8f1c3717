// The product's panel as a Linux host shows it: the built Vossamere2.so through the VST2
// host harness, its editor in a host window on a private Xvfb, idled through effEditIdle,
// driven with XTest and read back with XGetImage. The program's X11 environment starts the
// server and ends the program when a test hangs.
#include "tests/editorx11/X11TestSupport.h"

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "tests/product/PanelWindowShared.h"

using namespace panel_window;

namespace
{
class PanelWindowX11Test : public ::testing::Test
{
protected:
  void SetUp() override
  {
    x = XOpenDisplay(TestDisplayName().c_str());
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(file.Open(VOSS_PRODUCT_MODULE));
    AEffect* effect = host.Create(file.Entry());
    ASSERT_NE(effect, nullptr);
    fx = VstEffect(effect, &host);
    fx.Start(44100.0f, 512);
    parent = CreateHostWindow(x, 100, 100, kWidth, kHeight);
  }
  void TearDown() override
  {
    idle.reset();
    if (fx) fx.Close();
    if (x)
    {
      if (parent) XDestroyWindow(x, parent);
      XCloseDisplay(x);
    }
  }

  bool Open() { return fx.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)parent)) == 1; }
  void StartIdle() { idle.reset(new HostIdleThread([this] { fx.Dispatch(effEditIdle); }, 20)); }
  void StopIdle() { idle.reset(); }
  std::vector<uint32_t> Shot() { return ReadScreen(x, parent, 0, 0, kWidth, kHeight); }
  // Whether the screen comes to show the panel for these values; the last difference in *why.
  bool Shows(double amount, double type, double power, bool overlay, std::string* why, int timeoutMs = 3000)
  {
    const std::vector<uint32_t> wanted = ReferencePanel(amount, type, power, overlay);
    return WaitFor([&] { return (*why = FirstDifferenceOutsideText(Shot(), wanted)).empty(); }, timeoutMs);
  }
  // The editor's window and whatever it holds (the text entry).
  Window Editor()
  {
    const std::vector<Window> children = ChildrenOf(x, parent);
    return children.size() == 1 ? children[0] : 0;
  }
  void Drag(int fromX, int fromY, int toX, int toY)
  {
    MovePointer(x, parent, fromX, fromY);
    PressButton(x, 1);
    const int steps = 6;
    for (int i = 1; i <= steps; ++i)
    {
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
      MovePointer(x, parent, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    ReleaseButton(x, 1);
  }
  bool GestureEnded(VstInt32 index)
  {
    return WaitFor([&] {
      const std::vector<VstInt32> calls = EditCalls(host, index);
      return !calls.empty() && calls.back() == audioMasterEndEdit;
    });
  }

  Display* x = nullptr;
  VstPluginFile file;
  VstTestHost host;
  VstEffect fx;
  Window parent = 0;
  std::unique_ptr<HostIdleThread> idle;
};

const std::vector<VstInt32> kClickCalls = {audioMasterAutomate, audioMasterBeginEdit, audioMasterEndEdit};
}  // namespace

TEST_F(PanelWindowX11Test, TheRecordReportsItsEditorAndThePanelOpensClosesAndReopens)
{
  EXPECT_EQ(fx.Record()->flags, 0x1019);
  ERect* rect = nullptr;
  ASSERT_EQ(fx.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 240);
  EXPECT_EQ(rect->right, 368);

  std::string why;
  for (int round = 0; round < 3; ++round)
  {
    ASSERT_TRUE(Open()) << "round " << round;
    const Window editor = Editor();
    ASSERT_NE(editor, 0u);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(x, editor, &a));
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, kWidth);
    EXPECT_EQ(a.height, kHeight);
    StartIdle();
    // The defaults, then what the previous round left: the panel is the same object throughout.
    EXPECT_TRUE(Shows(round * 0.25, 0.0, 1.0, false, &why)) << "round " << round << ": " << why;
    StopIdle();
    EXPECT_EQ(fx.Dispatch(effEditClose), 1);
    EXPECT_TRUE(ChildrenOf(x, parent).empty());
    fx.SetParameter(1, (round + 1) * 0.25f);
  }
}

TEST_F(PanelWindowX11Test, ClicksOnTheSwitchesToggleTheirParametersAsOneGesture)
{
  ASSERT_TRUE(Open());
  StartIdle();
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;

  host.ClearCalls();
  Click(x, parent, kPowerX, kPowerY);
  ASSERT_TRUE(GestureEnded(0));
  EXPECT_EQ(EditCalls(host, 0), kClickCalls);
  EXPECT_EQ(AutomatedValues(host, 0), std::vector<float>{0.0f});
  EXPECT_EQ(fx.GetParameter(0), 0.0f);
  EXPECT_TRUE(Shows(0.0, 0.0, 0.0, false, &why)) << why;

  host.ClearCalls();
  Click(x, parent, kTypeX, kTypeY);
  ASSERT_TRUE(GestureEnded(2));
  EXPECT_EQ(EditCalls(host, 2), kClickCalls);
  EXPECT_EQ(AutomatedValues(host, 2), std::vector<float>{1.0f});
  EXPECT_EQ(fx.GetParameter(2), 1.0f);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 2), "Consumer");
  EXPECT_TRUE(Shows(0.0, 1.0, 0.0, false, &why)) << why;

  // A second click on each goes back.
  host.ClearCalls();
  Click(x, parent, kPowerX, kPowerY);
  ASSERT_TRUE(GestureEnded(0));
  Click(x, parent, kTypeX, kTypeY);
  ASSERT_TRUE(GestureEnded(2));
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(2), 0.0f);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowX11Test, TheKnobDragsAQuarterOver138PixelsAndADoubleClickRestoresTheDefault)
{
  ASSERT_TRUE(Open());
  StartIdle();
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;

  host.ClearCalls();
  Drag(kKnobX, kKnobY, kKnobX, kKnobY - 138);
  ASSERT_TRUE(GestureEnded(1));
  const std::vector<VstInt32> calls = EditCalls(host, 1);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[1], audioMasterBeginEdit);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), audioMasterBeginEdit), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), audioMasterEndEdit), 1);
  EXPECT_FLOAT_EQ(AutomatedValues(host, 1).back(), 0.25f);
  EXPECT_FLOAT_EQ(fx.GetParameter(1), 0.25f);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "25");
  EXPECT_TRUE(Shows(0.25, 0.0, 1.0, false, &why)) << why;

  host.ClearCalls();
  Click(x, parent, kKnobX, kKnobY);
  Click(x, parent, kKnobX, kKnobY);
  ASSERT_TRUE(WaitFor([&] { return fx.GetParameter(1) == 0.0f; })) << fx.GetParameter(1);
  EXPECT_EQ(AutomatedValues(host, 1).back(), 0.0f);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowX11Test, AClickOnTheValueTextOpensAnEntryOverItThatSetsTheAmount)
{
  ASSERT_TRUE(Open());
  StartIdle();
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  const Window editor = Editor();

  Click(x, parent, kTextX, kTextY);
  Window box = 0;
  ASSERT_TRUE(WaitFor([&] {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(x, &focus, &revert);
    const std::vector<Window> boxes = ChildrenOf(x, editor);
    box = boxes.size() == 1 ? boxes[0] : 0;
    return box && focus == box;
  })) << "the entry opens and takes the keyboard";
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(x, box, &a));
  EXPECT_EQ(a.x, kTextLeft);
  EXPECT_EQ(a.y, kTextTop);
  EXPECT_EQ(a.width, kTextRight - kTextLeft + 1);
  EXPECT_EQ(a.height, kTextBottom - kTextTop + 1);

  host.ClearCalls();
  TypeText(x, "50");
  TapKey(x, XK_Return);
  ASSERT_TRUE(WaitFor([&] { return ChildrenOf(x, editor).empty(); }));
  ASSERT_TRUE(WaitFor([&] { return fx.GetParameter(1) == 0.5f; })) << fx.GetParameter(1);
  EXPECT_EQ(AutomatedValues(host, 1), std::vector<float>{0.5f});
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "50");
  EXPECT_TRUE(Shows(0.5, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowX11Test, ARightClickOnASwitchOnlySendsItsValueAgain)
{
  ASSERT_TRUE(Open());
  StartIdle();
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  const Window editor = Editor();

  host.ClearCalls();
  Click(x, parent, kPowerX, kPowerY, 3);
  ASSERT_TRUE(GestureEnded(0));
  Click(x, parent, kTypeX, kTypeY, 3);
  ASSERT_TRUE(GestureEnded(2));
  EXPECT_EQ(AutomatedValues(host, 0), std::vector<float>{1.0f});
  EXPECT_EQ(AutomatedValues(host, 2), std::vector<float>{0.0f});
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(2), 0.0f);
  // No menu and no entry: prompting is off for the switches.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(PopupWindows(x).empty());
  EXPECT_TRUE(ChildrenOf(x, editor).empty());
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowX11Test, WithOneOutputTheOverlayCoversThePanelAndTakesEveryClick)
{
  ASSERT_TRUE(Open());
  StartIdle();
  ProcessBlock(fx, 1);
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, true, &why)) << why;
  const Window editor = Editor();

  host.ClearCalls();
  Click(x, parent, kPowerX, kPowerY);
  Click(x, parent, kTypeX, kTypeY);
  Click(x, parent, kTextX, kTextY);
  Drag(kKnobX, kKnobY, kKnobX, kKnobY - 138);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(CountEditCalls(host), 0u);
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(1), 0.0f);
  EXPECT_EQ(fx.GetParameter(2), 0.0f);
  EXPECT_TRUE(ChildrenOf(x, editor).empty()) << "no text entry under the overlay";
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, true, &why)) << why;

  // Back to stereo: the overlay goes and the controls answer again.
  ProcessBlock(fx, 2);
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  Click(x, parent, kPowerX, kPowerY);
  ASSERT_TRUE(GestureEnded(0));
  EXPECT_EQ(fx.GetParameter(0), 0.0f);
}

TEST_F(PanelWindowX11Test, AHostValueShowsAtTheNextIdleCallAndIsNotSentBack)
{
  ASSERT_TRUE(Open());
  StartIdle();
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  StopIdle();

  host.ClearCalls();
  fx.SetParameter(1, 0.75f);
  fx.SetParameter(0, 0.0f);
  std::this_thread::sleep_for(std::chrono::milliseconds(45));
  EXPECT_EQ(FirstDifferenceOutsideText(Shot(), ReferencePanel(0.0, 0.0, 1.0, false)), "") << "drawn before a tick";
  // One idle call once a frame is due (25 a second) draws it; the fallback thread only
  // takes over after a longer silence than this test leaves.
  fx.Dispatch(effEditIdle);
  EXPECT_TRUE(Shows(0.75, 0.0, 0.0, false, &why, 150)) << why;
  EXPECT_EQ(CountEditCalls(host), 0u);
}

TEST_F(PanelWindowX11Test, ScreenshotsMatchTheImagesComposedForSeveralSettings)
{
  ASSERT_TRUE(Open());
  StartIdle();
  for (const ScreenshotSetting& s : kScreenshotSettings)
  {
    fx.SetParameter(1, s.amount);
    fx.SetParameter(2, s.type);
    fx.SetParameter(0, s.power);
    ProcessBlock(fx, s.outputs);
    std::string why;
    EXPECT_TRUE(Shows(s.amount, s.type, s.power, s.outputs == 1, &why))
        << "amount " << s.amount << " type " << s.type << " power " << s.power << ": " << why;
    EXPECT_EQ(HashOutsideText(Shot()), s.hash) << "differs from what the other platform shows";
  }
}

// Not a check: what a full redraw of the real panel costs while audio runs (each block marks
// the overlay, so every frame redraws all of it), printed for the notes.
TEST_F(PanelWindowX11Test, ReportsTheCostOfAFullRedrawWhileAudioRuns)
{
  ASSERT_TRUE(Open());
  StartIdle();
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  StopIdle();
  const int frames = 25;
  std::vector<double> times;
  ProcessBlock(fx, 2);
  AudioThread audio(fx);
  for (int i = 0; i < frames; ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(41));
    const auto start = std::chrono::steady_clock::now();
    fx.Dispatch(effEditIdle);
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    times.push_back(us);
  }
  EXPECT_GT(audio.Blocks(), frames);
  ReportRedrawCost("Linux, an effEditIdle call", times);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}
