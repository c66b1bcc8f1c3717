#include "tests/render/ToolRunner.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "tools/vst2-render/Platform_win.h"

using vrender::QuoteArgument;
using vrender::Widen;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

HANDLE CreateInheritable(const std::string& path) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  return CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Under Wine, the first text a tool draws starts the desktop process, which inherits the
// tool's output files and keeps them open for a moment after the tool has exited. So each
// run gets files of its own, and those that cannot be deleted yet are tried again later.
std::vector<std::wstring>& Undeleted() {
  static std::vector<std::wstring> paths;
  return paths;
}

void DeleteOrRemember(const std::wstring& path) {
  if (!DeleteFileW(path.c_str()) && GetLastError() == ERROR_SHARING_VIOLATION) Undeleted().push_back(path);
}

}  // namespace

std::string NativePath(const std::string& buildPath) {
  if (buildPath.empty() || buildPath[0] != '/') return buildPath;
  std::string path = "Z:" + buildPath;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

ToolResult RunTool(const std::vector<std::string>& args, const std::vector<std::string>&) {
  ToolResult result;
  std::vector<std::wstring> retry;
  retry.swap(Undeleted());
  for (const std::wstring& path : retry) DeleteOrRemember(path);
  static int runs = 0;
  const std::string base = NativePath(VOSS_RENDER_WORK_DIR) + "\\tool-" + std::to_string(GetCurrentProcessId()) +
                           "-" + std::to_string(++runs);
  const std::string outPath = base + ".out", errPath = base + ".err";
  std::wstring commandLine = QuoteArgument(Widen(NativePath(VOSS_RENDER_TOOL)));
  for (const std::string& a : args) commandLine += L" " + QuoteArgument(Widen(a));
  HANDLE out = CreateInheritable(outPath), err = CreateInheritable(errPath);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi = {};
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  // Wine under heavy load now and then fails to create a process: try again a moment later.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt) Sleep(200);
    started = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  }
  CloseHandle(out);
  CloseHandle(err);
  if (started) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  DeleteOrRemember(Widen(outPath));
  DeleteOrRemember(Widen(errPath));
  return result;
}
