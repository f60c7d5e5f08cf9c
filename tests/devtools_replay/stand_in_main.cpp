// A stand-in for Chromium: speaks the DevTools protocol over the pipe it is started with, answering
// from a recorded conversation (replay.h says how). Started as the browser, with the browser's
// switches, plus its own through the environment (the engine passes only Chromium's):
//   MVCEF_REPLAY=<recording.jsonl>             the conversation (required)
//   MVCEF_REPLAY_EXIT_AFTER=<method>[:<n>]     ends the process, as if killed, once the n-th such
//                                              command (default the first) has come
//   MVCEF_REPLAY_STALL_AFTER=<method>[:<n>]    from then on reads and writes nothing, pipe open
//   MVCEF_REPLAY_EXIT_AT_END=1                 ends once the recording's last command has come and
//                                              all recorded after it was sent (cut a recording short
//                                              to end the browser there)
//   MVCEF_REPLAY_LOG=<file>                    what was matched, sent and not found
//   MVCEF_REPLAY_SPEED=<factor>                plays recorded pauses faster
// The same settings are taken as switches (--replay=, --replay-exit-after=, ...), which win.
// As Chromium, it ends when its command pipe closes or once Browser.close is answered.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "browser_pipe.h"
#include "replay.h"

namespace devtools_replay {
namespace {

struct Settings {
  std::string recording, exit_after, stall_after, log;
  bool exit_at_end = false;
  double speed = 1;
};

std::string Setting(const std::vector<std::string>& args, const char* flag, const char* variable) {
  const std::string prefix = std::string("--") + flag + "=";
  for (const std::string& arg : args)
    if (arg.compare(0, prefix.size(), prefix) == 0) return arg.substr(prefix.size());
  const char* value = std::getenv(variable);
  return value ? value : "";
}

// "Method" or "Method:n" -> method and count.
std::pair<std::string, int> Trigger(const std::string& text) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return {text, 1};
  return {text.substr(0, colon), std::max(1, std::atoi(text.c_str() + colon + 1))};
}

class StandIn {
 public:
  StandIn(const Settings& settings, const Recording& recording, BrowserPipe* pipe)
      : settings_(settings), pipe_(pipe), replay_(recording, Options(settings)),
        start_(std::chrono::steady_clock::now()) {
    if (!settings.log.empty()) log_ = std::fopen(settings.log.c_str(), "a");
    exit_after_ = Trigger(settings.exit_after);
    stall_after_ = Trigger(settings.stall_after);
  }

  int Run() {
    Log("stand-in started");
    std::thread sender([this] { SendLoop(); });
    MessageReader reader(pipe_);
    std::string text;
    while (reader.Next(&text)) {
      const Json command = Json::parse(text, nullptr, false);
      if (command.is_discarded() || !command.is_object()) {
        Log("not a command: %.200s", text.c_str());
        continue;
      }
      std::unique_lock<std::mutex> lock(mutex_);
      Replay::Received r = replay_.OnCommand(command, Now());
      Log("%s %s", r.matched ? "matched" : "NOT IN RECORDING", r.method.c_str());
      if (r.immediate) outbox_.push_back(r.immediate->dump());
      if (r.method == "Browser.close") closing_ = true;
      const int seen = ++seen_[r.method];
      if (r.method == exit_after_.first && seen == exit_after_.second) {
        Log("exiting after %s #%d, as if killed", r.method.c_str(), seen);
        Finish(3);
      }
      if (r.method == stall_after_.first && seen == stall_after_.second) {
        Log("stalling after %s #%d", r.method.c_str(), seen);
        stalled_ = true;
        // Nothing read, nothing written, the pipe left open: a hung browser.
        for (;;) wake_.wait(lock);
      }
      wake_.notify_all();
    }
    Log("command pipe closed");
    Finish(0);
    return 0;
  }

 private:
  static ReplayOptions Options(const Settings& settings) {
    ReplayOptions options;
    options.speed = settings.speed;
    return options;
  }

  double Now() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

  void SendLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (stalled_) {
        wake_.wait(lock);
        continue;
      }
      std::string bytes;
      double wake = std::numeric_limits<double>::infinity();
      if (!outbox_.empty()) {
        bytes = outbox_.front();
        outbox_.erase(outbox_.begin());
      } else if (std::optional<Json> next = replay_.Next(Now(), &wake)) {
        bytes = next->dump();
      }
      if (bytes.empty()) {
        // Browser.close answered and nothing more to say: Chromium exits.
        if (closing_ && wake == std::numeric_limits<double>::infinity()) Finish(0);
        if (settings_.exit_at_end && replay_.Finished()) {
          Log("every recorded message sent: exiting");
          Finish(0);
        }
        if (wake == std::numeric_limits<double>::infinity()) {
          wake_.wait(lock);
        } else {
          wake_.wait_for(lock, std::chrono::duration<double, std::milli>(wake - Now()));
        }
        continue;
      }
      Log("send %.120s", bytes.c_str());
      bytes.push_back('\0');
      if (!pipe_->Write(bytes)) {
        Log("the engine stopped reading");
        Finish(0);
      }
    }
  }

  // Chromium leaves without tidying up; so does this (the other thread may be in a blocking read).
  [[noreturn]] void Finish(int code) {
    if (log_) std::fflush(log_);
    std::fflush(stdout);
    std::_Exit(code);
  }

  template <typename... Args>
  void Log(const char* format, Args... args) {
    if (!log_) return;
    std::fprintf(log_, "%9.1f ", Now());
    std::fprintf(log_, format, args...);
    std::fputc('\n', log_);
    std::fflush(log_);
  }

  const Settings settings_;
  BrowserPipe* const pipe_;
  std::mutex mutex_;  // guards everything below, taken by the reading and the sending thread
  Replay replay_;
  std::condition_variable wake_;
  std::vector<std::string> outbox_;
  std::map<std::string, int> seen_;
  bool closing_ = false, stalled_ = false;
  std::pair<std::string, int> exit_after_, stall_after_;
  const std::chrono::steady_clock::time_point start_;
  std::FILE* log_ = nullptr;
};

}  // namespace
}  // namespace devtools_replay

int main(int argc, char** argv) {
  using namespace devtools_replay;
  const std::vector<std::string> args(argv + 1, argv + argc);
  Settings settings;
  settings.recording = Setting(args, "replay", "MVCEF_REPLAY");
  settings.exit_after = Setting(args, "replay-exit-after", "MVCEF_REPLAY_EXIT_AFTER");
  settings.stall_after = Setting(args, "replay-stall-after", "MVCEF_REPLAY_STALL_AFTER");
  settings.exit_at_end = !Setting(args, "replay-exit-at-end", "MVCEF_REPLAY_EXIT_AT_END").empty();
  settings.log = Setting(args, "replay-log", "MVCEF_REPLAY_LOG");
  const std::string speed = Setting(args, "replay-speed", "MVCEF_REPLAY_SPEED");
  if (!speed.empty()) settings.speed = std::atof(speed.c_str());
  if (settings.recording.empty()) {
    std::fprintf(stderr, "stand-in: no recording (MVCEF_REPLAY or --replay=)\n");
    return 2;
  }
  Recording recording;
  std::string error;
  if (!ReadRecording(settings.recording, &recording, &error)) {
    std::fprintf(stderr, "stand-in: %s\n", error.c_str());
    return 2;
  }
  std::unique_ptr<BrowserPipe> pipe = OpenBrowserPipe(args, &error);
  if (!pipe) {
    // Chromium's own words when started with --remote-debugging-pipe and no pipe.
    std::fprintf(stderr, "stand-in: Remote debugging pipe file descriptors are not open (%s)\n", error.c_str());
    return 1;
  }
  StandIn stand_in(settings, recording, pipe.get());
  return stand_in.Run();
}
