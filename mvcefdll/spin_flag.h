// A one-byte busy-wait lock for the few structures the host's thread and the engine's UI thread
// share. Critical sections are a handful of pointer moves, so spinning beats parking a thread.
// Meets BasicLockable: hold it with std::lock_guard, and never across a copy into host memory or
// a call out of the library.
#pragma once

#include <atomic>
#include <thread>

namespace mvcef {

class SpinFlag {
 public:
  void lock() {
    for (unsigned spins = 0; flag_.exchange(true, std::memory_order_acquire); ++spins) {
      // The holder may have been preempted on a busy machine: give it the processor now and then.
      if ((spins & 63u) == 63u) std::this_thread::yield();
    }
  }
  void unlock() { flag_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> flag_{false};
};

}  // namespace mvcef
