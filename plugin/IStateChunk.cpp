#include "plugin/IStateChunk.h"

#include <climits>
#include <cstdlib>

#include "plugin/IText.h"

namespace
{
const int64_t kLargeStepUnit = 4096;
const int64_t kLargeStepLimit = 0x400000;
const int64_t kHeapOverhead = 96;  // keeps large blocks, with the heap's header, on page multiples

// The capacity the growth rule gives for newSize; -1 when it does not fit an int.
int64_t GrowthCapacity(int64_t newSize, int64_t granularity, int64_t minimumCapacity)
{
  int64_t step = newSize / 2;
  if (step < granularity) step = granularity;
  int64_t capacity;
  if (granularity < kLargeStepUnit)
  {
    capacity = newSize + step;
  }
  else
  {
    step -= step % kLargeStepUnit;
    if (step < kLargeStepUnit) step = kLargeStepUnit;
    if (step > kLargeStepLimit) step = kLargeStepLimit;
    const int64_t padded = step + newSize + kHeapOverhead;
    capacity = padded - padded % kLargeStepUnit - kHeapOverhead;
  }
  if (capacity < minimumCapacity) capacity = minimumCapacity;
  return capacity > INT_MAX ? -1 : capacity;
}
}  // namespace

IStateChunk::IStateChunk(int granularity_) : granularity(granularity_ > 0 ? granularity_ : 1) {}

IStateChunk::~IStateChunk()
{
  std::free(data);
}

int IStateChunk::Resize(int newSize, bool allowShrink)
{
  const int oldSize = size;
  if (newSize < 0 || newSize == size) return oldSize;

  if (!allowShrink && newSize < size)
  {
    size = newSize;
    return oldSize;
  }

  const bool grows = newSize > capacity;
  const bool shrinks = newSize < size && newSize < capacity / 2 &&
                       (int64_t)newSize < (int64_t)capacity - 4 * (int64_t)granularity;
  if (grows || shrinks)
  {
    const int64_t wanted = GrowthCapacity(newSize, granularity, minimumCapacity);
    if (wanted < 0) return oldSize;
    const int newCapacity = (int)wanted;
    if (newCapacity != capacity)
    {
      const int keep = size < newSize ? size : newSize;
      unsigned char* block = nullptr;
      if (newCapacity > 0)
      {
        block = static_cast<unsigned char*>(std::realloc(data, (size_t)newCapacity));
        if (!block)
        {
          block = static_cast<unsigned char*>(std::malloc((size_t)newCapacity));
          if (!block)
          {
            // A failed shrink still leaves storage big enough for the new size.
            if (!grows) size = newSize;
            return oldSize;
          }
          if (keep > 0) std::memcpy(block, data, (size_t)keep);
          std::free(data);
        }
      }
      else
      {
        std::free(data);
      }
      data = block;
      capacity = newCapacity;
    }
  }

  if (newSize > size) std::memset(data + size, 0, (size_t)(newSize - size));
  size = newSize;
  return oldSize;
}

void IStateChunk::Clear()
{
  Resize(0);
}

int IStateChunk::AppendBytes(const void* bytes, int count)
{
  if (count <= 0 || !bytes || size > INT_MAX - count) return size;
  const int at = size;
  Resize(size + count);
  if (size != at + count) return size;  // could not grow: the append is dropped
  std::memcpy(data + at, bytes, (size_t)count);
  return size;
}

int IStateChunk::AppendText(const char* text)
{
  const size_t length = text ? std::strlen(text) : 0;
  if (length > (size_t)(INT_MAX - 4) || size > INT_MAX - 4 - (int)length) return size;
  const int32_t n = (int32_t)length;
  const int at = size;
  Resize(size + 4 + n);
  if (size != at + 4 + n) return size;
  std::memcpy(data + at, &n, 4);
  if (n > 0) std::memcpy(data + at + 4, text, (size_t)n);
  return size;
}

int IStateChunk::AppendChunk(const IStateChunk* other)
{
  if (!other) return size;
  const int count = other->size;
  if (count <= 0 || size > INT_MAX - count) return size;
  const int at = size;
  Resize(size + count);
  if (size != at + count) return size;
  // Read the source only now: appending a chunk to itself may have moved its storage.
  std::memcpy(data + at, other->data, (size_t)count);
  return size;
}

int IStateChunk::ReadBytes(void* out, int count, int pos) const
{
  if (pos < 0 || count < 0 || !out || pos > size - count) return -1;
  if (count > 0) std::memcpy(out, data + pos, (size_t)count);
  return pos + count;
}

int IStateChunk::ReadText(IText* out, int pos) const
{
  int32_t length = 0;
  if (ReadValue(length, pos) < 0) return -1;
  // A negative length never comes from AppendText; reading on from an earlier position
  // would only re-read the same bytes as something else.
  if (length < 0) return -1;
  const int64_t end = (int64_t)pos + 4 + length;
  if (end > INT_MAX) return -1;
  if (end <= size && length > 0 && out) out->Set(reinterpret_cast<const char*>(data + pos + 4), length);
  return (int)end;
}
