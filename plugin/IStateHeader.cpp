#include "plugin/IStateHeader.h"

#include "plugin/IStateChunk.h"

bool WriteStateHeader(IStateChunk* chunk)
{
  if (!chunk) return false;
  chunk->Clear();
  chunk->AppendValue(kStateMagic);
  return chunk->AppendValue(kStateVersion) == 8;
}
