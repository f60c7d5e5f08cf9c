#include "engine/runtime/chromium/chromium_browser.h"

#include <cassert>

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/child_window.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/render_host.h"
#include "engine/runtime/chromium/reply_join.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_handler.h"

namespace mvengine {
namespace chromium {

ChromiumBrowser::ChromiumBrowser(std::shared_ptr<RuntimeContext> context, int id, CefRefPtr<CefClient> client,
                                 bool windowless, CefWindowHandle parent, int width, int height, int frame_rate)
    : context_(std::move(context)),
      id_(id),
      windowless_(windowless),
      parent_(parent),
      frames_(this),
      painter_(width, height, frame_rate),
      client_(client) {}

ChromiumBrowser::~ChromiumBrowser() = default;

bool ChromiumBrowser::PostToUi(std::function<void()> task, std::chrono::milliseconds delay) {
  CefRefPtr<ChromiumBrowser> self(this);
  auto run = [self, task = std::move(task)] { task(); };
  return delay.count() > 0 ? context_->ui.PostDelayed(std::move(run), delay) : context_->ui.Post(std::move(run));
}

std::shared_ptr<DevToolsSession> ChromiumBrowser::session() {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_ ? nullptr : session_;
}

CefRefPtr<CefClient> ChromiumBrowser::GetClient() {
  std::lock_guard<std::mutex> lock(mutex_);
  return client_;
}

void ChromiumBrowser::Send(const std::string& method, const Json& params, DevToolsTransport::ReplyHandler on_reply,
                           const std::string& merge_key) {
  if (auto s = session()) {
    s->Send(method, params, std::move(on_reply), merge_key);
  } else if (on_reply) {
    CommandResult closed;
    closed.error = "browser closed";
    on_reply(closed);
  }
}

std::shared_ptr<DevToolsSession> ChromiumBrowser::SessionFor(const std::string& from) {
  if (from.empty()) return session();
  return children_ ? children_->Find(from) : nullptr;
}

// --- set-up

void ChromiumBrowser::Attach(const std::string& target_id, std::shared_ptr<DevToolsSession> session,
                             const std::string& url, std::function<void()> set_up) {
  assert(OnUi());
  target_id_ = target_id;
  last_url_ = url;
  main_frame_navigated_ = false;
  main_frame_stopped_ = false;
  initial_load_assumed_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = session;
  }
  // A page target's main frame has the target's id: the client may use it as soon as it learns of
  // the browser, and the page's events find it.
  if (CefRefPtr<ChromiumFrame> main = frames_.Ensure(target_id, std::string())) main->SetDocument(url, std::string(), std::string());
  // The view size comes from the client for windowless browsers.
  if (windowless_ && client_) {
    if (CefRefPtr<CefRenderHandler> render = client_->GetRenderHandler()) {
      CefRect rect;
      if (render->GetViewRect(this, rect) && !rect.IsEmpty()) painter_.SetViewSize(rect.width, rect.height);
    }
  }
  CefRefPtr<ChromiumBrowser> self(this);
  children_.reset(new ChildSessions(
      context_->Transport(),
      [self](const std::string& method, Json& params, const std::string& from) {
        self->OnSessionEvent(method, params, from);
      },
      [self](DevToolsSession& child) { self->SetUpDocumentSession(child, false); }));
  painter_.Start(
      session,
      [self](std::function<void()> task, std::chrono::milliseconds delay) {
        return self->PostToUi(std::move(task), delay);
      },
      [this](const DecodedFrame& picture) { Paint(picture); });
  // Screencast frames go to the painter on the reader thread; everything else is routed.
  std::weak_ptr<ScreencastReceiver> weak_receiver = painter_.receiver();
  session->Subscribe([self, weak_receiver](const std::string& method, Json& params) {
    if (auto receiver = weak_receiver.lock())
      if (receiver->OnEvent(method, params)) return;
    self->OnSessionEvent(method, params, std::string());
  });

  session->Send("Page.enable");
  session->Send("Page.setLifecycleEventsEnabled", {{"enabled", false}});
  network_.Reset();
  session->Send("Network.enable", NetworkEnableParams(), [](const CommandResult& r) {
    if (!r.ok) DebugLog("Network.enable failed: %s", r.error.c_str());
  });
  session->Send("Runtime.enable");
  session->Send("Emulation.setFocusEmulationEnabled", {{"enabled", true}});
  if (!context_->locale.empty()) session->Send("Emulation.setLocaleOverride", {{"locale", context_->locale}});
  painter_.ApplyViewMetrics(false);
  std::shared_ptr<ReplyJoin> join = ReplyJoin::Make(std::move(set_up));
  SetUpDocumentSession(*session, true, join.get());
  // The target was created with its address; its first document request waits in the runtime
  // until `set_up` runs. Anything sent to it before it has answered the set-up (a navigation that
  // swaps its renderer, above all) Chromium treats as a crash.
  session->Send("Runtime.runIfWaitingForDebugger", Json::object(), join->Wrap([self, url](const CommandResult&) {
    self->PostToUi([self, url] { self->OnPageReady(url); });
  }));
  join->Seal();
}

void ChromiumBrowser::SetUpDocumentSession(DevToolsSession& session, bool page, ReplyJoin* join) {
  auto counted = [join](DevToolsTransport::ReplyHandler handler) {
    return join ? join->Wrap(std::move(handler)) : handler;
  };
  if (context_->render) {
    // Every document asks native code first (see bridge_protocol.h); strict CSPs would refuse the
    // request.
    auto report = [](const char* what) {
      return [what](const CommandResult& r) {
        if (!r.ok) DebugLog("page bridge: %s failed: %s", what, r.error.c_str());
      };
    };
    session.Send("Page.setBypassCSP", {{"enabled", true}}, counted(report("Page.setBypassCSP")));
    session.Send("Page.addScriptToEvaluateOnNewDocument", {{"source", BridgeBootstrapScript()}},
                 counted(report("Page.addScriptToEvaluateOnNewDocument")));
    Json patterns = Json::array({{{"urlPattern", std::string(kBridgeUrlPattern)}, {"requestStage", "Request"}}});
    if (page) patterns.push_back({{"urlPattern", "*"}, {"resourceType", "Document"}, {"requestStage", "Request"}});
    session.Send("Fetch.enable", {{"patterns", patterns}}, counted(report("Fetch.enable")));
  }
  // Cross-origin frames wait for the same set-up before their first script.
  session.Send("Target.setAutoAttach", {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}},
               counted(nullptr));
}

void ChromiumBrowser::OnPageReady(const std::string& url) {
  assert(OnUi());
  if (!client_) return;  // closed meanwhile
  // OnAfterCreated comes first, before any load callback; once (a new page after a restart of
  // Chromium is no new browser).
  if (!after_created_sent_) {
    after_created_sent_ = true;
    if (CefRefPtr<CefLifeSpanHandler> life = client_->GetLifeSpanHandler()) life->OnAfterCreated(this);
  }
  DebugLog("browser %d: loading %s", id_, url.c_str());
  std::vector<EarlyEvent> early;
  early.swap(early_events_);
  for (auto& event : early) OnUiEvent(event.method, event.params, event.from);
  if ((url.empty() || url == "about:blank") && !main_frame_stopped_ && client_) {
    // A page made on about:blank has its initial empty document at once, often before Page.enable
    // took effect: Chromium then reports no load of it, ever. Its load ends here, so that the
    // client hears of it, a refused address gets its error page and a first frame is taken.
    DebugLog("browser %d: no load of its initial document was reported; it ends here", id_);
    OnFrameStoppedLoading({{"frameId", target_id_}}, std::string());
    initial_load_assumed_ = true;
  }
  ReloadIfCommittedBeforeSetUp(navigations_asked_.load(), last_url_, 40);
}

void ChromiumBrowser::ReloadIfCommittedBeforeSetUp(unsigned asked, const std::string& address, int tries) {
  assert(OnUi());
  // A document the runtime could not hold (first_document_hold.h) may commit before our set-up:
  // with a render side it has no bridge and its scripts ran without it; without one, we saw no
  // commit of it (no load callbacks, no screencast). Load it once more, set up. Left alone: the
  // initial empty document (its load still held), a document with the bridge (the usual case),
  // and any document once the client has asked for a navigation (which replaces it anyway;
  // loading it again would cancel the client's). See LoadAgain for how.
  CefRefPtr<ChromiumBrowser> self(this);
  const bool render = context_->render != nullptr;
  EvaluateInFrame(target_id_, "(window.__mvcefBridge ? '+' : '-') + location.href",
                  [self, render, asked, address, tries](const std::string& answer) {
                    if (!self->client_ || self->navigations_asked_.load() != asked) return;
                    if (answer.size() < 2) {
                      // The document went while it was asked (its context was replaced, or it
                      // navigated): the one there now is asked, a little later.
                      if (tries > 0)
                        self->PostToUi([self, asked, address, tries] {
                          self->ReloadIfCommittedBeforeSetUp(asked, address, tries - 1);
                        }, std::chrono::milliseconds(50));
                      else
                        DebugLog("browser %d: no answer whether its document has the bridge", self->id_);
                      return;
                    }
                    const bool bridged = answer[0] == '+';
                    const std::string href = answer.substr(1);
                    if (href == "about:blank") {
                      DebugLog("browser %d: its first document is not there yet", self->id_);
                      return;
                    }
                    DebugLog("browser %d: document %s %s the bridge", self->id_, href.c_str(), bridged ? "has" : "lacks");
                    // The bridge runs first in every document made after the set-up: one that
                    // has it needs nothing, whatever this thread has heard of its commit yet.
                    if (bridged || (self->main_frame_navigated_ && !render)) return;
                    DebugLog("browser %d: %s committed before its set-up; loading it again", self->id_, href.c_str());
                    const ProtocolCommand again = LoadAgain(href, address);
                    self->Send(again.method, again.params);
                  });
}

// --- navigation and state

namespace {
// How long a navigation waits for the page's thread before the script holding it is ended.
constexpr std::chrono::milliseconds kBusyPageWait{3000};
// How long it then waits for the thread to come free before taking it for held outside any script.
constexpr std::chrono::milliseconds kHeldPageWait{2000};
// How long it then waits for Chromium to report the renderer ended.
constexpr std::chrono::milliseconds kPageCrashWait{2000};
}  // namespace

void ChromiumBrowser::Navigate(ProtocolCommand navigation) {
  NoteNavigationAsked();
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self, navigation = std::move(navigation)]() mutable { self->NavigateOnUi(std::move(navigation)); });
}

void ChromiumBrowser::NavigateOnUi(ProtocolCommand navigation) {
  assert(OnUi());
  std::shared_ptr<DevToolsSession> s = session();
  if (!s) return;
  asked_url_ = navigation.method == "Page.navigate" ? navigation.params.value("url", std::string()) : std::string();
  if (page_crashed_ || loads_.NavigationPending(target_id_)) {
    s->Send(navigation.method, navigation.params);
    return;
  }
  const bool asking = held_navigation_.has_value();
  held_navigation_ = std::move(navigation);  // a later one replaces it, as it would once sent
  if (asking) return;
  held_stage_ = HeldStage::kAsking;
  AskWhetherFree(*s, kBusyPageWait);
}

void ChromiumBrowser::AskWhetherFree(DevToolsSession& s, std::chrono::milliseconds wait) {
  assert(OnUi());
  const unsigned question = ++busy_question_;
  CefRefPtr<ChromiumBrowser> self(this);
  // Evaluated only once the thread is free; terminateExecution interrupts it. Any reply (an error
  // too: the document went, the script was ended) means the thread answered.
  s.Send("Runtime.evaluate", {{"expression", "0"}}, [self, question](const CommandResult&) {
    self->PostToUi([self, question] { self->ReleaseNavigation(question, false); });
  });
  PostToUi([self, question] { self->ReleaseNavigation(question, true); }, wait);
}

void ChromiumBrowser::ReleaseNavigation(unsigned question, bool unanswered) {
  assert(OnUi());
  if (question != busy_question_ || !held_navigation_) return;  // released already
  std::shared_ptr<DevToolsSession> s = session();
  if (!s) {
    held_navigation_.reset();  // the page went (closed, or Chromium died): a later one must not wait on it
    return;
  }
  if (unanswered && held_stage_ == HeldStage::kAsking) {
    DebugLog("browser %d: the page's script has held its thread for %lld ms: ended for the navigation", id_,
             static_cast<long long>(kBusyPageWait.count()));
    held_stage_ = HeldStage::kScriptEnded;
    s->Send("Runtime.terminateExecution");
    // Also ends a termination still waiting for a script of this document, should the thread have
    // come free just now, before the next document runs any.
    AskWhetherFree(*s, kHeldPageWait);
    return;
  }
  if (unanswered && held_stage_ == HeldStage::kScriptEnded) {
    // Held where no script runs (a synchronous request to a server that never answers): nothing
    // frees that thread, and Chromium would hold a same-site navigation for it for good. Page.crash
    // ends the renderer from its IO thread; the navigation goes once that is reported (sent
    // before, it would be aborted by the crash, or take the crash along to its new renderer).
    DebugLog("browser %d: the page's thread is held outside its scripts: its renderer is ended for the navigation",
             id_);
    held_stage_ = HeldStage::kCrashing;
    const unsigned question = ++busy_question_;
    s->Send("Page.crash");
    CefRefPtr<ChromiumBrowser> self(this);
    PostToUi([self, question] { self->ReleaseNavigation(question, true); }, kPageCrashWait);
    return;
  }
  ProtocolCommand navigation = std::move(*held_navigation_);
  held_navigation_.reset();
  s->Send(navigation.method, navigation.params);
}

void ChromiumBrowser::GoBack() {
  const int entry = loads_.BackEntry();
  if (entry >= 0)
    Navigate({"Page.navigateToHistoryEntry", {{"entryId", entry}}});
  else
    NoteNavigationAsked();
}

void ChromiumBrowser::GoForward() {
  const int entry = loads_.ForwardEntry();
  if (entry >= 0)
    Navigate({"Page.navigateToHistoryEntry", {{"entryId", entry}}});
  else
    NoteNavigationAsked();
}

bool ChromiumBrowser::IsLoading() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
  }
  return loads_.IsLoading();
}

void ChromiumBrowser::Reload() { Navigate({"Page.reload", Json::object()}); }
void ChromiumBrowser::ReloadIgnoreCache() { Navigate({"Page.reload", {{"ignoreCache", true}}}); }
void ChromiumBrowser::StopLoad() { Send("Page.stopLoading"); }

bool ChromiumBrowser::IsSame(CefRefPtr<CefBrowser> that) {
  return that.get() && that->GetIdentifier() == id_ && static_cast<CefBrowser*>(this) == that.get();
}

void ChromiumBrowser::RefreshHistory() {
  assert(OnUi());
  CefRefPtr<ChromiumBrowser> self(this);
  history_read_.Ask([](const std::string&) {}, [self](SharedRead::Visit done) {
    self->Send("Page.getNavigationHistory", Json::object(), [self, done](const CommandResult& r) {
      if (r.ok) self->loads_.SetHistory(r.result);
      self->PostToUi([done] { done(std::string()); });
    });
    return true;
  });
}

void ChromiumBrowser::NotifyLoadingState() {
  assert(OnUi());
  if (CefRefPtr<CefLoadHandler> load = client_->GetLoadHandler())
    load->OnLoadingStateChange(this, IsLoading(), CanGoBack(), CanGoForward());
}

bool ChromiumBrowser::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
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
  // Headless Chromium has no window for the page: windowed browsers report a stand-in handle of
  // their own (never 0), windowless ones none.
  if (windowless_) return kNullWindowHandle;
  // A C cast: the handle is an integer on Linux, a pointer on Windows.
  return window_ ? window_ : (CefWindowHandle)(static_cast<uintptr_t>(0x4D560000u + id_));
}

// --- view

void ChromiumBrowser::SetZoomLevel(double level) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
  }
  painter_.SetZoomLevel(level);
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] { self->painter_.ApplyViewMetrics(true); });
}

void ChromiumBrowser::WasResized() {
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] {
    if (!self->windowless_ || !self->client_) return;
    CefRefPtr<CefRenderHandler> render = self->client_->GetRenderHandler();
    CefRect rect;
    if (!render || !render->GetViewRect(self.get(), rect) || rect.IsEmpty()) return;
    self->painter_.SetViewSize(rect.width, rect.height);
    self->painter_.ApplyViewMetrics(true);
  });
}

void ChromiumBrowser::Invalidate(PaintElementType type) {
  CefRefPtr<ChromiumBrowser> self(this);
  PostToUi([self] { self->painter_.Invalidate(); });
}

void ChromiumBrowser::Paint(const DecodedFrame& picture) {
  assert(OnUi());
  if (!windowless_) {
    // A windowed browser shows its page in its own window.
    if (window_) PaintChildWindow(window_, picture.pixels.data(), picture.width, picture.height);
    return;
  }
  if (!client_) return;
  CefRefPtr<CefRenderHandler> render = client_->GetRenderHandler();
  if (!render) return;
  CefRenderHandler::RectList dirty;
  dirty.push_back(CefRect(0, 0, picture.width, picture.height));
  render->OnPaint(this, PET_VIEW, dirty, picture.pixels.data(), picture.width, picture.height);
}

// --- closing

void ChromiumBrowser::CloseBrowser(bool force_close) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_ || closed_) return;
    closing_ = true;
  }
  CefRefPtr<ChromiumBrowser> self(this);
  if (!PostToUi([self] { self->CloseOnUi(); })) DebugLog("browser %d: close requested after shutdown", id_);
}

void ChromiumBrowser::CloseOnUi() {
  assert(OnUi());
  CefRefPtr<CefLifeSpanHandler> life = client_ ? client_->GetLifeSpanHandler() : nullptr;
  // No top-level window to close on this platform: DoClose's answer changes nothing.
  if (life) life->DoClose(this);
  painter_.Stop();
  std::shared_ptr<DevToolsSession> session;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    session.swap(session_);
  }
  loads_.StopLoading();
  if (!target_id_.empty() && context_->Transport())
    context_->Transport()->Send("Target.closeTarget", {{"targetId", target_id_}});
  frames_.Close();
  if (children_) children_->Close();  // their subscriptions hold this browser
  if (life) life->OnBeforeClose(this);
  DestroyOwnWindow();
  DebugLog("browser %d closed", id_);
  CefRefPtr<CefClient> client;  // let go outside the lock: its destructor may call us
  {
    std::lock_guard<std::mutex> lock(mutex_);
    client.swap(client_);
  }
  if (context_->render) context_->render->ReleaseBrowser(id_);
  if (context_->on_browser_closed) context_->on_browser_closed(id_);
}

void ChromiumBrowser::OnChromiumGone() {
  assert(OnUi());
  loads_.StopLoading();
  if (!asked_url_.empty()) {
    last_url_ = asked_url_;
    asked_url_.clear();
  } else if (CefRefPtr<CefFrame> main = frames_.Main()) {
    const std::string url = main->GetURL().ToString();
    if (!url.empty()) last_url_ = url;
  }
  // The page is gone with its frames and sessions; the view's size and zoom stay in the painter.
  painter_.Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    session_.reset();
  }
  frames_.Reset();
  if (children_) children_->Close();
  // Its documents' contexts went with the page; new ones come with the new page.
  if (context_->render) context_->render->ReleaseBrowser(id_);
}

bool ChromiumBrowser::IsClosed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closing_ || closed_;
}

void ChromiumBrowser::Abandon() {
  assert(OnUi());
  painter_.Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    session_.reset();
  }
  loads_.StopLoading();
  frames_.Close();
  if (children_) children_->Close();
  DestroyOwnWindow();
  CefRefPtr<CefClient> client;
  std::lock_guard<std::mutex> lock(mutex_);
  client.swap(client_);
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
