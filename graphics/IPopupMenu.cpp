#include "graphics/IPopupMenu.h"

#include <cstdio>
#include <new>

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int position, int flags)
{
  IPopupMenuItem* item = new (std::nothrow) IPopupMenuItem(text, flags);
  return item ? AddItem(item, position) : nullptr;
}

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* item, int position)
{
  if (!item) return nullptr;
  const bool added = position == -1 ? items.Add(item) : items.Insert(position, item);
  if (!added)
  {
    delete item;
    return nullptr;
  }
  return item;
}

IPopupMenuItem* IPopupMenu::AddSeparator(int position)
{
  return AddItem(nullptr, position, IPopupMenuItem::kSeparator);
}

IPopupMenu::~IPopupMenu()
{
  for (int i = items.GetCount() - 1; i >= 0; --i) delete items.Get(i);
  items.Clear();
}

void IPopupMenu::FormatItemText(int index, char* out, int size) const
{
  if (!out || size < 1) return;
  out[0] = 0;
  const IPopupMenuItem* item = GetItem(index);
  if (!item) return;
  const char* text = item->text.Get();
  switch (prefixStyle)
  {
    case kPrefixOneDigit: std::snprintf(out, (size_t)size, "%1d: %s", index + 1, text); break;
    case kPrefixTwoDigits: std::snprintf(out, (size_t)size, "%02d: %s", index + 1, text); break;
    case kPrefixThreeDigits: std::snprintf(out, (size_t)size, "%03d: %s", index + 1, text); break;
    default: std::snprintf(out, (size_t)size, "%s", text); break;
  }
}
