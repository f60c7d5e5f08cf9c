#include "tests/e2e/exports/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace exports_e2e {
namespace {

int BindLoopback(int* port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(s);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return s;
}

std::string ContentType(const std::string& path) {
  auto ends = [&](const char* suffix) {
    const std::string s(suffix);
    return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
  };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".js")) return "text/javascript; charset=utf-8";
  return "application/octet-stream";
}

void SendAll(int socket, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

LoopbackServer::LoopbackServer(std::string root) : root_(std::move(root)) {}

LoopbackServer::~LoopbackServer() { Stop(); }

bool LoopbackServer::Start() {
  listener_ = BindLoopback(&port_);
  if (listener_ < 0 || ::listen(listener_, 16) != 0) return false;
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void LoopbackServer::Stop() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  if (listener_ >= 0) ::close(listener_);
  listener_ = -1;
  std::vector<std::thread> connections;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    // Wakes up now and then to see whether Stop was called.
    if (::poll(&p, 1, 100) <= 0) continue;
    const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.emplace_back([this, s] { Serve(s); });
  }
}

void LoopbackServer::Serve(int socket) {
  // One request per connection; a speculative connection that never sends anything ends with
  // the stop or after the wait.
  std::string head;
  char buffer[4096];
  for (int waited = 0; head.find("\r\n\r\n") == std::string::npos && waited < 100 && !stopping_;) {
    pollfd p{socket, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) {
      ++waited;
      continue;
    }
    const ssize_t n = ::recv(socket, buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  std::istringstream request(head);
  std::string method, target;
  request >> method >> target;
  if (!target.empty()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(target);
    }
    std::string path = target.substr(0, target.find_first_of("?#"));
    std::string body;
    bool found = false;
    if (path.find("..") == std::string::npos && path.size() > 1) {
      std::ifstream in(root_ + path, std::ios::binary);
      if (in) {
        std::ostringstream content;
        content << in.rdbuf();
        body = content.str();
        found = true;
      }
    }
    std::ostringstream response;
    response << (found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n")
             << "Content-Type: " << (found ? ContentType(path) : "text/plain") << "\r\n"
             << "Content-Length: " << body.size() << "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n"
             << body;
    SendAll(socket, response.str());
  }
  ::close(socket);
}

int UnusedLoopbackPort() {
  int port = 0;
  const int s = BindLoopback(&port);
  if (s < 0) return 0;
  ::close(s);
  return port;
}

int SilentLoopbackListener(int* port) {
  const int s = BindLoopback(port);
  if (s >= 0 && ::listen(s, 16) == 0) return s;
  if (s >= 0) ::close(s);
  return -1;
}

}  // namespace exports_e2e
