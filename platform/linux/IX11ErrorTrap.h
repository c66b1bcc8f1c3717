#pragma once

typedef struct _XDisplay Display;

// Catches the X errors of one of our connections for the life of the scope. Xlib's error
// handler is process-wide and its default ends the process (a BadWindow after the host
// destroyed our parent would take the host down with it), so every stretch of code that
// talks to an editor's connection runs inside one of these. Errors of connections that are
// not trapped (the host's own) go on to the handler that was installed before.
//
// any thread; scopes may nest and may run on several threads at once.
class IX11ErrorTrap
{
public:
  explicit IX11ErrorTrap(Display* display);
  ~IX11ErrorTrap();

  IX11ErrorTrap(const IX11ErrorTrap&) = delete;
  IX11ErrorTrap& operator=(const IX11ErrorTrap&) = delete;

  // Waits until the server has handled every request sent so far; true when none of the
  // requests since the scope began failed.
  bool Sync();
  // Errors seen since the scope began (without waiting for the server).
  int Errors() const;
  // The error code of the last error seen, or 0.
  int LastErrorCode() const;

private:
  Display* display;
  int slot = -1;
};
