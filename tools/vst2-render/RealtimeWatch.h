// Counts what the calling thread does while a block callback runs: heap calls, locks and
// system calls made through the C library. The counting lives in the vst2-render program
// itself, which interposes those functions for every library it loads; a process without
// it (the in-process tests) has no watch and the real-time check is skipped.
#pragma once

namespace vrender {

struct RealtimeCounts {
  long allocations = 0;   // malloc, calloc, realloc, aligned forms, operator new (via malloc)
  long frees = 0;
  long locks = 0;         // mutex locks and trylocks
  long distinctLocks = 0; // different mutexes among them
  long contendedLocks = 0; // locks that had to wait for another thread
  long systemCalls = 0;   // C library wrappers of system calls (I/O, sleeps, mapping, futex)
  const char* firstSystemCall = nullptr;
};

struct RealtimeWatch {
  // Starts counting calls made by the calling thread.
  void (*begin)();
  // Stops counting and reports what was seen since begin.
  void (*end)(RealtimeCounts& counts);
};

// Set by the program when its interposer is linked in; null otherwise.
extern RealtimeWatch* g_realtimeWatch;

}  // namespace vrender
