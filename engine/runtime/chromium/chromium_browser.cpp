#include "engine/runtime/chromium/chromium_browser.h"

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/render_host.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_render_handler.h"
#include "engine/runtime/chromium/view_metrics.h"

namespace mvengine {
namespace chromium {

ChromiumBrowser::ChromiumBrowser(std::shared_ptr<RuntimeContext> context, int id,
                                 CefRefPtr<CefClient> client, bool windowless,
                                 CefWindowHandle parent, int width, int height, int frame_rate)
    : context_(std::move(context)),
      id_(id),
      client_(client),
      windowless_(windowless),
      parent_(parent),
      frame_rate_(frame_rate),
      view_width_(width),
      view_height_(height) {}

ChromiumBrowser::~ChromiumBrowser() = default;

bool ChromiumBrowser::PostToUi(std::function<void()> task) {
  return context_->ui.Post(std::move(task));
}

std::shared_ptr<DevToolsSession> ChromiumBrowser::session() {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_ ? nullptr : session_;
}

void ChromiumBrowser::Send(const std::string& method, const Json& params,
                           DevToolsTransport::ReplyHandler on_reply) {
  if (auto s = session()) {
    s->Send(method, params, std::move(on_reply));
  } else if (on_reply) {
    CommandResult closed;
    closed.error = "browser closed";
    on_reply(closed);
  }
}

void ChromiumBrowser::Attach(const std::string& target_id, std::shared_ptr<DevToolsSession> session,
                             const std::string& url) {
  target_id_ = target_id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = session;
  }
  // The view size comes from the client for windowless browsers.
  if (windowless_ && client_) {
    if (CefRefPtr<CefRenderHandler> render = client_->GetRenderHandler()) {
      CefRect rect;
      if (render->GetViewRect(this, rect) && !rect.IsEmpty()) {
        view_width_ = rect.width;
        view_height_ = rect.height;
      }
    }
  }
  if (view_width_ <= 0 || view_height_ <= 0) {
    view_width_ = 800;
    view_height_ = 600;
  }

  receiver_ = std::make_shared<ScreencastReceiver>(session);
  // Screencast frames are handled on the reader thread (ack at once, keep the
  // newest); everything else goes to the UI thread in arrival order.
  std::weak_ptr<ScreencastReceiver> weak_receiver = receiver_;
  CefRefPtr<ChromiumBrowser> self(this);
  receiver_->SetFrameReady([self] { self->PostToUi([self] { self->OnFrameReady(); }); });
  receiver_->SetScreenshotDone([self] { self->PostToUi([self] { self->ApplyHeldViewMetrics(); }); });
  session->Subscribe([self, weak_receiver](const std::string& method, const Json& params) {
    if (auto r = weak_receiver.lock())
      if (r->OnEvent(method, params)) return;
    self->PostToUi([self, method, params] { self->HandleEvent(method, params); });
  });

  session->Send("Page.enable");
  session->Send("Page.setLifecycleEventsEnabled", {{"enabled", false}});
  session->Send("Network.enable");
  session->Send("Runtime.enable");
  session->Send("Emulation.setFocusEmulationEnabled", {{"enabled", true}});
  if (!context_->locale.empty())
    session->Send("Emulation.setLocaleOverride", {{"locale", context_->locale}});
  ApplyViewMetrics(false);
  SetUpDocumentSession(session);
  // The target was created with its address but waits for us: its load starts
  // when it runs. Anything sent to it before it has answered the set-up (a
  // navigation that swaps its renderer, above all) Chromium treats as a crash.
  session->Send("Runtime.runIfWaitingForDebugger", Json::object(), [self, url](const CommandResult&) {
    self->PostToUi([self, url] { self->OnPageReady(url); });
  });
}

void ChromiumBrowser::SetUpDocumentSession(const std::shared_ptr<DevToolsSession>& session) {
  if (context_->render) {
    // Every document asks native code first (see bridge_protocol.h); strict CSPs
    // would refuse the request.
    auto report = [](const char* what) {
      return [what](const CommandResult& r) {
        if (!r.ok) DebugLog("page bridge: %s failed: %s", what, r.error.c_str());
      };
    };
    session->Send("Page.setBypassCSP", {{"enabled", true}}, report("Page.setBypassCSP"));
    session->Send("Page.addScriptToEvaluateOnNewDocument", {{"source", BridgeBootstrapScript()}},
                  report("Page.addScriptToEvaluateOnNewDocument"));
    Json pattern = {{"urlPattern", std::string(kBridgeUrlPattern)}, {"requestStage", "Request"}};
    session->Send("Fetch.enable", {{"patterns", Json::array({pattern})}}, report("Fetch.enable"));
  }
  // Cross-origin frames wait for the same set-up before their first script.
  session->Send("Target.setAutoAttach", {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}});
}

void ChromiumBrowser::OnPageReady(const std::string& url) {
  if (!client_) return;  // closed meanwhile
  // A page target's main frame has the target's id: the client may use it as
  // soon as it learns of the browser.
  EnsureFrame(target_id_, std::string())->SetUrlAndName(url, std::string());
  // OnAfterCreated comes first, before any load callback.
  after_created_sent_ = true;
  if (CefRefPtr<CefLifeSpanHandler> life = client_->GetLifeSpanHandler()) life->OnAfterCreated(this);
  DebugLog("browser %d: loading %s", id_, url.c_str());
  std::vector<EarlyEvent> early;
  early.swap(early_events_);
  for (auto& event : early) HandleEvent(event.method, event.params, event.from);
  ReloadIfCommittedBeforeSetUp();
}

void ChromiumBrowser::ReloadIfCommittedBeforeSetUp() {
  // A page target that reuses a running renderer may commit its document before
  // it waits for us, so before our set-up: we saw no commit or load of it (no
  // load callbacks, no screencast) and, with a render side, it has no bridge and
  // its scripts ran without it. Load it once more, set up. The initial empty
  // document (the usual case: the load starts once we let the target run) and a
  // document whose commit we saw with its bridge are left alone. The commit's
  // event comes from the same renderer before any answer from its document.
  CefRefPtr<ChromiumBrowser> self(this);
  const bool render = context_->render != nullptr;
  EvaluateInFrame(target_id_, "(window.__mvcefBridge ? '+' : '-') + location.href",
                  [self, render](const std::string& answer) {
                    if (answer.size() < 2 || !self->client_) return;
                    const bool bridged = answer[0] == '+';
                    const std::string href = answer.substr(1);
                    if (href == "about:blank") return;
                    if (self->main_frame_navigated_ && (bridged || !render)) return;
                    DebugLog("browser %d: %s committed before its set-up; reloading", self->id_, href.c_str());
                    self->Send("Page.reload", {{"ignoreCache", false}});
                  });
}

void ChromiumBrowser::ApplyViewMetrics(bool restart_screencast) {
  if (receiver_ && receiver_->screenshots_in_flight() > 0) {
    // The screenshot would put the old metrics back as it finishes.
    metrics_held_ = true;
    held_restart_ = held_restart_ || restart_screencast;
    return;
  }
  double zoom;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    zoom = zoom_level_;
  }
  Send("Emulation.setDeviceMetricsOverride", DeviceMetricsParams(view_width_, view_height_, zoom));
  if (restart_screencast && receiver_ && receiver_->started()) {
    // The screencast keeps the old metrics until restarted.
    receiver_->Stop();
    receiver_->Start(view_width_, view_height_);
    receiver_->RequestFrame();
  }
}

void ChromiumBrowser::ApplyHeldViewMetrics() {
  if (!metrics_held_ || !client_ || (receiver_ && receiver_->screenshots_in_flight() > 0)) return;
  metrics_held_ = false;
  const bool restart = held_restart_;
  held_restart_ = false;
  ApplyViewMetrics(restart);
}

// --- navigation and state

bool ChromiumBrowser::CanGoBack() {
  std::lock_guard<std::mutex> lock(mutex_);
  return history_index_ > 0;
}

bool ChromiumBrowser::CanGoForward() {
  std::lock_guard<std::mutex> lock(mutex_);
  return history_index_ >= 0 && history_index_ + 1 < static_cast<int>(history_entry_ids_.size());
}

void ChromiumBrowser::GoBack() {
  int entry = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (history_index_ > 0) entry = history_entry_ids_[history_index_ - 1];
  }
  if (entry >= 0) Send("Page.navigateToHistoryEntry", {{"entryId", entry}});
}

void ChromiumBrowser::GoForward() {
  int entry = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (history_index_ >= 0 && history_index_ + 1 < static_cast<int>(history_entry_ids_.size()))
      entry = history_entry_ids_[history_index_ + 1];
  }
  if (entry >= 0) Send("Page.navigateToHistoryEntry", {{"entryId", entry}});
}

bool ChromiumBrowser::IsLoading() {
  std::lock_guard<std::mutex> lock(mutex_);
  return loading_ && !closed_;
}

void ChromiumBrowser::Reload() { Send("Page.reload"); }
void ChromiumBrowser::ReloadIgnoreCache() { Send("Page.reload", {{"ignoreCache", true}}); }
void ChromiumBrowser::StopLoad() { Send("Page.stopLoading"); }

bool ChromiumBrowser::IsSame(CefRefPtr<CefBrowser> that) {
  return that.get() && that->GetIdentifier() == id_ &&
         static_cast<CefBrowser*>(this) == that.get();
}

CefRefPtr<CefFrame> ChromiumBrowser::GetMainFrame() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = frames_.find(main_frame_id_);
  return it != frames_.end() ? it->second.get() : nullptr;
}

CefRefPtr<CefFrame> ChromiumBrowser::GetFrame(int64 identifier) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : frames_)
    if (entry.second->GetIdentifier() == identifier) return entry.second.get();
  return nullptr;
}

CefRefPtr<CefFrame> ChromiumBrowser::GetFrame(const CefString& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : frames_)
    if (entry.second->GetName() == name) return entry.second.get();
  return nullptr;
}

CefRefPtr<CefFrame> ChromiumBrowser::FrameForDevToolsId(const std::string& devtools_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = frames_.find(devtools_id);
  return it != frames_.end() ? it->second.get() : nullptr;
}

size_t ChromiumBrowser::GetFrameCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_.size();
}

void ChromiumBrowser::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  std::lock_guard<std::mutex> lock(mutex_);
  identifiers.clear();
  for (auto& entry : frames_) identifiers.push_back(entry.second->GetIdentifier());
}

void ChromiumBrowser::GetFrameNames(std::vector<CefString>& names) {
  std::lock_guard<std::mutex> lock(mutex_);
  names.clear();
  for (auto& entry : frames_) names.push_back(entry.second->GetName());
}

bool ChromiumBrowser::SendProcessMessage(CefProcessId target_process,
                                         CefRefPtr<CefProcessMessage> message) {
  // The browser process talks to its render side only; the receiver gets its own copy.
  if (!message || target_process != PID_RENDERER) return false;
  return context_->render && context_->render->PostMessage(this, message->Copy());
}

void ChromiumBrowser::DeliverRendererMessage(CefRefPtr<CefProcessMessage> message) {
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self, message] {
    if (self->client_) self->client_->OnProcessMessageReceived(self.get(), PID_RENDERER, message);
  });
}

CefWindowHandle ChromiumBrowser::GetWindowHandle() {
  // Linux has no child window for the page: windowed browsers report a stand-in
  // handle of their own (never 0), windowless ones none.
  if (windowless_) return kNullWindowHandle;
  return window_ ? window_ : static_cast<CefWindowHandle>(0x4D560000u + id_);
}

double ChromiumBrowser::GetZoomLevel() {
  std::lock_guard<std::mutex> lock(mutex_);
  return zoom_level_;
}

void ChromiumBrowser::SetZoomLevel(double level) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    zoom_level_ = level;
  }
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] { self->ApplyViewMetrics(true); });
}

void ChromiumBrowser::WasResized() {
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] {
    if (!self->windowless_ || !self->client_) return;
    CefRefPtr<CefRenderHandler> render = self->client_->GetRenderHandler();
    CefRect rect;
    if (!render || !render->GetViewRect(self.get(), rect) || rect.IsEmpty()) return;
    self->view_width_ = rect.width;
    self->view_height_ = rect.height;
    self->ApplyViewMetrics(true);
  });
}

void ChromiumBrowser::Invalidate(PaintElementType type) {
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] {
    if (self->receiver_) self->receiver_->RequestFrame();
  });
}

int ChromiumBrowser::GetWindowlessFrameRate() {
  std::lock_guard<std::mutex> lock(mutex_);
  return frame_rate_;
}

void ChromiumBrowser::SetWindowlessFrameRate(int frame_rate) {
  std::lock_guard<std::mutex> lock(mutex_);
  frame_rate_ = frame_rate;
}

// --- closing

void ChromiumBrowser::CloseBrowser(bool force_close) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_ || closed_) return;
    closing_ = true;
  }
  CefRefPtr<ChromiumBrowser> self(this);
  if (!PostToUi([self] { self->CloseOnUi(); }))
    DebugLog("browser %d: close requested after shutdown", id_);
}

void ChromiumBrowser::CloseOnUi() {
  CefRefPtr<CefLifeSpanHandler> life = client_ ? client_->GetLifeSpanHandler() : nullptr;
  // No top-level window to close on this platform: DoClose's answer changes nothing.
  if (life) life->DoClose(this);
  if (receiver_) receiver_->Stop();
  std::shared_ptr<DevToolsSession> session;
  std::map<std::string, CefRefPtr<ChromiumFrame>> frames;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    loading_ = false;
    session.swap(session_);
    frames.swap(frames_);
  }
  if (!target_id_.empty() && context_->transport)
    context_->transport->Send("Target.closeTarget", {{"targetId", target_id_}});
  for (auto& entry : frames) entry.second->Detach();
  child_sessions_.clear();  // their subscriptions hold this browser
  if (life) life->OnBeforeClose(this);
  DestroyOwnWindow();
  DebugLog("browser %d closed", id_);
  client_ = nullptr;
  receiver_.reset();
  if (context_->render) context_->render->ReleaseBrowser(id_);
  if (context_->on_browser_closed) context_->on_browser_closed(id_);
}

void ChromiumBrowser::OnChromiumGone() {
  std::lock_guard<std::mutex> lock(mutex_);
  loading_ = false;
}

void ChromiumBrowser::Abandon() {
  std::map<std::string, CefRefPtr<ChromiumFrame>> frames;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    loading_ = false;
    session_.reset();
    frames.swap(frames_);
  }
  for (auto& entry : frames) entry.second->Detach();
  child_sessions_.clear();
  DestroyOwnWindow();
  client_ = nullptr;
  receiver_.reset();
}

void ChromiumBrowser::SetWindow(CefWindowHandle window, void (*destroy)(CefWindowHandle)) {
  window_ = window;
  destroy_window_ = destroy;
}

void ChromiumBrowser::DestroyOwnWindow() {
  // The handle stays what GetWindowHandle reports; the window behind it is gone.
  if (window_ && destroy_window_) destroy_window_(window_);
  destroy_window_ = nullptr;
}

}  // namespace chromium
}  // namespace mvengine
