#include "mvcefdll/host_message_queue.h"

#include <cstring>
#include <mutex>

namespace mvcef {

void HostMessageQueue::Push(std::string name, std::string value) {
  std::list<Message> node;
  node.emplace_back(std::move(name), std::move(value));
  std::lock_guard<SpinFlag> hold(lock_);
  messages_.splice(messages_.end(), node);
  count_.fetch_add(1, std::memory_order_release);
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

size_t Utf8PrefixLength(const char* s, size_t size, size_t limit) {
  if (size <= limit) return size;
  size_t n = limit;
  // Step back over continuation bytes so that s[n] starts a character. A valid sequence has at
  // most three of them; a longer run is not UTF-8, and is cut where it stands.
  for (int back = 0; back < 3 && n > 0; ++back) {
    if ((static_cast<unsigned char>(s[n]) & 0xC0u) != 0x80u) return n;
    --n;
  }
  return (static_cast<unsigned char>(s[n]) & 0xC0u) != 0x80u ? n : limit;
}

void CopyToHostField(const std::string& s, char* dest) {
  if (dest == nullptr) return;
  const size_t n = Utf8PrefixLength(s.data(), s.size(), kHostFieldSize - 1);
  std::memcpy(dest, s.data(), n);
  dest[n] = '\0';
}

}  // namespace mvcef
