#pragma once

#include <cstdint>

// How a control's bitmap is combined with the back buffer.
enum EBlendMethod : int32_t
{
  BlendNormal = 0,   // copy weighted by source alpha
  BlendReplace = 1,  // copy, source alpha ignored
  BlendAdd = 2,      // add, weighted by source alpha
  BlendDodge = 3     // colour dodge, weighted by source alpha
};

struct IBlendSpec
{
  int32_t method = BlendNormal;  // any other value draws as BlendNormal
  float weight = 1.0f;           // opacity 0..1

  IBlendSpec() = default;
  IBlendSpec(int m, float w) : method(m), weight(w) {}
};
