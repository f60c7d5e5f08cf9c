// A bare DevTools pipe to a Chromium of our own, for the reference client. Written apart from the
// engine's transport on purpose: the reference must not share the code it is compared with.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mvbench {

// Splits what Chromium writes on fd 4 into its NUL-terminated messages.
class MessageSplitter {
 public:
  void Feed(const char* data, size_t size);
  // The oldest whole message not yet returned.
  std::optional<std::string> Next();

 private:
  std::string buffer_;
  size_t start_ = 0;
};

// The executable the library starts: MVCEF_CHROMIUM, else Debian's binary, else its wrapper.
std::string ChromiumExecutable();

// What the engine passes to Chromium for the library (its base switches and those SimpleApp
// appends, as chromium_launcher.cpp and chromium_switches.cpp translate them), less the profile.
std::vector<std::string> EngineSwitches();

// The switches of a command line that say how Chromium runs: no program name and no profile
// folder (each run has its own).
std::vector<std::string> ComparableSwitches(const std::vector<std::string>& command_line);

class ChromiumPipe {
 public:
  static std::unique_ptr<ChromiumPipe> Launch(const std::string& executable,
                                              const std::vector<std::string>& switches, std::string* error);
  ~ChromiumPipe();

  bool Send(const std::string& text);
  // The next message within `timeout`; nothing on timeout or once Chromium has gone.
  std::optional<std::string> Receive(std::chrono::milliseconds timeout);
  bool gone() const { return gone_; }
  const std::vector<std::string>& command_line() const { return command_line_; }

 private:
  ChromiumPipe() = default;
  pid_t pid_ = -1;
  int command_fd_ = -1;
  int event_fd_ = -1;
  bool gone_ = false;
  std::string profile_;
  std::vector<std::string> command_line_;
  MessageSplitter splitter_;
};

}  // namespace mvbench
