#include "task_thread.h"

namespace mvengine {
namespace scripted {

TaskThread::TaskThread() {
  std::unique_lock<std::mutex> lock(mutex_);
  thread_ = std::thread([this] { Loop(); });
  id_ = thread_.get_id();
}

TaskThread::~TaskThread() { Stop(); }

void TaskThread::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_)
    return;
  queue_.push_back(std::move(task));
  ++posted_;
  wake_.notify_all();
}

bool TaskThread::RunSync(const std::function<void()>& task) {
  if (IsCurrent()) {
    task();
    return true;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (stopping_)
    return false;
  queue_.push_back([&task] { task(); });
  const uint64_t mine = ++posted_;
  wake_.notify_all();
  // Finished means the loop is idle again after it, so IsIdle() right after
  // RunSync sees the true state.
  done_.wait(lock, [&] { return completed_ >= mine; });
  return true;
}

void TaskThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ && !thread_.joinable())
      return;
    stopping_ = true;
    wake_.notify_all();
  }
  if (thread_.joinable() && !IsCurrent())
    thread_.join();
}

bool TaskThread::IsCurrent() const { return std::this_thread::get_id() == id_; }

bool TaskThread::IsIdle() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.empty() && !running_task_;
}

void TaskThread::Loop() {
  {
    // Wait for the constructor to publish id_.
    std::lock_guard<std::mutex> lock(mutex_);
  }
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (queue_.empty())
      break;  // stopping and drained
    std::function<void()> task = std::move(queue_.front());
    queue_.pop_front();
    running_task_ = true;
    lock.unlock();
    task();
    task = nullptr;  // release what the task captured outside the lock
    lock.lock();
    running_task_ = false;
    ++completed_;
    done_.notify_all();
  }
}

}  // namespace scripted
}  // namespace mvengine
