#pragma once

#include <string>

// An Xvfb server of our own, started with -displayfd so it picks a free display number; it
// dies with the process that started it. The command-line host starts one when there is no
// display; the window tests start one per test program.
class XvfbServer
{
public:
  XvfbServer() = default;
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // depth 24 or 16, one screen of width x height; the display name (":N") or "" when the
  // server could not start (Xvfb missing, or it failed).
  std::string Start(int depth, int width = 1024, int height = 768);
  void Stop();

private:
  int pid = -1;
};
