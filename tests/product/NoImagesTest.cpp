// A build of the product whose images are missing (this program links no resource table):
// no editor is attached, the host sees no editor flag, and processing, including the
// overlay's per-block call, goes on as ever.
#include <gtest/gtest.h>

#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"

TEST(ProductWithoutImages, AttachesNoEditorAndStillProcesses) {
  AEffect* effect = IPlugVSTCreate(nullptr, &MakeVossamere2);
  ASSERT_NE(effect, nullptr);
  Vossamere2& product = *static_cast<Vossamere2*>(IPlugVST::FromEffect(effect));
  EXPECT_EQ(product.GetEditor(), nullptr);
  EXPECT_EQ(product.GetOverlayIndex(), -1);
  EXPECT_EQ(effect->flags, 0x1018);
  ERect* rect = nullptr;
  EXPECT_EQ(effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f), 0);
  EXPECT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.0f), 0);
  double l[8] = {1, 2, 3, 4, 5, 6, 7, 8}, r[8] = {}, o0[8], o1[8];
  double* ins[2] = {l, r};
  double* outs[2] = {o0, o1};
  effect->processDoubleReplacing(effect, ins, outs, 8);
  EXPECT_FALSE(product.IsOverlayShown());
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}
