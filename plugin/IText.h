#pragma once

#include "plugin/IStateChunk.h"

// A zero-terminated text value. Setting a text never shrinks the storage, so a text that
// is set again and again settles on one allocation.
class IText
{
public:
  static constexpr int kGranularity = 128;

  IText() : buffer(kGranularity) {}
  explicit IText(const char* text) : buffer(kGranularity) { Set(text); }

  IText(const IText&) = delete;
  IText& operator=(const IText&) = delete;

  // Takes at most maxLength bytes of text (all of it when maxLength < 0), stopping at the
  // first zero byte. Null sets the empty text. False when storage could not grow.
  bool Set(const char* text, int maxLength = -1);
  // Always a valid C string, "" when empty.
  const char* Get() const;
  int Length() const;
  bool IsEmpty() const { return Length() == 0; }

private:
  IStateChunk buffer;
};
