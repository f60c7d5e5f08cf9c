// Page-to-host messages of one browser: appended on the engine's UI thread, drained one at a time
// on the host's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <list>
#include <string>
#include <utility>

#include "mvcefdll/spin_flag.h"

namespace mvcef {

// Host field size of the message export: 256 bytes including the terminating NUL.
constexpr size_t kHostFieldSize = 256;

class HostMessageQueue {
 public:
  // A page that sends faster than the host drains (or a browser that is never current) holds at
  // most this many messages of at most kHostFieldSize - 1 bytes a field.
  static constexpr size_t kMaxMessages = 1024;

  HostMessageQueue() = default;
  HostMessageQueue(const HostMessageQueue&) = delete;
  HostMessageQueue& operator=(const HostMessageQueue&) = delete;

  // Producer (engine UI thread). Appends at the tail, each field cut to what the host's field can
  // take (kHostFieldSize - 1 bytes, never inside a UTF-8 character). A full queue keeps what it
  // has: the new message is dropped and counted, and the result is false.
  bool Push(std::string name, std::string value);
  // Messages dropped so far (producer thread).
  size_t dropped() const { return dropped_; }

  // Consumer (host thread). Removes the oldest message into the outputs (a null output discards
  // that field); false and outputs untouched when the queue is empty.
  bool Pop(std::string* name, std::string* value);

  // Any thread; free of data races. With one consumer, a false answer stays false until that
  // consumer pops.
  bool Empty() const { return count_.load(std::memory_order_acquire) == 0; }

 private:
  using Message = std::pair<std::string, std::string>;

  SpinFlag lock_;
  // Guarded by lock_. Nodes are built and destroyed outside the lock and only spliced under it.
  std::list<Message> messages_;
  // Written under lock_, read without it.
  std::atomic<size_t> count_{0};
  size_t dropped_ = 0;  // producer only
};

// Writes s into a host field of kHostFieldSize bytes, NUL-terminated. A longer string is cut to at
// most kHostFieldSize - 1 bytes without splitting a UTF-8 character. A null dest does nothing.
void CopyToHostField(const std::string& s, char* dest);

// Cuts s in place as CopyToHostField would.
void CutToHostField(std::string* s);

}  // namespace mvcef
