// The canvas's control registry, redraw pass, and mouse, key and prompt dispatch.
#include <gtest/gtest.h>

#include <algorithm>

#include "graphics/IBitmapControl.h"
#include "graphics/IPopupMenu.h"
#include "plugin/IText.h"
#include "raster/RasterSysBitmap.h"
#include "tests/graphics/GraphicsTestSupport.h"

namespace {

const IMouseKeys kLeft(true, false, false, false, false);
const IMouseKeys kRight(false, true, false, false, false);

using Log = std::vector<std::string>;

// Log entries of one kind ("render", "press ...") in order, by control name.
Log Calls(const Log& log, const std::string& call) {
  Log out;
  for (const std::string& e : log)
    if (e.find(":" + call) != std::string::npos) out.push_back(e.substr(0, e.find(':')));
  return out;
}

class CanvasTest : public ::testing::Test {
 protected:
  RecordingControl* Add(const IPixelRect& bounds, int param, const char* name) {
    RecordingControl* c = new RecordingControl(&fx.plug, bounds, param, &log, name);
    fx.canvas->AttachControl(c);
    return c;
  }
  void CleanAll() {
    for (int i = 0; i < fx.canvas->NControls(); ++i) {
      fx.canvas->GetControl(i)->MarkClean();
      fx.canvas->GetControl(i)->MarkClean();
    }
  }
  Log log;  // outlives the controls, which log their deletion
  PanelFixture fx;
};

TEST(Canvas, FrameRateDefaultsTo25) {
  HeadlessCanvas zero(nullptr, 10, 10, 0), negative(nullptr, 10, 10, -5), thirty(nullptr, 10, 10, 30);
  EXPECT_EQ(zero.GetFramesPerSecond(), 25);
  EXPECT_EQ(negative.GetFramesPerSecond(), 25);
  EXPECT_EQ(thirty.GetFramesPerSecond(), 30);
  EXPECT_EQ(zero.GetCaptureIndex(), -1);
  EXPECT_EQ(zero.GetBackBuffer(), nullptr);
  EXPECT_FALSE(zero.IsWindowOpen());
  EXPECT_STREQ(zero.ReservedTextQuery(), "");
  EXPECT_EQ(zero.ReservedHandleQuery(), nullptr);
}

TEST_F(CanvasTest, BackgroundGoesFirstAndControlsKeepTheirOrder) {
  EXPECT_EQ(Add(IPixelRect(1, 1, 2, 2), -1, "a") != nullptr, true);
  EXPECT_EQ(fx.canvas->NControls(), 1);
  RecordingControl* b = Add(IPixelRect(1, 1, 2, 2), -1, "b");
  EXPECT_EQ(fx.canvas->GetControl(1), b);
  fx.canvas->AttachBackground(100, "resources/img/background.png");
  ASSERT_EQ(fx.canvas->NControls(), 3);
  IControl* background = fx.canvas->GetControl(0);
  EXPECT_EQ(background->GetBounds(), IPixelRect(0, 0, 368, 240));
  EXPECT_EQ(background->GetParamIndex(), -1);
  EXPECT_EQ(background->GetBlend().method, BlendReplace);
  EXPECT_EQ(background->GetBlend().weight, 1.0f);
  EXPECT_EQ(fx.canvas->GetControl(2), b);
  EXPECT_EQ(fx.canvas->AttachControl(nullptr), -1);
  EXPECT_EQ(fx.canvas->GetControl(3), nullptr);
  EXPECT_EQ(fx.canvas->GetControl(-1), nullptr);
}

TEST_F(CanvasTest, AttachingPushesEveryValueThenMakesTheBackBuffer) {
  RecordingControl* amount = Add(IPixelRect(0, 0, 10, 10), 1, "amount");
  fx.plug.GetParam(1)->SetValue(40.0);
  fx.Attach();
  EXPECT_EQ(amount->GetValue(), 0.4);
  EXPECT_EQ(amount->GetDefaultValue(), 0.4);
  ASSERT_NE(fx.canvas->GetBackBuffer(), nullptr);
  EXPECT_EQ(fx.canvas->GetBackBuffer()->GetWidth(), 368);
  EXPECT_EQ(fx.canvas->GetBackBuffer()->GetHeight(), 240);
}

TEST_F(CanvasTest, ParameterValuesReachEveryControlBoundToThemAndNoOther) {
  RecordingControl* a = Add(IPixelRect(0, 0, 10, 10), 1, "a");
  RecordingControl* b = Add(IPixelRect(0, 0, 10, 10), 1, "b");
  RecordingControl* other = Add(IPixelRect(0, 0, 10, 10), 2, "other");
  fx.Attach();
  fx.canvas->PushParamToControls(1, 0.5, true);
  EXPECT_EQ(a->GetValue(), 0.5);
  EXPECT_EQ(b->GetValue(), 0.5);
  EXPECT_EQ(other->GetValue(), 0.0);
  fx.canvas->PushParamToControls(1, 30.0, false);  // real units of "Amount"
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.3);
  fx.canvas->PushParamToControls(7, 0.9, true);    // carried by no control
  fx.canvas->PushParamToControls(7, 0.9, false);   // and no parameter to normalise with
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.3);
  EXPECT_TRUE(fx.plug.automated.empty());
}

TEST_F(CanvasTest, DirtyAreaIsTheUnionOfDirtyBounds) {
  Add(IPixelRect(20, 63, 60, 121), -1, "type");
  Add(IPixelRect(20, 147, 56, 177), -1, "power");
  Add(IPixelRect(0, 0, 0, 0), -1, "empty");
  Add(IPixelRect(200, 0, 210, 10), -1, "clean");
  fx.canvas->GetControl(3)->MarkClean();
  IPixelRect area;
  EXPECT_TRUE(fx.canvas->CollectDirtyArea(&area));
  EXPECT_EQ(area, IPixelRect(20, 63, 60, 177));

  CleanAll();
  area = IPixelRect();
  EXPECT_FALSE(fx.canvas->CollectDirtyArea(&area));
  fx.canvas->GetControl(2)->MarkDirty(false);  // empty bounds: dirty, but adds nothing
  EXPECT_TRUE(fx.canvas->CollectDirtyArea(&area));
  EXPECT_EQ(area, IPixelRect());
  fx.canvas->GetControl(3)->SetHidden(true);   // a hidden control repaints what it covered
  EXPECT_TRUE(fx.canvas->CollectDirtyArea(&area));
  EXPECT_EQ(area, IPixelRect(200, 0, 210, 10));
  EXPECT_FALSE(fx.canvas->CollectDirtyArea(nullptr));
}

TEST_F(CanvasTest, RedrawDrawsOverlappingVisibleControlsInOrderAndCleansAll) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  Add(IPixelRect(100, 0, 150, 50), -1, "touching");
  Add(IPixelRect(101, 0, 150, 50), -1, "outside");
  Add(IPixelRect(0, 100, 50, 150), -1, "below");  // touches the bottom edge
  RecordingControl* hidden = Add(IPixelRect(10, 10, 20, 20), -1, "hidden");
  hidden->SetHidden(true);
  Add(IPixelRect(0, 0, 0, 0), -1, "empty");
  fx.Attach();
  log.clear();
  EXPECT_TRUE(fx.canvas->RedrawArea(IPixelRect(0, 0, 100, 100)));
  EXPECT_EQ(Calls(log, "render"), (Log{"back", "touching", "below"}));
  ASSERT_EQ(fx.canvas->presented.size(), 1u);
  EXPECT_EQ(fx.canvas->presented[0], IPixelRect(0, 0, 100, 100));
  EXPECT_EQ(fx.canvas->GetDrawClip(), IPixelRect(0, 0, 100, 100));
  // Every control is clean afterwards but the hidden one, whose change asked for two passes.
  for (int i = 0; i < fx.canvas->NControls(); ++i)
    EXPECT_EQ(fx.canvas->GetControl(i)->IsDirty(), fx.canvas->GetControl(i) == hidden) << i;
  log.clear();
  fx.canvas->RedrawArea(IPixelRect(0, 0, 368, 240));
  EXPECT_FALSE(hidden->IsDirty());
  EXPECT_EQ(std::count(log.begin(), log.end(), "hidden:render"), 0);

  fx.canvas->presentResult = false;
  EXPECT_FALSE(fx.canvas->RedrawArea(IPixelRect(0, 0, 368, 240)));
}

TEST_F(CanvasTest, RedrawOfAnEmptyAreaDrawsNothingButCleansAndPresents) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  fx.Attach();
  log.clear();
  EXPECT_TRUE(fx.canvas->RedrawArea(IPixelRect()));
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(fx.canvas->GetControl(0)->IsDirty());
  EXPECT_EQ(fx.canvas->presented.size(), 1u);
}

TEST(Canvas, RedrawWithoutControlsPresentsNothingAndSucceeds) {
  HeadlessCanvas canvas(nullptr);
  EXPECT_TRUE(canvas.RedrawArea(IPixelRect(0, 0, 10, 10)));
  EXPECT_TRUE(canvas.presented.empty());
}

TEST_F(CanvasTest, ATickRedrawsTheDirtyUnionOnly) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* knob = Add(IPixelRect(222, 30, 346, 168), 1, "knob");
  fx.Attach();
  fx.canvas->OpenWindow(nullptr);
  EXPECT_TRUE(fx.canvas->Tick());
  EXPECT_EQ(fx.canvas->presented.back(), IPixelRect(0, 0, 368, 240));
  EXPECT_FALSE(fx.canvas->Tick());
  log.clear();
  fx.canvas->PushParamToControls(1, 0.8, true);
  EXPECT_TRUE(fx.canvas->Tick());
  EXPECT_EQ(fx.canvas->presented.back(), IPixelRect(222, 30, 346, 168));
  EXPECT_EQ(Calls(log, "render"), (Log{"back", "knob"}));
  EXPECT_TRUE(knob->IsDirty());  // the second of its two passes
  EXPECT_TRUE(fx.canvas->Tick());
  EXPECT_FALSE(fx.canvas->Tick());
}

TEST_F(CanvasTest, ResizeDropsTheCaptureAndMarksEverythingDirty) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  fx.Attach();
  fx.canvas->MousePressed(5, 5, kLeft);
  CleanAll();
  fx.canvas->Resize(400, 300);
  EXPECT_EQ(fx.canvas->GetWidth(), 400);
  EXPECT_EQ(fx.canvas->GetHeight(), 300);
  EXPECT_EQ(fx.canvas->GetCaptureIndex(), -1);
  EXPECT_EQ(fx.canvas->GetLastMouseX(), -1);
  EXPECT_TRUE(fx.canvas->GetControl(0)->IsDirty());
}

TEST_F(CanvasTest, DestroyingTheCanvasDeletesControlsLastFirst) {
  Add(IPixelRect(0, 0, 1, 1), -1, "a");
  Add(IPixelRect(0, 0, 1, 1), -1, "b");
  Add(IPixelRect(0, 0, 1, 1), -1, "c");
  delete fx.canvas;
  fx.attached = true;  // gone already
  EXPECT_EQ(Calls(log, "deleted"), (Log{"c", "b", "a"}));
}

// Mouse and keys ------------------------------------------------------------------------

TEST_F(CanvasTest, ThePressGoesToTheTopmostVisibleUngreyedControl) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* lower = Add(IPixelRect(10, 10, 60, 60), -1, "lower");
  RecordingControl* upper = Add(IPixelRect(40, 40, 90, 90), -1, "upper");
  fx.Attach();
  EXPECT_EQ(fx.canvas->FindControlAt(50, 50), 2);
  upper->SetGreyed(true);
  EXPECT_EQ(fx.canvas->FindControlAt(50, 50), 1);
  lower->SetHidden(true);
  EXPECT_EQ(fx.canvas->FindControlAt(50, 50), 0);
  EXPECT_EQ(fx.canvas->FindControlAt(400, 50), -1);
  upper->SetGreyed(false);
  log.clear();
  fx.canvas->MousePressed(50, 50, kLeft);
  EXPECT_EQ(log, (Log{"upper:press 50,50"}));
  EXPECT_EQ(fx.canvas->GetCaptureIndex(), 2);
}

TEST_F(CanvasTest, AGestureOnABoundControlIsBracketedByBeginAndEndEdit) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* bound = Add(IPixelRect(10, 10, 60, 60), 1, "bound");
  bound->SetValue(0.25);
  fx.Attach();
  // The press changes the value first, so the host hears it before the gesture begins.
  struct Pressing : RecordingControl {
    using RecordingControl::RecordingControl;
    void HandlePress(int, int, const IMouseKeys&) override {
      value = 0.5;
      MarkDirty(true);
    }
    void HandleDrag(int, int, int, int dY, const IMouseKeys&) override {
      value += -dY * 0.01;
      MarkDirty(true);
    }
  };
  Pressing* knob = new Pressing(&fx.plug, IPixelRect(100, 10, 160, 60), 1, &log, "knob");
  fx.canvas->AttachControl(knob);
  fx.plug.events.clear();
  fx.canvas->MousePressed(120, 30, kLeft);
  fx.canvas->MouseDragged(120, 25, kLeft);
  fx.canvas->MouseDragged(120, 25, kLeft);  // no movement: nothing
  fx.canvas->MouseDragged(500, 900, kLeft);  // far outside: still the captured control
  fx.canvas->MouseReleased(500, 900, kLeft);
  EXPECT_EQ(fx.plug.events, (Log{"automate 1", "begin 1", "automate 1", "automate 1", "end 1"}));
  EXPECT_EQ(fx.canvas->GetCaptureIndex(), -1);
  fx.canvas->MouseDragged(130, 30, kLeft);  // a drag without a press reaches nobody
  EXPECT_EQ(fx.plug.events.size(), 5u);
  (void)bound;
}

TEST_F(CanvasTest, DragsCarryDeltasSinceTheLastPosition) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  fx.Attach();
  fx.canvas->MousePressed(100, 100, kLeft);
  EXPECT_EQ(fx.canvas->GetLastMouseX(), 100);
  fx.canvas->MouseDragged(103, 90, kLeft);
  fx.canvas->MouseDragged(103, 91, kLeft);
  fx.canvas->MouseReleased(103, 91, kLeft);
  EXPECT_EQ(Calls(log, "drag"), (Log{"back", "back"}));
  EXPECT_NE(std::find(log.begin(), log.end(), "back:drag 3,-10"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "back:drag 0,1"), log.end());
  EXPECT_TRUE(fx.plug.events.empty());  // the background is bound to nothing
}

TEST_F(CanvasTest, AReleaseWithoutCaptureGoesToTheControlUnderThePointer) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  Add(IPixelRect(10, 10, 60, 60), 2, "type");
  fx.Attach();
  fx.canvas->MouseReleased(20, 20, kLeft);
  EXPECT_EQ(log.back(), "type:release 20,20");
  EXPECT_EQ(fx.plug.events, (Log{"end 2"}));
  log.clear();
  HeadlessCanvas bare(&fx.plug);
  bare.MouseReleased(20, 20, kLeft);  // nothing at all under the pointer
  bare.MousePressed(20, 20, kLeft);
  bare.MouseDoubleClicked(20, 20, kLeft);
  bare.MouseWheeled(20, 20, kLeft, 1);
  EXPECT_FALSE(bare.KeyPressed(20, 20, 5));
  EXPECT_EQ(fx.plug.events.size(), 1u);
}

TEST_F(CanvasTest, ADoubleClickDropsTheCaptureSoTheReleaseEndsAnUnbegunEdit) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* type = Add(IPixelRect(10, 10, 60, 60), 2, "type");
  fx.Attach();
  type->SetValue(1.0);  // its default (from the attach) is 0
  fx.plug.events.clear();
  fx.canvas->MousePressed(20, 20, kLeft);
  fx.canvas->MouseReleased(20, 20, kLeft);
  fx.canvas->MouseDoubleClicked(20, 20, kLeft);
  EXPECT_EQ(fx.canvas->GetCaptureIndex(), -1);
  EXPECT_EQ(fx.canvas->GetLastMouseX(), -1);
  fx.canvas->MouseReleased(20, 20, kLeft);
  EXPECT_EQ(fx.plug.events, (Log{"begin 2", "end 2", "automate 2", "end 2"}));
  EXPECT_EQ(type->GetValue(), 0.0);
}

TEST_F(CanvasTest, TheWheelGoesToTheCapturedControlElseTheOneUnderThePointer) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  Add(IPixelRect(10, 10, 60, 60), 1, "a");
  Add(IPixelRect(100, 10, 160, 60), 1, "b");
  fx.Attach();
  fx.canvas->MouseWheeled(120, 20, kLeft, -2);
  fx.canvas->MousePressed(20, 20, kLeft);
  fx.canvas->MouseWheeled(120, 20, kLeft, 3);
  EXPECT_EQ(Calls(log, "wheel"), (Log{"b", "a"}));
  EXPECT_EQ(fx.plug.events, (Log{"begin 1"}));  // the wheel itself brackets nothing
}

TEST_F(CanvasTest, KeysFallThroughToTheWindowSystemFromTheBackgroundOrNothing) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* c = Add(IPixelRect(10, 10, 60, 60), -1, "c");
  fx.Attach();
  EXPECT_FALSE(fx.canvas->KeyPressed(200, 200, 15));
  EXPECT_FALSE(fx.canvas->KeyPressed(20, 20, 15));
  c->handlesKeys = true;
  EXPECT_TRUE(fx.canvas->KeyPressed(20, 20, 16));
  EXPECT_EQ(Calls(log, "key"), (Log{"c", "c"}));  // the background never saw a key
}

// Prompts ---------------------------------------------------------------------------------

TEST_F(CanvasTest, ABooleanWithValueTextsPromptsWithAMenuOfThem) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* power = Add(IPixelRect(20, 147, 56, 177), 0, "power");
  fx.Attach();
  ASSERT_EQ(power->GetValue(), 1.0);  // "Power" is on by default
  power->SetPromptDisabled(false);
  fx.canvas->menuChoice = 0;
  fx.canvas->MousePressed(30, 150, kRight);
  ASSERT_EQ(fx.canvas->menus.size(), 1u);
  const auto& items = fx.canvas->menus[0];
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "off");
  EXPECT_EQ(items[0].flags, 0);
  EXPECT_EQ(items[1].text, "on");
  EXPECT_EQ(items[1].flags, IPopupMenuItem::kChecked);
  EXPECT_EQ(fx.canvas->menuAreas[0], IPixelRect(20, 147, 56, 177));
  EXPECT_EQ(power->GetValue(), 0.0);
  EXPECT_EQ(fx.plug.GetParam(0)->GetValue(), 0.0);
  EXPECT_TRUE(fx.canvas->textEntries.empty());

  fx.canvas->menuChoice = -1;  // dismissed: nothing changes
  fx.plug.events.clear();
  power->PromptForValue();
  EXPECT_EQ(fx.canvas->menus.size(), 2u);
  EXPECT_TRUE(fx.plug.events.empty());
  EXPECT_EQ(power->GetValue(), 0.0);
}

TEST_F(CanvasTest, OtherParametersPromptWithATextEntryOfTheirNumber) {
  Add(IPixelRect(0, 0, 368, 240), -1, "back");
  RecordingControl* amount = Add(IPixelRect(222, 30, 346, 168), 1, "amount");
  fx.Attach();
  fx.plug.GetParam(1)->SetValue(37.0);
  amount->SetPromptDisabled(false);
  fx.canvas->MousePressed(240, 60, kRight);
  ASSERT_EQ(fx.canvas->textEntries.size(), 1u);
  EXPECT_EQ(fx.canvas->textEntries[0].text, "37");
  EXPECT_EQ(fx.canvas->textEntries[0].area, IPixelRect(269, 91, 299, 107));
  EXPECT_TRUE(fx.canvas->menus.empty());
  fx.canvas->OpenValuePrompt(nullptr, fx.plug.GetParam(1), &fx.canvas->textEntries[0].area);
  fx.canvas->OpenValuePrompt(amount, nullptr, &fx.canvas->textEntries[0].area);
  fx.canvas->OpenValuePrompt(amount, fx.plug.GetParam(1), nullptr);
  EXPECT_EQ(fx.canvas->textEntries.size(), 1u);

  fx.canvas->CommitTextEntry("64");
  EXPECT_DOUBLE_EQ(amount->GetValue(), 0.64);
  EXPECT_EQ(fx.plug.GetParam(1)->GetValue(), 64.0);
  fx.canvas->CommitTextEntry("lots");  // not a number: 0
  EXPECT_EQ(fx.plug.GetParam(1)->GetValue(), 0.0);
  fx.canvas->CommitTextEntry("250");   // beyond the range: held to it
  EXPECT_EQ(fx.plug.GetParam(1)->GetValue(), 100.0);
}

TEST(CanvasTextEntry, CharactersPassByParameterKind) {
  IPlugParam integer, number, boolean, undeclared;
  integer.DeclareInt("i", 0, -10, 10, "");
  number.DeclareNumber("n", 0.0, -10.0, 10.0, 0.1, "");
  boolean.DeclareBool("b", false);
  for (const IPlugParam* p : {&integer, &boolean}) {
    EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(p, '7'));
    EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(p, '-'));
    EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(p, '+'));
    EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(p, '\b'));
    EXPECT_FALSE(HeadlessCanvas::TextEntryAccepts(p, '.'));
    EXPECT_FALSE(HeadlessCanvas::TextEntryAccepts(p, 'a'));
  }
  for (char c : std::string("-12.5"))
    EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(&number, c)) << c;
  EXPECT_FALSE(HeadlessCanvas::TextEntryAccepts(&number, 'e'));
  EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(&undeclared, 'x'));
  EXPECT_TRUE(HeadlessCanvas::TextEntryAccepts(nullptr, 'x'));
}

TEST(CanvasTextEntry, CommitReadsValueTextsForBooleansAndNegatesForNegatedDisplay) {
  TestPlug plug;
  plug.DeclareProductParams();
  RecordingControl power(&plug, IPixelRect(0, 0, 1, 1), 0, nullptr, "p");
  HeadlessCanvas::CommitEnteredText(&power, plug.GetParam(0), "on");
  EXPECT_EQ(power.GetValue(), 1.0);
  HeadlessCanvas::CommitEnteredText(&power, plug.GetParam(0), "On");  // exact match only
  EXPECT_EQ(power.GetValue(), 0.0);

  IPlugParam gain;
  gain.DeclareNumber("Gain", 0.0, -20.0, 0.0, 0.5, "dB");
  gain.SetNegatedDisplay(true);
  RecordingControl c(nullptr, IPixelRect(0, 0, 1, 1), -1, nullptr, "c");
  HeadlessCanvas::CommitEnteredText(&c, &gain, "12.5");
  EXPECT_DOUBLE_EQ(c.GetValue(), gain.NormalizeValue(-12.5));

  struct TextControl : RecordingControl {
    using RecordingControl::RecordingControl;
    void ApplyEnteredText(const char* text) override { got = text; }
    std::string got;
  } entry(nullptr, IPixelRect(0, 0, 1, 1), -1, nullptr, "f");
  HeadlessCanvas::CommitEnteredText(&entry, nullptr, "hello");
  EXPECT_EQ(entry.got, "hello");
  HeadlessCanvas::CommitEnteredText(nullptr, &gain, "1");  // nothing to commit to
}

TEST(CanvasMenu, ItemsAreNumberedByThePrefixStyleAndInsertedWhereAsked) {
  IPopupMenu menu(IPopupMenu::kPrefixTwoDigits);
  menu.AddItem("one");
  menu.AddItem("two");
  menu.AddItem("three", -1, IPopupMenuItem::kGreyed);
  menu.AddSeparator(0);
  menu.AddItem(new IPopupMenuItem("last"), 99);
  ASSERT_EQ(menu.NItems(), 5);
  EXPECT_TRUE(menu.GetItem(0)->IsSeparator());
  char text[64];
  menu.FormatItemText(3, text, sizeof text);
  EXPECT_STREQ(text, "04: three");
  menu.FormatItemText(2, text, sizeof text);
  EXPECT_STREQ(text, "03: two");
  menu.FormatItemText(4, text, sizeof text);
  EXPECT_STREQ(text, "05: last");
  menu.prefixStyle = IPopupMenu::kPrefixOneDigit;
  menu.FormatItemText(1, text, sizeof text);
  EXPECT_STREQ(text, "2: one");
  menu.prefixStyle = IPopupMenu::kPrefixThreeDigits;
  menu.FormatItemText(1, text, 6);  // cut to the buffer
  EXPECT_STREQ(text, "002: ");
  menu.FormatItemText(9, text, sizeof text);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(menu.chosenIndex, -1);
  EXPECT_EQ(menu.AddItem(static_cast<IPopupMenuItem*>(nullptr)), nullptr);
}

}  // namespace
