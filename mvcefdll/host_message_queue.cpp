#include "mvcefdll/host_message_queue.h"

#include <cstring>
#include <mutex>

#include "common/utf.h"

namespace mvcef {

bool HostMessageQueue::Push(std::string name, std::string value) {
  // Only the producer grows the queue, so a count below the limit stays below it until this push.
  if (count_.load(std::memory_order_acquire) >= kMaxMessages) {
    ++dropped_;
    return false;
  }
  CutToHostField(&name);
  CutToHostField(&value);
  value.shrink_to_fit();  // a long text cut down must not keep its old capacity
  std::list<Message> node;
  node.emplace_back(std::move(name), std::move(value));
  std::lock_guard<SpinFlag> hold(lock_);
  messages_.splice(messages_.end(), node);
  count_.fetch_add(1, std::memory_order_release);
  return true;
}

bool HostMessageQueue::Pop(std::string* name, std::string* value) {
  if (Empty()) return false;
  std::list<Message> node;
  {
    std::lock_guard<SpinFlag> hold(lock_);
    if (messages_.empty()) return false;  // only with more than one consumer
    node.splice(node.end(), messages_, messages_.begin());
    count_.fetch_sub(1, std::memory_order_release);
  }
  if (name) *name = std::move(node.front().first);
  if (value) *value = std::move(node.front().second);
  return true;
}

void CutToHostField(std::string* s) {
  s->resize(mvcommon::Utf8PrefixLength(*s, kHostFieldSize - 1));
}

void CopyToHostField(const std::string& s, char* dest) {
  if (dest == nullptr) return;
  const size_t n = mvcommon::Utf8PrefixLength(s, kHostFieldSize - 1);
  std::memcpy(dest, s.data(), n);
  dest[n] = '\0';
}

}  // namespace mvcef
