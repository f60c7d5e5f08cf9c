// The page's events: one table routes each DevTools method to what keeps the page's state current
// on the reader thread, and to what tells the client, on the UI thread.
#include <cassert>
#include <unordered_map>

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/chromium_browser.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/render_host.h"
#include "include/cef_display_handler.h"
#include "include/cef_jsdialog_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"

namespace mvengine {
namespace chromium {

// What becomes of one method's events. `now` runs on the reader thread as the event arrives and
// returns whether `ui` should hear of it too; `ui` runs on the UI thread, in arrival order.
struct EventRoutes {
  using Now = bool (ChromiumBrowser::*)(Json& params, const std::string& from);
  using Ui = void (ChromiumBrowser::*)(const Json& params, const std::string& from);
  struct Route {
    Now now;
    Ui ui;
  };

  static const Route* Find(const std::string& method) {
    using B = ChromiumBrowser;
    static const std::unordered_map<std::string, Route> kRoutes = {
        {"Page.frameAttached", {&B::OnFrameAttachedNow, nullptr}},
        {"Page.frameNavigated", {&B::OnFrameNavigatedNow, &B::OnFrameNavigated}},
        {"Page.frameDetached", {&B::OnFrameDetachedNow, &B::OnFrameDetached}},
        {"Page.navigatedWithinDocument", {nullptr, &B::OnNavigatedWithinDocument}},
        {"Page.frameStartedNavigating", {nullptr, &B::OnNavigationStarted}},
        {"Page.frameStartedLoading", {&B::OnFrameStartedLoadingNow, &B::OnFrameStartedLoading}},
        {"Page.frameStoppedLoading", {&B::OnFrameStoppedLoadingNow, &B::OnFrameStoppedLoading}},
        {"Page.javascriptDialogOpening", {nullptr, &B::OnDialogOpening}},
        {"Page.windowOpen", {nullptr, &B::OnWindowOpen}},
        {"Network.requestWillBeSent", {&B::IsDocumentNow, &B::OnRequestWillBeSent}},
        {"Network.responseReceived", {&B::IsDocumentNow, &B::OnResponseReceived}},
        {"Network.loadingFailed", {&B::IsDocumentNow, &B::OnLoadingFailed}},
        {"Runtime.executionContextCreated", {&B::OnContextCreatedNow, nullptr}},
        {"Runtime.executionContextDestroyed", {&B::OnContextDestroyedNow, nullptr}},
        {"Runtime.executionContextsCleared", {&B::OnContextsClearedNow, nullptr}},
        {"Target.attachedToTarget", {&B::OnTargetAttachedNow, nullptr}},
        {"Target.detachedFromTarget", {&B::OnTargetDetachedNow, nullptr}},
        {"Fetch.requestPaused", {&B::OnRequestPausedNow, nullptr}},
        {"Inspector.targetCrashed", {nullptr, &B::OnTargetCrashed}},
    };
    auto it = kRoutes.find(method);
    return it == kRoutes.end() ? nullptr : &it->second;
  }
};

namespace {

// Answers one dialog, once, from any thread.
class DialogCallback : public CefJSDialogCallback {
 public:
  explicit DialogCallback(std::shared_ptr<DevToolsSession> session) : session_(std::move(session)) {}
  ~DialogCallback() override {
    // A callback dropped without an answer would block the page for good.
    Answer(false, std::string());
  }
  void Continue(bool success, const CefString& user_input) override { Answer(success, user_input.ToString()); }
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

bool ChromiumBrowser::WantsEvent(std::string_view method, std::string_view text) {
  if (method == "Page.screencastFrame") return true;
  if (!EventRoutes::Find(std::string(method))) return false;
  // Of the network events only documents' matter, and the others are most of a page's traffic.
  return method.substr(0, 8) != "Network." || text.find("\"type\":\"Document\"") != std::string_view::npos;
}

void ChromiumBrowser::OnSessionEvent(const std::string& method, Json& params, const std::string& from) {
  const EventRoutes::Route* route = EventRoutes::Find(method);
  if (!route) return;  // nothing of ours: the UI thread never hears of it
  if (route->now && !(this->*(route->now))(params, from)) return;
  if (!route->ui) return;
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self, method, params = std::move(params), from] { self->OnUiEvent(method, params, from); });
}

void ChromiumBrowser::OnUiEvent(const std::string& method, const Json& params, const std::string& from) {
  assert(OnUi());
  if (!client_) return;  // closed
  if (!after_created_sent_) {
    early_events_.push_back(EarlyEvent{method, params, from});
    return;
  }
  if (const EventRoutes::Route* route = EventRoutes::Find(method)) (this->*(route->ui))(params, from);
}

// --- reader thread: the page's state

bool ChromiumBrowser::OnFrameAttachedNow(Json& params, const std::string& from) {
  frames_.Ensure(params.value("frameId", std::string()), params.value("parentFrameId", std::string()));
  return false;
}

bool ChromiumBrowser::OnFrameNavigatedNow(Json& params, const std::string& from) {
  return frames_.Navigated(params.value("frame", Json::object()), from) != nullptr;
}

bool ChromiumBrowser::OnFrameDetachedNow(Json& params, const std::string& from) {
  // A frame swapped into another process lives on under the same id.
  if (params.value("reason", std::string()) == "swap") return false;
  const std::string frame_id = params.value("frameId", std::string());
  frames_.Detached(frame_id);
  network_.OnFrameGone(frame_id);
  if (context_->render) context_->render->ReleaseFrame(id_, frame_id);
  TurnNetworkOffIfIdle();
  return true;
}

bool ChromiumBrowser::OnFrameStartedLoadingNow(Json& params, const std::string& from) {
  network_.OnFrameStartedLoading(params.value("frameId", std::string()));
  return true;
}

bool ChromiumBrowser::OnFrameStoppedLoadingNow(Json& params, const std::string& from) {
  network_.OnFrameStoppedLoading(params.value("frameId", std::string()));
  TurnNetworkOffIfIdle();
  return true;
}

void ChromiumBrowser::TurnNetworkOffIfIdle() {
  // Without the page bridge no document waits for the domain: it stays on.
  if (!context_->render) return;
  std::shared_ptr<DevToolsSession> s = session();
  if (!s) return;
  NetworkSwitch::Clock::duration again;
  network_.TurnOffIfIdle(NetworkSwitch::Clock::now(), &again, [&] {
    DebugLog("browser %d: the page is idle: Network domain off", id_);
    s->Send("Network.disable");
  });
  if (again <= NetworkSwitch::Clock::duration::zero()) return;
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] { self->TurnNetworkOffIfIdle(); },
           std::chrono::ceil<std::chrono::milliseconds>(again));
}

bool ChromiumBrowser::OnContextCreatedNow(Json& params, const std::string& from) {
  frames_.ContextCreated(params, from);
  return false;
}

bool ChromiumBrowser::OnContextDestroyedNow(Json& params, const std::string& from) {
  frames_.ContextDestroyed(params, from);
  return false;
}

bool ChromiumBrowser::OnContextsClearedNow(Json& params, const std::string& from) {
  frames_.ContextsCleared(from);
  return false;
}

bool ChromiumBrowser::OnTargetAttachedNow(Json& params, const std::string& from) {
  if (children_) children_->OnAttached(params);
  return false;
}

bool ChromiumBrowser::OnTargetDetachedNow(Json& params, const std::string& from) {
  if (children_) children_->OnDetached(params);
  const std::string session = params.value("sessionId", std::string());
  if (!session.empty()) frames_.ContextsCleared(session);  // they went with their session
  return false;
}

bool ChromiumBrowser::IsDocumentNow(Json& params, const std::string& from) {
  return params.value("type", std::string()) == "Document";
}

namespace {
// How long a bridge request that does not fit its frame's document, or the first of a frame not
// heard of, waits for a commit still on its way; the skew between the two is milliseconds.
constexpr std::chrono::milliseconds kCommitWait{200};
}  // namespace

bool ChromiumBrowser::OnRequestPausedNow(Json& params, const std::string& from) {
  // Only the page's session holds documents; a page may also load the bridge's address as one.
  bool document = from.empty() && params.value("resourceType", std::string()) == "Document";
  if (document) {
    const auto request = params.find("request");
    document = request == params.end() || !request->is_object() ||
               request->value("url", std::string()).rfind(kBridgeUrl, 0) != 0;
  }
  if (document)
    OnDocumentRequestNow(params, from);
  else
    OnBridgeRequestNow(params, from);
  return false;
}

void ChromiumBrowser::OnDocumentRequestNow(Json& params, const std::string& from) {
  std::shared_ptr<DevToolsSession> s = SessionFor(from);
  if (!s) return;
  // The domain goes on before the request goes, so that its response or error is reported.
  network_.OnDocumentRequest(NetworkSwitch::Clock::now(), params.value("frameId", std::string()),
                             [&] {
                               DebugLog("browser %d: a document loads: Network domain on", id_);
                               s->Send("Network.enable", NetworkEnableParams());
                             });
  s->Send("Fetch.continueRequest", {{"requestId", params.value("requestId", std::string())}});
}

void ChromiumBrowser::OnBridgeRequestNow(Json& params, const std::string& from) {
  // Answered here, on the reader thread: a page's synchronous call never waits behind frames or
  // client callbacks on the UI thread.
  const std::string request_id = params.value("requestId", std::string());
  std::shared_ptr<DevToolsSession> s = SessionFor(from);
  if (!s || request_id.empty()) return;
  if (!context_->render) {
    s->Send("Fetch.failRequest", {{"requestId", request_id}, {"errorReason", "Failed"}});
    return;
  }
  // The frame is Chromium's account of who asks, never anything in the request's body (a page may
  // post its own); the tree is kept on this thread in Chromium's order. A frame not heard of is
  // taken as a child of the main frame.
  const std::string frame_id = params.value("frameId", std::string());
  DebugLog("browser %d: bridge request %s of frame %s", id_, request_id.c_str(), frame_id.c_str());
  CefRefPtr<ChromiumFrame> frame = frames_.Ensure(frame_id, frame_id == target_id_ ? std::string() : frames_.main_id());
  const std::optional<std::string> origin = RequestOrigin(params);
  if (frame && (frame->TakeCommitWait() || !FitsDocument(origin, frame->document_origin()))) {
    // The frame's old document running on after a cross-site navigation, or the new one asking
    // before its commit reached this thread (the two come by different ways; its context would
    // have no address): judged again once that commit has surely come. One that still does not
    // fit is answered with nothing, as by a render side that died, and never reaches or is taken
    // for the frame's document.
    DebugLog("browser %d: bridge request %s waits for its frame's commit", id_, request_id.c_str());
    CefRefPtr<ChromiumBrowser> self(this);
    auto judge = [self, frame, s, request_id, origin, body = PausedRequestBody(params)] {
      std::shared_ptr<RenderHost> render = self->context_->render;
      if (render && FitsDocument(origin, frame->document_origin())) {
        render->OnBridgeRequest(self, frame, s, request_id, body);
        return;
      }
      DebugLog("browser %d: bridge request %s is not from its frame's document", self->id_, request_id.c_str());
      s->Send("Fetch.fulfillRequest", FulfillParams(request_id, "{}"));
    };
    if (!PostToUi(judge, kCommitWait)) s->Send("Fetch.fulfillRequest", FulfillParams(request_id, "{}"));
    return;
  }
  context_->render->OnBridgeRequest(this, frame, s, request_id, PausedRequestBody(params));
}

// --- UI thread: what the client hears

void ChromiumBrowser::OnFrameNavigated(const Json& params, const std::string& from) {
  const Json& info = params.value("frame", Json::object());
  loads_.OnCommitted(info.value("id", std::string()), info.value("loaderId", std::string()));
  CefRefPtr<ChromiumFrame> frame = frames_.Find(info.value("id", std::string()));
  if (!frame) return;  // gone meanwhile
  const std::string url = info.value("url", std::string()) + info.value("urlFragment", std::string());
  if (frame->IsMain()) {
    main_frame_navigated_ = true;
    asked_url_.clear();
    page_crashed_ = false;
    painter_.OnMainFrameCommitted();
    RefreshHistory();
    if (CefRefPtr<CefDisplayHandler> display = client_->GetDisplayHandler())
      display->OnAddressChange(this, frame.get(), url);
  }
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler()) load->OnLoadStart(this, frame.get());
}

void ChromiumBrowser::OnFrameDetached(const Json& params, const std::string& from) {
  loads_.OnFrameGone(params.value("frameId", std::string()));
}

void ChromiumBrowser::OnNavigatedWithinDocument(const Json& params, const std::string& from) { RefreshHistory(); }

void ChromiumBrowser::OnFrameStartedLoading(const Json& params, const std::string& from) {
  const std::string frame_id = params.value("frameId", std::string());
  const std::string main_id = frames_.main_id();
  const bool main = frame_id == main_id || main_id.empty();
  if (main) initial_load_assumed_ = false;
  loads_.OnStartedLoading(frame_id, main);
  if (main) NotifyLoadingState();
}

void ChromiumBrowser::OnFrameStoppedLoading(const Json& params, const std::string& from) {
  const std::string frame_id = params.value("frameId", std::string());
  const bool main = frame_id == frames_.main_id();
  // Chromium's own word on the initial document, late: its end was already reported.
  if (main && initial_load_assumed_) return;
  if (main) main_frame_stopped_ = true;
  const int status = loads_.OnStoppedLoading(frame_id, main);
  CefRefPtr<ChromiumFrame> frame = frames_.Find(frame_id);
  if (!frame) return;
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler()) load->OnLoadEnd(this, frame.get(), status);
  if (main) {
    NotifyLoadingState();
    RefreshHistory();
    // A page that stays still after loading sends no screencast frame: one is taken.
    painter_.OnMainFrameLoaded();
    if (refused_start_) {
      LoadError error = std::move(*refused_start_);
      refused_start_.reset();
      error.frame_id = frame_id;
      RefuseNavigation(error);
    }
  }
}

void ChromiumBrowser::OnNavigationStarted(const Json& params, const std::string& from) {
  loads_.OnNavigationStarted(params);
}

void ChromiumBrowser::OnRequestWillBeSent(const Json& params, const std::string& from) {
  loads_.OnRequestWillBeSent(params);
}

void ChromiumBrowser::OnResponseReceived(const Json& params, const std::string& from) {
  loads_.OnResponseReceived(params);
}

void ChromiumBrowser::OnLoadingFailed(const Json& params, const std::string& from) {
  std::optional<LoadError> error = loads_.OnLoadingFailed(params);
  if (error) FailNavigation(*error);
}

void ChromiumBrowser::FailNavigation(const LoadError& error) {
  assert(OnUi());
  CefRefPtr<ChromiumFrame> frame = frames_.Find(error.frame_id);
  if (!frame || !client_) return;
  // The failed address is the one the request was for: the frame still shows its previous page
  // (or Chromium's error page).
  DebugLog("browser %d: load failed (%d %s)", id_, error.code, error.text.c_str());
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler())
    load->OnLoadError(this, frame.get(), static_cast<cef_errorcode_t>(error.code), error.text, error.url);
}

void ChromiumBrowser::RefuseNavigation(const LoadError& error) {
  assert(OnUi());
  FailNavigation(error);
  // Nothing loads in Chromium for it, so no load ends there: it ends here, as a failed one does.
  CefRefPtr<ChromiumFrame> frame = frames_.Find(error.frame_id);
  if (!frame || !client_) return;
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler()) load->OnLoadEnd(this, frame.get(), 0);
}

void ChromiumBrowser::OnTargetCrashed(const Json& params, const std::string& from) {
  DebugLog("browser %d: the page's renderer crashed", id_);
  page_crashed_ = true;
  loads_.StopLoading();
  if (held_navigation_ && held_stage_ == HeldStage::kCrashing) ReleaseNavigation(busy_question_, false);
}

void ChromiumBrowser::OnDialogOpening(const Json& params, const std::string& from) {
  std::shared_ptr<DevToolsSession> s = SessionFor(from);
  if (!s) return;
  const std::string type = params.value("type", std::string());
  const std::string message = params.value("message", std::string());
  CefRefPtr<DialogCallback> callback(new DialogCallback(s));
  CefRefPtr<CefJSDialogHandler> handler = client_->GetJSDialogHandler();
  bool handled = false;
  bool suppress = false;
  if (handler) {
    if (type == "beforeunload") {
      handled = handler->OnBeforeUnloadDialog(this, message, false, callback.get());
    } else {
      handled = handler->OnJSDialog(this, params.value("url", std::string()), context_->locale, DialogType(type),
                                    message, params.value("defaultPrompt", std::string()), callback.get(), suppress);
    }
  }
  if (handled) return;  // the client answers through the callback (dropping it cancels)
  // No dialog can be shown here: the engine's default is to dismiss it, except that leaving a page
  // is allowed.
  callback->Answer(type == "beforeunload" || type == "alert", std::string());
}

void ChromiumBrowser::OnWindowOpen(const Json& params, const std::string& from) {
  // The runtime holds the new window's target; this event brings its address.
  if (context_->on_window_open)
    context_->on_window_open(id_, params.value("url", std::string()), params.value("windowName", std::string()),
                             params.value("userGesture", false));
}

bool ChromiumBrowser::AskBeforePopup(const std::string& url, const std::string& frame_name, bool user_gesture) {
  assert(OnUi());
  if (!client_) return true;
  CefRefPtr<CefLifeSpanHandler> life = client_->GetLifeSpanHandler();
  if (!life) return false;
  CefPopupFeatures features;
  CefWindowInfo window_info;
  CefRefPtr<CefClient> popup_client = client_;
  CefBrowserSettings settings;
  bool no_javascript_access = false;
  return life->OnBeforePopup(this, GetMainFrame(), url, frame_name, WOD_NEW_FOREGROUND_TAB, user_gesture, features,
                             window_info, popup_client, settings, &no_javascript_access);
}

void ChromiumBrowser::EvaluateInFrame(const std::string& devtools_frame_id, const std::string& expression,
                                      std::function<void(const std::string&)> done) {
  assert(OnUi());
  Json params = {{"expression", expression}, {"returnByValue", true}};
  int context_id = 0;
  std::string owner;
  std::shared_ptr<DevToolsSession> target;
  if (frames_.DefaultContext(devtools_frame_id, &context_id, &owner)) {
    // A cross-origin frame's context lives in its own target.
    params["contextId"] = context_id;
    target = SessionFor(owner);
  } else if (devtools_frame_id == frames_.main_id()) {
    target = session();
  }
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

}  // namespace chromium
}  // namespace mvengine
