// Each check group runs in a forked child that loads the plug-in itself and reports over a
// pipe, one line per event. A child that dies or hangs costs the check it was running a
// failure with the signal; the group then goes on in a new child after that check.
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tools/vst2-render/Validate.h"

namespace vrender {

namespace {

void WriteAll(int fd, const std::string& line) {
  size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

int childFd = -1;

void WriteToParent(const std::string& line) { WriteAll(childFd, line); }

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

[[noreturn]] void RunChild(const CheckGroup& group, const GroupContext& context, int fd) {
  // Whatever the plug-in prints must not mix with the report on standard output.
  ::dup2(2, 1);
  childFd = fd;
  group.run(context, ChildProtocolSink(&WriteToParent));
  std::fflush(nullptr);
  _exit(0);
}

}  // namespace

void PrepareChildProcess() {}

void RunGroupIsolated(const CheckGroup& group, const GroupContext& context, bool isolate,
                      double timeoutSeconds, const CheckSink& sink) {
  if (!isolate) {
    group.run(context, sink);
    return;
  }
  GroupContext rest = context;
  for (;;) {
    int fds[2];
    if (::pipe(fds) != 0) {
      group.run(rest, sink);
      return;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      group.run(rest, sink);
      return;
    }
    if (pid == 0) {
      ::close(fds[0]);
      RunChild(group, rest, fds[1]);
    }
    ::close(fds[1]);

    std::string pending, running, step;
    bool timedOut = false;
    const double deadline = Now() + timeoutSeconds;
    char buffer[4096];
    for (;;) {
      const double left = deadline - Now();
      if (left <= 0) {
        timedOut = true;
        break;
      }
      pollfd p = {fds[0], POLLIN, 0};
      const int ready = ::poll(&p, 1, static_cast<int>(left * 1000) + 1);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) continue;
      const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      pending.append(buffer, static_cast<size_t>(n));
      size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        ReadChildProtocolLine(line, sink, running, step, rest.done);
      }
    }
    if (timedOut) ::kill(pid, SIGKILL);
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const bool clean = !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (clean && running.empty()) return;

    CheckResult r;
    r.name = running.empty() ? group.name : running;
    r.status = CheckStatus::Fail;
    if (timedOut)
      r.detail = "no answer for " + std::to_string(static_cast<int>(timeoutSeconds)) + " s: the process was killed";
    else if (WIFSIGNALED(status))
      r.detail = std::string("crashed with signal ") + std::to_string(WTERMSIG(status)) + " (" +
                 strsignal(WTERMSIG(status)) + ")";
    else
      r.detail = "the process ended with status " + std::to_string(WEXITSTATUS(status)) + " during the check";
    if (!step.empty()) r.detail += " at " + step;
    if (sink.starting && running.empty()) sink.starting(r.name);
    sink.result(r);
    if (running.empty()) return;  // died between checks: nothing left to pin it on
    rest.done.insert(running);
  }
}

}  // namespace vrender
