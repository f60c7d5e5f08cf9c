// Helpers shared by the Chromium end-to-end tests.
#pragma once

#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/file_bytes.h"
#include "engine/runtime/chromium/chromium_launcher.h"

namespace mvengine {
namespace chromium {
namespace e2e {

inline LaunchOptions Options() {
  LaunchOptions options;
  const char* debug = std::getenv("MVCEF_DEBUG");
  options.debug = debug && std::string(debug) == "1";
  return options;
}

// Calls `visit` with the /proc folder of every process.
inline void ForEachProcess(const std::function<void(const std::string& folder)>& visit) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return;
  while (dirent* entry = ::readdir(proc)) {
    if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9') visit(std::string("/proc/") + entry->d_name);
  }
  ::closedir(proc);
}

inline std::string CommandLineOf(const std::string& folder) { return mvcommon::ReadFileBytes(folder + "/cmdline"); }

inline int CountProcessesMentioning(const std::string& marker) {
  int count = 0;
  ForEachProcess([&](const std::string& folder) {
    const std::string cmdline = CommandLineOf(folder);
    if (!cmdline.empty() && cmdline.find(marker) != std::string::npos) ++count;
  });
  return count;
}

// Chromium processes started by this process (direct children running chromium).
inline std::vector<int> ChildChromiums() {
  std::vector<int> pids;
  const std::string self = std::to_string(::getpid());
  ForEachProcess([&](const std::string& folder) {
    std::ifstream stat(folder + "/stat");
    std::string pid, comm, state, ppid;
    stat >> pid >> comm >> state >> ppid;
    if (ppid != self || state == "Z") return;
    if (CommandLineOf(folder).find("mvcef-chromium-") != std::string::npos) pids.push_back(std::stoi(pid));
  });
  return pids;
}

// The folder of the bundled test pages.
inline std::string PagesDir() { return MVCEF_TEST_PAGES_DIR; }

// Binds `fd` to a free loopback port and returns the port.
inline int BindLoopback(int fd) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

// A loopback port nobody listens on (connections are refused).
inline int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int port = BindLoopback(fd);
  ::close(fd);
  return port;
}

// A loopback HTTP server that answers every request with a page (by default a
// small fixed one; `page` chooses one by path) and counts the requests it
// received (Chromium may open sockets it never uses).
class LoopbackServer {
 public:
  using PageForPath = std::function<std::string(const std::string& path)>;
  explicit LoopbackServer(PageForPath page = nullptr) : page_(std::move(page)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    port_ = BindLoopback(fd_);
    ::listen(fd_, 16);
    thread_ = std::thread([this] {
      for (;;) {
        int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) return;
        pollfd pfd{c, POLLIN, 0};
        char buf[4096];
        const ssize_t n = ::poll(&pfd, 1, 1000) <= 0 ? 0 : ::read(c, buf, sizeof buf);
        if (n <= 0) {
          ::close(c);  // a preconnect: no request
          continue;
        }
        ++connections_;
        // "GET /path HTTP/1.1"
        const std::string request(buf, static_cast<size_t>(n));
        const size_t start = request.find(' ') + 1, end = request.find(' ', start);
        const std::string path = end == std::string::npos ? "/" : request.substr(start, end - start);
        const std::string body = page_ ? page_(path) : "<p>loopback page</p>";
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                  std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        if (::write(c, reply.data(), reply.size()) < 0) {}
        ::close(c);
      }
    });
  }
  ~LoopbackServer() {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int requests() const { return connections_.load(); }

 private:
  const PageForPath page_;
  int fd_;
  int port_ = 0;
  std::atomic<int> connections_{0};
  std::thread thread_;
};

}  // namespace e2e
}  // namespace chromium
}  // namespace mvengine
