// The product's editor panel as built in the constructor: its controls, their order and
// bindings, the record's editor flag and rectangle, the overlay following the second output
// on every block, and what the panel looks like drawn.
#include <gtest/gtest.h>

#include <string>

#include "graphics/IBitmapControl.h"
#include "graphics/IEditorCanvas.h"
#include "graphics/IKnobMultiControlText.h"
#include "graphics/ISwitchControl.h"
#include "product/Vossamere2.h"
#include "raster/RasterSysBitmap.h"
#include "tests/graphics/ProductPanel.h"
#include "vst/IPlugVSTEntry.h"

namespace {

struct Instance {
  Instance() : effect(IPlugVSTCreate(nullptr, &MakeVossamere2)) {}
  ~Instance() { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }
  Vossamere2& Product() { return *static_cast<Vossamere2*>(IPlugVST::FromEffect(effect)); }
  IEditorCanvas& Editor() { return *Product().GetEditor(); }
  void Block(int outputs) {
    VstSpeakerArrangement in{}, out{};
    in.numChannels = 2;
    out.numChannels = outputs;
    effect->dispatcher(effect, effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out, 0.0f);
    double l[16] = {}, r[16] = {}, o0[16], o1[16];
    double* ins[2] = {l, r};
    double* outs[2] = {o0, o1};
    effect->processDoubleReplacing(effect, ins, outs, 16);
  }
  AEffect* effect;
};

TEST(Panel, IsBuiltWithItsFiveControlsInDrawingOrder) {
  Instance fx;
  ASSERT_NE(fx.Product().GetEditor(), nullptr);
  IEditorCanvas& editor = fx.Editor();
  EXPECT_EQ(editor.GetWidth(), 368);
  EXPECT_EQ(editor.GetHeight(), 240);
  EXPECT_EQ(editor.GetFramesPerSecond(), 25);
  ASSERT_EQ(editor.NControls(), 5);
  EXPECT_EQ(fx.Product().GetOverlayIndex(), 4);

  const IControl* background = editor.GetControl(0);
  EXPECT_EQ(background->GetBounds(), IPixelRect(0, 0, 368, 240));
  EXPECT_EQ(background->GetParamIndex(), -1);
  EXPECT_EQ(background->GetBlend().method, BlendReplace);

  const auto* knob = dynamic_cast<const IKnobMultiControlText*>(editor.GetControl(1));
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->GetBounds(), IPixelRect(222, 30, 346, 168));
  EXPECT_EQ(knob->GetImageArea(), IPixelRect(222, 30, 346, 154));
  EXPECT_EQ(knob->GetTextArea(), IPixelRect(231, 151, 336, 168));
  EXPECT_EQ(knob->GetParamIndex(), Vossamere2::kAmount);
  EXPECT_EQ(knob->GetBitmap().frames, 101);
  EXPECT_FALSE(knob->IsPromptDisabled());
  ITextStyle style = const_cast<IKnobMultiControlText*>(knob)->GetTextStyle();
  EXPECT_STREQ(style.face, "Trebuchet MS");
  EXPECT_EQ(style.size, 16);
  EXPECT_EQ(style.colour.alpha, 255);
  EXPECT_EQ(style.colour.red, 255);
  EXPECT_EQ(style.quality, TextQualityClearType);
  EXPECT_EQ(style.alignment, TextAlignCenter);

  const auto* type = dynamic_cast<const ISwitchControl*>(editor.GetControl(2));
  const auto* power = dynamic_cast<const ISwitchControl*>(editor.GetControl(3));
  ASSERT_TRUE(type && power);
  EXPECT_EQ(type->GetBounds(), IPixelRect(20, 63, 60, 121));
  EXPECT_EQ(type->GetParamIndex(), Vossamere2::kType);
  EXPECT_EQ(power->GetBounds(), IPixelRect(20, 147, 56, 177));
  EXPECT_EQ(power->GetParamIndex(), Vossamere2::kPower);
  EXPECT_TRUE(type->IsPromptDisabled());
  EXPECT_EQ(power->GetValue(), 1.0);  // "Power" is on by default

  const IControl* overlay = editor.GetControl(4);
  EXPECT_EQ(overlay->GetBounds(), IPixelRect(0, 0, 368, 240));
  EXPECT_EQ(overlay->GetParamIndex(), -1);
  EXPECT_EQ(overlay->GetBlend().method, BlendNormal);
  EXPECT_TRUE(overlay->IsHidden());  // until a block says otherwise
  ASSERT_NE(editor.GetBackBuffer(), nullptr);
}

TEST(Panel, TheRecordReportsTheEditorAndItsRectangle) {
  Instance fx;
  EXPECT_EQ(fx.effect->flags, 0x1019);
  ERect* rect = nullptr;
  ASSERT_EQ(fx.effect->dispatcher(fx.effect, effEditGetRect, 0, 0, &rect, 0.0f), 1);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 240);
  EXPECT_EQ(rect->right, 368);
}

TEST(Panel, TheOverlayFollowsTheSecondOutputOnEveryBlock) {
  Instance fx;
  IControl* overlay = fx.Editor().GetControl(fx.Product().GetOverlayIndex());
  fx.Block(1);
  EXPECT_FALSE(overlay->IsHidden());
  fx.Block(2);
  EXPECT_TRUE(overlay->IsHidden());
  // Each block marks it again, so the whole panel stays dirty while audio runs.
  IPixelRect area;
  fx.Editor().CollectDirtyArea(&area);
  fx.Editor().RedrawArea(area);
  fx.Editor().RedrawArea(area);
  IPixelRect clean;
  EXPECT_FALSE(fx.Editor().CollectDirtyArea(&clean));
  fx.Block(2);
  EXPECT_TRUE(fx.Editor().CollectDirtyArea(&clean));
  EXPECT_EQ(clean, IPixelRect(0, 0, 368, 240));
}

TEST(Panel, DrawsAsTheImagesComposeForTheHostsValues) {
  Instance fx;
  fx.effect->setParameter(fx.effect, Vossamere2::kAmount, 0.5f);
  fx.effect->setParameter(fx.effect, Vossamere2::kType, 1.0f);
  fx.effect->setParameter(fx.effect, Vossamere2::kPower, 0.0f);
  for (int outputs : {2, 1}) {
    fx.Block(outputs);
    IPixelRect area;
    fx.Editor().CollectDirtyArea(&area);
    fx.Editor().RedrawArea(IPixelRect(0, 0, 368, 240));
    RasterSysBitmap want(368, 240);
    ComposeProductPanel(&want, 0.5, 1.0, 0.0, outputs == 1, "50");
    RasterBitmap* back = fx.Editor().GetBackBuffer();
    int differing = 0;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 368; ++x)
        differing += back->GetBits()[y * back->GetRowSpan() + x] != want.GetBits()[y * want.GetRowSpan() + x];
    EXPECT_EQ(differing, 0) << outputs << " outputs";
  }
}

}  // namespace
