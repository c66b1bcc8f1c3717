// The control base and the bitmap, switch and knob controls.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/IBitmapControl.h"
#include "graphics/IKnobMultiControlText.h"
#include "graphics/ISwitchControl.h"
#include "tests/graphics/GraphicsTestSupport.h"

namespace {

const IMouseKeys kLeft(true, false, false, false, false);
const IMouseKeys kRight(false, true, false, false, false);
const IMouseKeys kLeftShift(true, false, true, false, false);
const IMouseKeys kNone;

// Sizes of the product's images; no pixels are needed to test behaviour.
const IBitmapRef kKnob(nullptr, 124, 12524, 101);
const IBitmapRef kSwitch(nullptr, 40, 116, 2);
const IBitmapRef kPower(nullptr, 36, 60, 2);

class ControlTest : public ::testing::Test {
 protected:
  ControlTest() { plug.DeclareProductParams(); }
  TestPlug plug;
};

TEST_F(ControlTest, WheelMovesByHundredthsOrThousandthsAndClamps) {
  RecordingControl c(&plug, IPixelRect(0, 0, 10, 10), 1, nullptr, "c");
  c.SetValue(0.995);
  c.IControl::HandleWheel(0, 0, kNone, 1);
  EXPECT_EQ(c.GetValue(), 1.0);
  ASSERT_FALSE(plug.automated.empty());
  EXPECT_EQ(plug.automated.back(), std::make_pair(1, 1.0));

  c.SetValue(0.5);
  c.IControl::HandleWheel(0, 0, IMouseKeys(false, false, true, false, false), -1);
  EXPECT_DOUBLE_EQ(c.GetValue(), 0.499);
  c.IControl::HandleWheel(0, 0, IMouseKeys(false, false, false, true, false), 2);
  EXPECT_DOUBLE_EQ(c.GetValue(), 0.501);
  c.IControl::HandleWheel(0, 0, kNone, -200);
  EXPECT_EQ(c.GetValue(), 0.0);
}

TEST_F(ControlTest, FirstValueFromThePlugInBecomesTheDefault) {
  RecordingControl c(&plug, IPixelRect(0, 0, 10, 10), 1, nullptr, "c");
  c.IControl::HandleDoubleClick(0, 0, kLeft);  // no default yet: nothing
  EXPECT_EQ(c.GetValue(), 0.0);
  EXPECT_TRUE(plug.automated.empty());

  c.MarkClean();
  c.ApplyParamValue(0.3);
  EXPECT_EQ(c.GetValue(), 0.3);
  EXPECT_EQ(c.GetDefaultValue(), 0.3);
  EXPECT_FALSE(c.IsDirty());  // the same value as the default: no change to draw
  c.ApplyParamValue(0.3);
  EXPECT_FALSE(c.IsDirty());

  c.ApplyParamValue(0.7);
  EXPECT_EQ(c.GetDefaultValue(), 0.3);
  c.IControl::HandleDoubleClick(0, 0, kLeft);
  EXPECT_EQ(c.GetValue(), 0.3);
  EXPECT_EQ(plug.automated.back(), std::make_pair(1, 0.3));
}

TEST_F(ControlTest, AChangeFromThePlugInStaysDirtyForTwoPassesAndIsNotEchoed) {
  RecordingControl c(&plug, IPixelRect(0, 0, 10, 10), 1, nullptr, "c");
  c.ApplyParamValue(0.2);
  c.MarkClean();
  c.ApplyParamValue(0.6);
  EXPECT_TRUE(c.IsDirty());
  EXPECT_TRUE(c.NeedsRedraw());
  c.MarkClean();
  EXPECT_TRUE(c.IsDirty());
  c.MarkClean();
  EXPECT_FALSE(c.IsDirty());
  EXPECT_TRUE(plug.automated.empty());
}

TEST_F(ControlTest, ValuesFromThePlugInOutsideTheRangeOrNotANumberStayInRange) {
  RecordingControl first(&plug, IPixelRect(0, 0, 10, 10), 1, nullptr, "c");
  first.ApplyParamValue(std::nan(""));  // ignored, even as the first value
  EXPECT_EQ(first.GetValue(), 0.0);
  EXPECT_LT(first.GetDefaultValue(), 0.0);
  first.ApplyParamValue(1.5);
  EXPECT_EQ(first.GetValue(), 1.0);
  EXPECT_EQ(first.GetDefaultValue(), 1.0);
  first.ApplyParamValue(-3.0);
  EXPECT_EQ(first.GetValue(), 0.0);
  first.ApplyParamValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(first.GetValue(), 1.0);
}

TEST_F(ControlTest, MarkDirtyClampsToTheControlsRange) {
  RecordingControl c(&plug, IPixelRect(0, 0, 10, 10), -1, nullptr, "c");
  c.SetClamp(0.25, 0.75);
  c.SetValue(std::nan(""));
  c.MarkDirty(false);
  EXPECT_EQ(c.GetValue(), 0.25);
  c.SetValue(0.9);
  c.MarkDirty(true);  // bound to nothing: nothing reaches the plug-in
  EXPECT_EQ(c.GetValue(), 0.75);
  EXPECT_TRUE(plug.automated.empty());
}

TEST_F(ControlTest, GreyingSetsTheWeightAndHidingAsksForTwoRedraws) {
  RecordingControl c(&plug, IPixelRect(0, 0, 10, 10), -1, nullptr, "c");
  c.SetGreyed(true);
  EXPECT_EQ(c.GetBlend().weight, 0.25f);
  c.SetGreyed(false);
  EXPECT_EQ(c.GetBlend().weight, 1.0f);
  c.MarkClean();
  c.MarkClean();
  c.SetHidden(true);
  EXPECT_TRUE(c.IsHidden());
  EXPECT_TRUE(c.IsDirty());
  c.MarkClean();
  EXPECT_TRUE(c.IsDirty());
}

TEST_F(ControlTest, HitTestTakesLeftAndTopEdgesButNotRightAndBottom) {
  RecordingControl c(&plug, IPixelRect(10, 20, 30, 40), -1, nullptr, "c");
  EXPECT_TRUE(c.HitTest(10, 20));
  EXPECT_TRUE(c.HitTest(29, 39));
  EXPECT_FALSE(c.HitTest(30, 25));
  EXPECT_FALSE(c.HitTest(15, 40));
  c.SetHitBounds(IPixelRect(0, 0, 0, 0));
  EXPECT_FALSE(c.HitTest(0, 0));
  c.SetHitBounds(IPixelRect(5, 5, 2, 2));  // inverted: nothing inside
  EXPECT_FALSE(c.HitTest(3, 3));
}

TEST_F(ControlTest, UserValuesArePushedOnlyWhenTheyChange) {
  RecordingControl c(&plug, IPixelRect(0, 0, 10, 10), 1, nullptr, "c");
  c.MarkClean();
  c.ApplyUserValue(0.0);
  EXPECT_TRUE(plug.automated.empty());
  EXPECT_FALSE(c.IsDirty());
  c.ApplyUserValue(0.42);
  EXPECT_EQ(plug.automated.back(), std::make_pair(1, 0.42));
  EXPECT_TRUE(c.NeedsRedraw());
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 42.0);
}

TEST(BitmapControl, FrameFollowsTheValueRoundingHalvesUp) {
  EXPECT_EQ(IBitmapControl::FrameForValue(101, 0.0), 1);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, 0.005), 2);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, 0.004999), 1);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, 0.5), 51);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, 1.0), 101);
  EXPECT_EQ(IBitmapControl::FrameForValue(2, 0.49), 1);
  EXPECT_EQ(IBitmapControl::FrameForValue(2, 0.5), 2);
  EXPECT_EQ(IBitmapControl::FrameForValue(1, 0.9), 1);
  EXPECT_EQ(IBitmapControl::FrameForValue(0, 0.9), 1);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, -7.0), 1);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, 1e300), 101);
  EXPECT_EQ(IBitmapControl::FrameForValue(101, std::nan("")), 1);
}

TEST(BitmapControl, BoundsAreOneFrameOfTheBitmap) {
  IBitmapControl power(nullptr, 20, 147, 0, kPower, nullptr);
  EXPECT_EQ(power.GetBounds(), IPixelRect(20, 147, 56, 177));
  IBitmapControl noFrames(nullptr, 0, 0, -1, IBitmapRef(nullptr, 8, 30, 0), nullptr);
  EXPECT_EQ(noFrames.GetBounds(), IPixelRect(0, 0, 8, 30));
  EXPECT_TRUE(noFrames.IsPromptDisabled());
}

TEST_F(ControlTest, TwoStateSwitchAlternatesAndThreeStateSwitchWraps) {
  ISwitchControl two(&plug, 20, 63, 2, kSwitch, nullptr);
  EXPECT_EQ(two.GetBounds(), IPixelRect(20, 63, 60, 121));
  two.HandlePress(25, 70, kLeft);
  EXPECT_EQ(two.GetValue(), 1.0);
  EXPECT_EQ(plug.GetParam(2)->GetValue(), 1.0);
  two.HandlePress(25, 70, kLeft);
  EXPECT_EQ(two.GetValue(), 0.0);

  ISwitchControl three(&plug, 0, 0, -1, IBitmapRef(nullptr, 10, 30, 3), nullptr);
  std::vector<double> seen;
  for (int i = 0; i < 4; ++i) {
    three.HandlePress(1, 1, kLeft);
    seen.push_back(three.GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0, 0.5}));

  ISwitchControl single(&plug, 0, 0, -1, IBitmapRef(nullptr, 10, 10, 1), nullptr);
  single.HandlePress(1, 1, kLeft);
  EXPECT_EQ(single.GetValue(), 1.0);
  single.HandlePress(1, 1, kLeft);
  EXPECT_EQ(single.GetValue(), 0.0);
}

TEST_F(ControlTest, DoubleClickOnASwitchStepsOnceMore) {
  ISwitchControl two(&plug, 20, 63, 2, kSwitch, nullptr);
  two.HandlePress(25, 70, kLeft);         // 0 -> 1
  two.HandleDoubleClick(25, 70, kLeft);   // 1 -> 0
  EXPECT_EQ(two.GetValue(), 0.0);
}

TEST_F(ControlTest, RightClickOnASwitchWithoutPromptResendsItsValue) {
  ISwitchControl power(&plug, 20, 147, 0, kPower, nullptr);
  power.SetValue(1.0);
  power.HandlePress(25, 150, kRight);
  EXPECT_EQ(power.GetValue(), 1.0);
  ASSERT_EQ(plug.automated.size(), 1u);
  EXPECT_EQ(plug.automated[0], std::make_pair(0, 1.0));
  power.SetValue(std::nan(""));
  power.HandlePress(25, 150, kRight);
  EXPECT_EQ(power.GetValue(), 0.0);
}

class KnobTest : public ::testing::Test {
 protected:
  KnobTest() {
    knob = new IKnobMultiControlText(&fx.plug, IPixelRect(222, 30, 346, 168), 1, kKnob, ITextStyle("Trebuchet MS", 16),
                                     nullptr);
    fx.canvas->AttachControl(knob);
    fx.Attach();
  }
  PanelFixture fx;
  IKnobMultiControlText* knob;
};

TEST_F(KnobTest, AreasComeFromTheBoundsAndTheBitmap) {
  EXPECT_EQ(knob->GetImageArea(), IPixelRect(222, 30, 346, 154));
  EXPECT_EQ(knob->GetTextArea(), IPixelRect(231, 151, 336, 168));
  EXPECT_FALSE(knob->IsPromptDisabled());
  EXPECT_EQ(knob->GetGearing(), 4.0);
  EXPECT_EQ(knob->GetDirection(), IKnobControl::KnobVertical);
  EXPECT_STREQ(knob->GetTextStyle().face, "Trebuchet MS");
}

TEST_F(KnobTest, DragOverItsHeightMovesAQuarterOrAFortiethWithShift) {
  knob->HandleDrag(300, 100, 0, -138, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
  EXPECT_EQ(fx.plug.GetParam(1)->GetValue(), 25.0);
  knob->HandleDrag(300, 100, 0, -138, kLeftShift);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.275);
  knob->HandleDrag(300, 100, 0, 1000, kLeft);
  EXPECT_EQ(knob->GetValue(), 0.0);
}

// The knob base leaves drawing to the knobs built on it.
struct PlainKnob : IKnobControl {
  using IKnobControl::IKnobControl;
  bool Render(IEditorCanvas*) override { return true; }
};

TEST_F(KnobTest, HorizontalKnobsFollowTheWidthAndFlatKnobsStayPut) {
  PlainKnob wide(&fx.plug, IPixelRect(0, 0, 100, 10), 1, nullptr, IKnobControl::KnobHorizontal, 1.0);
  wide.HandleDrag(0, 0, 50, -40, kLeft);
  EXPECT_DOUBLE_EQ(wide.GetValue(), 0.5);
  PlainKnob flat(&fx.plug, IPixelRect(0, 5, 100, 5), 1, nullptr);
  flat.SetValue(0.6);
  flat.HandleDrag(0, 0, 0, 0, kLeft);
  EXPECT_EQ(flat.GetValue(), 0.6);
}

TEST_F(KnobTest, AClickOnTheImageResendsTheValueAndTheTextOpensAnEntry) {
  knob->SetValue(0.5);
  knob->HandlePress(260, 60, kLeft);
  EXPECT_EQ(knob->GetValue(), 0.5);
  ASSERT_EQ(fx.plug.automated.size(), 1u);
  EXPECT_EQ(fx.plug.automated[0], std::make_pair(1, 0.5));
  EXPECT_TRUE(fx.canvas->textEntries.empty());

  fx.plug.GetParam(1)->SetValue(50.0);
  knob->HandlePress(231, 151, kLeft);
  ASSERT_EQ(fx.canvas->textEntries.size(), 1u);
  const HeadlessCanvas::TextEntry& entry = fx.canvas->textEntries[0];
  EXPECT_EQ(entry.area, IPixelRect(231, 151, 336, 168));
  EXPECT_EQ(entry.text, "50");
  EXPECT_EQ(entry.control, knob);
  EXPECT_EQ(entry.parameter, fx.plug.GetParam(1));
  EXPECT_STREQ(entry.style.face, "Trebuchet MS");
  EXPECT_EQ(entry.style.size, 16);
  EXPECT_EQ(fx.plug.automated.size(), 1u);  // the prompt itself sends nothing

  // The text area's last column and row are outside it: a knob click.
  knob->HandlePress(336, 160, kRight);
  knob->HandlePress(300, 168, kRight);
  EXPECT_EQ(fx.canvas->textEntries.size(), 1u);
  EXPECT_EQ(fx.plug.automated.size(), 3u);
}

TEST_F(ControlTest, PromptAreaIsASmallBoxAroundTheCentreWithoutValueTexts) {
  PanelFixture fx;
  RecordingControl* c = new RecordingControl(&fx.plug, IPixelRect(222, 30, 346, 168), 1, nullptr, "c");
  fx.canvas->AttachControl(c);
  fx.Attach();
  c->PromptForValue();  // prompting is disabled by default
  EXPECT_TRUE(fx.canvas->textEntries.empty());
  c->SetPromptDisabled(false);
  c->PromptForValue();
  ASSERT_EQ(fx.canvas->textEntries.size(), 1u);
  EXPECT_EQ(fx.canvas->textEntries[0].area, IPixelRect(269, 91, 299, 107));
  EXPECT_TRUE(c->NeedsRedraw());

  RecordingControl* unbound = new RecordingControl(&fx.plug, IPixelRect(0, 0, 10, 10), -1, nullptr, "u");
  fx.canvas->AttachControl(unbound);
  unbound->SetPromptDisabled(false);
  unbound->PromptForValue();
  unbound->PromptForValueAt(IPixelRect(0, 0, 5, 5));
  EXPECT_EQ(fx.canvas->textEntries.size(), 1u);
  EXPECT_FALSE(unbound->NeedsRedraw());

  // Bound outside the parameter list: the canvas is asked but does nothing.
  RecordingControl* stray = new RecordingControl(&fx.plug, IPixelRect(0, 0, 10, 10), 9, nullptr, "s");
  fx.canvas->AttachControl(stray);
  stray->SetPromptDisabled(false);
  stray->PromptForValue();
  stray->SetValue(0.5);
  stray->MarkDirty(true);
  EXPECT_EQ(fx.canvas->textEntries.size(), 1u);
  EXPECT_TRUE(fx.plug.automated.empty());
}

TEST_F(ControlTest, PromptAreaIsTheBoundsWithValueTexts) {
  PanelFixture fx;
  RecordingControl* c = new RecordingControl(&fx.plug, IPixelRect(20, 63, 60, 121), 2, nullptr, "c");
  fx.canvas->AttachControl(c);
  fx.Attach();
  c->SetPromptDisabled(false);
  c->HandlePress(30, 70, kRight);  // an integer with texts still gets a text entry
  ASSERT_EQ(fx.canvas->textEntries.size(), 1u);
  EXPECT_EQ(fx.canvas->textEntries[0].area, IPixelRect(20, 63, 60, 121));
  EXPECT_EQ(fx.canvas->textEntries[0].text, "0");
}

}  // namespace
