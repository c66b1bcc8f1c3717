// Plug-in state on disk in the usual VST 2 program (.fxp) and bank (.fxb) file layout with an
// opaque chunk: big-endian header 'CcnK', size, 'FPCh' or 'FBCh', format version 1, the
// plug-in's unique ID and version, program count, program name (or reserved bytes for a
// bank), chunk size, then the chunk exactly as the plug-in gave it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrender {

struct StateFile {
  bool isBank = false;
  int32_t uniqueId = 0;
  int32_t pluginVersion = 0;
  int32_t programCount = 0;
  std::string programName;  // programs only; cut to 27 characters
  std::vector<unsigned char> chunk;
};

std::vector<unsigned char> EncodeStateFile(const StateFile& state);
// On failure returns false with a one-line reason.
bool DecodeStateFile(const std::vector<unsigned char>& bytes, StateFile& state, std::string& error);

// Four-character code for display: the characters when all are printable, else hex.
std::string FourCharText(int32_t code);

}  // namespace vrender
