// A stream socket carrying one JSON document per line: the channel between the
// browser process and its render side.
#pragma once

#include <mutex>
#include <string>

#include "devtools_transport.h"

namespace mvengine {
namespace chromium {

class LineChannel {
 public:
  explicit LineChannel(int fd);  // takes ownership
  ~LineChannel();

  LineChannel(const LineChannel&) = delete;
  LineChannel& operator=(const LineChannel&) = delete;

  // Any thread; whole lines, never interleaved. False once the peer is gone.
  bool Send(const Json& message);
  // The reader's thread only (one reader): blocks for the next document; false
  // at the end of the stream or on a broken one.
  bool Receive(Json* message);
  // Any thread: the peer's reads end; our own reads go on.
  void ShutdownWrite();
  // Any thread: both directions end; a blocked Receive returns false.
  void Shutdown();

 private:
  const int fd_;
  std::mutex write_mutex_;  // one writer at a time
  // Reader thread only: bytes after the last whole line, and how far of them
  // holds no line end.
  std::string buffer_;
  size_t scanned_ = 0;
};

}  // namespace chromium
}  // namespace mvengine
