#pragma once

// The buttons and modifier keys held when a mouse event happened.
struct IMouseKeys
{
  bool left = false;
  bool right = false;
  bool shift = false;
  bool control = false;
  bool alt = false;

  IMouseKeys() = default;
  IMouseKeys(bool l, bool r, bool s, bool c, bool a) : left(l), right(r), shift(s), control(c), alt(a) {}
};
