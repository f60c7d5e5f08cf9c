// Records the DevTools conversation between the engine and a real Chromium (Linux). Used as the
// browser (MVCEF_CHROMIUM=<this>): starts the real one with the same switches, relays its pipe
// (descriptors 3 and 4) both ways and appends every message, with its direction and time, to
// MVCEF_RECORD_TO (recording.h gives the format). MVCEF_RECORD_CHROMIUM names the real browser
// (default /usr/lib/chromium/chromium). Ends with the browser, with its exit status.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "recording.h"

namespace {

std::mutex g_file_mutex;  // one line at a time from both relays
std::FILE* g_file = nullptr;
const auto g_start = std::chrono::steady_clock::now();

void Record(bool from_engine, const std::string& text) {
  const double t = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_start).count();
  std::string line;
  if (devtools_replay::Json::parse(text, nullptr, false).is_object())
    line = devtools_replay::RecordingLine(t, from_engine, text);
  else  // never seen from Chromium; kept as a note rather than breaking the file
    line = devtools_replay::Json{{"t", t}, {"unparsed", text}}.dump();
  std::lock_guard<std::mutex> lock(g_file_mutex);
  std::fputs(line.c_str(), g_file);
  std::fputc('\n', g_file);
  std::fflush(g_file);  // a recorder killed with its browser keeps what it saw
}

bool SendAll(int to, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t w = ::send(to, data + done, size - done, MSG_NOSIGNAL);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

// Copies `from` to `to` one NUL-terminated message at a time, each recorded before it is passed
// on: whatever the other side answers to it can only be recorded after it. Shuts `to` down at the
// end so the other side sees the stream end too.
void Relay(int from, int to, bool from_engine) {
  std::string pending;
  char buffer[65536];
  bool open = true;
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = pending.find('\0')) != std::string::npos) {
      Record(from_engine, pending.substr(0, end));
      // Once the other side is gone the rest is still recorded: it is what this side said.
      if (open) open = SendAll(to, pending.data(), end + 1);
      pending.erase(0, end + 1);
    }
  }
  ::shutdown(to, SHUT_WR);
}

}  // namespace

int main(int argc, char** argv) {
  const char* out = std::getenv("MVCEF_RECORD_TO");
  const char* chromium = std::getenv("MVCEF_RECORD_CHROMIUM");
  if (!chromium || !*chromium) chromium = "/usr/lib/chromium/chromium";
  if (!out || !*out) {
    std::fprintf(stderr, "recorder: set MVCEF_RECORD_TO\n");
    return 2;
  }
  g_file = std::fopen(out, "a");
  if (!g_file) {
    std::fprintf(stderr, "recorder: cannot write %s\n", out);
    return 2;
  }
  int commands[2], events[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, commands) != 0 ||
      ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, events) != 0) {
    std::perror("recorder: socketpair");
    return 2;
  }
  std::vector<char*> args(argv, argv + argc);
  args[0] = const_cast<char*>(chromium);
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Same process group as this recorder: the engine ends the group, browser included.
    if (::dup2(commands[1], 3) < 0 || ::dup2(events[1], 4) < 0) ::_exit(127);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(commands[1]);
  ::close(events[1]);
  if (pid < 0) {
    std::perror("recorder: fork");
    return 2;
  }
  std::thread to_browser(Relay, 3, commands[0], true);
  std::thread to_engine(Relay, events[0], 4, false);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // The browser is gone: its side of the pipe ends; the engine's end goes when the engine closes it.
  to_engine.join();
  to_browser.detach();
  std::fclose(g_file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
