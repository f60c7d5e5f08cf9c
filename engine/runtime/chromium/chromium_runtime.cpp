#include "engine/runtime/chromium/chromium_runtime.h"

#include <algorithm>
#include <cassert>

#include "engine/runtime/chromium/child_window.h"
#include "engine/runtime/chromium/chromium_switches.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/render_host.h"
#include "engine/src/runtime.h"
#include "include/cef_command_line.h"

namespace mvengine {
namespace chromium {

namespace {

// How long Chromium may take from its start to its first answer; one that has not answered by
// then is killed and counts as not started. Chromium answers in 1.5-2 s on the loaded 2-core build
// machine (up to 2.75 s seen); this leaves a wide margin and still never holds the game long.
constexpr std::chrono::seconds kChromiumStartTimeout(8);
// A Chromium that keeps dying is not started again and again: at most this many restarts within
// any such window; then browsers stay dead pages and no new one is made.
constexpr int kChromiumRestarts = 3;
constexpr std::chrono::seconds kChromiumRestartWindow(60);
// Chromium's browser process answers a ping at once, even with every page busy; one that has not
// answered for kChromiumHangWait is stopped or hung. A stall of a few seconds (a loaded machine)
// is waited out.
constexpr std::chrono::seconds kChromiumPingEvery(5);
constexpr std::chrono::seconds kChromiumHangWait(20);
// How long a popup target waits for its address from Page.windowOpen, and an address for its
// target; an address without one after that is a window Chromium refused.
constexpr std::chrono::milliseconds kPopupAddressWait(400);
// Addresses that wait for their target: a few, and room for two of the longest (Chromium's 2 MiB).
constexpr size_t kPopupOpensKept = 16;
constexpr size_t kPopupOpenBytesKept = 4u << 20;
// How long a cancelled popup runs (blocked from loading) before it is closed.
constexpr std::chrono::milliseconds kPopupCloseDelay(300);

std::map<std::string, std::string> GlobalSwitches() {
  std::map<std::string, std::string> out;
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::GetGlobalCommandLine();
  if (!command_line) return out;
  CefCommandLine::SwitchMap switches;
  command_line->GetSwitches(switches);
  for (auto& entry : switches) out[entry.first.ToString()] = entry.second.ToString();
  return out;
}

// What is left of the start-up's time, never nothing: a call with no time fails at once.
std::chrono::milliseconds TimeLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return std::max(left, std::chrono::milliseconds(1));
}

}  // namespace

ChromiumBrowserRuntime::ChromiumBrowserRuntime()
    : popup_matcher_(kPopupAddressWait, kPopupOpensKept, kPopupOpenBytesKept),
      restarts_(kChromiumRestarts, kChromiumRestartWindow) {}

ChromiumBrowserRuntime::~ChromiumBrowserRuntime() { Shutdown(); }

bool ChromiumBrowserRuntime::Initialize(const CefMainArgs& args, const CefSettings& settings,
                                        CefRefPtr<CefApp> application) {
  ChromiumSwitches switches = TranslateSwitches(GlobalSwitches());
  LaunchOptions options;
  options.extra_switches = switches.args;
  if (settings.ignore_certificate_errors) options.extra_switches.push_back("--ignore-certificate-errors");
  options.debug = DebugEnabled();
  options_ = options;

  std::string error;
  const auto deadline = std::chrono::steady_clock::now() + kChromiumStartTimeout;
  connection_ = std::shared_ptr<ChromiumConnection>(ChromiumConnection::Start(options, &error, kChromiumStartTimeout));
  if (!connection_) {
    DebugLog("CefInitialize fails: %s", error.c_str());
    return false;
  }
  context_ = std::make_shared<RuntimeContext>();
  context_->SetTransport(connection_->transport());
  context_->locale = switches.locale;
  context_->on_browser_closed = [this](int id) {
    browsers_.erase(id);
    popup_matcher_.ForgetOpener(id);
  };
  context_->on_window_open = [this](int id, const std::string& url, const std::string& name, bool gesture) {
    OnWindowOpen(id, url, name, gesture);
  };
  // The render side runs in the sub-process executable when the application
  // names one, otherwise here with the application's own handler.
  const std::string subprocess = CefString(&settings.browser_subprocess_path).ToString();
  CefRefPtr<CefRenderProcessHandler> handler = application ? application->GetRenderProcessHandler() : NULL;
  if (!subprocess.empty() || handler) {
    std::vector<std::string> render_switches;
    if (!switches.locale.empty()) render_switches.push_back("--lang=" + switches.locale);
    CefRefPtr<CefBrowserProcessHandler> launch_handler = application ? application->GetBrowserProcessHandler() : NULL;
    context_->render = std::make_shared<RenderHost>(subprocess, render_switches, handler, launch_handler);
    context_->render->Start();
  }
  context_->ui.Start();

  WireConnection(*connection_, generation_);
  // Every new page (ours and popups) waits for us before it runs anything.
  CommandResult r = connection_->browser().Call(
      "Target.setAutoAttach", {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}},
      TimeLeft(deadline));
  if (!r.ok) {
    DebugLog("CefInitialize fails: Target.setAutoAttach: %s", r.error.c_str());
    context_->ui.Stop();
    if (context_->render) context_->render->Stop();
    connection_->Abort();
    connection_.reset();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = true;
  }
  context_->ui.Post([this] { PingChromium(); });
  if (application) {
    CefRefPtr<CefBrowserProcessHandler> handler = application->GetBrowserProcessHandler();
    if (handler) context_->ui.Post([handler] { handler->OnContextInitialized(); });
  }
  return true;
}

void ChromiumBrowserRuntime::WireConnection(ChromiumConnection& connection, int generation) {
  connection.transport()->SetEventFilter([](std::string_view method, std::string_view text) {
    return method == "Target.targetDestroyed" || ChromiumBrowser::WantsEvent(method, text);
  });
  std::weak_ptr<RuntimeContext> weak = context_;
  connection.transport()->SetCloseHandler([this, weak, generation](const std::string& reason) {
    if (auto ctx = weak.lock()) ctx->ui.Post([this, reason, generation] { OnChromiumGone(reason, generation); });
  });
  connection.browser().Subscribe([this, weak, generation](const std::string& method, const Json& params) {
    if (auto ctx = weak.lock())
      ctx->ui.Post([this, method, params, generation] {
        if (generation == generation_) HandleBrowserEvent(method, params);
      });
  });
}

void ChromiumBrowserRuntime::Shutdown() {
  std::thread restarter;
  std::shared_ptr<ChromiumConnection> connection;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return;
    running_ = false;
    restarter.swap(restarter_);
  }
  // A Chromium being started again is shut down by the restarter itself.
  if (restarter.joinable()) restarter.join();
  // Browsers still open are dropped without callbacks: the host is going away.
  context_->ui.Post([this] {
    for (auto& entry : browsers_) entry.second->Abandon();
    browsers_.clear();
    for (auto& creation : creations_) creation.browser->Abandon();
    creations_.clear();
    popups_.clear();
    popup_matcher_.Clear();
  });
  context_->ui.Stop();
  if (context_->render) context_->render->Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connection.swap(connection_);
  }
  if (connection) connection->Shutdown();
  DebugLog("runtime shut down");
}

int ChromiumBrowserRuntime::chromium_pid() {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_ && connection_ ? connection_->process().pid() : 0;
}

bool ChromiumBrowserRuntime::CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                                           const CefString& url, const CefBrowserSettings& settings) {
  int id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_ || lost_) {
      DebugLog("no browser created: %s", running_ ? "Chromium is gone and not restarted" : "the engine is not running");
      return false;
    }
    id = next_browser_id_++;
  }
  const bool windowless = window_info.windowless_rendering_enabled != 0;
  CefRefPtr<ChromiumBrowser> browser(new ChromiumBrowser(
      context_, id, client, windowless, window_info.parent_window, static_cast<int>(window_info.width),
      static_cast<int>(window_info.height), settings.windowless_frame_rate));
  if (!windowless) {
    // The window exists before the browser is announced, as with a real child window.
    browser->SetWindow(CreateChildWindow(window_info.parent_window, window_info.x, window_info.y,
                                         static_cast<int>(window_info.width), static_cast<int>(window_info.height),
                                         browser.get()),
                       &DestroyChildWindow);
  }
  std::string start_url = url.ToString();
  if (std::optional<LoadError> refused = RefusedNavigation(std::string(), start_url)) {
    browser->RefuseOnceLoaded(*refused);
    start_url = "about:blank";
  }
  return context_->ui.Post([this, browser, start_url] {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (lost_) {
        DebugLog("browser %d not created: Chromium is gone", browser->GetIdentifier());
        browser->Abandon();
        return;
      }
    }
    // While Chromium is started again the creation waits for it.
    creations_.push_back({browser, start_url});
    if (!creating_ && !gone_ && !resuming_) StartNextCreation();
  });
}

void ChromiumBrowserRuntime::StartNextCreation() {
  assert(OnUi());
  // A browser closed while Chromium was started again needs no new page.
  while (!creations_.empty() && creations_.front().browser->IsClosed()) creations_.pop_front();
  if (creations_.empty() || gone_ || resuming_) {
    creating_ = false;
    first_documents_.EndCreation();
    if (!gone_ && first_documents_.StopPausing()) context_->Transport()->Send("Fetch.disable");
    return;
  }
  creating_ = true;
  creating_target_id_.clear();
  std::weak_ptr<RuntimeContext> weak = context_;
  const std::string& url = creations_.front().url;
  const int generation = generation_;
  // Sent before the page is made, so its first document request is paused.
  if (first_documents_.StartCreation())
    context_->Transport()->Send("Fetch.enable", {{"patterns", Json::array({{{"urlPattern", "*"},
                                                                           {"resourceType", "Document"},
                                                                           {"requestStage", "Request"}}})}},
                                std::string(), [](const CommandResult& r) {
                                  if (!r.ok) DebugLog("first documents are not held: %s", r.error.c_str());
                                });
  context_->Transport()->Send("Target.createTarget", {{"url", url.empty() ? "about:blank" : url}}, std::string(),
                              [this, weak, generation](const CommandResult& reply) {
                                if (auto ctx = weak.lock())
                                  ctx->ui.Post([this, reply, generation] { OnTargetCreated(reply, generation); });
                              });
}

void ChromiumBrowserRuntime::OnTargetCreated(const CommandResult& reply, int generation) {
  assert(OnUi());
  // A Chromium that went meanwhile: the creation is made again in the next one.
  if (generation != generation_ || gone_ || creations_.empty()) return;
  std::string target_id = reply.ok ? reply.result.value("targetId", std::string()) : std::string();
  // Failed because Chromium just went: the creation waits for the next one.
  if (target_id.empty() && !context_->Transport()->alive()) return;
  if (target_id.empty()) {
    DebugLog("browser %d not created: %s", creations_.front().browser->GetIdentifier(), reply.error.c_str());
    creations_.pop_front();
    StartNextCreation();
    return;
  }
  creating_target_id_ = target_id;
  auto it = unclaimed_.find(target_id);
  if (it != unclaimed_.end()) {
    std::string session_id = it->second;
    unclaimed_.erase(it);
    FinishCreation(target_id, session_id);
  }
}

void ChromiumBrowserRuntime::FinishCreation(const std::string& target_id, const std::string& session_id) {
  assert(OnUi());
  Creation creation = creations_.front();
  creations_.pop_front();
  creating_target_id_.clear();
  // Pages that attached meanwhile and are not ours: let them go.
  for (auto& entry : unclaimed_) ReleaseForeignTarget(entry.second, entry.first, true);
  unclaimed_.clear();

  auto session = std::make_shared<DevToolsSession>(context_->Transport(), session_id);
  browsers_[creation.browser->GetIdentifier()] = creation.browser;
  std::weak_ptr<RuntimeContext> weak = context_;
  const int generation = generation_;
  creation.browser->Attach(target_id, session, creation.url, [this, weak, generation, target_id] {
    if (auto ctx = weak.lock())
      ctx->ui.Post([this, generation, target_id] {
        if (generation == generation_ && !gone_) ReleaseDocuments(target_id);
      });
  });
  StartNextCreation();
}

ChromiumBrowser* ChromiumBrowserRuntime::BrowserForTarget(const std::string& target_id) {
  assert(OnUi());
  for (auto& entry : browsers_)
    if (entry.second->target_id() == target_id) return entry.second.get();
  return nullptr;
}

void ChromiumBrowserRuntime::HandleBrowserEvent(const std::string& method, const Json& params) {
  assert(OnUi());
  if (method == "Target.attachedToTarget") {
    OnAttached(params);
  } else if (method == "Fetch.requestPaused") {
    OnDocumentPaused(params);
  } else if (method == "Target.detachedFromTarget" || method == "Target.targetDestroyed") {
    std::string target_id = params.value("targetId", std::string());
    popups_.erase(target_id);
    popup_matcher_.ForgetTarget(target_id);
    ReleaseDocuments(target_id);
    // A page that closed itself (window.close()), the one way its session ends while it is open:
    // its browser closes as when the client closes it, so the client hears of it and a windowed
    // one's window goes. A browser without its session could do nothing more.
    ChromiumBrowser* browser = method == "Target.detachedFromTarget" ? BrowserForTarget(target_id) : nullptr;
    if (browser && !browser->IsClosed()) {
      DebugLog("browser %d: its page went (closed itself)", browser->GetIdentifier());
      browser->CloseBrowser(true);
    }
  }
}

void ChromiumBrowserRuntime::OnDocumentPaused(const Json& params) {
  assert(OnUi());
  const std::string request_id = params.value("requestId", std::string());
  if (request_id.empty() || first_documents_.Hold(params.value("frameId", std::string()), request_id)) return;
  context_->Transport()->Send("Fetch.continueRequest", {{"requestId", request_id}});
}

void ChromiumBrowserRuntime::ReleaseDocuments(const std::string& target_id) {
  assert(OnUi());
  auto transport = context_->Transport();
  for (const std::string& request_id : first_documents_.Release(target_id))
    transport->Send("Fetch.continueRequest", {{"requestId", request_id}});
  if (first_documents_.StopPausing()) transport->Send("Fetch.disable");
}

void ChromiumBrowserRuntime::OnAttached(const Json& params) {
  assert(OnUi());
  const std::string session_id = params.value("sessionId", std::string());
  const Json& info = params.value("targetInfo", Json::object());
  const std::string target_id = info.value("targetId", std::string());
  const std::string type = info.value("type", std::string());
  if (session_id.empty() || target_id.empty()) return;
  if (type != "page") {
    ReleaseForeignTarget(session_id, target_id, false);
    return;
  }
  const std::string opener = info.value("openerId", std::string());
  if (ChromiumBrowser* opener_browser = opener.empty() ? nullptr : BrowserForTarget(opener)) {
    Popup popup;
    popup.session_id = session_id;
    popup.target_id = target_id;
    popup.url = info.value("url", std::string());
    popup.opener_id = opener_browser->GetIdentifier();
    popups_[target_id] = popup;
    if (std::optional<PopupDecision> decision = popup_matcher_.OnTarget(popup.opener_id, target_id, Now()))
      Decide(*decision);
    else
      ExpirePopupsLater();
    return;
  }
  if (creating_) first_documents_.Await(target_id);  // maybe ours
  if (target_id == creating_target_id_) {
    FinishCreation(target_id, session_id);
  } else if (creating_) {
    unclaimed_[target_id] = session_id;  // maybe ours: createTarget has not answered yet
  } else {
    // Chromium's own first tab, or a page someone else opened.
    ReleaseForeignTarget(session_id, target_id, true);
  }
}

void ChromiumBrowserRuntime::OnWindowOpen(int browser_id, const std::string& url, const std::string& name,
                                          bool user_gesture) {
  assert(OnUi());
  for (const PopupDecision& decision : popup_matcher_.OnOpen(browser_id, {url, name, user_gesture}, Now()))
    Decide(decision);
  if (popup_matcher_.waiting_opens() > 0) ExpirePopupsLater();
}

void ChromiumBrowserRuntime::ExpirePopupsLater() {
  context_->ui.PostDelayed(
      [this] {
        for (const PopupDecision& decision : popup_matcher_.Expire(Now())) Decide(decision);
      },
      kPopupAddressWait);
}

void ChromiumBrowserRuntime::Decide(const PopupDecision& decision) {
  assert(OnUi());
  if (!decision.target_id.empty()) {
    auto it = popups_.find(decision.target_id);
    if (it == popups_.end()) return;
    const std::string url = decision.open.url.empty() ? it->second.url : decision.open.url;  // outlives the entry
    DecidePopup(decision.target_id, url, decision.open.name, decision.open.user_gesture);
    return;
  }
  // Chromium refused the window (no gesture): the client hears of the attempt all the same, as the
  // engine's API promises for every popup, but nothing it answers can open one.
  auto opener = browsers_.find(decision.opener_id);
  if (opener == browsers_.end()) return;
  const bool cancel =
      opener->second->AskBeforePopup(decision.open.url, decision.open.name, decision.open.user_gesture);
  DebugLog("popup %.200s from browser %d: blocked by Chromium%s", decision.open.url.c_str(), decision.opener_id,
           cancel ? "" : " (allowed, but no window can open)");
}

void ChromiumBrowserRuntime::DecidePopup(const std::string& target_id, const std::string& url,
                                         const std::string& name, bool user_gesture) {
  assert(OnUi());
  auto it = popups_.find(target_id);
  if (it == popups_.end() || it->second.decided) return;
  it->second.decided = true;
  Popup popup = it->second;
  auto opener = browsers_.find(popup.opener_id);
  bool cancel = opener == browsers_.end() || opener->second->AskBeforePopup(url, name, user_gesture);
  DebugLog("popup %s from browser %d: %s", url.c_str(), popup.opener_id, cancel ? "cancelled" : "allowed");
  auto transport = context_->Transport();
  if (!cancel) {
    // Allowed: it runs on as a page of its own that nobody paints.
    transport->Send("Runtime.runIfWaitingForDebugger", Json::object(), popup.session_id);
    transport->Send("Target.detachFromTarget", {{"sessionId", popup.session_id}});
    popups_.erase(target_id);
    return;
  }
  // Cancelled: fail its first request so nothing loads, then close it once it no
  // longer waits for us (closing a waiting popup hangs its opener).
  auto session = std::make_shared<DevToolsSession>(transport, popup.session_id);
  std::weak_ptr<DevToolsSession> weak_session = session;
  session->Subscribe([weak_session](const std::string& method, const Json& params) {
    auto s = weak_session.lock();
    if (s && method == "Fetch.requestPaused")
      s->Send("Fetch.failRequest", {{"requestId", params.value("requestId", std::string())},
                                    {"errorReason", "Aborted"}});
  });
  std::weak_ptr<RuntimeContext> weak_context = context_;
  session->Send("Fetch.enable", {{"patterns", Json::array({{{"urlPattern", "*"}}})}},
                [session, weak_context, target_id](const CommandResult&) {
                  session->Send("Runtime.runIfWaitingForDebugger", Json::object(),
                                [session, weak_context, target_id](const CommandResult&) {
                                  auto ctx = weak_context.lock();
                                  if (!ctx) return;
                                  ctx->ui.PostDelayed(
                                      [session, ctx, target_id] {
                                        ctx->Transport()->Send("Target.closeTarget", {{"targetId", target_id}});
                                      },
                                      kPopupCloseDelay);
                                });
                });
}

void ChromiumBrowserRuntime::ReleaseForeignTarget(const std::string& session_id, const std::string& target_id,
                                                  bool close) {
  assert(OnUi());
  ReleaseDocuments(target_id);
  auto transport = context_->Transport();
  transport->Send("Runtime.runIfWaitingForDebugger", Json::object(), session_id,
                  [transport, session_id, target_id, close](const CommandResult&) {
                    transport->Send("Target.detachFromTarget", {{"sessionId", session_id}});
                    if (close) transport->Send("Target.closeTarget", {{"targetId", target_id}});
                  });
}

void ChromiumBrowserRuntime::OnChromiumGone(const std::string& reason, int generation) {
  assert(OnUi());
  if (generation != generation_ || gone_) return;
  gone_ = true;
  resuming_ = false;
  for (auto& entry : browsers_) entry.second->OnChromiumGone();
  // Creations waiting (the one in flight too) are made in the next Chromium.
  creating_ = false;
  creating_target_id_.clear();
  unclaimed_.clear();
  popups_.clear();
  popup_matcher_.Clear();
  first_documents_.Reset();
  std::shared_ptr<ChromiumConnection> old;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    old.swap(connection_);
  }
  if (!restarts_.Take(RestartBudget::Clock::now())) {
    if (old) old->Abort();
    GiveUp("Chromium is gone (" + reason + ") and was started again too often");
    return;
  }
  DebugLog("Chromium is gone (%s): starting it again", reason.c_str());
  StartAgain(old);
}

void ChromiumBrowserRuntime::StartAgain(std::shared_ptr<ChromiumConnection> old) {
  assert(OnUi());
  std::thread previous;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_) previous.swap(restarter_);
  }
  if (previous.joinable()) previous.join();  // it has posted its result: nothing left to wait for
  std::unique_lock<std::mutex> lock(mutex_);
  if (!running_) {
    lock.unlock();
    if (old) old->Abort();  // Shutdown no longer sees it
    return;
  }
  // Off the UI thread: the start takes seconds, and the UI thread keeps serving the client.
  restarter_ = std::thread([this, old] {
    if (old) old->Abort();  // what is left of the dead one: helpers, its profile folder
    std::string error;
    std::shared_ptr<ChromiumConnection> fresh(ChromiumConnection::Start(options_, &error, kChromiumStartTimeout));
    bool stopping;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping = !running_;
    }
    if (stopping || !context_->ui.Post([this, fresh, error] { OnStartedAgain(fresh, error); })) {
      if (fresh) fresh->Shutdown();
    }
  });
}

void ChromiumBrowserRuntime::OnStartedAgain(std::shared_ptr<ChromiumConnection> fresh, const std::string& error) {
  assert(OnUi());
  if (!fresh) {
    if (!restarts_.Take(RestartBudget::Clock::now())) {
      GiveUp("Chromium could not be started again: " + error);
      return;
    }
    DebugLog("Chromium could not be started again (%s); trying once more", error.c_str());
    StartAgain(nullptr);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return;  // Shutdown ends it with the rest
    connection_ = fresh;
  }
  const int generation = ++generation_;
  context_->SetTransport(fresh->transport());
  WireConnection(*fresh, generation);
  gone_ = false;
  resuming_ = true;  // until new pages wait for us (Target.setAutoAttach has answered)
  std::weak_ptr<RuntimeContext> weak = context_;
  fresh->browser().Send(
      "Target.setAutoAttach", {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}},
      [this, weak, generation](const CommandResult& r) {
        if (!r.ok) DebugLog("Target.setAutoAttach after the restart: %s", r.error.c_str());
        if (auto ctx = weak.lock()) ctx->ui.Post([this, generation] { ReopenBrowsers(generation); });
      });
}

void ChromiumBrowserRuntime::ReopenBrowsers(int generation) {
  assert(OnUi());
  if (generation != generation_ || gone_) return;
  resuming_ = false;
  // Open browsers first, at their last address, then those the client asked for meanwhile.
  std::deque<Creation> again;
  for (auto& entry : browsers_)
    if (!entry.second->IsClosed()) again.push_back({entry.second, entry.second->last_url()});
  DebugLog("Chromium started again: reopening %zu browser(s)", again.size());
  creations_.insert(creations_.begin(), again.begin(), again.end());
  if (!creating_) StartNextCreation();
}

void ChromiumBrowserRuntime::GiveUp(const std::string& why) {
  assert(OnUi());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lost_ = true;
  }
  DebugLog("%s: browsers stay open without pages; no new browser can be made", why.c_str());
  for (auto& creation : creations_) creation.browser->Abandon();
  creations_.clear();
  creating_ = false;
}

void ChromiumBrowserRuntime::PingChromium() {
  assert(OnUi());
  std::shared_ptr<ChromiumConnection> connection;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return;
    connection = connection_;
  }
  const auto now = std::chrono::steady_clock::now();
  if (ping_generation_ != generation_ || gone_) ping_owed_ = false;  // that Chromium is gone
  if (!connection || gone_) {
    // Being started again: the restarter has its own time limit.
  } else if (ping_owed_ && now - ping_sent_ >= kChromiumHangWait) {
    ping_owed_ = false;
    OnChromiumGone("it has answered nothing for " + std::to_string(kChromiumHangWait.count()) + " s", generation_);
  } else if (!ping_owed_) {
    ping_owed_ = true;
    ping_generation_ = generation_;
    ping_sent_ = now;
    const int generation = generation_;
    std::weak_ptr<RuntimeContext> weak = context_;
    connection->browser().Send("Browser.getVersion", Json::object(), [this, weak, generation](const CommandResult&) {
      if (auto ctx = weak.lock())
        ctx->ui.Post([this, generation] {
          if (generation == ping_generation_) ping_owed_ = false;
        });
    });
  }
  context_->ui.PostDelayed([this] { PingChromium(); }, kChromiumPingEvery);
}

std::unique_ptr<BrowserRuntime> CreateBrowserRuntime() {
  return std::unique_ptr<BrowserRuntime>(new ChromiumBrowserRuntime());
}

}  // namespace chromium
}  // namespace mvengine
