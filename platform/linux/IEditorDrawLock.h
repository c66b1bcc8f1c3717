#pragma once

#include <mutex>

// The raster library's text drawing keeps process-wide state and wants one drawing thread
// at a time. Windows editors all draw on the host's one window thread; Linux editors also
// draw from their fallback threads, so every redraw pass, text entry and menu of every
// editor of the process draws under this lock. Taken after an editor's connection lock,
// never before it, and never around anything that waits for the instance lock.
class IEditorDrawLock
{
public:
  IEditorDrawLock() : hold(Mutex()) {}

  IEditorDrawLock(const IEditorDrawLock&) = delete;
  IEditorDrawLock& operator=(const IEditorDrawLock&) = delete;

private:
  static std::mutex& Mutex()
  {
    static std::mutex drawing;
    return drawing;
  }
  std::lock_guard<std::mutex> hold;
};
