#include "line_channel.h"

#include <errno.h>
#include <sys/socket.h>
#include <unistd.h>

#include "debug_log.h"

namespace mvengine {
namespace chromium {

namespace {

// Image data URIs travel here; a line past this is a broken peer, not data.
constexpr size_t kMaxLine = size_t(512) << 20;

}  // namespace

LineChannel::LineChannel(int fd) : fd_(fd) {}

LineChannel::~LineChannel() {
  if (fd_ >= 0) close(fd_);
}

bool LineChannel::Send(const Json& message) {
  // Text from pages may hold lone surrogates: never let them throw here.
  std::string line = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  line.push_back('\n');
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

bool LineChannel::Receive(Json* message) {
  for (;;) {
    const size_t end = buffer_.find('\n', scanned_);
    if (end == std::string::npos) scanned_ = buffer_.size();  // big lines come in many reads
    if (end != std::string::npos) {
      scanned_ = 0;
      Json parsed = Json::parse(buffer_.begin(), buffer_.begin() + end, nullptr, false);
      buffer_.erase(0, end + 1);
      if (parsed.is_discarded()) {
        DebugLog("render channel: a line that is not JSON was dropped");
        continue;
      }
      *message = std::move(parsed);
      return true;
    }
    if (buffer_.size() > kMaxLine) {
      DebugLog("render channel: a line over %zu bytes; closing", kMaxLine);
      return false;
    }
    char chunk[64 * 1024];
    const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

void LineChannel::ShutdownWrite() { shutdown(fd_, SHUT_WR); }

void LineChannel::Shutdown() { shutdown(fd_, SHUT_RDWR); }

}  // namespace chromium
}  // namespace mvengine
