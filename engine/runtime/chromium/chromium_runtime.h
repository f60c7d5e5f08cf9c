// The Chromium runtime behind the engine seam: one headless Chromium, the UI
// thread, page targets for browsers, popups stopped before they load. A Chromium
// that dies is started again (a few times in a while) and every open browser gets
// a new page at its last address.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/runtime/chromium/chromium_browser.h"
#include "engine/runtime/chromium/chromium_connection.h"
#include "engine/runtime/chromium/first_document_hold.h"
#include "engine/runtime/chromium/popup_matcher.h"
#include "engine/src/runtime.h"
#include "engine/runtime/chromium/restart_budget.h"
#include "engine/runtime/chromium/runtime_context.h"

namespace mvengine {
namespace chromium {

class ChromiumBrowserRuntime : public BrowserRuntime {
 public:
  ChromiumBrowserRuntime();
  ~ChromiumBrowserRuntime() override;  // Shutdown()

  bool Initialize(const CefMainArgs& args, const CefSettings& settings,
                  CefRefPtr<CefApp> application) override;
  void Shutdown() override;
  bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                     const CefBrowserSettings& settings) override;

  // Tests: the browser process id (0 when not running).
  int chromium_pid();

 private:
  struct Creation {
    CefRefPtr<ChromiumBrowser> browser;
    std::string url;
  };
  struct Popup {
    std::string session_id;
    std::string target_id;
    std::string url;  // from the target until Page.windowOpen tells
    int opener_id = 0;
    bool decided = false;
  };

  bool OnUi() const { return context_->ui.IsCurrent(); }
  static PopupMatcher::Clock::time_point Now() { return PopupMatcher::Clock::now(); }
  // Subscribes to the browser session and the end of the channel of connection_ (generation_).
  void WireConnection(ChromiumConnection& connection, int generation);
  // UI thread.
  void StartNextCreation();
  void OnTargetCreated(const CommandResult& reply, int generation);
  void FinishCreation(const std::string& target_id, const std::string& session_id);
  void HandleBrowserEvent(const std::string& method, const Json& params);
  void OnAttached(const Json& params);
  void OnWindowOpen(int browser_id, const std::string& url, const std::string& name, bool user_gesture);
  void ExpirePopupsLater();  // pairs what is still unpaired after the wait
  void Decide(const PopupDecision& decision);
  void DecidePopup(const std::string& target_id, const std::string& url, const std::string& name,
                   bool user_gesture);
  void ReleaseForeignTarget(const std::string& session_id, const std::string& target_id, bool close);
  // The documents the browser session paused: those of pages not yet set up wait (see
  // first_document_hold.h).
  void OnDocumentPaused(const Json& params);
  void ReleaseDocuments(const std::string& target_id);
  void OnChromiumGone(const std::string& reason, int generation);
  // Starts Chromium again on the restarter thread, ending what is left of `old` first.
  void StartAgain(std::shared_ptr<ChromiumConnection> old);
  void OnStartedAgain(std::shared_ptr<ChromiumConnection> fresh, const std::string& error);
  void ReopenBrowsers(int generation);
  // Chromium is gone for good: browsers not yet created never will be.
  void GiveUp(const std::string& why);
  // Every few seconds while the engine runs: a Chromium whose browser process has left a ping
  // unanswered for long is stopped or hung, and is ended and started again as if it had died.
  void PingChromium();
  ChromiumBrowser* BrowserForTarget(const std::string& target_id);

  std::shared_ptr<RuntimeContext> context_;
  LaunchOptions options_;  // set by Initialize, constant afterwards

  std::mutex mutex_;  // guards the fields up to next_browser_id_
  std::shared_ptr<ChromiumConnection> connection_;  // null while Chromium is started again
  std::thread restarter_;  // started on the UI thread; joined there or by Shutdown
  bool running_ = false;
  bool lost_ = false;  // Chromium is gone for good: no browser can come any more
  int next_browser_id_ = 1;

  // UI thread only.
  std::map<int, CefRefPtr<ChromiumBrowser>> browsers_;
  std::deque<Creation> creations_;  // front one is in flight
  bool creating_ = false;
  std::string creating_target_id_;
  std::map<std::string, std::string> unclaimed_;  // target id -> session id, attached before claimed
  std::map<std::string, Popup> popups_;           // by target id
  FirstDocumentHold first_documents_;
  PopupMatcher popup_matcher_;  // addresses and popup targets not yet paired
  bool gone_ = false;  // the current Chromium is gone (another may be starting)
  bool resuming_ = false;  // a new Chromium runs but does not attach to new pages yet: no creation starts
  int generation_ = 0;  // which Chromium connection_ is: events and replies of older ones are ignored
  bool ping_owed_ = false;  // a ping of ping_generation_, sent at ping_sent_, is unanswered
  int ping_generation_ = 0;
  std::chrono::steady_clock::time_point ping_sent_;
  RestartBudget restarts_;
};

std::unique_ptr<BrowserRuntime> CreateBrowserRuntime();

}  // namespace chromium
}  // namespace mvengine
