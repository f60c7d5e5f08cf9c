// A byte stream carrying NUL-terminated JSON documents (the DevTools pipe's framing): the channel
// between the browser process and its render side.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "engine/runtime/chromium/byte_stream.h"
#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

class MessageChannel {
 public:
  explicit MessageChannel(std::unique_ptr<ByteStream> stream);

  MessageChannel(const MessageChannel&) = delete;
  MessageChannel& operator=(const MessageChannel&) = delete;

  // Any thread; whole documents, never interleaved. False once the peer is gone.
  bool Send(const Json& message);
  // The reader's thread only (one reader): blocks for the next document; false
  // at the end of the stream or on a broken one.
  bool Receive(Json* message);
  // Any thread: the peer's reads end; our own reads go on.
  void ShutdownWrite();
  // Any thread: both directions end; a blocked Receive returns false.
  void Shutdown();

 private:
  const std::unique_ptr<ByteStream> stream_;
  std::mutex write_mutex_;  // one writer at a time
  // Reader thread only: the unfinished tail, and documents read but not yet returned.
  MessageSplitter splitter_;
  std::deque<std::string> ready_;
};

}  // namespace chromium
}  // namespace mvengine
