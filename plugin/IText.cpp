#include "plugin/IText.h"

#include <climits>

bool IText::Set(const char* text, int maxLength)
{
  size_t length = 0;
  if (text)
  {
    if (maxLength < 0)
      length = std::strlen(text);
    else
    {
      const void* zero = std::memchr(text, 0, (size_t)maxLength);
      length = zero ? (size_t)(static_cast<const char*>(zero) - text) : (size_t)maxLength;
    }
  }
  if (length >= (size_t)INT_MAX) return false;
  const int oldSize = buffer.Size();
  buffer.Resize((int)length + 1, false);
  if (buffer.Size() != (int)length + 1)
  {
    buffer.Resize(oldSize, false);
    return false;
  }
  char* p = reinterpret_cast<char*>(buffer.Data());
  if (length > 0) std::memmove(p, text, length);
  p[length] = 0;
  return true;
}

const char* IText::Get() const
{
  const unsigned char* p = buffer.Data();
  return p ? reinterpret_cast<const char*>(p) : "";
}

int IText::Length() const
{
  return buffer.Size() > 0 ? (int)std::strlen(Get()) : 0;
}
