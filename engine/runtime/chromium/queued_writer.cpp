#include "engine/runtime/chromium/queued_writer.h"

namespace mvengine {
namespace chromium {

QueuedWriter::QueuedWriter(ByteStream* stream, FailHandler on_fail, size_t max_queued_bytes)
    : stream_(stream), on_fail_(std::move(on_fail)), max_queued_bytes_(max_queued_bytes), thread_([this] { Run(); }) {}

QueuedWriter::~QueuedWriter() { Stop(); }

bool QueuedWriter::Push(std::string bytes, uint64_t tag, const std::string& merge_key, uint64_t* replaced) {
  if (replaced) *replaced = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || failed_ || finishing_) return false;
    if (queue_.empty() && !writing_) {
      // Nothing ahead: written here, under the lock so no other write interleaves. Whatever does
      // not fit goes first in the queue, where nothing merges into it.
      const long written = stream_->TryWrite(bytes.data(), bytes.size());
      if (written == static_cast<long>(bytes.size())) return true;
      if (written > 0) {
        queued_bytes_ = bytes.size() - static_cast<size_t>(written);
        queue_.push_back({std::move(bytes), tag, std::string(), static_cast<size_t>(written)});
        wake_.notify_one();
        return true;
      }
    }
    const bool merge = !merge_key.empty() && !queue_.empty() && queue_.back().merge_key == merge_key;
    const size_t kept = queued_bytes_ - (merge ? queue_.back().bytes.size() : 0);
    if (max_queued_bytes_ != 0 && kept != 0 && kept + bytes.size() > max_queued_bytes_) return false;
    queued_bytes_ = kept + bytes.size();
    if (merge) {
      if (replaced) *replaced = queue_.back().tag;
      queue_.back().bytes = std::move(bytes);
      queue_.back().tag = tag;
      return true;
    }
    queue_.push_back({std::move(bytes), tag, merge_key, 0});
  }
  wake_.notify_one();
  return true;
}

void QueuedWriter::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  wake_.notify_one();
}

void QueuedWriter::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (!thread_.joinable()) return;
  // From the writer's own failure handler (its owner let go there): it ends by itself.
  if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
  else thread_.join();
}

size_t QueuedWriter::queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

void QueuedWriter::Run() {
  for (;;) {
    Item item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || finishing_ || !queue_.empty(); });
      if (stopping_) {
        queue_.clear();
        queued_bytes_ = 0;
        return;
      }
      if (queue_.empty()) {  // finishing, and all is written
        lock.unlock();
        stream_->ShutdownWrite();
        return;
      }
      item = std::move(queue_.front());
      queue_.pop_front();
      queued_bytes_ -= item.bytes.size() - item.written;
      writing_ = true;
    }
    std::string error;
    const bool written = stream_->Write(item.bytes.data() + item.written, item.bytes.size() - item.written,
                                        std::chrono::milliseconds(0), &error);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      writing_ = false;
      if (written) continue;
      failed_ = true;
      queue_.clear();
      queued_bytes_ = 0;
    }
    if (on_fail_) on_fail_(error);
    return;
  }
}

}  // namespace chromium
}  // namespace mvengine
