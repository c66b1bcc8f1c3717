// The Linux editor window in a real X server: the child window, presenting, mouse input,
// the fallback thread, reopening, hosts that destroy or unmap our window, and clean-up.
#include "tests/editorx11/EditorWindowX11Fixture.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "graphics/IControl.h"
#include "plugin/IText.h"
#include "raster/RasterBitmap.h"

namespace
{
void Sleep(int ms)
{
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const int kKnobX = 284, kKnobY = 90;                                        // on the knob's image
const int kKnobTextX = 283, kKnobTextY = 159;                               // on its value text
const int kSwitchCentreX = TestPanel::kSwitchX + 20, kSwitchCentreY = TestPanel::kSwitchY + 29;
const int kPowerCentreX = TestPanel::kPowerX + 18, kPowerCentreY = TestPanel::kPowerY + 15;
}  // namespace

TEST_F(EditorX11Test, ChildWindowHasThePanelSizeFixedHintsAndEmbedInfo)
{
  const Window w = Open();
  ASSERT_NE(w, 0u);
  EXPECT_EQ(ChildrenOf(x, host), std::vector<Window>{w});
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(x, w, &a));
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, 0);
  EXPECT_EQ(a.width, 368);
  EXPECT_EQ(a.height, 240);
  EXPECT_EQ(a.depth, 24);
  EXPECT_EQ(a.map_state, IsViewable) << "mapped at once, without waiting for an XEmbed handshake";

  XSizeHints hints;
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(x, w, &hints, &supplied));
  EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
  EXPECT_EQ(hints.min_width, 368);
  EXPECT_EQ(hints.max_width, 368);
  EXPECT_EQ(hints.min_height, 240);
  EXPECT_EQ(hints.max_height, 240);

  const Atom embed = XInternAtom(x, "_XEMBED_INFO", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(x, w, embed, 0, 2, False, embed, &type, &format, &count, &after, &data), Success);
  ASSERT_EQ(count, 2u);
  const long* info = reinterpret_cast<const long*>(data);
  EXPECT_EQ(format, 32);
  EXPECT_EQ(info[0], 0);  // version
  EXPECT_EQ(info[1], 1);  // mapped
  XFree(data);
}

TEST_F(EditorX11Test, RefusesAMissingOrUnknownParentAndStillOpensAfterwards)
{
  EXPECT_EQ(editor->OpenWindow(nullptr), nullptr);
  // An id no window has: the X error is caught, not fatal to the host.
  EXPECT_EQ(editor->OpenWindow(reinterpret_cast<void*>((uintptr_t)0x3fffff7)), nullptr);
  EXPECT_FALSE(editor->IsWindowOpen());
  EXPECT_NE(Open(), 0u);
  EXPECT_TRUE(editor->IsWindowOpen());
}

TEST_F(EditorX11Test, IdleCallsPutTheWholePanelOnScreenPixelForPixel)
{
  Open();
  StartIdle();
  EXPECT_TRUE(ScreenShowsBackBuffer());
  const std::vector<uint32_t> pixels = editor->Snapshot();
  ASSERT_EQ(pixels.size(), 368u * 240u);
  EXPECT_NE(pixels[0], pixels[(size_t)kKnobY * 368 + kKnobX]) << "the panel was drawn, not left blank";
  EXPECT_GT(editor->GetHostTicks(), 0);
}

TEST_F(EditorX11Test, ChangesFromTheHostReachTheScreenAtTheNextFrame)
{
  Open();
  StartIdle(40);  // Ardour's rate
  ASSERT_TRUE(ScreenShowsBackBuffer());
  const std::vector<uint32_t> before = Screen();
  {
    IPlugMutexLock lock(plug->GetMutex());  // as the host's parameter call does
    editor->PushParamToControls(1, 0.8, true);
  }
  EXPECT_TRUE(WaitFor([&] {
    const std::vector<uint32_t> now = Screen();
    return now != before && now == editor->Snapshot();
  }));
}

TEST_F(EditorX11Test, DragSendsBeginAutomationAndEndAndKeepsGoingOutsideTheWindow)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  MovePointer(x, host, kKnobX, kKnobY);
  PressButton(x, 1);
  for (int step = 1; step <= 5; ++step)
  {
    MovePointer(x, host, kKnobX, kKnobY - 10 * step);
    Sleep(25);
  }
  ASSERT_TRUE(WaitFor([&] { return ControlValue(TestPanel::kKnobIndex) > 0.08; }));
  // Up and out of the window: the knob still follows (the pointer is held for it).
  MovePointer(x, host, -80, -90);
  EXPECT_TRUE(WaitFor([&] { return ControlValue(TestPanel::kKnobIndex) > 0.3; }));
  ReleaseButton(x, 1);
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 1") == 1; }));

  // 180 pixels up on a knob 138 high with gearing 4.
  EXPECT_NEAR(ControlValue(TestPanel::kKnobIndex), 180.0 / 138.0 / 4.0, 1e-9);
  const std::vector<std::string> events = plug->Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0], "automate 1");  // the press resends the value first
  EXPECT_EQ(events[1], "begin 1");
  EXPECT_EQ(events.back(), "end 1");
  EXPECT_EQ(plug->Count("begin 1"), 1);
  EXPECT_GE(plug->Count("automate 1"), 3);
  EXPECT_EQ(editor->GetCaptureIndex(), -1);
}

TEST_F(EditorX11Test, ASecondClickSoonAndCloseIsADoubleClickOtherwiseAPress)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  // Quick and within two pixels: press (0 -> 1), then a double click, which a switch takes as
  // another step (1 -> 0); the double click sends no begin-edit.
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  Click(x, host, kSwitchCentreX + 2, kSwitchCentreY - 2);
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 2") == 2; }));
  EXPECT_EQ(plug->Count("begin 2"), 1);
  EXPECT_EQ(ControlValue(TestPanel::kSwitchIndex), 0.0);

  // A third click starts over: a press again.
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 2") == 3; }));
  EXPECT_EQ(plug->Count("begin 2"), 2);

  // Too far apart (5 pixels) or too late (over 500 ms): two presses.
  Sleep(600);
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  Click(x, host, kSwitchCentreX + 5, kSwitchCentreY);
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 2") == 5; }));
  EXPECT_EQ(plug->Count("begin 2"), 4);
  Sleep(600);
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  Sleep(600);
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 2") == 7; }));
  EXPECT_EQ(plug->Count("begin 2"), 6);
}

TEST_F(EditorX11Test, WheelNotchesMoveTheKnobAHundredthOrWithShiftAThousandth)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  MovePointer(x, host, kKnobX, kKnobY);
  for (int i = 0; i < 3; ++i) Click(x, host, kKnobX, kKnobY, 4);
  EXPECT_TRUE(WaitFor([&] { return std::abs(ControlValue(TestPanel::kKnobIndex) - 0.03) < 1e-9; }));
  Click(x, host, kKnobX, kKnobY, 5);
  EXPECT_TRUE(WaitFor([&] { return std::abs(ControlValue(TestPanel::kKnobIndex) - 0.02) < 1e-9; }));
  HoldKey(x, XK_Shift_L, true);
  Click(x, host, kKnobX, kKnobY, 4);
  HoldKey(x, XK_Shift_L, false);
  EXPECT_TRUE(WaitFor([&] { return std::abs(ControlValue(TestPanel::kKnobIndex) - 0.021) < 1e-9; }));
  EXPECT_EQ(plug->Count("begin 1"), 0) << "the wheel sends no begin or end";
  EXPECT_EQ(plug->Count("automate 1"), 5);
}

TEST_F(EditorX11Test, TextEntryOpensSelectedFiltersTypingAndCommitsOnReturn)
{
  const Window w = Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  Click(x, host, kKnobTextX, kKnobTextY);
  ASSERT_TRUE(WaitFor([&] { return editor->GetTextEntryState() == 1; })) << "the box takes the keyboard";
  const std::vector<Window> boxes = ChildrenOf(x, w);
  ASSERT_EQ(boxes.size(), 1u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(x, boxes[0], &a));
  EXPECT_EQ(a.x, TestPanel::kKnobText.left);
  EXPECT_EQ(a.y, TestPanel::kKnobText.top);
  EXPECT_EQ(a.width, TestPanel::kKnobText.right - TestPanel::kKnobText.left + 1);

  TypeText(x, "4a2");  // the letter is refused for an integer; the digits replace the old "0"
  TapKey(x, XK_Return);
  ASSERT_TRUE(WaitFor([&] { return !editor->IsTextEntryOpen(); }));
  EXPECT_NEAR(ControlValue(TestPanel::kKnobIndex), 0.42, 1e-12);
  EXPECT_NEAR(plug->GetParam(1)->GetValue(), 42.0, 1e-12);
  EXPECT_TRUE(ChildrenOf(x, w).empty());
  EXPECT_TRUE(ScreenShowsBackBuffer());
}

TEST_F(EditorX11Test, TextEntryCancelsOnEscapeOnAClickInThePanelAndOnLosingTheFocus)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());

  Click(x, host, kKnobTextX, kKnobTextY);
  ASSERT_TRUE(WaitFor([&] { return editor->GetTextEntryState() == 1; }));
  TypeText(x, "77");
  TapKey(x, XK_Escape);
  ASSERT_TRUE(WaitFor([&] { return !editor->IsTextEntryOpen(); }));
  EXPECT_EQ(ControlValue(TestPanel::kKnobIndex), 0.0);

  // A click in the panel only takes the focus from the box: the switch under it stays put.
  Sleep(600);  // (a click at once on the same place would be a double click)
  Click(x, host, kKnobTextX, kKnobTextY);
  ASSERT_TRUE(WaitFor([&] { return editor->GetTextEntryState() == 1; }));
  TypeText(x, "55");
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  ASSERT_TRUE(WaitFor([&] { return !editor->IsTextEntryOpen(); }));
  EXPECT_EQ(ControlValue(TestPanel::kKnobIndex), 0.0);
  EXPECT_EQ(ControlValue(TestPanel::kSwitchIndex), 0.0);
  EXPECT_EQ(plug->Count("begin 2"), 0);

  // The user clicks into another window of the host.
  Sleep(600);
  Click(x, host, kKnobTextX, kKnobTextY);
  ASSERT_TRUE(WaitFor([&] { return editor->GetTextEntryState() == 1; }));
  TypeText(x, "33");
  XSetInputFocus(x, host, RevertToParent, CurrentTime);
  XSync(x, False);
  ASSERT_TRUE(WaitFor([&] { return !editor->IsTextEntryOpen(); }));
  EXPECT_EQ(ControlValue(TestPanel::kKnobIndex), 0.0);
  EXPECT_EQ(plug->Count("automate 1"), 0) << "a click on the text opens the box and sends no value";
  EXPECT_EQ(plug->Count("begin 1"), 3);
  EXPECT_EQ(plug->Count("end 1"), 3);
}

TEST_F(EditorX11Test, PopupMenuChoiceSetsTheValueAndEndsTheGesture)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  EXPECT_EQ(ControlValue(TestPanel::kPowerIndex), 1.0);
  Click(x, host, kPowerCentreX, kPowerCentreY, 3);
  ASSERT_TRUE(WaitFor([&] { return MenuIsUp(x); }));
  const Window menu = PopupWindows(x)[0];
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(x, menu, &a));
  int rx = 0, ry = 0;
  Window child = 0;
  // Anchored at the prompt area's bottom-left corner (the switch's bounds).
  XTranslateCoordinates(x, host, DefaultRootWindow(x), TestPanel::kPowerX, TestPanel::kPowerY + 30, &rx, &ry, &child);
  EXPECT_EQ(a.x, rx);
  EXPECT_EQ(a.y, ry);
  // Two rows, "off" and "on" (checked, the current value): choose "off".
  const int rowHeight = (a.height - 4) / 2;
  Click(x, menu, a.width / 2, 2 + rowHeight / 2);
  ASSERT_TRUE(WaitFor([&] { return PopupWindows(x).empty(); }));
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 0") == 1; }));
  EXPECT_EQ(ControlValue(TestPanel::kPowerIndex), 0.0);
  EXPECT_EQ(plug->GetParam(0)->GetValue(), 0.0);
  EXPECT_EQ(plug->Count("begin 0"), 1);
  EXPECT_EQ(plug->Events().back(), "end 0");
  EXPECT_TRUE(ScreenShowsBackBuffer());
}

TEST_F(EditorX11Test, PopupMenuDismissedByAClickOutsideOrEscapeChangesNothing)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  Click(x, host, kPowerCentreX, kPowerCentreY, 3);
  ASSERT_TRUE(WaitFor([&] { return MenuIsUp(x); }));
  Click(x, host, 300, 20);  // on the panel, away from the menu
  ASSERT_TRUE(WaitFor([&] { return PopupWindows(x).empty(); }));
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 0") == 1; }));

  Click(x, host, kPowerCentreX, kPowerCentreY, 3);
  ASSERT_TRUE(WaitFor([&] { return MenuIsUp(x); }));
  TapKey(x, XK_Escape);
  ASSERT_TRUE(WaitFor([&] { return PopupWindows(x).empty(); }));
  ASSERT_TRUE(WaitFor([&] { return plug->Count("end 0") == 2; }));

  EXPECT_EQ(ControlValue(TestPanel::kPowerIndex), 1.0);
  EXPECT_EQ(plug->Count("begin 0"), 2);
  EXPECT_EQ(plug->Count("begin 1"), 0) << "the dismissing click reached no control";
}

TEST_F(EditorX11Test, FallbackThreadDrawsAndTakesInputWhenTheHostSendsNoIdle)
{
  Open();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  const std::vector<uint32_t> before = Screen();
  {
    IPlugMutexLock lock(plug->GetMutex());
    editor->PushParamToControls(1, 0.75, true);
  }
  EXPECT_TRUE(WaitFor([&] {
    const std::vector<uint32_t> now = Screen();
    return now != before && now == editor->Snapshot();
  }));
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  EXPECT_TRUE(WaitFor([&] { return plug->Count("end 2") == 1; }));
  EXPECT_EQ(ControlValue(TestPanel::kSwitchIndex), 1.0);
  EXPECT_EQ(editor->GetHostTicks(), 0);
  EXPECT_GT(editor->GetFallbackTicks(), 0);
}

TEST_F(EditorX11Test, AHostClosingTheEditorUnderTheInstanceLockIsNotBlockedByTheFallbackThread)
{
  Open();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  // effEditClose arrives under the instance lock while the fallback thread has a click to
  // hand to a control, which needs that same lock.
  IPlugMutexLock lock(plug->GetMutex());
  Click(x, host, kSwitchCentreX, kSwitchCentreY);
  Sleep(150);
  editor->CloseWindow();
  EXPECT_FALSE(editor->IsWindowOpen());
  EXPECT_TRUE(ChildrenOf(x, host).empty());
}

TEST_F(EditorX11Test, HostIdleCallsSilenceTheFallbackThreadUntilTheyStop)
{
  Open();
  StartIdle(40);
  ASSERT_TRUE(ScreenShowsBackBuffer());
  Sleep(100);
  const int64_t fallbackTicks = editor->GetFallbackTicks();
  Sleep(500);
  EXPECT_EQ(editor->GetFallbackTicks(), fallbackTicks);
  StopIdle();
  EXPECT_TRUE(WaitFor([&] { return editor->GetFallbackTicks() > fallbackTicks + 3; }, 2000));
}

TEST_F(EditorX11Test, OpeningAgainWhileOpenRecreatesTheWindowAtItsOldPlace)
{
  const Window first = Open();
  XMoveWindow(x, first, 30, 20);
  XSync(x, False);
  const Window second = Open();
  ASSERT_NE(second, 0u);
  EXPECT_EQ(ChildrenOf(x, host), std::vector<Window>{second});
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(x, second, &a));
  EXPECT_EQ(a.x, 30);
  EXPECT_EQ(a.y, 20);
  EXPECT_EQ(a.width, 368);
}

TEST_F(EditorX11Test, SurvivesTheHostDestroyingItsWindowBeforeClosingTheEditor)
{
  Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  XDestroyWindow(x, host);
  XSync(x, False);
  host = 0;
  EXPECT_TRUE(WaitFor([&] { return editor->IsWindowGone(); }));
  {
    IPlugMutexLock lock(plug->GetMutex());
    editor->PushParamToControls(1, 0.5, true);  // something to draw into the window that is gone
  }
  Sleep(150);
  StopIdle();
  editor->CloseWindow();
  EXPECT_FALSE(editor->IsWindowOpen());

  host = CreateHostWindow(x, 100, 100, 368, 240);
  ASSERT_NE(Open(), 0u);
  StartIdle();
  EXPECT_TRUE(ScreenShowsBackBuffer());
}

TEST_F(EditorX11Test, SurvivesBeingUnmappedWithoutACloseAndRedrawsWhenMappedAgain)
{
  const Window w = Open();
  StartIdle();
  ASSERT_TRUE(ScreenShowsBackBuffer());
  XUnmapWindow(x, w);
  XSync(x, False);
  Sleep(100);
  const int64_t presents = editor->GetPresentCount();
  {
    IPlugMutexLock lock(plug->GetMutex());
    editor->PushParamToControls(1, 0.6, true);
  }
  Sleep(200);
  EXPECT_EQ(editor->GetPresentCount(), presents) << "nothing is drawn for a window nobody sees";
  XMapWindow(x, w);
  XSync(x, False);
  EXPECT_TRUE(ScreenShowsBackBuffer());
  EXPECT_GT(editor->GetPresentCount(), presents);
}

TEST_F(EditorX11Test, ClosingWithoutOpeningOrTwiceDoesNothing)
{
  editor->CloseWindow();
  Open();
  editor->CloseWindow();
  editor->CloseWindow();
  EXPECT_FALSE(editor->IsWindowOpen());
  EXPECT_TRUE(ChildrenOf(x, host).empty());
}

TEST_F(EditorX11Test, OpeningAndClosing200TimesLeavesNoWindowThreadOrConnection)
{
  Open();  // the first open loads what stays loaded (fonts, Xlib's own state)
  editor->OnHostIdle();
  editor->CloseWindow();
  const int files = CountOpenFiles(), threads = CountThreads();
  for (int i = 0; i < 200; ++i)
  {
    ASSERT_NE(Open(), 0u) << "open " << i;
    editor->OnHostIdle();
    editor->CloseWindow();
  }
  EXPECT_TRUE(ChildrenOf(x, host).empty());
  EXPECT_EQ(CountOpenFiles(), files);
  EXPECT_EQ(CountThreads(), threads);
}

TEST_F(EditorX11Test, TwoEditorsOpenAtOnceKeepToThemselves)
{
  const Window otherHost = CreateHostWindow(x, 500, 100, 368, 240);
  RecordingPlug* otherPlug = new RecordingPlug();
  SnapshotEditorWindow* other = new SnapshotEditorWindow(otherPlug, 368, 240, 0);
  TestPanel::Build(other, otherPlug);
  otherPlug->AttachEditor(other);
  const int files = CountOpenFiles();

  Open();
  ASSERT_NE(other->OpenWindow(reinterpret_cast<void*>((uintptr_t)otherHost)), nullptr);
  StartIdle();
  HostIdleThread otherIdle([other] { other->OnHostIdle(); }, 20);
  ASSERT_TRUE(ScreenShowsBackBuffer());
  EXPECT_TRUE(WaitFor([&] { return ReadScreen(x, otherHost, 0, 0, 368, 240) == other->Snapshot(); }));

  Click(x, otherHost, kSwitchCentreX, kSwitchCentreY);
  ASSERT_TRUE(WaitFor([&] { return otherPlug->Count("end 2") == 1; }));
  EXPECT_EQ(other->GetControl(TestPanel::kSwitchIndex)->GetValue(), 1.0);
  EXPECT_EQ(ControlValue(TestPanel::kSwitchIndex), 0.0);
  EXPECT_TRUE(plug->Events().empty());

  otherIdle.Stop();
  StopIdle();
  other->CloseWindow();
  editor->CloseWindow();
  EXPECT_TRUE(ChildrenOf(x, host).empty());
  EXPECT_TRUE(ChildrenOf(x, otherHost).empty());
  EXPECT_EQ(CountOpenFiles(), files);
  delete otherPlug;
  XDestroyWindow(x, otherHost);
}

TEST_F(EditorX11Test, ASixteenBitScreenIsRefusedCleanly)
{
  XvfbServer server16;
  const std::string name = server16.Start(16);
  ASSERT_FALSE(name.empty());
  Display* x16 = XOpenDisplay(name.c_str());
  ASSERT_NE(x16, nullptr);
  ASSERT_EQ(DefaultDepth(x16, DefaultScreen(x16)), 16);
  const Window host16 = CreateHostWindow(x16, 0, 0, 368, 240);
  const int files = CountOpenFiles(), threads = CountThreads();
  setenv("DISPLAY", name.c_str(), 1);
  EXPECT_EQ(editor->OpenWindow(reinterpret_cast<void*>((uintptr_t)host16)), nullptr);
  setenv("DISPLAY", TestDisplayName().c_str(), 1);
  EXPECT_FALSE(editor->IsWindowOpen());
  EXPECT_TRUE(ChildrenOf(x16, host16).empty());
  EXPECT_EQ(CountOpenFiles(), files) << "the connection was closed again";
  EXPECT_EQ(CountThreads(), threads);
  XCloseDisplay(x16);
}

TEST_F(EditorX11Test, NoDisplayIsRefusedCleanly)
{
  unsetenv("DISPLAY");
  EXPECT_EQ(Open(), 0u);
  setenv("DISPLAY", TestDisplayName().c_str(), 1);
  EXPECT_FALSE(editor->IsWindowOpen());
}

TEST_F(EditorX11Test, ImageResourcesLoadOnlyUnderAPngName)
{
  RasterBitmap* background = editor->LoadBitmapResource(100, "background.PNG");
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->GetWidth(), 368);
  EXPECT_EQ(background->GetHeight(), 240);
  delete background;
  EXPECT_EQ(editor->LoadBitmapResource(100, "background.bmp"), nullptr);
  EXPECT_EQ(editor->LoadBitmapResource(999, "missing.png"), nullptr);
}

TEST_F(EditorX11Test, HostAndPluginPathsAreFoldersEndingInASlash)
{
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = 0;
  std::string folder(self);
  folder = folder.substr(0, folder.rfind('/') + 1);
  IText path;
  editor->GetHostPath(&path);
  EXPECT_EQ(std::string(path.Get()), folder);
  // Linked into the test program here; in a plug-in module it is the module's folder.
  editor->GetPluginPath(&path);
  EXPECT_EQ(std::string(path.Get()), folder);
}
