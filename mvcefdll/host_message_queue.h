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

class HostMessageQueue {
 public:
  HostMessageQueue() = default;
  HostMessageQueue(const HostMessageQueue&) = delete;
  HostMessageQueue& operator=(const HostMessageQueue&) = delete;

  // Producer (engine UI thread). Appends at the tail.
  void Push(std::string name, std::string value);

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
};

// Host field size of the message export: 256 bytes including the terminating NUL.
constexpr size_t kHostFieldSize = 256;

// Writes s into a host field of kHostFieldSize bytes, NUL-terminated. A longer string is cut to at
// most kHostFieldSize - 1 bytes without splitting a UTF-8 character. A null dest does nothing.
void CopyToHostField(const std::string& s, char* dest);

}  // namespace mvcef
