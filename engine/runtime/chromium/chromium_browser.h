// One browser of the Chromium runtime: a page target and its session, CefBrowser and
// CefBrowserHost in one object, made of parts with one thread each:
//
//   frames_    FrameTree      the page's frames; written on the DevTools reader thread
//   children_  ChildSessions  cross-origin frames' sessions; attached on the reader thread
//   loads_     LoadTracker    navigation and load tracking; UI thread
//   network_   NetworkSwitch  when the page's Network domain is on; any thread
//   painter_   PagePainter    view metrics, screencast, decoding and painting; UI thread
//   input_     InputState     pointer buttons and IME text; any thread
//
// The page session's events are routed by one table (chromium_browser_events.cpp): what keeps the
// frame tree, the child sessions and the bridge current runs on the reader thread as the event
// arrives; what reaches the client is posted to the UI thread, in arrival order. Every client
// callback runs on the UI thread. Public CefBrowser/CefBrowserHost methods may be called on any
// thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "engine/runtime/chromium/child_sessions.h"
#include "engine/runtime/chromium/chromium_frame.h"
#include "engine/runtime/chromium/devtools_session.h"
#include "engine/runtime/chromium/frame_tree.h"
#include "engine/runtime/chromium/load_tracker.h"
#include "engine/runtime/chromium/network_switch.h"
#include "engine/runtime/chromium/page_painter.h"
#include "engine/runtime/chromium/runtime_context.h"
#include "engine/runtime/chromium/shared_read.h"

namespace mvengine {
namespace chromium {

class ReplyJoin;

class ChromiumBrowser : public CefBrowser, public CefBrowserHost {
 public:
  ChromiumBrowser(std::shared_ptr<RuntimeContext> context, int id, CefRefPtr<CefClient> client,
                  bool windowless, CefWindowHandle parent, int width, int height, int frame_rate);
  ~ChromiumBrowser() override;

  // --- CefBrowser
  CefRefPtr<CefBrowserHost> GetHost() override { return this; }
  bool CanGoBack() override { return loads_.CanGoBack(); }
  void GoBack() override;
  bool CanGoForward() override { return loads_.CanGoForward(); }
  void GoForward() override;
  bool IsLoading() override;
  void Reload() override;
  void ReloadIgnoreCache() override;
  void StopLoad() override;
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  CefRefPtr<CefFrame> GetMainFrame() override { return frames_.Main().get(); }
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override { return frames_.FindByIdentifier(identifier).get(); }
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override { return frames_.FindByName(name).get(); }
  size_t GetFrameCount() override { return frames_.size(); }
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override { identifiers = frames_.Identifiers(); }
  void GetFrameNames(std::vector<CefString>& names) override { names = frames_.Names(); }
  bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

  // --- CefBrowserHost
  CefRefPtr<CefBrowser> GetBrowser() override { return this; }
  void CloseBrowser(bool force_close) override;
  void SetFocus(bool focus) override { SendFocusEvent(focus); }
  CefWindowHandle GetWindowHandle() override;
  CefRefPtr<CefClient> GetClient() override;
  double GetZoomLevel() override { return painter_.zoom_level(); }
  void SetZoomLevel(double zoomLevel) override;
  bool IsWindowRenderingDisabled() override { return windowless_; }
  void WasResized() override;
  void Invalidate(PaintElementType type) override;
  void SendKeyEvent(const CefKeyEvent& event) override;
  void SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp,
                           int clickCount) override;
  void SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) override;
  void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) override;
  void SendFocusEvent(bool setFocus) override;
  void SendCaptureLostEvent() override;
  int GetWindowlessFrameRate() override { return painter_.frame_rate(); }
  void SetWindowlessFrameRate(int frame_rate) override { painter_.set_frame_rate(frame_rate); }
  void ImeSetComposition(const CefString& text, const std::vector<CefCompositionUnderline>& underlines,
                         const CefRange& replacement_range, const CefRange& selection_range) override;
  void ImeCommitText(const CefString& text, const CefRange& replacement_range,
                     int relative_cursor_pos) override;
  void ImeFinishComposingText(bool keep_selection) override;
  void ImeCancelComposition() override;

  // --- runtime side
  // UI: the page target (created with `url`, waiting for us) is attached; sets it up and lets it
  // run. OnAfterCreated reaches the client before anything else. Called again with a new target
  // after Chromium was started again: the same browser, a new page (the client sees a new load).
  // `set_up` runs on the reader thread once Chromium has answered every command of the set-up.
  void Attach(const std::string& target_id, std::shared_ptr<DevToolsSession> session,
              const std::string& url, std::function<void()> set_up = nullptr);
  // Before the browser is published: its window (windowed browsers), and how to destroy it when
  // the browser closes.
  void SetWindow(CefWindowHandle window, void (*destroy)(CefWindowHandle));
  // UI: Chromium is gone; the browser stays usable as a dead page until Attach gives it a new one.
  void OnChromiumGone();
  // UI: the address its page had when Chromium went (the start address before any load), to open
  // again in a new Chromium.
  const std::string& last_url() const { return last_url_; }
  // Any thread: closed (or closing) by the client, or dropped at shutdown.
  bool IsClosed() const;
  // UI: the runtime is shutting down; drop every reference without callbacks.
  void Abandon();
  // UI: a popup this page opened (Page.windowOpen): whether the client cancels it.
  bool AskBeforePopup(const std::string& url, const std::string& frame_name, bool user_gesture);

  // UI: a navigation of the frame that Chromium is never asked for (`error`, from
  // RefusedNavigation) fails as a load does: OnLoadError, then OnLoadEnd with no status.
  void RefuseNavigation(const LoadError& error);
  // Before the browser is published: it was created with an address Chromium cannot take, so its
  // target starts blank and refuses that navigation once the blank page has loaded.
  void RefuseOnceLoaded(const LoadError& error) { refused_start_ = error; }

  // Set on the UI thread before the browser is published, and again (before the new page's first
  // event) when Chromium was started again.
  const std::string& target_id() const { return target_id_; }
  // Any thread.
  CefRefPtr<CefFrame> FrameForDevToolsId(const std::string& devtools_id) { return frames_.Find(devtools_id).get(); }
  // Commands of the page session; null once closed.
  std::shared_ptr<DevToolsSession> session();
  std::shared_ptr<RuntimeContext> context() { return context_; }
  // A message from the render side, for the client on the UI thread.
  void DeliverRendererMessage(CefRefPtr<CefProcessMessage> message);
  // UI: evaluates `expression` in the frame's default context; `done` runs on the UI thread with
  // the string result ("" on any failure).
  void EvaluateInFrame(const std::string& devtools_frame_id, const std::string& expression,
                       std::function<void(const std::string&)> done);
  // Whether a page's event (its method and raw text) means anything to a browser: the rest need
  // not even be parsed. Any thread.
  static bool WantsEvent(std::string_view method, std::string_view text);
  // Any thread: the client asked the main frame for another document (an address, history, a
  // reload).
  void NoteNavigationAsked() { navigations_asked_.fetch_add(1); }
  // Any thread: sends the client's navigation of the main frame once the page's thread is free
  // (NavigateOnUi).
  void Navigate(ProtocolCommand navigation);
  // Any thread: runs `task` on the UI thread, keeping this browser alive until it has run.
  bool PostToUi(std::function<void()> task, std::chrono::milliseconds delay = std::chrono::milliseconds(0));

 private:
  friend struct EventRoutes;
  bool OnUi() const { return context_->ui.IsCurrent(); }
  // UI. A page whose script never yields would hold a navigation away from it for ever: once one
  // is under way, Chromium holds every command for the page (an end to the script too) until it
  // commits, which the busy thread never lets it. So a navigation waits for the page's thread to
  // answer a question, and when none comes within kBusyPageWait, the script holding it is ended
  // first; when the thread does not answer even then (held outside any script), its renderer is
  // ended. Not while another navigation is under way, when the question would wait for that one.
  void NavigateOnUi(ProtocolCommand navigation);
  void AskWhetherFree(DevToolsSession& s, std::chrono::milliseconds wait);
  void ReleaseNavigation(unsigned question, bool unanswered);

  // Events (chromium_browser_events.cpp). Reader thread: routes one event of the page's session
  // (`from` empty) or of a cross-origin frame's session (`from` is its id).
  void OnSessionEvent(const std::string& method, Json& params, const std::string& from);
  // UI: an event the reader thread passed on.
  void OnUiEvent(const std::string& method, const Json& params, const std::string& from);
  // Reader thread handlers: true when the UI thread should hear of the event too.
  bool OnFrameAttachedNow(Json& params, const std::string& from);
  bool OnFrameNavigatedNow(Json& params, const std::string& from);
  bool OnFrameDetachedNow(Json& params, const std::string& from);
  bool OnContextCreatedNow(Json& params, const std::string& from);
  bool OnContextDestroyedNow(Json& params, const std::string& from);
  bool OnContextsClearedNow(Json& params, const std::string& from);
  bool OnTargetAttachedNow(Json& params, const std::string& from);
  bool OnTargetDetachedNow(Json& params, const std::string& from);
  bool IsDocumentNow(Json& params, const std::string& from);
  bool OnFrameStartedLoadingNow(Json& params, const std::string& from);
  bool OnFrameStoppedLoadingNow(Json& params, const std::string& from);
  bool OnRequestPausedNow(Json& params, const std::string& from);
  void OnBridgeRequestNow(Json& params, const std::string& from);
  void OnDocumentRequestNow(Json& params, const std::string& from);
  // UI thread handlers.
  void OnFrameNavigated(const Json& params, const std::string& from);
  void OnFrameDetached(const Json& params, const std::string& from);
  void OnNavigatedWithinDocument(const Json& params, const std::string& from);
  void OnFrameStartedLoading(const Json& params, const std::string& from);
  void OnFrameStoppedLoading(const Json& params, const std::string& from);
  void OnDialogOpening(const Json& params, const std::string& from);
  void OnWindowOpen(const Json& params, const std::string& from);
  void OnNavigationStarted(const Json& params, const std::string& from);
  void OnRequestWillBeSent(const Json& params, const std::string& from);
  void OnResponseReceived(const Json& params, const std::string& from);
  void OnLoadingFailed(const Json& params, const std::string& from);
  void FailNavigation(const LoadError& error);
  void OnTargetCrashed(const Json& params, const std::string& from);

  void OnPageReady(const std::string& url);  // UI
  // UI. `asked` is navigations_asked_ when the page became ready; `tries` how often the question may
  // still be asked again.
  void ReloadIfCommittedBeforeSetUp(unsigned asked, const std::string& address, int tries);
  // What every document session needs before it runs: the page bridge and the attachment of its
  // own cross-origin frames; on the page's session (`page`), its documents' requests held until
  // the Network domain is on. Any thread. The replies count in `join` when there is one.
  void SetUpDocumentSession(DevToolsSession& session, bool page, ReplyJoin* join = nullptr);
  // Turns the page's Network domain off once the page is idle, or looks again later. Any thread.
  void TurnNetworkOffIfIdle();
  // The page's session for "", a cross-origin frame's otherwise; null when gone. Any thread.
  std::shared_ptr<DevToolsSession> SessionFor(const std::string& from);
  void RefreshHistory();      // UI; see history_read_
  void NotifyLoadingState();  // UI
  void Paint(const DecodedFrame& picture);  // UI
  void CloseOnUi();
  void DestroyOwnWindow();  // UI
  void Send(const std::string& method, const Json& params = Json::object(),
            DevToolsTransport::ReplyHandler on_reply = nullptr, const std::string& merge_key = std::string());

  const std::shared_ptr<RuntimeContext> context_;
  const int id_;
  const bool windowless_;
  const CefWindowHandle parent_;
  CefWindowHandle window_ = kNullWindowHandle;  // set before publication; destroyed on UI at close
  void (*destroy_window_)(CefWindowHandle) = nullptr;  // UI after publication
  std::string target_id_;  // set in Attach (UI) before the page's events are subscribed
  std::string last_url_;   // UI
  // UI: the address of the last main-frame navigation to an address, until the main frame commits
  // one. A Chromium that goes before then is started again at it, not at the page it replaced.
  std::string asked_url_;

  FrameTree frames_;
  LoadTracker loads_;
  NetworkSwitch network_;
  PagePainter painter_;
  std::unique_ptr<ChildSessions> children_;  // made in Attach, before the session's first event

  mutable std::mutex mutex_;  // guards the fields below
  // Written on the UI thread (dropped after OnBeforeClose), read there without the lock and on
  // other threads (GetClient) with it.
  CefRefPtr<CefClient> client_;
  std::shared_ptr<DevToolsSession> session_;
  bool closing_ = false;
  bool closed_ = false;
  struct InputState {
    uint32_t buttons_down = 0;  // EVENTFLAG_*_MOUSE_BUTTON bits still pressed
    std::string composition;    // IME text being composed (UTF-8)
  } input_;

  std::atomic<unsigned> navigations_asked_{0};  // any thread

  // UI thread.
  bool after_created_sent_ = false;
  bool main_frame_navigated_ = false;  // a main-frame commit was seen
  bool page_crashed_ = false;          // since the last main-frame commit
  std::optional<ProtocolCommand> held_navigation_;  // waits for the answer to question busy_question_
  unsigned busy_question_ = 0;
  enum class HeldStage { kAsking, kScriptEnded, kCrashing };
  HeldStage held_stage_ = HeldStage::kAsking;  // of held_navigation_
  bool main_frame_stopped_ = false;    // a main-frame load end was reported
  bool initial_load_assumed_ = false;  // ended here for the initial empty document; no load since
  std::optional<LoadError> refused_start_;  // set before publication; reported at the first load end
  struct EarlyEvent {
    std::string method;
    Json params;
    std::string from;
  };
  std::vector<EarlyEvent> early_events_;  // arrived before OnAfterCreated
  // One history question at a time, the next one asked once it is answered: each answer carries
  // every entry's address (up to 2 MiB each), so a page changing its address without pause must
  // not heap them up on the channel every browser shares.
  SharedRead history_read_;

  IMPLEMENT_REFCOUNTING(ChromiumBrowser);
};

}  // namespace chromium
}  // namespace mvengine
