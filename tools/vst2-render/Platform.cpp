#include "tools/vst2-render/Platform.h"

namespace vrender {

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
  bytes.clear();
  if (IsDirectory(path)) return false;
  FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  unsigned char buffer[65536];
  bool ok = true;
  for (;;) {
    size_t n = std::fread(buffer, 1, sizeof buffer, f);
    bytes.insert(bytes.end(), buffer, buffer + n);
    if (n < sizeof buffer) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  return ok;
}

std::string TemporaryNameFor(const std::string& path) {
  return path + ".part" + std::to_string(ProcessId());
}

bool WriteWholeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
  const std::string temp = TemporaryNameFor(path);
  FILE* f = OpenFile(temp, "wb");
  if (!f) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (ok) ok = RenameFile(temp, path);
  if (!ok) RemoveFile(temp);
  return ok;
}

}  // namespace vrender
