#pragma once

#include <cstdint>

#include "plugin/IText.h"

class IPopupMenu;

// One entry of a popup menu.
class IPopupMenuItem
{
public:
  enum EFlags : int32_t
  {
    kGreyed = 1,
    kDisabled = 2,
    kChecked = 4,
    kSeparator = 8
  };

  explicit IPopupMenuItem(const char* itemText = nullptr, int itemFlags = 0) : flags(itemFlags)
  {
    text.Set(itemText);
  }

  bool IsSeparator() const { return (flags & kSeparator) != 0; }
  bool IsChecked() const { return (flags & kChecked) != 0; }

  IText text;
  IPopupMenu* submenu = nullptr;  // not owned; no menu of this system has one
  int32_t flags = 0;
};
