#include "tools/vst2-render/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

std::string XvfbServer::Start(int depth, int width, int height)
{
  Stop();
  int fds[2];
  if (pipe(fds) != 0) return std::string();
  const pid_t child = fork();
  if (child < 0)
  {
    close(fds[0]);
    close(fds[1]);
    return std::string();
  }
  if (child == 0)
  {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close(fds[0]);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0)
    {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    char fd[16], screen[32];
    std::snprintf(fd, sizeof fd, "%d", fds[1]);
    std::snprintf(screen, sizeof screen, "%dx%dx%d", width, height, depth);
    execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
           (char*)nullptr);
    _exit(127);
  }
  close(fds[1]);
  pid = child;
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline)
  {
    pollfd wait = {fds[0], POLLIN, 0};
    if (poll(&wait, 1, 100) <= 0) continue;
    char c = 0;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty())
  {
    Stop();
    return std::string();
  }
  return ":" + number;
}

void XvfbServer::Stop()
{
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  pid = -1;
}

