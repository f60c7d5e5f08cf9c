// The other end of a DevTools channel on a socketpair: reads the commands a
// test's code sends and writes whatever the test scripts. No Chromium needed.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/byte_stream_posix.h"
#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

// The other end of the channel: reads commands, writes whatever a test scripts.
class FakePeer {
 public:
  explicit FakePeer(int fd) : fd_(fd) {}
  ~FakePeer() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Next complete command, or null JSON after `timeout`.
  Json ReadCommand(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      if (!queue_.empty()) {
        Json j = Json::parse(queue_.front());
        queue_.erase(queue_.begin());
        return j;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return Json();
      pollfd pfd{fd_, POLLIN, 0};
      if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) return Json();
      splitter_.Feed(buf, n, [&](std::string&& m) { queue_.push_back(std::move(m)); });
    }
  }
  void Write(const std::string& raw) { ASSERT_EQ(::write(fd_, raw.data(), raw.size()), (ssize_t)raw.size()); }
  void Reply(int id, const Json& result) { Write(Json{{"id", id}, {"result", result}}.dump() + '\0'); }
  void ReplyError(int id, const std::string& message) {
    Write(Json{{"id", id}, {"error", {{"code", -32000}, {"message", message}}}}.dump() + '\0');
  }
  void Event(const std::string& session, const std::string& method, const Json& params) {
    Write(Json{{"method", method}, {"params", params}, {"sessionId", session}}.dump() + '\0');
  }

 private:
  int fd_;
  MessageSplitter splitter_;
  std::vector<std::string> queue_;
};

struct Channel {
  explicit Channel(size_t max_read_bytes = kMaxReadMessageBytes) {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    transport = std::make_shared<DevToolsTransport>(MakeSocketStream(fds[0], fds[0]), max_read_bytes);
    peer.reset(new FakePeer(fds[1]));
  }
  std::shared_ptr<DevToolsTransport> transport;
  std::unique_ptr<FakePeer> peer;
};

}  // namespace chromium
}  // namespace mvengine
