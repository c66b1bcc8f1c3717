#pragma once

#include <cstdint>

#include "graphics/IPopupMenuItem.h"
#include "plugin/IPtrList.h"

// A popup menu as portable data: items in display order, a numbering style and, once the
// menu has been shown, the index of the chosen item. Showing it is the window layer's work.
class IPopupMenu
{
public:
  enum EPrefixStyle : int32_t
  {
    kPrefixNone = 0,
    kPrefixOneDigit = 1,     // "%1d: %s"
    kPrefixTwoDigits = 2,    // "%02d: %s"
    kPrefixThreeDigits = 3   // "%03d: %s"
  };

  explicit IPopupMenu(int prefix = kPrefixNone) : prefixStyle(prefix) {}

  // Virtual operations, in slot order.
  // Makes an item and adds it; null when the list could not grow.
  virtual IPopupMenuItem* AddItem(const char* text, int position = -1, int flags = 0);
  // Takes ownership: appends when position is -1, else inserts at position (held to 0..count).
  // On failure the item is deleted and null answered.
  virtual IPopupMenuItem* AddItem(IPopupMenuItem* item, int position = -1);
  virtual IPopupMenuItem* AddSeparator(int position = -1);
  virtual ~IPopupMenu();

  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  int NItems() const { return items.GetCount(); }
  IPopupMenuItem* GetItem(int index) const { return items.Get(index); }
  // The text a menu shows for item index: numbered from 1 by prefixStyle. Writes at most
  // size bytes with the terminator; "" outside the list.
  void FormatItemText(int index, char* out, int size) const;

  int32_t prefixStyle = kPrefixNone;
  int32_t chosenIndex = -1;
  IPtrList<IPopupMenuItem> items;  // owned
};
