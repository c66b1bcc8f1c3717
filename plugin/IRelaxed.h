#pragma once

#include <atomic>

// A value that one thread stores and another reads without a lock: every load and store is a
// single relaxed atomic access, which on x86 is the same plain move an ordinary field gets,
// with no fence and no waiting, but without a data race. A compound update (+=) is a load
// followed by a store, not an atomic read-modify-write: the values kept like this have one
// writer at a time, or tolerate a lost update.
template <class T>
class IRelaxed
{
public:
  static_assert(std::atomic<T>::is_always_lock_free, "a relaxed value must be lock-free");

  constexpr IRelaxed(T initial = T()) noexcept : stored(initial) {}
  IRelaxed(const IRelaxed& other) noexcept : stored(other.Load()) {}
  IRelaxed& operator=(const IRelaxed& other) noexcept
  {
    Store(other.Load());
    return *this;
  }
  IRelaxed& operator=(T v) noexcept
  {
    Store(v);
    return *this;
  }
  IRelaxed& operator+=(T d) noexcept
  {
    Store(Load() + d);
    return *this;
  }

  operator T() const noexcept { return Load(); }
  T Load() const noexcept { return stored.load(std::memory_order_relaxed); }
  void Store(T v) noexcept { stored.store(v, std::memory_order_relaxed); }

private:
  std::atomic<T> stored;
};
