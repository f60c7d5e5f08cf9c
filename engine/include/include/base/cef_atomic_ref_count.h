// The counter behind every engine object's reference count.
#ifndef CEF_INCLUDE_BASE_CEF_ATOMIC_REF_COUNT_H_
#define CEF_INCLUDE_BASE_CEF_ATOMIC_REF_COUNT_H_
#pragma once

#include <atomic>

#include "include/base/cef_build.h"

namespace base {

class AtomicRefCount {
 public:
  AtomicRefCount() : count_(0) {}
  explicit AtomicRefCount(int initial) : count_(initial) {}

  void Increment() { count_.fetch_add(1, std::memory_order_relaxed); }
  // True when the count is still above zero afterwards. The release/acquire
  // pair makes every write done before the last Release visible to the
  // thread that deletes the object.
  bool Decrement() { return count_.fetch_sub(1, std::memory_order_acq_rel) != 1; }
  bool IsOne() const { return count_.load(std::memory_order_acquire) == 1; }
  bool IsZero() const { return count_.load(std::memory_order_acquire) == 0; }

 private:
  std::atomic<int> count_;
  AtomicRefCount(const AtomicRefCount&);
  void operator=(const AtomicRefCount&);
};

}  // namespace base

#endif  // CEF_INCLUDE_BASE_CEF_ATOMIC_REF_COUNT_H_
