// A connected byte stream to another process (or a thread of this one): the DevTools pipe to
// Chromium and the render channel. This is all the protocol code asks of the system; each system
// implements it in files of its own (byte_stream_posix.cpp: sockets).
//
// Threads: one reader and one writer at a time (their owners serialise them); ShutdownWrite and
// Shutdown from any thread, also while a Read or Write blocks; destruction when neither runs.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace mvengine {
namespace chromium {

class ByteStream {
 public:
  virtual ~ByteStream() = default;  // closes the stream

  // Writes all of `data`, waiting for room at most `timeout` in all (zero: as long as it takes).
  // False, with the reason in `error`, when the peer is gone or stopped reading; never raises a
  // signal in the process.
  virtual bool Write(const char* data, size_t size, std::chrono::milliseconds timeout, std::string* error) = 0;
  // Writes what fits without waiting: the bytes written (0 when there is no room), or -1 when the
  // stream cannot write without waiting or the write failed (Write then tells why). Same thread
  // rule as Write.
  virtual long TryWrite(const char* data, size_t size) { return -1; }
  // Blocks until bytes come: their count, 0 at the end of the stream, -1 on a failure (reason in
  // `error`).
  virtual long Read(char* buffer, size_t size, std::string* error) = 0;
  // The peer's reads end; ours go on.
  virtual void ShutdownWrite() = 0;
  // Both directions end: a blocked Read returns 0, a blocked Write fails.
  virtual void Shutdown() = 0;
};

// Both ends of a new stream, for a render side on a thread of this process.
bool MakeStreamPair(std::unique_ptr<ByteStream>* a, std::unique_ptr<ByteStream>* b, std::string* error);

// This process's end of a stream its parent handed over, named as on its command line; null
// when the name is not one, or names nothing open.
std::unique_ptr<ByteStream> OpenInheritedStream(const std::string& name);

}  // namespace chromium
}  // namespace mvengine
