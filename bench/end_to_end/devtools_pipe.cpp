#include "devtools_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace mvbench {

void MessageSplitter::Feed(const char* data, size_t size) {
  // Drop what was handed out before the buffer grows again.
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(data, size);
}

std::optional<std::string> MessageSplitter::Next() {
  const size_t end = buffer_.find('\0', start_);
  if (end == std::string::npos) return std::nullopt;
  std::string message = buffer_.substr(start_, end - start_);
  start_ = end + 1;
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  return message;
}

namespace {

bool IsExecutable(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISREG(st.st_mode) && ::access(path, X_OK) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool WaitExit(pid_t pid, std::chrono::milliseconds within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

std::string ChromiumExecutable() {
  const char* chosen = std::getenv("MVCEF_CHROMIUM");
  if (chosen && *chosen) return chosen;
  for (const char* candidate : {"/usr/lib/chromium/chromium", "/usr/bin/chromium"})
    if (IsExecutable(candidate)) return candidate;
  return std::string();
}

std::vector<std::string> EngineSwitches() {
  return {"--headless=new", "--remote-debugging-pipe", "--no-sandbox", "--disable-gpu",
          "--disable-background-networking", "--disable-component-update", "--disable-sync",
          "--no-first-run", "--disable-quic", "--disable-back-forward-cache",
          // SimpleApp's switches as the engine passes them on, then the settings' certificate rule.
          "--disable-gpu", "--disable-gpu-compositing", "--accept-lang=zh-CN", "--lang=zh-CN",
          "--ignore-certificate-errors"};
}

std::vector<std::string> ComparableSwitches(const std::vector<std::string>& command_line) {
  std::vector<std::string> out;
  for (size_t i = 1; i < command_line.size(); ++i)
    if (command_line[i].rfind("--user-data-dir=", 0) != 0) out.push_back(command_line[i]);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::unique_ptr<ChromiumPipe> ChromiumPipe::Launch(const std::string& executable,
                                                   const std::vector<std::string>& switches, std::string* error) {
  if (executable.empty()) {
    *error = "no Chromium found (install chromium or set MVCEF_CHROMIUM)";
    return nullptr;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/mvbench-plain-XXXXXX";
  if (!::mkdtemp(dir.data())) {
    *error = std::string("cannot create a profile folder: ") + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<ChromiumPipe> pipe(new ChromiumPipe());
  pipe->profile_ = dir;
  pipe->command_line_.push_back(executable);
  for (const std::string& s : switches) pipe->command_line_.push_back(s);
  pipe->command_line_.push_back("--user-data-dir=" + dir);

  int commands[2], events[2];
  if (::pipe2(commands, O_CLOEXEC) != 0 || ::pipe2(events, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  std::vector<char*> argv;
  for (std::string& s : pipe->command_line_) argv.push_back(s.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    // Above 4 first, so that the dup2s below cannot overwrite one another.
    const int in = ::fcntl(commands[0], F_DUPFD_CLOEXEC, 10);
    const int out = ::fcntl(events[1], F_DUPFD_CLOEXEC, 10);
    const int null_fd = ::open("/dev/null", O_RDWR);
    if (in < 0 || out < 0 || ::dup2(in, 3) < 0 || ::dup2(out, 4) < 0) ::_exit(127);
    if (null_fd >= 0) {
      ::dup2(null_fd, 0);
      ::dup2(null_fd, 1);
      ::dup2(null_fd, 2);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(commands[0]);
  ::close(events[1]);
  if (pid < 0) {
    ::close(commands[1]);
    ::close(events[0]);
    *error = std::string("fork: ") + std::strerror(errno);
    return nullptr;
  }
  ::setpgid(pid, pid);
  pipe->pid_ = pid;
  pipe->command_fd_ = commands[1];
  pipe->event_fd_ = events[0];
  return pipe;
}

ChromiumPipe::~ChromiumPipe() {
  // Closing the command pipe asks Chromium to quit; its helpers go with the process group.
  CloseFd(command_fd_);
  if (pid_ > 0) {
    if (!WaitExit(pid_, std::chrono::seconds(3))) {
      ::kill(-pid_, SIGTERM);
      if (!WaitExit(pid_, std::chrono::seconds(2))) {
        ::kill(-pid_, SIGKILL);
        WaitExit(pid_, std::chrono::seconds(2));
      }
    }
    ::kill(-pid_, SIGKILL);
  }
  CloseFd(event_fd_);
  std::error_code ignored;
  if (!profile_.empty()) std::filesystem::remove_all(profile_, ignored);
}

bool ChromiumPipe::Send(const std::string& text) {
  if (command_fd_ < 0) return false;
  std::string framed = text;
  framed.push_back('\0');
  size_t sent = 0;
  while (sent < framed.size()) {
    const ssize_t n = ::write(command_fd_, framed.data() + sent, framed.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      gone_ = true;
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::optional<std::string> ChromiumPipe::Receive(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (std::optional<std::string> message = splitter_.Next()) return message;
    if (gone_) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) return std::nullopt;
    pollfd p{event_fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char chunk[1 << 16];
    const ssize_t n = ::read(event_fd_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      gone_ = true;
      continue;
    }
    splitter_.Feed(chunk, static_cast<size_t>(n));
  }
}

}  // namespace mvbench
