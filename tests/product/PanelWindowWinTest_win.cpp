// The product's panel as a Windows host shows it: the built Vossamere2.dll through the VST2
// host harness, its editor in a visible host window, redrawn by its own timer while the test
// pumps messages, driven with SendInput and read back with BitBlt. Each test has a watchdog.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "tests/editorwin/EditorWinTestSupport.h"
#include "tests/product/PanelWindowShared.h"

using namespace panel_window;

namespace
{
class PanelWindowWinTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    watchdog.reset(new Watchdog(std::string(info->test_suite_name()) + "." + info->name(), 45));
    ASSERT_TRUE(file.Open(VOSS_PRODUCT_MODULE));
    AEffect* effect = host.Create(file.Entry());
    ASSERT_NE(effect, nullptr);
    fx = VstEffect(effect, &host);
    fx.Start(44100.0f, 512);
    frame.reset(new TestHostWindow());
  }
  void TearDown() override
  {
    if (fx) fx.Close();
    frame.reset();
    Pump();
    watchdog.reset();
  }

  bool Open()
  {
    if (fx.Dispatch(effEditOpen, 0, 0, frame->Parent()) != 1) return false;
    Pump();
    editor = FindWindowExA(frame->Parent(), nullptr, "IPlugWndClass", nullptr);
    return editor != nullptr;
  }
  std::vector<uint32_t> Shot() { return CaptureWindow(editor, kWidth, kHeight).pixels; }
  // Whether the window comes to show the panel for these values (messages pumped meanwhile);
  // the last difference in *why.
  bool Shows(double amount, double type, double power, bool overlay, std::string* why, int timeoutMs = 3000)
  {
    const std::vector<uint32_t> wanted = ReferencePanel(amount, type, power, overlay);
    return PumpUntil([&] { return (*why = FirstDifferenceOutsideText(Shot(), wanted)).empty(); }, timeoutMs);
  }
  void Click(int x, int y, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
  {
    MoveMouseToClient(editor, x, y);
    SendMouseButton(down);
    SendMouseButton(up);
    PumpFor(30);
  }
  void Drag(int fromX, int fromY, int toX, int toY)
  {
    MoveMouseToClient(editor, fromX, fromY);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpFor(15);
    const int steps = 6;
    for (int i = 1; i <= steps; ++i)
    {
      MoveMouseToClient(editor, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
      PumpFor(15);
    }
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    PumpFor(30);
  }
  bool GestureEnded(VstInt32 index)
  {
    return PumpUntil([&] {
      const std::vector<VstInt32> calls = EditCalls(host, index);
      return !calls.empty() && calls.back() == audioMasterEndEdit;
    });
  }
  HWND Entry() { return FindWindowExA(editor, nullptr, "Edit", nullptr); }

  std::unique_ptr<Watchdog> watchdog;
  VstPluginFile file;
  VstTestHost host;
  VstEffect fx;
  std::unique_ptr<TestHostWindow> frame;
  HWND editor = nullptr;
};

const std::vector<VstInt32> kClickCalls = {audioMasterAutomate, audioMasterBeginEdit, audioMasterEndEdit};
}  // namespace

TEST_F(PanelWindowWinTest, TheRecordReportsItsEditorAndThePanelOpensClosesAndReopens)
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
    RECT client;
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    POINT origin = {0, 0};
    MapWindowPoints(editor, frame->Parent(), &origin, 1);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    // The defaults, then what the previous round left: the panel is the same object throughout.
    EXPECT_TRUE(Shows(round * 0.25, 0.0, 1.0, false, &why)) << "round " << round << ": " << why;
    EXPECT_EQ(fx.Dispatch(effEditClose), 1);
    Pump();
    EXPECT_EQ(CountChildWindows(frame->Parent(), "IPlugWndClass"), 0);
    fx.SetParameter(1, (round + 1) * 0.25f);
  }
}

TEST_F(PanelWindowWinTest, ClicksOnTheSwitchesToggleTheirParametersAsOneGesture)
{
  ASSERT_TRUE(Open());
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;

  host.ClearCalls();
  Click(kPowerX, kPowerY);
  ASSERT_TRUE(GestureEnded(0));
  EXPECT_EQ(EditCalls(host, 0), kClickCalls);
  EXPECT_EQ(AutomatedValues(host, 0), std::vector<float>{0.0f});
  EXPECT_EQ(fx.GetParameter(0), 0.0f);
  EXPECT_TRUE(Shows(0.0, 0.0, 0.0, false, &why)) << why;

  host.ClearCalls();
  Click(kTypeX, kTypeY);
  ASSERT_TRUE(GestureEnded(2));
  EXPECT_EQ(EditCalls(host, 2), kClickCalls);
  EXPECT_EQ(AutomatedValues(host, 2), std::vector<float>{1.0f});
  EXPECT_EQ(fx.GetParameter(2), 1.0f);
  EXPECT_EQ(fx.Text(effGetParamDisplay, 2), "Consumer");
  EXPECT_TRUE(Shows(0.0, 1.0, 0.0, false, &why)) << why;

  // Apart in time, so the second clicks are not taken for double clicks.
  PumpFor(600);
  host.ClearCalls();
  Click(kPowerX, kPowerY);
  ASSERT_TRUE(GestureEnded(0));
  Click(kTypeX, kTypeY);
  ASSERT_TRUE(GestureEnded(2));
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(2), 0.0f);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowWinTest, TheKnobDragsAQuarterOver138PixelsAndADoubleClickRestoresTheDefault)
{
  ASSERT_TRUE(Open());
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
  MoveMouseToClient(editor, kKnobX, kKnobY);
  for (int i = 0; i < 2; ++i)
  {
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
  }
  ASSERT_TRUE(PumpUntil([&] { return fx.GetParameter(1) == 0.0f; })) << fx.GetParameter(1);
  EXPECT_EQ(AutomatedValues(host, 1).back(), 0.0f);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowWinTest, AClickOnTheValueTextOpensAnEntryOverItThatSetsTheAmount)
{
  ASSERT_TRUE(Open());
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;

  Click(kTextX, kTextY);
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = Entry()) != nullptr && GetFocus() == box; }))
      << "the entry opens and takes the keyboard";
  RECT place;
  GetWindowRect(box, &place);
  MapWindowPoints(HWND_DESKTOP, editor, (POINT*)&place, 2);
  EXPECT_EQ(place.left, kTextLeft);
  EXPECT_EQ(place.top, kTextTop);
  EXPECT_EQ(place.right - place.left, kTextRight - kTextLeft + 1);
  EXPECT_EQ(place.bottom - place.top, kTextBottom - kTextTop + 1);

  host.ClearCalls();
  TypeText("50");
  TapKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return Entry() == nullptr; }));
  ASSERT_TRUE(PumpUntil([&] { return fx.GetParameter(1) == 0.5f; })) << fx.GetParameter(1);
  EXPECT_EQ(AutomatedValues(host, 1), std::vector<float>{0.5f});
  EXPECT_EQ(fx.Text(effGetParamDisplay, 1), "50");
  EXPECT_TRUE(Shows(0.5, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowWinTest, ARightClickOnASwitchOnlySendsItsValueAgain)
{
  ASSERT_TRUE(Open());
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;

  host.ClearCalls();
  Click(kPowerX, kPowerY, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  ASSERT_TRUE(GestureEnded(0));
  Click(kTypeX, kTypeY, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  ASSERT_TRUE(GestureEnded(2));
  EXPECT_EQ(AutomatedValues(host, 0), std::vector<float>{1.0f});
  EXPECT_EQ(AutomatedValues(host, 2), std::vector<float>{0.0f});
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(2), 0.0f);
  // No menu and no entry: prompting is off for the switches.
  PumpFor(100);
  EXPECT_EQ(FindProcessWindow("#32768", nullptr), nullptr);
  EXPECT_EQ(Entry(), nullptr);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}

TEST_F(PanelWindowWinTest, WithOneOutputTheOverlayCoversThePanelAndTakesEveryClick)
{
  ASSERT_TRUE(Open());
  ProcessBlock(fx, 1);
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, true, &why)) << why;

  host.ClearCalls();
  Click(kPowerX, kPowerY);
  Click(kTypeX, kTypeY);
  Click(kTextX, kTextY);
  Drag(kKnobX, kKnobY, kKnobX, kKnobY - 138);
  PumpFor(150);
  EXPECT_EQ(CountEditCalls(host), 0u);
  EXPECT_EQ(fx.GetParameter(0), 1.0f);
  EXPECT_EQ(fx.GetParameter(1), 0.0f);
  EXPECT_EQ(fx.GetParameter(2), 0.0f);
  EXPECT_EQ(Entry(), nullptr) << "no text entry under the overlay";
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, true, &why)) << why;

  // Back to stereo: the overlay goes and the controls answer again.
  ProcessBlock(fx, 2);
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  PumpFor(600);
  Click(kPowerX, kPowerY);
  ASSERT_TRUE(GestureEnded(0));
  EXPECT_EQ(fx.GetParameter(0), 0.0f);
}

TEST_F(PanelWindowWinTest, AHostValueShowsAtTheNextTickAndIsNotSentBack)
{
  ASSERT_TRUE(Open());
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  // The ticks are the test's from here on.
  KillTimer(editor, IEditorWindowWin::kTimerId);
  Pump();

  host.ClearCalls();
  fx.SetParameter(1, 0.75f);
  fx.SetParameter(0, 0.0f);
  EXPECT_EQ(FirstDifferenceOutsideText(Shot(), ReferencePanel(0.0, 0.0, 1.0, false)), "") << "drawn before a tick";
  SendMessageA(editor, WM_TIMER, IEditorWindowWin::kTimerId, 0);
  EXPECT_EQ(FirstDifferenceOutsideText(Shot(), ReferencePanel(0.75, 0.0, 0.0, false)), "");
  EXPECT_EQ(CountEditCalls(host), 0u);
}

TEST_F(PanelWindowWinTest, ScreenshotsMatchTheImagesComposedForSeveralSettings)
{
  ASSERT_TRUE(Open());
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
// the overlay, so every frame redraws all of it and presents it), printed for the notes.
TEST_F(PanelWindowWinTest, ReportsTheCostOfAFullRedrawWhileAudioRuns)
{
  ASSERT_TRUE(Open());
  std::string why;
  ASSERT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
  KillTimer(editor, IEditorWindowWin::kTimerId);
  Pump();
  const int frames = 25;
  std::vector<double> times;
  ProcessBlock(fx, 2);
  AudioThread audio(fx);
  for (int i = 0; i < frames; ++i)
  {
    const auto start = std::chrono::steady_clock::now();
    SendMessageA(editor, WM_TIMER, IEditorWindowWin::kTimerId, 0);
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    times.push_back(us);
    PumpFor(38);
  }
  EXPECT_GT(audio.Blocks(), frames);
  ReportRedrawCost("Windows (Wine), a timer tick", times);
  EXPECT_TRUE(Shows(0.0, 0.0, 1.0, false, &why)) << why;
}
