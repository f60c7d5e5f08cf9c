// A thread that runs posted tasks in order: the runtime's UI thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace mvengine {
namespace chromium {

class TaskThread {
 public:
  using Task = std::function<void()>;

  TaskThread() = default;
  ~TaskThread();  // Stop()

  void Start();
  // Runs what is already queued (not delayed tasks), then ends the thread. Must
  // not be called on the thread itself.
  void Stop();

  // False once stopping: the task is dropped.
  bool Post(Task task);
  bool PostDelayed(Task task, std::chrono::milliseconds delay);
  bool IsCurrent() const { return std::this_thread::get_id() == id_; }

 private:
  void Run();

  std::thread thread_;
  std::thread::id id_;  // set before the thread runs, cleared after it ends
  std::mutex mutex_;    // guards the fields below
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  std::multimap<std::chrono::steady_clock::time_point, Task> delayed_;
  bool stopping_ = false;
};

}  // namespace chromium
}  // namespace mvengine
