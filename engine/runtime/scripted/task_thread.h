// A thread that runs posted tasks in order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace mvengine {
namespace scripted {

class TaskThread {
 public:
  TaskThread();
  ~TaskThread();

  // Dropped once Stop has begun.
  void Post(std::function<void()> task);
  // Runs task on this thread and returns after it ran; inline when called on it.
  // Returns false (task not run) once stopped.
  bool RunSync(const std::function<void()>& task);
  // Runs what is queued, then ends the thread. Idempotent; not from the thread itself.
  void Stop();
  bool IsCurrent() const;
  // Nothing queued and nothing running.
  bool IsIdle();

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;  // guarded by mutex_
  bool stopping_ = false;                    // guarded by mutex_
  bool running_task_ = false;                // guarded by mutex_
  std::condition_variable done_;
  uint64_t posted_ = 0;                      // guarded by mutex_; tasks queued so far
  uint64_t completed_ = 0;                   // guarded by mutex_; tasks finished so far
  std::thread::id id_;                       // written before the thread starts
  std::thread thread_;
};

}  // namespace scripted
}  // namespace mvengine
