// Finds and starts a headless Chromium that speaks the DevTools protocol over a pipe it inherits
// (on POSIX: fd 3 commands in, fd 4 replies and events out), and ends it with every process it
// started. Finding and the switches are the same everywhere; the process itself is each system's
// (chromium_process_posix.cpp, chromium_process_win.cpp).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/runtime/chromium/byte_stream.h"
#include "engine/runtime/chromium/child_process.h"

namespace mvengine {
namespace chromium {

// A regular file we may execute. Each system's.
bool IsExecutableFile(const std::string& path);

// The Chromium executable to start: `env_override` when set and non-empty (it is
// used even if it does not exist, so a wrong setting fails loudly), otherwise the
// first of `candidates` that is an executable file; empty when there is none.
std::string FindChromiumExecutable(const char* env_override,
                                   const std::vector<std::string>& candidates);
// FindChromiumExecutable with MVCEF_CHROMIUM and the system's install locations. Each system's.
std::string DefaultChromiumExecutable();

// The switches every start uses, before the caller's extra switches. Chromium's sandbox stays on:
// its pages are anyone's.
std::vector<std::string> BaseChromiumSwitches(const std::string& user_data_dir);

struct LaunchOptions {
  std::string executable;                   // empty: DefaultChromiumExecutable()
  std::vector<std::string> extra_switches;  // full "--name[=value]" strings
  bool debug = false;                       // keep Chromium's stdout/stderr
};

class ChromiumProcess {
 public:
  // Called once, on the reaper thread, when the browser process has ended
  // (whoever ended it). Must not block.
  using ExitHandler = std::function<void(const ExitStatus& status)>;

  // Returns null and fills `error` when Chromium could not be started. Chromium (and so its
  // helpers) ends when this process ends, however it ends; profile folders that dead processes
  // left behind are removed first.
  static std::unique_ptr<ChromiumProcess> Launch(const LaunchOptions& options,
                                                 std::string* error);
  ~ChromiumProcess();  // Terminate()

  ChromiumProcess(const ChromiumProcess&) = delete;
  ChromiumProcess& operator=(const ChromiumProcess&) = delete;

  // Our end of the protocol channel, once (null afterwards).
  std::unique_ptr<ByteStream> TakeChannel();

  ProcessId pid() const { return pid_; }
  const std::string& user_data_dir() const { return user_data_dir_; }
  bool exited() const { return exited_.load(); }

  // Installs the exit handler; runs it at once if the process has already ended.
  void SetExitHandler(ExitHandler handler);

  // Waits up to `grace_ms` for a voluntary exit, then SIGTERMs and finally SIGKILLs
  // the process group and every process still using our profile directory;
  // removes the profile directory. A grace of 0 kills at once. Safe to call twice.
  void Terminate(int grace_ms = 1500);

 private:
  ChromiumProcess() = default;
  void ReapLoop();
  // The reaper thread, once: keeps the status and tells the exit handler.
  void OnExited(const ExitStatus& exit);
  bool WaitExited(int timeout_ms);

  ProcessId pid_ = -1;
  std::unique_ptr<ByteStream> channel_;
  std::string user_data_dir_;
  std::thread reaper_;
  // Reaper thread writes, anyone reads; the handler is guarded by mutex_.
  std::atomic<bool> exited_{false};
  std::mutex mutex_;
  ExitHandler exit_handler_;
  ExitStatus exit_status_;
  bool terminated_ = false;  // caller's thread only
  // The system's hold on the profile folder while we own it (POSIX: a descriptor with a lock on a
  // file inside, so a later start can tell a dead owner's folder); -1: none. Caller's thread.
  long profile_hold_ = -1;
  // What only one system keeps about the process (Windows: its handle and job); set at launch.
  std::shared_ptr<void> system_;
};

}  // namespace chromium
}  // namespace mvengine
