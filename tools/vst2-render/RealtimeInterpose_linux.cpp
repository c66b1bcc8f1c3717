// The heap, lock and system-call counters behind RealtimeWatch. Linked into the vst2-render
// program only: its definitions of malloc, pthread_mutex_lock, write and friends take the
// place of the C library's for every plug-in the program loads, count calls made by the
// watched thread while a block callback runs, and forward everything to the C library.
#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

#include "tools/vst2-render/RealtimeWatch.h"

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

std::atomic<bool> active{false};
pthread_t watched;
vrender::RealtimeCounts counts;
const int kLockSlots = 32;
const void* seenLocks[kLockSlots];
int seenCount = 0;

inline bool Watching() {
  return active.load(std::memory_order_acquire) && pthread_equal(pthread_self(), watched);
}

void CountSystemCall(const char* name) {
  if (!Watching()) return;
  if (counts.systemCalls++ == 0) counts.firstSystemCall = name;
}

void CountLock(const void* mutex, bool contended) {
  if (!Watching()) return;
  ++counts.locks;
  if (contended) ++counts.contendedLocks;
  for (int i = 0; i < seenCount; ++i)
    if (seenLocks[i] == mutex) return;
  if (seenCount < kLockSlots) seenLocks[seenCount++] = mutex;
  ++counts.distinctLocks;
}

void Begin() {
  counts = vrender::RealtimeCounts();
  seenCount = 0;
  watched = pthread_self();
  active.store(true, std::memory_order_release);
}

void End(vrender::RealtimeCounts& out) {
  active.store(false, std::memory_order_release);
  out = counts;
}

vrender::RealtimeWatch watch = {&Begin, &End};

struct Install {
  Install() { vrender::g_realtimeWatch = &watch; }
} install;

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Resolved once, on first use.
#define VOSS_NEXT(name, type)              \
  static type real_##name = nullptr;       \
  if (!real_##name) real_##name = Next<type>(#name)

}  // namespace

extern "C" {

void* malloc(size_t n) {
  if (Watching()) ++counts.allocations;
  return __libc_malloc(n);
}
void* calloc(size_t a, size_t b) {
  if (Watching()) ++counts.allocations;
  return __libc_calloc(a, b);
}
void* realloc(void* p, size_t n) {
  if (Watching()) ++counts.allocations;
  return __libc_realloc(p, n);
}
void free(void* p) {
  if (p && Watching()) ++counts.frees;
  __libc_free(p);
}
void* memalign(size_t alignment, size_t n) {
  if (Watching()) ++counts.allocations;
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
  if (Watching()) ++counts.allocations;
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  if (Watching()) ++counts.allocations;
  void* p = __libc_memalign(alignment, n);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}

int pthread_mutex_lock(pthread_mutex_t* m) {
  typedef int (*F)(pthread_mutex_t*);
  VOSS_NEXT(pthread_mutex_trylock, F);
  VOSS_NEXT(pthread_mutex_lock, F);
  if (!Watching()) return real_pthread_mutex_lock(m);
  // Trying first tells an uncontended lock from one that waits for another thread.
  const int tried = real_pthread_mutex_trylock(m);
  if (tried == 0) {
    CountLock(m, false);
    return 0;
  }
  CountLock(m, tried == EBUSY);
  return real_pthread_mutex_lock(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
  typedef int (*F)(pthread_mutex_t*);
  VOSS_NEXT(pthread_mutex_trylock, F);
  CountLock(m, false);
  return real_pthread_mutex_trylock(m);
}
int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) {
  typedef int (*F)(pthread_cond_t*, pthread_mutex_t*);
  CountSystemCall("pthread_cond_wait");
  VOSS_NEXT(pthread_cond_wait, F);
  return real_pthread_cond_wait(c, m);
}
int pthread_cond_signal(pthread_cond_t* c) {
  typedef int (*F)(pthread_cond_t*);
  CountSystemCall("pthread_cond_signal");
  VOSS_NEXT(pthread_cond_signal, F);
  return real_pthread_cond_signal(c);
}
int pthread_cond_broadcast(pthread_cond_t* c) {
  typedef int (*F)(pthread_cond_t*);
  CountSystemCall("pthread_cond_broadcast");
  VOSS_NEXT(pthread_cond_broadcast, F);
  return real_pthread_cond_broadcast(c);
}
int sem_wait(sem_t* s) {
  typedef int (*F)(sem_t*);
  CountSystemCall("sem_wait");
  VOSS_NEXT(sem_wait, F);
  return real_sem_wait(s);
}
int sem_post(sem_t* s) {
  typedef int (*F)(sem_t*);
  CountSystemCall("sem_post");
  VOSS_NEXT(sem_post, F);
  return real_sem_post(s);
}

ssize_t write(int fd, const void* b, size_t n) {
  typedef ssize_t (*F)(int, const void*, size_t);
  CountSystemCall("write");
  VOSS_NEXT(write, F);
  return real_write(fd, b, n);
}
ssize_t read(int fd, void* b, size_t n) {
  typedef ssize_t (*F)(int, void*, size_t);
  CountSystemCall("read");
  VOSS_NEXT(read, F);
  return real_read(fd, b, n);
}
int close(int fd) {
  typedef int (*F)(int);
  CountSystemCall("close");
  VOSS_NEXT(close, F);
  return real_close(fd);
}
int open(const char* path, int flags, ...) {
  typedef int (*F)(const char*, int, ...);
  CountSystemCall("open");
  va_list args;
  va_start(args, flags);
  const int mode = va_arg(args, int);
  va_end(args);
  VOSS_NEXT(open, F);
  return real_open(path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...) {
  typedef int (*F)(int, const char*, int, ...);
  CountSystemCall("openat");
  va_list args;
  va_start(args, flags);
  const int mode = va_arg(args, int);
  va_end(args);
  VOSS_NEXT(openat, F);
  return real_openat(dir, path, flags, mode);
}
FILE* fopen(const char* path, const char* mode) {
  typedef FILE* (*F)(const char*, const char*);
  CountSystemCall("fopen");
  VOSS_NEXT(fopen, F);
  return real_fopen(path, mode);
}
size_t fwrite(const void* b, size_t size, size_t n, FILE* f) {
  typedef size_t (*F)(const void*, size_t, size_t, FILE*);
  CountSystemCall("fwrite");
  VOSS_NEXT(fwrite, F);
  return real_fwrite(b, size, n, f);
}
int fputs(const char* s, FILE* f) {
  typedef int (*F)(const char*, FILE*);
  CountSystemCall("fputs");
  VOSS_NEXT(fputs, F);
  return real_fputs(s, f);
}
int puts(const char* s) {
  typedef int (*F)(const char*);
  CountSystemCall("puts");
  VOSS_NEXT(puts, F);
  return real_puts(s);
}
int printf(const char* format, ...) {
  CountSystemCall("printf");
  va_list args;
  va_start(args, format);
  const int r = vfprintf(stdout, format, args);
  va_end(args);
  return r;
}
int fprintf(FILE* f, const char* format, ...) {
  CountSystemCall("fprintf");
  va_list args;
  va_start(args, format);
  const int r = vfprintf(f, format, args);
  va_end(args);
  return r;
}
int nanosleep(const struct timespec* t, struct timespec* left) {
  typedef int (*F)(const struct timespec*, struct timespec*);
  CountSystemCall("nanosleep");
  VOSS_NEXT(nanosleep, F);
  return real_nanosleep(t, left);
}
int clock_nanosleep(clockid_t clock, int flags, const struct timespec* t, struct timespec* left) {
  typedef int (*F)(clockid_t, int, const struct timespec*, struct timespec*);
  CountSystemCall("clock_nanosleep");
  VOSS_NEXT(clock_nanosleep, F);
  return real_clock_nanosleep(clock, flags, t, left);
}
int usleep(useconds_t us) {
  typedef int (*F)(useconds_t);
  CountSystemCall("usleep");
  VOSS_NEXT(usleep, F);
  return real_usleep(us);
}
int sched_yield(void) {
  typedef int (*F)(void);
  CountSystemCall("sched_yield");
  VOSS_NEXT(sched_yield, F);
  return real_sched_yield();
}
void* mmap(void* a, size_t n, int prot, int flags, int fd, off_t off) {
  typedef void* (*F)(void*, size_t, int, int, int, off_t);
  CountSystemCall("mmap");
  VOSS_NEXT(mmap, F);
  return real_mmap(a, n, prot, flags, fd, off);
}
int munmap(void* a, size_t n) {
  typedef int (*F)(void*, size_t);
  CountSystemCall("munmap");
  VOSS_NEXT(munmap, F);
  return real_munmap(a, n);
}
int poll(struct pollfd* fds, nfds_t n, int timeout) {
  typedef int (*F)(struct pollfd*, nfds_t, int);
  CountSystemCall("poll");
  VOSS_NEXT(poll, F);
  return real_poll(fds, n, timeout);
}
int select(int n, fd_set* r, fd_set* w, fd_set* e, struct timeval* t) {
  typedef int (*F)(int, fd_set*, fd_set*, fd_set*, struct timeval*);
  CountSystemCall("select");
  VOSS_NEXT(select, F);
  return real_select(n, r, w, e, t);
}
long syscall(long number, ...) {
  typedef long (*F)(long, long, long, long, long, long, long);
  CountSystemCall("syscall");
  va_list args;
  va_start(args, number);
  long a[6];
  for (long& x : a) x = va_arg(args, long);
  va_end(args);
  VOSS_NEXT(syscall, F);
  return real_syscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

}  // extern "C"
