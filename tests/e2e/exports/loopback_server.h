// A small HTTP server on 127.0.0.1 that serves the files of one folder and records every request
// path, so a test can load pages over http (real origins) and see what Chromium asked for.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace exports_e2e {

class LoopbackServer {
 public:
  explicit LoopbackServer(std::string root);
  ~LoopbackServer();  // Stop()

  // Listens on an ephemeral port of 127.0.0.1; false if that failed.
  bool Start();
  void Stop();
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path (path starts with '/').
  std::string Url(const std::string& path) const;
  // Paths of the requests received so far, in order (query strings included).
  std::vector<std::string> Requests() const;

 private:
  void AcceptLoop();
  void Serve(int socket);

  const std::string root_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<std::thread> connections_;
};

// A port of 127.0.0.1 where nothing listens: bound, then closed.
int UnusedLoopbackPort();

// A socket listening on 127.0.0.1 that takes connections (the kernel's backlog does) and never
// answers a request; its port in `*port`. The caller closes it; -1 if none could be had.
int SilentLoopbackListener(int* port);

}  // namespace exports_e2e
