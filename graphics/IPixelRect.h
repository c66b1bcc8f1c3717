#pragma once

#include <cstdint>

// A rectangle of panel pixels, origin top-left; right and bottom are exclusive. It counts as
// empty only when all four coordinates are 0: a rectangle of zero width elsewhere is not.
struct IPixelRect
{
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  IPixelRect() = default;
  IPixelRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

  bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  // left <= x < right and top <= y < bottom.
  bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
  bool operator==(const IPixelRect& o) const
  {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const IPixelRect& o) const { return !(*this == o); }
};
