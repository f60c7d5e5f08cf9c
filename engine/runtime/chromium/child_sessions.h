// Cross-origin frames run in targets of their own, which Chromium attaches to the session of the
// document that holds them (flattened auto-attach). Each gets a session of its own here, set up
// like the page's before its first script, its events routed with its session id.
//
// Threads: attached and detached on the DevTools reader thread as Chromium reports them, so a
// frame's set-up never waits behind the UI thread; looked up on any thread. One mutex.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/runtime/chromium/devtools_session.h"

namespace mvengine {
namespace chromium {

class ChildSessions {
 public:
  // Reader thread: one event of a child session.
  using EventSink = std::function<void(const std::string& method, Json& params, const std::string& session_id)>;
  // Reader thread: what a frame's session needs before it runs (the page bridge, auto-attach).
  using SetUp = std::function<void(DevToolsSession& session)>;

  ChildSessions(std::shared_ptr<DevToolsTransport> transport, EventSink sink, SetUp set_up);

  // Target.attachedToTarget / detachedFromTarget of one of our sessions.
  void OnAttached(const Json& params);
  void OnDetached(const Json& params);
  // Null when `session_id` names no child (any more).
  std::shared_ptr<DevToolsSession> Find(const std::string& session_id) const;
  // Lets every child go; later attachments are let go at once.
  void Close();

 private:
  const std::shared_ptr<DevToolsTransport> transport_;
  EventSink sink_;  // set in the constructor, dropped by Close (it holds the browser)
  SetUp set_up_;
  mutable std::mutex mutex_;  // guards the fields below and sink_, set_up_
  bool closed_ = false;
  std::map<std::string, std::shared_ptr<DevToolsSession>> sessions_;  // by session id
};

}  // namespace chromium
}  // namespace mvengine
