#include "task_thread.h"

namespace mvengine {
namespace chromium {

TaskThread::~TaskThread() { Stop(); }

void TaskThread::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
  id_ = thread_.get_id();
}

void TaskThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_.joinable()) return;
    stopping_ = true;
    cv_.notify_all();
  }
  thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  id_ = std::thread::id();
  delayed_.clear();
}

bool TaskThread::Post(Task task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_ || !thread_.joinable()) return false;
  tasks_.push_back(std::move(task));
  cv_.notify_one();
  return true;
}

bool TaskThread::PostDelayed(Task task, std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_ || !thread_.joinable()) return false;
  delayed_.emplace(std::chrono::steady_clock::now() + delay, std::move(task));
  cv_.notify_one();
  return true;
}

void TaskThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    auto now = std::chrono::steady_clock::now();
    while (!stopping_ && !delayed_.empty() && delayed_.begin()->first <= now) {
      tasks_.push_back(std::move(delayed_.begin()->second));
      delayed_.erase(delayed_.begin());
    }
    if (!tasks_.empty()) {
      Task task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      task = nullptr;  // captured references die on this thread, outside the lock
      lock.lock();
      continue;
    }
    if (stopping_) return;
    if (delayed_.empty())
      cv_.wait(lock);
    else
      cv_.wait_until(lock, delayed_.begin()->first);
  }
}

}  // namespace chromium
}  // namespace mvengine
