#include "engine/runtime/chromium/devtools_session.h"

namespace mvengine {
namespace chromium {

DevToolsSession::DevToolsSession(std::shared_ptr<DevToolsTransport> transport,
                                 std::string session_id)
    : transport_(std::move(transport)), session_id_(std::move(session_id)) {}

DevToolsSession::~DevToolsSession() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int token : tokens_) transport_->Unsubscribe(token);
}

CommandResult DevToolsSession::Call(const std::string& method, const Json& params,
                                    std::chrono::milliseconds timeout) {
  return transport_->Call(method, params, session_id_, timeout);
}

void DevToolsSession::Send(const std::string& method, const Json& params,
                           DevToolsTransport::ReplyHandler on_reply, const std::string& merge_key) {
  transport_->Send(method, params, session_id_, std::move(on_reply), merge_key);
}

void DevToolsSession::SendWithBinary(const std::string& method, const Json& params, const BinaryParam& binary,
                                     DevToolsTransport::ReplyHandler on_reply) {
  transport_->SendWithBinary(method, params, binary, session_id_, std::move(on_reply));
}

void DevToolsSession::Subscribe(DevToolsTransport::EventHandler handler) {
  int token = transport_->Subscribe(session_id_, std::move(handler));
  std::lock_guard<std::mutex> lock(mutex_);
  tokens_.push_back(token);
}

}  // namespace chromium
}  // namespace mvengine
