#include "engine/runtime/chromium/message_channel.h"

#include <errno.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/runtime/chromium/debug_log.h"

namespace mvengine {
namespace chromium {

namespace {

// Image data URIs travel here; a message past this is a broken peer, not data.
constexpr size_t kMaxMessage = size_t(512) << 20;

}  // namespace

MessageChannel::MessageChannel(int fd) : fd_(fd) {}

MessageChannel::~MessageChannel() {
  if (fd_ >= 0) close(fd_);
}

bool MessageChannel::Send(const Json& message) {
  // Text from pages may hold lone surrogates: never let them throw here.
  std::string line = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  line.push_back('\0');  // JSON text never holds a raw NUL
  std::lock_guard<std::mutex> lock(write_mutex_);
  size_t done = 0;
  while (done < line.size()) {
    // MSG_NOSIGNAL: a peer that died must not kill the host with SIGPIPE.
    const ssize_t n = send(fd_, line.data() + done, line.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool MessageChannel::Receive(Json* message) {
  for (;;) {
    while (!ready_.empty()) {
      Json parsed = Json::parse(ready_.front(), nullptr, false);
      ready_.pop_front();
      if (parsed.is_discarded()) {
        DebugLog("render channel: a message that is not JSON was dropped");
        continue;
      }
      *message = std::move(parsed);
      return true;
    }
    if (splitter_.pending_bytes() > kMaxMessage) {
      DebugLog("render channel: a message over %zu bytes; closing", kMaxMessage);
      return false;
    }
    char chunk[64 * 1024];
    const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    splitter_.Feed(chunk, static_cast<size_t>(n), [this](std::string&& text) { ready_.push_back(std::move(text)); });
  }
}

void MessageChannel::ShutdownWrite() { shutdown(fd_, SHUT_WR); }

void MessageChannel::Shutdown() { shutdown(fd_, SHUT_RDWR); }

}  // namespace chromium
}  // namespace mvengine
