#pragma once

#include <cstdint>
#include <cstring>

// Growable byte buffer under every variable-length store of the core: serialised state,
// scratch audio, pointer lists, value-text tables and text values.
// Values are stored in native (little-endian) byte order, unpadded.
// No lock: the owner serialises access.
class IStateChunk
{
public:
  static constexpr int kDefaultGranularity = 4096;

  explicit IStateChunk(int granularity = kDefaultGranularity);
  ~IStateChunk();

  IStateChunk(const IStateChunk&) = delete;
  IStateChunk& operator=(const IStateChunk&) = delete;

  // Sets the size by the growth rule; added bytes are zero. With allowShrink false the
  // storage never gets smaller. Answers the old size; a negative size or failed
  // allocation leaves the buffer as it was.
  int Resize(int newSize, bool allowShrink = true);
  void Clear();
  int Size() const { return size; }
  int Capacity() const { return capacity; }
  int Granularity() const { return granularity; }
  // The storage, or null while the size is 0.
  unsigned char* Data() const { return size > 0 ? data : nullptr; }

  // Appends raw bytes; answers the new size (unchanged when the append was dropped).
  int AppendBytes(const void* bytes, int count);
  template <typename T>
  int AppendValue(const T& value)
  {
    return AppendBytes(&value, (int)sizeof(T));
  }
  // A 4-byte signed length, then the bytes without terminator. Null counts as empty.
  int AppendText(const char* text);
  // The other buffer's bytes as they stand, without a length.
  int AppendChunk(const IStateChunk* other);

  // Copies count bytes at pos into out; answers pos + count, or -1 when pos is negative
  // or the bytes run past the end (out untouched).
  int ReadBytes(void* out, int count, int pos) const;
  template <typename T>
  int ReadValue(T& out, int pos) const
  {
    return ReadBytes(&out, (int)sizeof(T), pos);
  }
  // Reads a text written by AppendText into out (see IText); answers the position after
  // it, or -1.
  int ReadText(class IText* out, int pos) const;

private:
  unsigned char* data = nullptr;
  int granularity;
  int capacity = 0;
  int size = 0;
  int minimumCapacity = 0;
};
