// A running Chromium and its DevTools channel: start, open pages, shut down.
#pragma once

#include <memory>
#include <string>

#include "engine/runtime/chromium/chromium_launcher.h"
#include "engine/runtime/chromium/devtools_session.h"
#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

class ChromiumConnection {
 public:
  // Starts Chromium and waits (up to `timeout`) until it answers. Null on failure, with the
  // reason in `error`; a Chromium that did not answer in time is killed at once.
  static std::unique_ptr<ChromiumConnection> Start(
      const LaunchOptions& options, std::string* error,
      std::chrono::milliseconds timeout = std::chrono::seconds(15));
  ~ChromiumConnection();  // Shutdown()

  std::shared_ptr<DevToolsTransport> transport() { return transport_; }
  DevToolsSession& browser() { return *browser_; }
  ChromiumProcess& process() { return *process_; }
  bool alive() const { return transport_->alive(); }

  // Target.createTarget; returns the target id or "" (reason in `error`).
  std::string CreatePage(const std::string& url, std::string* error);
  // Target.attachToTarget with flatten; null on failure.
  std::unique_ptr<DevToolsSession> Attach(const std::string& target_id, std::string* error);
  bool ClosePage(const std::string& target_id);

  // Asks Chromium to quit, then ends every process it started. Idempotent.
  void Shutdown();
  // Ends Chromium and every process it started at once, without asking: one that never answered
  // or stopped answering gets no grace. Idempotent (with Shutdown too).
  void Abort();

 private:
  ChromiumConnection() = default;
  std::unique_ptr<ChromiumProcess> process_;
  std::shared_ptr<DevToolsTransport> transport_;
  std::unique_ptr<DevToolsSession> browser_;
  bool shut_down_ = false;  // owner's thread
};

}  // namespace chromium
}  // namespace mvengine
