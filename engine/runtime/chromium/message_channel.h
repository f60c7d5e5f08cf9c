// A byte stream carrying NUL-terminated JSON documents (the DevTools pipe's framing): the channel
// between the browser process and its render side. Documents are written on a thread of the
// channel's own, so a sender never waits for a peer that is stopped or slow; a peer that never
// reads gets at most `max_queued_bytes` queued for it, later documents are refused.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "engine/runtime/chromium/byte_stream.h"
#include "engine/runtime/chromium/devtools_transport.h"
#include "engine/runtime/chromium/queued_writer.h"

namespace mvengine {
namespace chromium {

class MessageChannel {
 public:
  static constexpr size_t kMaxQueuedBytes = size_t(128) << 20;

  explicit MessageChannel(std::unique_ptr<ByteStream> stream, size_t max_queued_bytes = kMaxQueuedBytes);
  ~MessageChannel();  // what is still queued is dropped

  MessageChannel(const MessageChannel&) = delete;
  MessageChannel& operator=(const MessageChannel&) = delete;

  // Any thread, never blocks: queues a whole document (never interleaved with others). False once
  // the peer is gone or the write side was shut, and when the queue is full.
  bool Send(const Json& message);
  // The reader's thread only (one reader): blocks for the next document; false
  // at the end of the stream or on a broken one.
  bool Receive(Json* message);
  // Any thread: the peer's reads end once it has read what was sent before; our own reads go on.
  void ShutdownWrite();
  // Any thread: both directions end; a blocked Receive returns false.
  void Shutdown();

 private:
  const std::unique_ptr<ByteStream> stream_;
  QueuedWriter writer_;  // the only writer of stream_
  // Reader thread only: the unfinished tail, and documents read but not yet returned.
  MessageSplitter splitter_;
  std::deque<std::string> ready_;
};

}  // namespace chromium
}  // namespace mvengine
