// Each check group runs in a child process of this program (vst2-render --validate-child),
// which loads the plug-in itself and reports over its standard output, one line per event.
// A child that dies or hangs costs the check it was running a failure with the exception
// code; the group then goes on in a new child after that check.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/vst2-render/Platform_win.h"
#include "tools/vst2-render/Validate.h"

namespace vrender {

namespace {

LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* info) {
  // No debugger, no dialog: the parent reads the exception code as the exit status.
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

const char* ExceptionName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "division by zero";
    case 0xC0000409: return "stack buffer overrun";
    default: return "exception";
  }
}

}  // namespace

void PrepareChildProcess() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&EndAtOnce);
}

void RunGroupIsolated(const CheckGroup& group, const GroupContext& context, bool isolate,
                      double timeoutSeconds, const CheckSink& sink) {
  wchar_t exe[4096];
  const DWORD length = GetModuleFileNameW(nullptr, exe, 4096);
  if (!isolate || context.entry || length == 0 || length >= 4096) {
    group.run(context, sink);
    return;
  }
  GroupContext rest = context;
  for (;;) {
    std::string child = group.name;
    char separator = ':';
    for (const std::string& name : rest.done) {
      child += separator + name;
      separator = ',';
    }
    std::wstring command = QuoteArgument(exe) + L" --validate --plugin " + QuoteArgument(Widen(context.pluginPath)) +
                           L" --level " + std::to_wstring(context.level) + L" --seed " +
                           std::to_wstring(context.seed) + L" --validate-child " + QuoteArgument(Widen(child));

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
      group.run(rest, sink);
      return;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = writeEnd;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    std::fflush(nullptr);
    // Wine under load now and then refuses a process start: try a few times before the group
    // falls back to running here.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
      if (attempt) Sleep(200);
      started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    }
    CloseHandle(writeEnd);
    if (!started) {
      CloseHandle(readEnd);
      group.run(rest, sink);
      return;
    }
    CloseHandle(process.hThread);

    std::string pending, running, step;
    bool timedOut = false;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000);
    char buffer[4096];
    for (;;) {
      DWORD available = 0;
      if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;  // the child is gone
      if (available == 0) {
        if (GetTickCount64() > deadline) {
          timedOut = true;
          TerminateProcess(process.hProcess, 1);
          break;
        }
        WaitForSingleObject(process.hProcess, 10);
        continue;
      }
      DWORD got = 0;
      if (!ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
      pending.append(buffer, got);
      size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        ReadChildProtocolLine(line, sink, running, step, rest.done);
      }
    }
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (!timedOut && code == 0 && running.empty()) return;

    CheckResult r;
    r.name = running.empty() ? group.name : running;
    r.status = CheckStatus::Fail;
    char text[96];
    if (timedOut)
      std::snprintf(text, sizeof text, "no answer for %d s: the process was ended", static_cast<int>(timeoutSeconds));
    else if (code >= 0xC0000000u)
      std::snprintf(text, sizeof text, "crashed with exception 0x%08lX (%s)", static_cast<unsigned long>(code),
                    ExceptionName(code));
    else
      std::snprintf(text, sizeof text, "the process ended with status %lu during the check",
                    static_cast<unsigned long>(code));
    r.detail = text;
    if (!step.empty()) r.detail += " at " + step;
    if (sink.starting && running.empty()) sink.starting(r.name);
    sink.result(r);
    if (running.empty()) return;
    rest.done.insert(running);
  }
}

}  // namespace vrender
