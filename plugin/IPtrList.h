#pragma once

#include "plugin/IStateChunk.h"

// Ordered list of object pointers, one 8-byte entry each, kept in a state chunk.
// The list does not delete its elements: the owner does, in the order it needs.
template <class T>
class IPtrList
{
public:
  IPtrList() : entries(IStateChunk::kDefaultGranularity) {}

  int GetCount() const { return entries.Size() / (int)sizeof(T*); }

  // Null for an index outside 0 .. count - 1.
  T* Get(int index) const
  {
    if (index < 0 || index >= GetCount()) return nullptr;
    T* p;
    std::memcpy(&p, entries.Data() + (size_t)index * sizeof(T*), sizeof(T*));
    return p;
  }

  // False when the list could not grow (the pointer is then not stored).
  bool Add(T* item)
  {
    const int before = entries.Size();
    return entries.AppendValue(item) == before + (int)sizeof(T*);
  }

  // Inserts before index (clamped into 0 .. count); false when the list could not grow.
  bool Insert(int index, T* item)
  {
    const int count = GetCount();
    if (index < 0) index = 0;
    if (index > count) index = count;
    if (!Add(item)) return false;
    unsigned char* base = entries.Data();
    std::memmove(base + (size_t)(index + 1) * sizeof(T*), base + (size_t)index * sizeof(T*),
                 (size_t)(count - index) * sizeof(T*));
    std::memcpy(base + (size_t)index * sizeof(T*), &item, sizeof(T*));
    return true;
  }

  // Takes the entry out of the list without deleting the object; false outside the list.
  bool Remove(int index)
  {
    const int count = GetCount();
    if (index < 0 || index >= count) return false;
    unsigned char* base = entries.Data();
    std::memmove(base + (size_t)index * sizeof(T*), base + (size_t)(index + 1) * sizeof(T*),
                 (size_t)(count - index - 1) * sizeof(T*));
    entries.Resize((count - 1) * (int)sizeof(T*));
    return true;
  }

  // Forgets every entry without deleting the objects.
  void Clear() { entries.Clear(); }

private:
  IStateChunk entries;
};
