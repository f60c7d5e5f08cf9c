// One attached target (or the browser itself, session id "") on a transport.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

class DevToolsSession {
 public:
  DevToolsSession(std::shared_ptr<DevToolsTransport> transport, std::string session_id);
  ~DevToolsSession();  // drops this session's subscriptions

  DevToolsSession(const DevToolsSession&) = delete;
  DevToolsSession& operator=(const DevToolsSession&) = delete;

  const std::string& id() const { return session_id_; }
  bool alive() const { return transport_->alive(); }
  DevToolsTransport& transport() { return *transport_; }

  CommandResult Call(const std::string& method, const Json& params = Json::object(),
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
  void Send(const std::string& method, const Json& params = Json::object(),
            DevToolsTransport::ReplyHandler on_reply = nullptr, const std::string& merge_key = std::string());
  void SendWithBinary(const std::string& method, const Json& params, const BinaryParam& binary,
                      DevToolsTransport::ReplyHandler on_reply = nullptr);
  // The handler runs on the transport's reader thread and must not block.
  void Subscribe(DevToolsTransport::EventHandler handler);

 private:
  std::shared_ptr<DevToolsTransport> transport_;
  const std::string session_id_;
  std::mutex mutex_;        // guards tokens_
  std::vector<int> tokens_;
};

}  // namespace chromium
}  // namespace mvengine
