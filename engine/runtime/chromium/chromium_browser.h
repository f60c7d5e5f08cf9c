// One browser of the Chromium runtime: a page target, its session, its frames,
// its screencast. CefBrowser and CefBrowserHost in one object.
//
// Threads: the public methods may be called from any thread; they read cached
// state under mutex_ or post work to the UI thread. Every client callback runs
// on the UI thread. Fields marked "UI" are touched on the UI thread only.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "engine/runtime/chromium/chromium_frame.h"
#include "engine/runtime/chromium/devtools_session.h"
#include "engine/runtime/chromium/runtime_context.h"
#include "engine/runtime/chromium/screencast_receiver.h"

namespace mvengine {
namespace chromium {

class ChromiumBrowser : public CefBrowser, public CefBrowserHost {
 public:
  ChromiumBrowser(std::shared_ptr<RuntimeContext> context, int id, CefRefPtr<CefClient> client,
                  bool windowless, CefWindowHandle parent, int width, int height, int frame_rate);
  ~ChromiumBrowser() override;

  // --- CefBrowser
  CefRefPtr<CefBrowserHost> GetHost() override { return this; }
  bool CanGoBack() override;
  void GoBack() override;
  bool CanGoForward() override;
  void GoForward() override;
  bool IsLoading() override;
  void Reload() override;
  void ReloadIgnoreCache() override;
  void StopLoad() override;
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  void GetFrameNames(std::vector<CefString>& names) override;
  bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

  // --- CefBrowserHost
  CefRefPtr<CefBrowser> GetBrowser() override { return this; }
  void CloseBrowser(bool force_close) override;
  void SetFocus(bool focus) override { SendFocusEvent(focus); }
  CefWindowHandle GetWindowHandle() override;
  CefRefPtr<CefClient> GetClient() override { return client_; }
  double GetZoomLevel() override;
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
  int GetWindowlessFrameRate() override;
  void SetWindowlessFrameRate(int frame_rate) override;
  void ImeSetComposition(const CefString& text, const std::vector<CefCompositionUnderline>& underlines,
                         const CefRange& replacement_range, const CefRange& selection_range) override;
  void ImeCommitText(const CefString& text, const CefRange& replacement_range,
                     int relative_cursor_pos) override;
  void ImeFinishComposingText(bool keep_selection) override;
  void ImeCancelComposition() override;

  // --- runtime side
  // UI: the page target (created with `url`, waiting for us) is attached; sets it
  // up and lets it run. OnAfterCreated reaches the client before anything else.
  void Attach(const std::string& target_id, std::shared_ptr<DevToolsSession> session,
              const std::string& url);
  // Before the browser is published: its window (windowed browsers), and how to
  // destroy it when the browser closes.
  void SetWindow(CefWindowHandle window, void (*destroy)(CefWindowHandle));
  // UI: one event of this page's session (`from` empty) or of the session of one
  // of its cross-origin frames (`from` is that session's id).
  void HandleEvent(const std::string& method, const Json& params, const std::string& from = std::string());
  // UI: Chromium is gone; the browser stays usable as a dead page.
  void OnChromiumGone();
  // UI: the runtime is shutting down; drop every reference without callbacks.
  void Abandon();
  // UI: a popup this page opened (Page.windowOpen) — whether the client cancels it.
  bool AskBeforePopup(const std::string& url, const std::string& frame_name, bool user_gesture);

  const std::string& target_id() const { return target_id_; }
  CefRefPtr<CefFrame> FrameForDevToolsId(const std::string& devtools_id);
  // Commands of the page session; the returned session may be null (closed).
  std::shared_ptr<DevToolsSession> session();
  std::shared_ptr<RuntimeContext> context() { return context_; }
  // Any thread: a message from the render side, for the client on the UI thread.
  void DeliverRendererMessage(CefRefPtr<CefProcessMessage> message);
  // Evaluates `expression` in the frame's default context; `done` runs on the UI
  // thread with the string result ("" on any failure).
  void EvaluateInFrame(const std::string& devtools_frame_id, const std::string& expression,
                       std::function<void(const std::string&)> done);

 private:
  void OnPageReady(const std::string& url);
  void ReloadIfCommittedBeforeSetUp();  // UI
  // Event handlers (UI).
  void OnFrameNavigated(const Json& frame);
  void OnFrameStartedLoading(const std::string& frame_id);
  void OnFrameStoppedLoading(const std::string& frame_id);
  void OnFrameDetached(const std::string& frame_id);
  void OnLoadingFailed(const Json& params);
  void OnDialogOpening(const Json& params, std::shared_ptr<DevToolsSession> session);
  void OnWindowOpen(const Json& params);
  // A document asks native code, synchronously; answered on `session`.
  void OnBridgeRequest(const Json& params, std::shared_ptr<DevToolsSession> session);
  // Cross-origin frames run in targets of their own, attached to the page's session.
  void OnTargetAttached(const Json& params);
  void OnTargetDetached(const Json& params);
  // What every document session needs before it runs: the page bridge and the
  // attachment of its own cross-origin frames.
  void SetUpDocumentSession(const std::shared_ptr<DevToolsSession>& session);
  // The page's session for "", a cross-origin frame's otherwise; null when gone.
  std::shared_ptr<DevToolsSession> SessionFor(const std::string& from);
  void RefreshHistory();
  void NotifyLoadingState();
  // Frames (UI).
  CefRefPtr<ChromiumFrame> EnsureFrame(const std::string& devtools_id, const std::string& parent_id);
  // Painting (UI).
  void OnFrameReady();
  void Paint();
  void ApplyViewMetrics(bool restart_screencast);
  void ApplyHeldViewMetrics();  // UI, when a screenshot has finished
  void CloseOnUi();
  void DestroyOwnWindow();  // UI
  void Send(const std::string& method, const Json& params = Json::object(),
            DevToolsTransport::ReplyHandler on_reply = nullptr);
  bool PostToUi(std::function<void()> task);

  const std::shared_ptr<RuntimeContext> context_;
  const int id_;
  CefRefPtr<CefClient> client_;  // dropped after OnBeforeClose
  const bool windowless_;
  const CefWindowHandle parent_;
  CefWindowHandle window_ = kNullWindowHandle;  // set before publication; destroyed on UI at close
  void (*destroy_window_)(CefWindowHandle) = nullptr;
  std::string target_id_;  // set in Attach (UI) before the browser is published

  mutable std::mutex mutex_;  // guards the fields below
  std::shared_ptr<DevToolsSession> session_;
  std::map<std::string, CefRefPtr<ChromiumFrame>> frames_;  // by DevTools frame id
  std::string main_frame_id_;
  int64 next_frame_identifier_ = 1;
  bool loading_ = true;
  std::vector<int> history_entry_ids_;
  int history_index_ = -1;
  double zoom_level_ = 0;
  int frame_rate_;
  bool closing_ = false;
  bool closed_ = false;
  uint32_t buttons_down_ = 0;  // EVENTFLAG_*_MOUSE_BUTTON bits still pressed
  std::string composition_;    // IME text being composed (UTF-8)

  // UI only.
  int view_width_, view_height_;
  std::shared_ptr<ScreencastReceiver> receiver_;
  bool metrics_held_ = false;  // an override waits for screenshots to finish
  bool held_restart_ = false;
  bool paint_scheduled_ = false;
  std::chrono::steady_clock::time_point last_paint_;
  std::vector<uint8_t> frame_pixels_;
  std::map<std::string, int> default_contexts_;      // frame id -> execution context id
  struct DocumentRequest {
    std::string frame_id;
    std::string url;  // what was asked for; a failed load never commits it to the frame
  };
  std::map<std::string, DocumentRequest> document_requests_;  // by request id
  std::map<std::string, int> http_status_;           // frame id -> status of its document
  std::map<std::string, std::string> failed_frames_;  // frame id -> error text of the last load
  bool after_created_sent_ = false;
  bool main_frame_navigated_ = false;  // a main-frame commit was seen
  struct EarlyEvent {
    std::string method;
    Json params;
    std::string from;
  };
  std::vector<EarlyEvent> early_events_;  // arrived before OnAfterCreated
  std::map<std::string, std::shared_ptr<DevToolsSession>> child_sessions_;  // cross-origin frames, by session id
  std::map<std::string, std::string> context_sessions_;  // frame id -> session of its default context ("" = page)

  IMPLEMENT_REFCOUNTING(ChromiumBrowser);
};

}  // namespace chromium
}  // namespace mvengine
