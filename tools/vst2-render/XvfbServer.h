#pragma once

#include <string>

// An Xvfb server of our own, started with -displayfd so it picks a free display number; it
// dies with the process that started it.
class XvfbServer
{
public:
  XvfbServer() = default;
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // depth 24 or 16; the display name (":N") or "" when the server could not start.
  std::string Start(int depth);
  void Stop();

private:
  int pid = -1;
};
