#include "tools/vst2-render/StateFile.h"

#include <cstdio>
#include <cstring>

namespace vrender {

namespace {

constexpr size_t kProgramHeader = 60;  // through the chunk size field
constexpr size_t kBankHeader = 160;
constexpr size_t kProgramNameField = 28;
constexpr size_t kBankReserved = 128;

void PutBig32(std::vector<unsigned char>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}
uint32_t GetBig32(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void PutTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

std::string FourCharText(int32_t code) {
  const uint32_t u = static_cast<uint32_t>(code);
  char text[16];
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    const unsigned char c = static_cast<unsigned char>(u >> (24 - 8 * i));
    printable = printable && c >= 0x20 && c < 0x7F;
    text[i] = static_cast<char>(c);
  }
  if (printable) return std::string(text, 4);
  std::snprintf(text, sizeof text, "0x%08X", u);
  return text;
}

std::vector<unsigned char> EncodeStateFile(const StateFile& state) {
  const size_t header = state.isBank ? kBankHeader : kProgramHeader;
  std::vector<unsigned char> out;
  out.reserve(header + state.chunk.size());
  PutTag(out, "CcnK");
  PutBig32(out, static_cast<uint32_t>(header - 8 + state.chunk.size()));
  PutTag(out, state.isBank ? "FBCh" : "FPCh");
  PutBig32(out, 1);
  PutBig32(out, static_cast<uint32_t>(state.uniqueId));
  PutBig32(out, static_cast<uint32_t>(state.pluginVersion));
  PutBig32(out, static_cast<uint32_t>(state.programCount));
  if (state.isBank) {
    out.insert(out.end(), kBankReserved, 0);
  } else {
    char name[kProgramNameField] = {};
    std::snprintf(name, sizeof name, "%s", state.programName.c_str());
    out.insert(out.end(), name, name + kProgramNameField);
  }
  PutBig32(out, static_cast<uint32_t>(state.chunk.size()));
  out.insert(out.end(), state.chunk.begin(), state.chunk.end());
  return out;
}

bool DecodeStateFile(const std::vector<unsigned char>& bytes, StateFile& state, std::string& error) {
  const unsigned char* p = bytes.data();
  if (bytes.size() < 12 || std::memcmp(p, "CcnK", 4) != 0) {
    error = "not a VST state file (no 'CcnK' header)";
    return false;
  }
  if (std::memcmp(p + 8, "FxCk", 4) == 0 || std::memcmp(p + 8, "FxBk", 4) == 0) {
    error = "state file holds a parameter list, not a plug-in chunk (not supported)";
    return false;
  }
  const bool bank = std::memcmp(p + 8, "FBCh", 4) == 0;
  if (!bank && std::memcmp(p + 8, "FPCh", 4) != 0) {
    error = "state file has an unknown kind '" + std::string(reinterpret_cast<const char*>(p + 8), 4) + "'";
    return false;
  }
  const size_t header = bank ? kBankHeader : kProgramHeader;
  if (bytes.size() < header) {
    error = "state file is truncated (header incomplete)";
    return false;
  }
  const uint32_t chunkSize = GetBig32(p + header - 4);
  if (chunkSize > bytes.size() - header) {
    error = "state file is truncated (chunk of " + std::to_string(chunkSize) + " bytes, " +
            std::to_string(bytes.size() - header) + " present)";
    return false;
  }
  state.isBank = bank;
  state.uniqueId = static_cast<int32_t>(GetBig32(p + 16));
  state.pluginVersion = static_cast<int32_t>(GetBig32(p + 20));
  state.programCount = static_cast<int32_t>(GetBig32(p + 24));
  state.programName.clear();
  if (!bank) {
    const char* name = reinterpret_cast<const char*>(p + 28);
    state.programName.assign(name, strnlen(name, kProgramNameField));
  }
  state.chunk.assign(p + header, p + header + chunkSize);
  return true;
}

}  // namespace vrender
