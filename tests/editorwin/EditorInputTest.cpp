// What reaches the screen at each timer tick, and what real input (SendInput: the pointer,
// buttons, wheel and keyboard of the Xvfb display) does to the controls and the host.
#include "raster/RasterPrimitives.h"
#include "raster/RasterSysBitmap.h"
#include "tests/editorwin/EditorWinFixture.h"

namespace {

using Events = std::vector<std::string>;

// Redraw ---------------------------------------------------------------------------------------

TEST_F(EditorTest, TheFirstTickShowsThePanelExactlyAsComposed) {
  MakeProductEditor();
  Open();
  StopTimer();
  Tick();
  Tick();  // the hidden overlay's second pass
  RasterSysBitmap want(kWidth, kHeight);
  ComposeProductPanel(&want, 0.0, 0.0, 1.0, false, "0");
  const WindowPixels shot = Shot();
  int differing = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (shot.At(x, y) != (RasterGetPixel(&want, x, y) & 0xFFFFFF)) ++differing;
  EXPECT_EQ(differing, 0);
}

TEST_F(EditorTest, ATickRedrawsTheUnionOfTheDirtyControlsAndNothingElse) {
  MakeProbeEditor();
  Open();
  StopTimer();
  Tick();
  WindowPixels shot = Shot();
  EXPECT_EQ(FirstPixelNot(shot, a->GetBounds(), 0xC03030), "");
  EXPECT_EQ(FirstPixelNot(shot, IPixelRect(130, 100, 368, 240), 0x404040), "");

  // Everything would now draw differently, but only a and c are dirty: their union
  // (20, 20, 120, 200) is redrawn, background included; b and the rest stay as shown.
  background->colour = 0x808080;
  a->colour = 0xFFFFFF;
  b->colour = 0xFFFF00;
  c->colour = 0x000000;
  a->MarkDirty(false);
  c->MarkDirty(false);
  const int bRenders = b->renders;
  Tick();
  shot = Shot();
  EXPECT_EQ(FirstPixelNot(shot, a->GetBounds(), 0xFFFFFF), "");
  EXPECT_EQ(FirstPixelNot(shot, c->GetBounds(), 0x000000), "");
  EXPECT_EQ(FirstPixelNot(shot, IPixelRect(20, 80, 120, 120), 0x808080), "");
  EXPECT_EQ(FirstPixelNot(shot, b->GetBounds(), 0x3030C0), "");
  EXPECT_EQ(FirstPixelNot(shot, IPixelRect(0, 0, 20, 240), 0x404040), "");
  EXPECT_EQ(FirstPixelNot(shot, IPixelRect(120, 0, 200, 240), 0x404040), "");
  EXPECT_EQ(b->renders, bRenders);

  // Nothing dirty: a tick draws nothing.
  const int aRenders = a->renders;
  Tick();
  EXPECT_EQ(a->renders, aRenders);
}

TEST_F(EditorTest, APaintRequestOfTheSystemRedrawsJustItsArea) {
  MakeProbeEditor();
  Open();
  StopTimer();
  Tick();
  background->colour = 0x808080;
  const int bRenders = b->renders;
  RECT uncovered = {150, 100, 250, 150};
  InvalidateRect(Window(), &uncovered, FALSE);
  UpdateWindow(Window());
  const WindowPixels shot = Shot();
  EXPECT_EQ(FirstPixelNot(shot, IPixelRect(150, 100, 250, 150), 0x808080), "");
  EXPECT_EQ(FirstPixelNot(shot, IPixelRect(250, 100, 368, 240), 0x404040), "");
  EXPECT_EQ(b->renders, bRenders);
  RECT left;
  EXPECT_FALSE(GetUpdateRect(Window(), &left, FALSE));
}

TEST_F(EditorTest, AnEditorWithoutControlsDoesNotPaintForEver) {
  canvas = new IEditorWindowWin(&plug, kWidth, kHeight, 0);
  plug.AttachEditor(canvas);
  HWND hwnd = Open();
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  RECT left;
  EXPECT_FALSE(GetUpdateRect(hwnd, &left, FALSE));
}

// Mouse --------------------------------------------------------------------------------------

TEST_F(EditorTest, AKnobDragIsOneGestureToTheHostEvenWhenReleasedOutsideTheEditor) {
  MakeProductEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 284, 100);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return plug.events.size() >= 2; }));
  EXPECT_EQ(GetCapture(), hwnd);
  for (int y = 90; y >= 50; y -= 10) {
    MoveMouseToClient(hwnd, 284, y);
    Pump();
  }
  // Beyond the editor's right edge, in the host's own area: the capture keeps it ours.
  MoveMouseToClient(hwnd, kWidth + 80, 40);
  Pump();
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return !plug.events.empty() && plug.events.back() == "end 1"; }));
  EXPECT_EQ(GetCapture(), nullptr);

  const Events& e = plug.events;
  ASSERT_GE(e.size(), 4u);
  EXPECT_EQ(e[0], "automate 1");  // the press resends the value, then the gesture begins
  EXPECT_EQ(e[1], "begin 1");
  for (size_t i = 2; i + 1 < e.size(); ++i) EXPECT_EQ(e[i], "automate 1") << i;
  // 60 pixels up on a knob 138 tall with gearing 4.
  EXPECT_NEAR(panel.knob->GetValue(), 60.0 / 138.0 / 4.0, 1e-12);
  EXPECT_NEAR(plug.automated.back().second, 60.0 / 138.0 / 4.0, 1e-12);
  EXPECT_EQ(canvas->GetCaptureIndex(), -1);
}

TEST_F(EditorTest, TheMiddleButtonPressesWithNeitherButtonAndGivesTheCaptureBack) {
  MakeProbeEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 50, 40);
  SendMouseButton(MOUSEEVENTF_MIDDLEDOWN);
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log.back(), "a:press 50,40 -");
  EXPECT_EQ(GetCapture(), hwnd);
  EXPECT_EQ(plug.events, (Events{"begin 1"}));
  SendMouseButton(MOUSEEVENTF_MIDDLEUP);
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
  EXPECT_EQ(log.back(), "a:release 50,40 -");
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(plug.events, (Events{"begin 1", "end 1"}));
}

TEST_F(EditorTest, TheRightButtonPressesReleasesAndDragsWithItsKeys) {
  MakeProbeEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 220, 30);
  SendKey(VK_SHIFT, true);
  SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
  PumpFor(30);
  // Wine takes its key state from the X server again when the capture grabs the pointer,
  // and the server never saw the injected Shift: press it again inside the grab.
  SendKey(VK_SHIFT, true);
  PumpFor(10);
  MoveMouseToClient(hwnd, 225, 33);
  PumpFor(30);
  SendMouseButton(MOUSEEVENTF_RIGHTUP);
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 3; }));
  SendKey(VK_SHIFT, false);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "b:press 220,30 R+shift");
  EXPECT_EQ(log[1], "b:drag 225,33 by 5,3 R+shift");
  EXPECT_EQ(log[2].rfind("b:release 225,33 -", 0), 0u) << log[2];
  // A move with no button held reaches nothing.
  log.clear();
  MoveMouseToClient(hwnd, 240, 40);
  PumpFor(30);
  EXPECT_TRUE(log.empty());
}

TEST_F(EditorTest, ADoubleClickReachesTheControlBetweenItsPressesAndReleases) {
  MakeProbeEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 40, 150);
  for (int i = 0; i < 2; ++i) {
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
  }
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 4; }));
  EXPECT_EQ(log, (Events{"c:press 40,150 L", "c:release 40,150 -", "c:double 40,150", "c:release 40,150 -"}));
  // "Power" was on when the editor was attached: the double click restores that.
  EXPECT_EQ(c->GetValue(), 1.0);
  // The release after the double click ends no gesture it began.
  EXPECT_EQ(plug.events, (Events{"begin 0", "end 0", "automate 0", "end 0"}));
}

TEST_F(EditorTest, TheWheelTurnsInWholeNotchesAtThePointersPanelPosition) {
  MakeProbeEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 60, 40);
  SendWheel(-240);
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log.back(), "a:wheel -2 at 60,40");
  SendWheel(60);
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
  EXPECT_EQ(log.back(), "a:wheel 0 at 60,40");
  // -2 notches from 0 stay at 0; the wheel brackets nothing.
  EXPECT_EQ(plug.events, (Events{"automate 1", "automate 1"}));
}

TEST_F(EditorTest, AGestureWhoseCaptureIsTakenAwayStillEnds) {
  MakeProbeEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 50, 40);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return plug.events.size() == 1; }));
  SetCapture(host->frame);  // another window takes the mouse mid-gesture
  EXPECT_EQ(plug.events, (Events{"begin 1", "end 1"}));
  EXPECT_EQ(canvas->GetCaptureIndex(), -1);
  ReleaseCapture();
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  PumpFor(50);
  // The button's own release, over the editor, ends nothing a second time.
  EXPECT_EQ(plug.events, (Events{"begin 1", "end 1"}));

  // The editor closed mid-gesture ends it too (pressed elsewhere: not a double click).
  MoveMouseToClient(hwnd, 90, 60);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return plug.events.size() == 3; }));
  canvas->CloseWindow();
  EXPECT_EQ(plug.events.back(), "end 1");
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump();
}

// Keys ---------------------------------------------------------------------------------------

TEST_F(EditorTest, KeysAreTranslatedForTheControlUnderThePointer) {
  MakeProbeEditor();
  HWND hwnd = Open();
  MoveMouseToClient(hwnd, 220, 30);
  const WORD keys[] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, '0', '9', 'A', 'Z', VK_F5, VK_RETURN};
  for (WORD key : keys) TapKey(key);
  ASSERT_TRUE(PumpUntil([&] { return log.size() >= 9; }));
  PumpFor(30);
  EXPECT_EQ(log, (Events{"b:key 0 at 220,30", "b:key 1 at 220,30", "b:key 2 at 220,30", "b:key 3 at 220,30",
                         "b:key 4 at 220,30", "b:key 5 at 220,30", "b:key 14 at 220,30", "b:key 15 at 220,30",
                         "b:key 40 at 220,30"}));

  // Over the background no control is asked: the key belongs to the window system.
  log.clear();
  MoveMouseToClient(hwnd, 160, 220);
  TapKey('Q');
  PumpFor(50);
  EXPECT_TRUE(log.empty());
  // Straight messages show the answer: 0 for a key the control takes, the default
  // procedure's for the rest (also 0 for a child window, so only the control's call shows).
  b->handlesKeys = true;
  MoveMouseToClient(hwnd, 220, 30);
  EXPECT_EQ(SendMessageA(hwnd, WM_KEYDOWN, 'K', 0), 0);
  EXPECT_EQ(log.back(), "b:key 25 at 220,30");
}

}  // namespace
