// The page session's events, turned into client callbacks on the UI thread.
#include "engine/runtime/chromium/chromium_browser.h"

#include "common/base64.h"
#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/render_host.h"
#include "engine/runtime/chromium/debug_log.h"
#include "include/cef_display_handler.h"
#include "include/cef_jsdialog_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_handler.h"
#include "engine/runtime/chromium/jpeg_frame_decoder.h"
#include "engine/runtime/chromium/net_error.h"
#include "engine/runtime/chromium/view_metrics.h"

namespace mvengine {
namespace chromium {

namespace {

// Answers one dialog, once, from any thread.
class DialogCallback : public CefJSDialogCallback {
 public:
  explicit DialogCallback(std::shared_ptr<DevToolsSession> session) : session_(std::move(session)) {}
  ~DialogCallback() override {
    // A callback dropped without an answer would block the page for good.
    Answer(false, std::string());
  }
  void Continue(bool success, const CefString& user_input) override {
    Answer(success, user_input.ToString());
  }
  void Answer(bool accept, const std::string& text) {
    std::shared_ptr<DevToolsSession> session;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      session.swap(session_);
    }
    if (session) session->Send("Page.handleJavaScriptDialog", {{"accept", accept}, {"promptText", text}});
  }

 private:
  std::mutex mutex_;
  std::shared_ptr<DevToolsSession> session_;  // null once answered
  IMPLEMENT_REFCOUNTING(DialogCallback);
};

cef_jsdialog_type_t DialogType(const std::string& type) {
  if (type == "confirm") return JSDIALOGTYPE_CONFIRM;
  if (type == "prompt") return JSDIALOGTYPE_PROMPT;
  return JSDIALOGTYPE_ALERT;
}

}  // namespace

void ChromiumBrowser::HandleEvent(const std::string& method, const Json& params, const std::string& from) {
  if (!client_) return;  // closed
  if (!after_created_sent_) {
    early_events_.push_back(EarlyEvent{method, params, from});
    return;
  }
  if (method == "Fetch.requestPaused") {
    OnBridgeRequest(params, SessionFor(from));
  } else if (method == "Target.attachedToTarget") {
    OnTargetAttached(params);
  } else if (method == "Target.detachedFromTarget") {
    OnTargetDetached(params);
  } else if (method == "Page.frameNavigated") {
    Json frame = params.value("frame", Json::object());
    // A cross-origin frame is the top of its own target's tree: its parent is
    // the one its parent's page announced.
    if (!from.empty() && frame.value("parentId", std::string()).empty()) {
      CefRefPtr<CefFrame> known = FrameForDevToolsId(frame.value("id", std::string()));
      CefRefPtr<CefFrame> parent = known ? known->GetParent() : NULL;
      std::string parent_id;
      if (parent) parent_id = static_cast<ChromiumFrame*>(parent.get())->devtools_id();
      if (parent_id.empty()) {
        std::lock_guard<std::mutex> lock(mutex_);
        parent_id = main_frame_id_;
      }
      frame["parentId"] = parent_id;
    }
    OnFrameNavigated(frame);
  } else if (method == "Page.navigatedWithinDocument") {
    RefreshHistory();
  } else if (method == "Page.frameStartedLoading") {
    OnFrameStartedLoading(params.value("frameId", std::string()));
  } else if (method == "Page.frameStoppedLoading") {
    OnFrameStoppedLoading(params.value("frameId", std::string()));
  } else if (method == "Page.frameAttached") {
    EnsureFrame(params.value("frameId", std::string()), params.value("parentFrameId", std::string()));
  } else if (method == "Page.frameDetached") {
    if (params.value("reason", std::string()) != "swap")
      OnFrameDetached(params.value("frameId", std::string()));
  } else if (method == "Page.javascriptDialogOpening") {
    OnDialogOpening(params, SessionFor(from));
  } else if (method == "Page.windowOpen") {
    OnWindowOpen(params);
  } else if (method == "Network.requestWillBeSent") {
    if (params.value("type", std::string()) == "Document") {
      const Json& request = params.value("request", Json::object());
      document_requests_[params.value("requestId", std::string())] = {
          params.value("frameId", std::string()),
          request.value("url", std::string()) + request.value("urlFragment", std::string())};
    }
  } else if (method == "Network.responseReceived") {
    if (params.value("type", std::string()) == "Document") {
      const Json& response = params.value("response", Json::object());
      http_status_[params.value("frameId", std::string())] = response.value("status", 200);
    }
  } else if (method == "Network.loadingFailed") {
    OnLoadingFailed(params);
  } else if (method == "Runtime.executionContextCreated") {
    const Json& ctx = params.value("context", Json::object());
    const Json& aux = ctx.value("auxData", Json::object());
    if (aux.value("isDefault", false)) {
      default_contexts_[aux.value("frameId", std::string())] = ctx.value("id", 0);
      context_sessions_[aux.value("frameId", std::string())] = from;
    }
  } else if (method == "Runtime.executionContextDestroyed") {
    int id = params.value("executionContextId", 0);
    for (auto it = default_contexts_.begin(); it != default_contexts_.end();)
      it = it->second == id ? default_contexts_.erase(it) : std::next(it);
  } else if (method == "Runtime.executionContextsCleared") {
    default_contexts_.clear();
  } else if (method == "Inspector.targetCrashed") {
    DebugLog("browser %d: the page's renderer crashed", id_);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      loading_ = false;
    }
  }
}

CefRefPtr<ChromiumFrame> ChromiumBrowser::EnsureFrame(const std::string& devtools_id,
                                                      const std::string& parent_id) {
  if (devtools_id.empty()) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return nullptr;
  auto it = frames_.find(devtools_id);
  if (it != frames_.end()) return it->second;
  CefRefPtr<ChromiumFrame> frame(
      new ChromiumFrame(this, devtools_id, next_frame_identifier_++, parent_id));
  frames_[devtools_id] = frame;
  if (parent_id.empty()) main_frame_id_ = devtools_id;
  return frame;
}

void ChromiumBrowser::OnFrameNavigated(const Json& info) {
  const std::string id = info.value("id", std::string());
  const std::string parent = info.value("parentId", std::string());
  CefRefPtr<ChromiumFrame> frame = EnsureFrame(id, parent);
  if (!frame) return;
  std::string url = info.value("url", std::string()) + info.value("urlFragment", std::string());
  frame->SetUrlAndName(url, info.value("name", std::string()));
  if (parent.empty()) {
    main_frame_navigated_ = true;
    // Frames need a page that has committed; earlier the screencast refuses.
    if (windowless_ && receiver_ && !receiver_->started()) receiver_->Start(view_width_, view_height_);
    RefreshHistory();
    if (CefRefPtr<CefDisplayHandler> display = client_->GetDisplayHandler())
      display->OnAddressChange(this, frame.get(), url);
  }
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler()) load->OnLoadStart(this, frame.get());
}

void ChromiumBrowser::OnFrameStartedLoading(const std::string& frame_id) {
  bool main;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    main = frame_id == main_frame_id_ || main_frame_id_.empty();
    if (main) loading_ = true;
  }
  failed_frames_.erase(frame_id);
  if (main) NotifyLoadingState();
}

void ChromiumBrowser::OnFrameStoppedLoading(const std::string& frame_id) {
  CefRefPtr<CefFrame> frame = FrameForDevToolsId(frame_id);
  bool main;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    main = frame_id == main_frame_id_;
    if (main) loading_ = false;
  }
  if (!frame) return;
  int status = 200;
  auto st = http_status_.find(frame_id);
  if (st != http_status_.end()) status = st->second;
  if (failed_frames_.count(frame_id)) status = 0;
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler()) load->OnLoadEnd(this, frame.get(), status);
  if (main) {
    NotifyLoadingState();
    RefreshHistory();
    // A page that stays still after loading sends no screencast frame: take one.
    if (windowless_ && receiver_) {
      // Refused if it was asked for while the document was swapped in.
      if (!receiver_->started()) receiver_->Start(view_width_, view_height_);
      receiver_->RequestFrame();
    }
  }
}

void ChromiumBrowser::OnFrameDetached(const std::string& frame_id) {
  CefRefPtr<ChromiumFrame> frame;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = frames_.find(frame_id);
    if (it == frames_.end() || frame_id == main_frame_id_) return;
    frame = it->second;
    frames_.erase(it);
  }
  frame->Detach();
  default_contexts_.erase(frame_id);
  context_sessions_.erase(frame_id);
}

std::shared_ptr<DevToolsSession> ChromiumBrowser::SessionFor(const std::string& from) {
  if (from.empty()) return session();
  auto it = child_sessions_.find(from);
  return it == child_sessions_.end() ? nullptr : it->second;
}

void ChromiumBrowser::OnTargetAttached(const Json& params) {
  const std::string session_id = params.value("sessionId", std::string());
  const Json& info = params.value("targetInfo", Json::object());
  if (session_id.empty() || child_sessions_.count(session_id)) return;
  auto child = std::make_shared<DevToolsSession>(context_->transport, session_id);
  if (info.value("type", std::string()) != "iframe") {
    // Workers and the like: nothing of ours runs there; let them go.
    child->Send("Runtime.runIfWaitingForDebugger");
    child->Send("Target.detachFromTarget", {{"sessionId", session_id}});
    return;
  }
  DebugLog("browser %d: cross-origin frame %s attached", id_, info.value("targetId", std::string()).c_str());
  child_sessions_[session_id] = child;
  CefRefPtr<ChromiumBrowser> self(this);
  child->Subscribe([self, session_id](const std::string& method, const Json& event) {
    self->PostToUi([self, method, event, session_id] { self->HandleEvent(method, event, session_id); });
  });
  child->Send("Page.enable");
  child->Send("Runtime.enable");
  SetUpDocumentSession(child);
  child->Send("Runtime.runIfWaitingForDebugger");
}

void ChromiumBrowser::OnTargetDetached(const Json& params) {
  child_sessions_.erase(params.value("sessionId", std::string()));
}

void ChromiumBrowser::OnLoadingFailed(const Json& params) {
  if (params.value("type", std::string()) != "Document") return;
  auto request = document_requests_.find(params.value("requestId", std::string()));
  if (request == document_requests_.end()) return;
  const std::string frame_id = request->second.frame_id;
  const std::string failed_url = request->second.url;
  document_requests_.erase(request);
  std::string text = params.value("errorText", std::string());
  int code = params.value("canceled", false) ? -3 : NetErrorCode(text);
  if (code == 0) code = -2;
  if (params.value("canceled", false) && text.empty()) text = "net::ERR_ABORTED";
  failed_frames_[frame_id] = text;
  CefRefPtr<CefFrame> frame = FrameForDevToolsId(frame_id);
  if (!frame) return;
  // The failed address is the one the request was for: the frame still shows its previous page
  // (or Chromium's error page).
  DebugLog("browser %d: load failed (%d %s)", id_, code, text.c_str());
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler())
    load->OnLoadError(this, frame.get(), static_cast<cef_errorcode_t>(code), text, failed_url);
}

void ChromiumBrowser::OnDialogOpening(const Json& params, std::shared_ptr<DevToolsSession> s) {
  const std::string type = params.value("type", std::string());
  const std::string message = params.value("message", std::string());
  if (!s) return;
  CefRefPtr<DialogCallback> callback(new DialogCallback(s));
  CefRefPtr<CefJSDialogHandler> handler = client_->GetJSDialogHandler();
  bool handled = false;
  bool suppress = false;
  if (handler) {
    if (type == "beforeunload") {
      handled = handler->OnBeforeUnloadDialog(this, message, false, callback.get());
    } else {
      handled = handler->OnJSDialog(this, params.value("url", std::string()), context_->locale,
                                    DialogType(type), message,
                                    params.value("defaultPrompt", std::string()), callback.get(), suppress);
    }
  }
  if (handled) return;  // the client answers through the callback (dropping it cancels)
  // No dialog can be shown here: the engine's default is to dismiss it, except
  // that leaving a page is allowed.
  callback->Answer(type == "beforeunload" || type == "alert", std::string());
}

void ChromiumBrowser::OnWindowOpen(const Json& params) {
  // The runtime holds the new window's target; this event brings its address.
  if (context_->on_window_open)
    context_->on_window_open(id_, params.value("url", std::string()), params.value("windowName", std::string()),
                             params.value("userGesture", false));
}

bool ChromiumBrowser::AskBeforePopup(const std::string& url, const std::string& frame_name,
                                     bool user_gesture) {
  if (!client_) return true;
  CefRefPtr<CefLifeSpanHandler> life = client_->GetLifeSpanHandler();
  if (!life) return false;
  CefPopupFeatures features;
  CefWindowInfo window_info;
  CefRefPtr<CefClient> popup_client = client_;
  CefBrowserSettings settings;
  bool no_javascript_access = false;
  return life->OnBeforePopup(this, GetMainFrame(), url, frame_name, WOD_NEW_FOREGROUND_TAB, user_gesture,
                             features, window_info, popup_client, settings, &no_javascript_access);
}

void ChromiumBrowser::RefreshHistory() {
  CefRefPtr<ChromiumBrowser> self(this);
  Send("Page.getNavigationHistory", Json::object(), [self](const CommandResult& r) {
    if (!r.ok) return;
    std::vector<int> ids;
    for (const auto& entry : r.result.value("entries", Json::array())) ids.push_back(entry.value("id", 0));
    int index = r.result.value("currentIndex", -1);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->history_entry_ids_ = std::move(ids);
    self->history_index_ = index;
  });
}

void ChromiumBrowser::NotifyLoadingState() {
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler())
    load->OnLoadingStateChange(this, IsLoading(), CanGoBack(), CanGoForward());
}

// --- painting

void ChromiumBrowser::OnFrameReady() {
  if (!client_ || !windowless_ || paint_scheduled_) return;
  int rate;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rate = frame_rate_;
  }
  const std::chrono::milliseconds delay = PaintDelay(last_paint_, std::chrono::steady_clock::now(), rate);
  if (delay.count() == 0) {
    Paint();
    return;
  }
  // Too soon: paint the newest frame when the slot opens (frames in between are dropped).
  paint_scheduled_ = true;
  CefRefPtr<ChromiumBrowser> self(this);
  context_->ui.PostDelayed(
      [self] {
        self->paint_scheduled_ = false;
        self->Paint();
      },
      delay);
}

void ChromiumBrowser::Paint() {
  if (!client_ || !receiver_) return;
  std::string jpeg64;
  if (!receiver_->TakeLatest(&jpeg64)) return;
  // The rate counts from here: time spent decoding is part of this paint, not a gap before the next.
  const auto started = std::chrono::steady_clock::now();
  std::vector<uint8_t> jpeg;
  std::string error;
  if (!mvcommon::DecodeBase64(jpeg64, &jpeg) ||
      !DecodeJpegToBgra(jpeg.data(), jpeg.size(), view_width_, view_height_, &frame_pixels_, &error)) {
    DebugLog("browser %d: dropped an undecodable frame %s", id_, error.c_str());
    return;
  }
  last_paint_ = started;
  CefRefPtr<CefRenderHandler> render = client_->GetRenderHandler();
  if (!render) return;
  CefRenderHandler::RectList dirty;
  dirty.push_back(CefRect(0, 0, view_width_, view_height_));
  render->OnPaint(this, PET_VIEW, dirty, frame_pixels_.data(), view_width_, view_height_);
}

void ChromiumBrowser::EvaluateInFrame(const std::string& devtools_frame_id, const std::string& expression,
                                      std::function<void(const std::string&)> done) {
  Json params = {{"expression", expression}, {"returnByValue", true}};
  auto ctx = default_contexts_.find(devtools_frame_id);
  bool main;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    main = devtools_frame_id == main_frame_id_;
  }
  if (ctx != default_contexts_.end()) {
    params["contextId"] = ctx->second;
  } else if (!main) {
    PostToUi([done] { done(std::string()); });
    return;
  }
  // A cross-origin frame's context lives in its own target.
  std::shared_ptr<DevToolsSession> target = session();
  auto owner = context_sessions_.find(devtools_frame_id);
  if (ctx != default_contexts_.end() && owner != context_sessions_.end()) target = SessionFor(owner->second);
  if (!target) {
    PostToUi([done] { done(std::string()); });
    return;
  }
  CefRefPtr<ChromiumBrowser> self(this);
  target->Send("Runtime.evaluate", params, [self, done](const CommandResult& r) {
    std::string text;
    if (!r.ok) DebugLog("evaluate failed: %s", r.error.c_str());
    if (r.ok) {
      const Json& value = r.result.value("result", Json::object());
      if (value.contains("value") && value["value"].is_string()) text = value["value"].get<std::string>();
    }
    self->PostToUi([done, text] { done(text); });  // dropped after shutdown
  });
}

void ChromiumBrowser::OnBridgeRequest(const Json& params, std::shared_ptr<DevToolsSession> s) {
  const std::string request_id = params.value("requestId", std::string());
  if (!s || request_id.empty()) return;
  if (!context_->render) {
    s->Send("Fetch.failRequest", {{"requestId", request_id}, {"errorReason", "Failed"}});
    return;
  }
  // The document committed before its first script ran, so its frame is known;
  // a frame we have not heard of is taken as a child of the main frame.
  const std::string frame_id = params.value("frameId", std::string());
  DebugLog("browser %d: bridge request %s of frame %s", id_, request_id.c_str(), frame_id.c_str());
  std::string main_id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    main_id = main_frame_id_;
  }
  CefRefPtr<ChromiumFrame> frame = EnsureFrame(frame_id, frame_id == target_id_ ? std::string() : main_id);
  context_->render->OnBridgeRequest(this, frame, s, request_id, PausedRequestBody(params));
}

}  // namespace chromium
}  // namespace mvengine
