// A thread that runs posted tasks one at a time, in order: the engines' UI and renderer threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace mvcommon {

class TaskThread {
 public:
  using Task = std::function<void()>;

  TaskThread() = default;
  ~TaskThread();  // Stop(); never by one of its own tasks

  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  // Once, before anything is posted.
  void Start();
  // Runs what is queued (not delayed tasks), then ends the thread; later tasks are refused.
  // Idempotent. On the thread itself it only refuses later tasks (the owner joins later).
  void Stop();

  // False (the task dropped) before Start and once stopping. A task that throws std::bad_alloc or
  // std::length_error ends there; the thread goes on.
  bool Post(Task task);
  bool PostDelayed(Task task, std::chrono::milliseconds delay);
  // Runs `task` on the thread and returns after it ran; runs it inline when called on the thread.
  // False (not run) when the thread does not take tasks.
  bool RunSync(const Task& task);

  bool IsCurrent() const { return std::this_thread::get_id() == id_; }
  // Nothing ready to run and nothing running (delayed tasks not yet due do not count).
  bool IsIdle();

 private:
  void Run();

  std::thread thread_;
  std::thread::id id_;  // written by Start before the thread runs a task
  std::mutex mutex_;    // guards the fields below
  std::condition_variable wake_;
  std::condition_variable done_;  // a task finished
  std::deque<Task> tasks_;
  std::multimap<std::chrono::steady_clock::time_point, Task> delayed_;
  bool started_ = false;
  bool stopping_ = false;
  bool running_task_ = false;
  uint64_t posted_ = 0;     // tasks queued so far
  uint64_t completed_ = 0;  // tasks finished so far
};

}  // namespace mvcommon
