#include "engine/runtime/chromium/child_sessions.h"

#include "engine/runtime/chromium/debug_log.h"

namespace mvengine {
namespace chromium {

ChildSessions::ChildSessions(std::shared_ptr<DevToolsTransport> transport, EventSink sink, SetUp set_up)
    : transport_(std::move(transport)), sink_(std::move(sink)), set_up_(std::move(set_up)) {}

void ChildSessions::OnAttached(const Json& params) {
  const std::string session_id = params.value("sessionId", std::string());
  const Json& info = params.value("targetInfo", Json::object());
  if (session_id.empty()) return;
  auto child = std::make_shared<DevToolsSession>(transport_, session_id);
  EventSink sink;
  SetUp set_up;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sessions_.count(session_id)) return;
    if (!closed_ && info.value("type", std::string()) == "iframe") {
      sessions_[session_id] = child;
      sink = sink_;
      set_up = set_up_;
    }
  }
  if (!sink) {
    // Workers and the like (or a browser that closed): nothing of ours runs there.
    child->Send("Runtime.runIfWaitingForDebugger");
    child->Send("Target.detachFromTarget", {{"sessionId", session_id}});
    return;
  }
  DebugLog("cross-origin frame %s attached", info.value("targetId", std::string()).c_str());
  child->Subscribe([sink, session_id](const std::string& method, Json& event) { sink(method, event, session_id); });
  child->Send("Page.enable");
  child->Send("Runtime.enable");
  set_up(*child);
  child->Send("Runtime.runIfWaitingForDebugger");
}

void ChildSessions::OnDetached(const Json& params) {
  std::shared_ptr<DevToolsSession> gone;  // unsubscribes outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = sessions_.find(params.value("sessionId", std::string()));
  if (it == sessions_.end()) return;
  gone = std::move(it->second);
  sessions_.erase(it);
}

std::shared_ptr<DevToolsSession> ChildSessions::Find(const std::string& session_id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = sessions_.find(session_id);
  return it == sessions_.end() ? nullptr : it->second;
}

void ChildSessions::Close() {
  std::map<std::string, std::shared_ptr<DevToolsSession>> sessions;
  EventSink sink;
  SetUp set_up;
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  sessions.swap(sessions_);
  sink.swap(sink_);
  set_up.swap(set_up_);
}

}  // namespace chromium
}  // namespace mvengine
