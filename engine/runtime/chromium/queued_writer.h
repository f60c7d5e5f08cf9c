// Writes messages to a byte stream without making any caller wait for the peer to read: a message
// with nothing ahead of it goes out at once from the caller when the stream has room for it (no
// thread hop on the input and acknowledgement path), everything else on a thread of its own. A
// peer that reads slowly (or is stopped) only lets the queue grow; a message marked with a merge
// key replaces the newest queued one with the same key, so a flood of pointer moves stays one
// message while the stream is busy. Only a failed write (the peer closed the stream, or the stream
// was shut down) ends it: there is no write timeout. A bound on the queued bytes keeps a peer that
// never reads from growing the writer's process without end.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "engine/runtime/chromium/byte_stream.h"

namespace mvengine {
namespace chromium {

class QueuedWriter {
 public:
  // Runs once, on the writer thread, when a write failed (the reason given); nothing is written
  // afterwards.
  using FailHandler = std::function<void(const std::string& reason)>;

  // `stream` must outlive Stop(). `max_queued_bytes` 0: no bound.
  QueuedWriter(ByteStream* stream, FailHandler on_fail, size_t max_queued_bytes = 0);
  ~QueuedWriter();  // Stop()

  QueuedWriter(const QueuedWriter&) = delete;
  QueuedWriter& operator=(const QueuedWriter&) = delete;

  // Any thread, never blocks on the peer. Queues `bytes` (a whole message) under `tag`. With a
  // non-empty `merge_key`, when the newest queued message not yet being written has the same key,
  // `bytes` takes its place instead (order with other messages is kept) and its tag is returned in
  // `*replaced` (0 otherwise). False once the writer has failed, stopped or finished, and when the
  // queue holds other messages and `bytes` would take it past its bound (a message is never refused
  // by an empty queue).
  bool Push(std::string bytes, uint64_t tag = 0, const std::string& merge_key = std::string(),
            uint64_t* replaced = nullptr);
  // Any thread: once everything queued so far is written, the stream's write side is shut (the
  // peer reads its end) and the thread ends. Nothing is taken afterwards.
  void Finish();
  // Ends the thread; what is still queued is dropped. The caller shuts the stream down first when
  // a write may block. Idempotent.
  void Stop();
  size_t queued() const;

 private:
  struct Item {
    std::string bytes;
    uint64_t tag;
    std::string merge_key;
    size_t written = 0;  // of `bytes`, by the caller that queued it (never copied to drop them)
  };
  void Run();

  ByteStream* const stream_;
  const FailHandler on_fail_;
  const size_t max_queued_bytes_;
  mutable std::mutex mutex_;  // guards the fields below
  std::condition_variable wake_;
  std::deque<Item> queue_;  // the front is not being written; the writer pops before writing
  size_t queued_bytes_ = 0;  // of the messages in queue_
  bool writing_ = false;     // the writer thread is writing a popped message
  bool stopping_ = false;
  bool finishing_ = false;
  bool failed_ = false;
  std::thread thread_;  // started in the constructor, joined by Stop
};

}  // namespace chromium
}  // namespace mvengine
