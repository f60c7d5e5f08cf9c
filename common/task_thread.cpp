#include "common/task_thread.h"

#include <new>
#include <stdexcept>

namespace mvcommon {

namespace {

// A task that finds no memory for what it needs (a page's or Chromium's outsized data) is given
// up; the thread and the process it serves go on with the next one.
void RunGuarded(const TaskThread::Task& task) {
  try {
    task();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

}  // namespace

TaskThread::~TaskThread() { Stop(); }

void TaskThread::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_) return;
  started_ = true;
  // The thread waits for this lock before its first task, so id_ is set when tasks run.
  thread_ = std::thread([this] { Run(); });
  id_ = thread_.get_id();
}

void TaskThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
  }
  if (IsCurrent() || !thread_.joinable()) return;
  thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  delayed_.clear();  // captured references die here, not in the destructor's caller
}

bool TaskThread::Post(Task task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_ || stopping_) return false;
  tasks_.push_back(std::move(task));
  ++posted_;
  wake_.notify_one();
  return true;
}

bool TaskThread::PostDelayed(Task task, std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_ || stopping_) return false;
  delayed_.emplace(std::chrono::steady_clock::now() + delay, std::move(task));
  wake_.notify_one();
  return true;
}

bool TaskThread::RunSync(const Task& task) {
  if (IsCurrent()) {
    task();
    return true;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!started_ || stopping_) return false;
  tasks_.push_back([&task] { task(); });
  const uint64_t mine = ++posted_;
  wake_.notify_one();
  // Finished means the loop has put the task down, so IsIdle() right after sees the true state.
  done_.wait(lock, [&] { return completed_ >= mine; });
  return true;
}

bool TaskThread::IsIdle() {
  std::lock_guard<std::mutex> lock(mutex_);
  return tasks_.empty() && !running_task_;
}

void TaskThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    while (!stopping_ && !delayed_.empty() && delayed_.begin()->first <= now) {
      tasks_.push_back(std::move(delayed_.begin()->second));
      delayed_.erase(delayed_.begin());
      ++posted_;
    }
    if (!tasks_.empty()) {
      Task task = std::move(tasks_.front());
      tasks_.pop_front();
      running_task_ = true;
      lock.unlock();
      RunGuarded(task);
      task = nullptr;  // what the task captured dies on this thread, outside the lock
      lock.lock();
      running_task_ = false;
      ++completed_;
      done_.notify_all();
      continue;
    }
    if (stopping_) return;
    if (delayed_.empty())
      wake_.wait(lock);
    else
      wake_.wait_until(lock, delayed_.begin()->first);
  }
}

}  // namespace mvcommon
