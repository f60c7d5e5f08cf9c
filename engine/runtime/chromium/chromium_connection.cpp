#include "engine/runtime/chromium/chromium_connection.h"

#include "engine/runtime/chromium/debug_log.h"

namespace mvengine {
namespace chromium {

std::unique_ptr<ChromiumConnection> ChromiumConnection::Start(const LaunchOptions& options,
                                                              std::string* error,
                                                              std::chrono::milliseconds timeout) {
  auto process = ChromiumProcess::Launch(options, error);
  if (!process) return nullptr;
  std::unique_ptr<ChromiumConnection> connection(new ChromiumConnection());
  connection->transport_ = std::make_shared<DevToolsTransport>(process->TakeChannel());
  connection->process_ = std::move(process);
  connection->browser_.reset(new DevToolsSession(connection->transport_, std::string()));
  connection->transport_->Start();
  // A weak reference: the reaper may report the exit while the connection is going away.
  std::weak_ptr<DevToolsTransport> weak = connection->transport_;
  connection->process_->SetExitHandler([weak](const ExitStatus&) {
    if (auto t = weak.lock()) t->MarkDead("Chromium exited");
  });

  CommandResult version = connection->browser_->Call("Browser.getVersion", Json::object(), timeout);
  if (!version.ok) {
    if (error) *error = "Chromium did not answer: " + version.error;
    DebugLog("Chromium did not answer: %s", version.error.c_str());
    connection->Abort();
    return nullptr;
  }
  DebugLog("connected to %s", version.result.value("product", std::string("?")).c_str());
  // A Chromium left to itself saves what any page downloads into the player's own folders,
  // unasked. Sent before any page can exist; commands are handled in order.
  connection->browser_->Send("Browser.setDownloadBehavior", {{"behavior", "deny"}}, [](const CommandResult& r) {
    if (!r.ok) DebugLog("downloads could not be refused: %s", r.error.c_str());
  });
  return connection;
}

ChromiumConnection::~ChromiumConnection() { Shutdown(); }

std::string ChromiumConnection::CreatePage(const std::string& url, std::string* error) {
  CommandResult r = browser_->Call("Target.createTarget", {{"url", url}});
  if (!r.ok) {
    if (error) *error = r.error;
    return std::string();
  }
  return r.result.value("targetId", std::string());
}

std::unique_ptr<DevToolsSession> ChromiumConnection::Attach(const std::string& target_id,
                                                            std::string* error) {
  CommandResult r =
      browser_->Call("Target.attachToTarget", {{"targetId", target_id}, {"flatten", true}});
  std::string session_id = r.ok ? r.result.value("sessionId", std::string()) : std::string();
  if (session_id.empty()) {
    if (error) *error = r.ok ? "no session id" : r.error;
    return nullptr;
  }
  return std::unique_ptr<DevToolsSession>(new DevToolsSession(transport_, session_id));
}

bool ChromiumConnection::ClosePage(const std::string& target_id) {
  return browser_->Call("Target.closeTarget", {{"targetId", target_id}}, std::chrono::seconds(3)).ok;
}

void ChromiumConnection::Abort() {
  if (shut_down_) return;
  shut_down_ = true;
  transport_->Close("start-up given up");
  if (process_) process_->Terminate(0);
}

void ChromiumConnection::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  if (transport_->alive()) {
    // No reply is needed: Chromium may be gone before it could send one.
    transport_->Send("Browser.close");
  }
  transport_->Close("shut down");
  if (process_) process_->Terminate(2000);
}

}  // namespace chromium
}  // namespace mvengine
