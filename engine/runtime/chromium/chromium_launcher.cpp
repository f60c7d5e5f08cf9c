#include "engine/runtime/chromium/chromium_launcher.h"

#include "engine/runtime/chromium/debug_log.h"

namespace mvengine {
namespace chromium {

std::string FindChromiumExecutable(const char* env_override,
                                   const std::vector<std::string>& candidates) {
  if (env_override && *env_override) return env_override;
  for (const auto& candidate : candidates)
    if (IsExecutableFile(candidate)) return candidate;
  return std::string();
}

std::vector<std::string> BaseChromiumSwitches(const std::string& user_data_dir) {
  return {"--headless=new",
          "--remote-debugging-pipe",
          "--disable-gpu",
          "--disable-background-networking",
          "--disable-component-update",
          "--disable-sync",
          "--no-first-run",
          "--disable-quic",
          // Pages restored from the back-forward cache send no load events;
          // the engine's clients expect a load for every history step.
          "--disable-back-forward-cache",
          "--user-data-dir=" + user_data_dir};
}

std::unique_ptr<ByteStream> ChromiumProcess::TakeChannel() { return std::move(channel_); }

void ChromiumProcess::SetExitHandler(ExitHandler handler) {
  ExitStatus status;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    exit_handler_ = handler;
    if (!exited_) return;
    status = exit_status_;
  }
  if (handler) handler(status);
}

void ChromiumProcess::OnExited(const ExitStatus& exit) {
  ExitHandler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    exit_status_ = exit;
    exited_ = true;
    handler = exit_handler_;
  }
  DebugLog("Chromium (pid %ld) %s", pid_, DescribeExit(exit).c_str());
  if (handler) handler(exit);
}

}  // namespace chromium
}  // namespace mvengine
