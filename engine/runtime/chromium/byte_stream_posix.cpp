#include "engine/runtime/chromium/byte_stream_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace mvengine {
namespace chromium {

namespace {

class SocketStream : public ByteStream {
 public:
  SocketStream(int read_fd, int write_fd) : read_fd_(read_fd), write_fd_(write_fd) {}
  ~SocketStream() override {
    if (write_fd_ >= 0) ::close(write_fd_);
    if (read_fd_ >= 0 && read_fd_ != write_fd_) ::close(read_fd_);
  }

  bool Write(const char* data, size_t size, std::chrono::milliseconds timeout, std::string* error) override {
    const bool limited = timeout.count() > 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::send(write_fd_, data + done, size - done, MSG_NOSIGNAL | (limited ? MSG_DONTWAIT : 0));
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && limited && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
          *error = "the peer stopped reading";
          return false;
        }
        pollfd pfd{write_fd_, POLLOUT, 0};
        ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
          *error = "the peer is gone";
          return false;
        }
        continue;
      }
      *error = std::string("write failed: ") + (n == 0 ? "nothing written" : std::strerror(errno));
      return false;
    }
    return true;
  }

  long TryWrite(const char* data, size_t size) override {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::send(write_fd_, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      if (done == 0) return -1;
      break;  // what was written stands; the rest fails in Write, which says why
    }
    return static_cast<long>(done);
  }

  long Read(char* buffer, size_t size, std::string* error) override {
    for (;;) {
      const ssize_t n = ::read(read_fd_, buffer, size);
      if (n >= 0) return static_cast<long>(n);
      if (errno == EINTR) continue;
      *error = std::string("read failed: ") + std::strerror(errno);
      return -1;
    }
  }

  void ShutdownWrite() override { ::shutdown(write_fd_, SHUT_WR); }

  void Shutdown() override {
    ::shutdown(read_fd_, SHUT_RDWR);
    if (write_fd_ != read_fd_) ::shutdown(write_fd_, SHUT_RDWR);
  }

 private:
  const int read_fd_;
  const int write_fd_;
};

}  // namespace

std::unique_ptr<ByteStream> MakeSocketStream(int read_fd, int write_fd) {
  return std::unique_ptr<ByteStream>(new SocketStream(read_fd, write_fd));
}

bool MakeStreamPair(std::unique_ptr<ByteStream>* a, std::unique_ptr<ByteStream>* b, std::string* error) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    *error = std::string("cannot make a socket pair: ") + std::strerror(errno);
    return false;
  }
  *a = MakeSocketStream(fds[0], fds[0]);
  *b = MakeSocketStream(fds[1], fds[1]);
  return true;
}

std::unique_ptr<ByteStream> OpenInheritedStream(const std::string& name) {
  // A descriptor number, as RenderProcessArgs writes it.
  if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos) return nullptr;
  const int fd = std::atoi(name.c_str());
  if (::fcntl(fd, F_GETFD) == -1) return nullptr;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);  // no process this one starts inherits it
  return MakeSocketStream(fd, fd);
}

}  // namespace chromium
}  // namespace mvengine
