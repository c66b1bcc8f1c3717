#include "tools/vst2-render/Platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace vrender {

std::vector<std::string> GetUtf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return std::string();
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const char* DefaultPluginFileName() { return "Vossamere2.so"; }

FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

int ProcessId() { return static_cast<int>(getpid()); }

void UseUnixLineEndings() {}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace vrender
