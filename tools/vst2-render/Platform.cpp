#include "tools/vst2-render/Platform.h"

#include <cstddef>

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

bool WriteFilesAtomically(const std::vector<std::pair<std::string, std::vector<unsigned char>>>& files,
                          std::string& failed) {
  std::vector<std::string> written;
  auto removeWritten = [&written] {
    for (const std::string& temp : written) RemoveFile(temp);
  };
  for (const auto& file : files) {
    const std::string temp = TemporaryNameFor(file.first);
    FILE* f = OpenFile(temp, "wb");
    bool ok = f != nullptr;
    if (f) {
      written.push_back(temp);
      ok = file.second.empty() || std::fwrite(file.second.data(), 1, file.second.size(), f) == file.second.size();
      ok = (std::fclose(f) == 0) && ok;
    }
    if (!ok) {
      failed = file.first;
      removeWritten();
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (!RenameFile(written[i], files[i].first)) {
      failed = files[i].first;
      written.erase(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(i));
      removeWritten();
      return false;
    }
  }
  return true;
}

}  // namespace vrender
