#pragma once

#include "graphics/IControl.h"

// The base of knobs: turns vertical (or horizontal) drags into value changes. gearing is how
// many times its height (or width) the mouse travels over the whole range; ten times that
// with shift or control held. Drawing is left to the knobs built on it.
class IKnobControl : public IControl
{
public:
  enum EDirection : int32_t
  {
    KnobVertical = 0,   // up raises the value
    KnobHorizontal = 1  // right raises the value
  };

  IKnobControl(IPlugBase* plug, const IPixelRect& bounds, int paramIndex, const IBlendSpec* blend,
               int direction = KnobVertical, double gearing = 4.0);

  // editor thread
  void HandleDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;

  int GetDirection() const { return direction; }
  double GetGearing() const { return gearing; }
  void SetGearing(double g) { gearing = g; }

protected:
  int32_t direction;
  double gearing;
};
