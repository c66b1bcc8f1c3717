#pragma once

#include <cstdint>

class IStateChunk;

// Magic 0x70666674 (stored as the bytes 0x74 0x66 0x66 0x70) and format version of the
// state chunks handed to hosts.
const int32_t kStateMagic = 0x70666674;
const int32_t kStateVersion = 0x00010000;

// Clears the chunk and appends the magic and the version; false when it could not grow.
bool WriteStateHeader(IStateChunk* chunk);
