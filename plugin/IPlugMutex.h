#pragma once

#include <mutex>

// The instance's recursive lock: the thread that holds it may take it again.
class IPlugMutex
{
public:
  IPlugMutex() = default;
  IPlugMutex(const IPlugMutex&) = delete;
  IPlugMutex& operator=(const IPlugMutex&) = delete;

  // any thread
  void Lock() { mutex.lock(); }
  // any thread: takes the lock when it is free (or already this thread's), else answers
  // false at once. For a thread that must not wait on a thread waiting for it.
  bool TryLock() { return mutex.try_lock(); }
  // the thread that holds the lock
  void Unlock() { mutex.unlock(); }

private:
  std::recursive_mutex mutex;
};

// Holds an IPlugMutex for the life of the scope, released on every exit path.
class IPlugMutexLock
{
public:
  explicit IPlugMutexLock(IPlugMutex& m) : mutex(m) { mutex.Lock(); }
  ~IPlugMutexLock() { mutex.Unlock(); }
  IPlugMutexLock(const IPlugMutexLock&) = delete;
  IPlugMutexLock& operator=(const IPlugMutexLock&) = delete;

private:
  IPlugMutex& mutex;
};
