// The frames of one page as Chromium reports them: ids, parents, addresses, names, and the default
// execution context of each frame's document.
//
// Threads: written on the DevTools reader thread, as the page's events arrive, so the tree is as
// fresh as Chromium's own account when a bridge request of a frame comes in; read on any thread.
// Everything is guarded by one mutex.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/runtime/chromium/chromium_frame.h"
#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

class ChromiumBrowser;

class FrameTree {
 public:
  explicit FrameTree(ChromiumBrowser* browser) : browser_(browser) {}

  // The frame with DevTools id `id`, made (as a child of `parent_id`, or the main frame when that
  // is empty) when it is new. Null for an empty id or once closed.
  CefRefPtr<ChromiumFrame> Ensure(const std::string& id, const std::string& parent_id);
  // Page.frameNavigated's "frame": the frame's new address and name. `from` is the session the
  // event came on: a cross-origin frame is the top of its own target's tree, so its parent is the
  // one its parent's page announced (the main frame when none did).
  CefRefPtr<ChromiumFrame> Navigated(const Json& frame, const std::string& from);
  // The frame left the page (the main frame never does).
  void Detached(const std::string& id);
  // Runtime.executionContext* of session `from` ("" = the page's own).
  void ContextCreated(const Json& params, const std::string& from);
  void ContextDestroyed(const Json& params, const std::string& from);
  void ContextsCleared(const std::string& from);
  // Every frame is let go (detached from the browser); the tree stays empty.
  void Close();
  // Every frame is let go; the tree takes the frames of a new page target (Chromium started again).
  void Reset();

  CefRefPtr<ChromiumFrame> Find(const std::string& id) const;
  CefRefPtr<ChromiumFrame> Main() const;
  std::string main_id() const;
  CefRefPtr<ChromiumFrame> FindByIdentifier(int64 identifier) const;
  CefRefPtr<ChromiumFrame> FindByName(const CefString& name) const;
  size_t size() const;
  std::vector<int64> Identifiers() const;
  std::vector<CefString> Names() const;
  // The default execution context of the frame's document, and the session it lives in; false
  // when there is none.
  bool DefaultContext(const std::string& id, int* context_id, std::string* session) const;

 private:
  struct Context {
    int id;
    std::string session;
  };
  CefRefPtr<ChromiumFrame> EnsureLocked(const std::string& id, const std::string& parent_id);

  ChromiumBrowser* const browser_;  // owns the tree
  mutable std::mutex mutex_;        // guards the fields below
  bool closed_ = false;
  std::map<std::string, CefRefPtr<ChromiumFrame>> frames_;  // by DevTools frame id
  std::string main_id_;
  int64 next_identifier_ = 1;
  std::map<std::string, Context> contexts_;  // by frame id
};

}  // namespace chromium
}  // namespace mvengine
