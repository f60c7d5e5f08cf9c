#include "engine/runtime/chromium/chromium_runtime.h"

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

// How long a popup target waits for its address from Page.windowOpen.
constexpr std::chrono::milliseconds kPopupAddressWait(400);
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

}  // namespace

ChromiumBrowserRuntime::~ChromiumBrowserRuntime() { Shutdown(); }

bool ChromiumBrowserRuntime::Initialize(const CefMainArgs& args, const CefSettings& settings,
                                        CefRefPtr<CefApp> application) {
  ChromiumSwitches switches = TranslateSwitches(GlobalSwitches());
  LaunchOptions options;
  options.extra_switches = switches.args;
  if (settings.ignore_certificate_errors) options.extra_switches.push_back("--ignore-certificate-errors");
  options.debug = DebugEnabled();

  std::string error;
  connection_ = ChromiumConnection::Start(options, &error, std::chrono::seconds(20));
  if (!connection_) {
    DebugLog("CefInitialize fails: %s", error.c_str());
    return false;
  }
  context_ = std::make_shared<RuntimeContext>();
  context_->transport = connection_->transport();
  context_->locale = switches.locale;
  context_->on_browser_closed = [this](int id) { browsers_.erase(id); };
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

  context_->transport->SetEventFilter([](std::string_view method, std::string_view text) {
    return method == "Target.targetDestroyed" || ChromiumBrowser::WantsEvent(method, text);
  });
  std::weak_ptr<RuntimeContext> weak = context_;
  context_->transport->SetCloseHandler([this, weak](const std::string& reason) {
    if (auto ctx = weak.lock()) ctx->ui.Post([this, reason] { OnChromiumGone(reason); });
  });
  connection_->browser().Subscribe([this, weak](const std::string& method, const Json& params) {
    if (auto ctx = weak.lock()) ctx->ui.Post([this, method, params] { HandleBrowserEvent(method, params); });
  });
  // Every new page (ours and popups) waits for us before it runs anything.
  CommandResult r = connection_->browser().Call(
      "Target.setAutoAttach", {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}});
  if (!r.ok) {
    DebugLog("CefInitialize fails: Target.setAutoAttach: %s", r.error.c_str());
    context_->ui.Stop();
    connection_->Shutdown();
    connection_.reset();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = true;
  }
  if (application) {
    CefRefPtr<CefBrowserProcessHandler> handler = application->GetBrowserProcessHandler();
    if (handler) context_->ui.Post([handler] { handler->OnContextInitialized(); });
  }
  return true;
}

void ChromiumBrowserRuntime::Shutdown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return;
    running_ = false;
  }
  // Browsers still open are dropped without callbacks: the host is going away.
  context_->ui.Post([this] {
    for (auto& entry : browsers_) entry.second->Abandon();
    browsers_.clear();
    for (auto& creation : creations_) creation.browser->Abandon();
    creations_.clear();
    popups_.clear();
  });
  context_->ui.Stop();
  if (context_->render) context_->render->Stop();
  connection_->Shutdown();
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
    if (!running_) return false;
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
  return context_->ui.Post([this, browser, start_url] {
    if (gone_) {
      DebugLog("browser %d not created: Chromium is gone", browser->GetIdentifier());
      return;
    }
    creations_.push_back({browser, start_url});
    if (!creating_) StartNextCreation();
  });
}

void ChromiumBrowserRuntime::StartNextCreation() {
  assert(OnUi());
  if (creations_.empty() || gone_) {
    creating_ = false;
    return;
  }
  creating_ = true;
  creating_target_id_.clear();
  std::weak_ptr<RuntimeContext> weak = context_;
  const std::string& url = creations_.front().url;
  context_->transport->Send("Target.createTarget", {{"url", url.empty() ? "about:blank" : url}},
                            std::string(), [this, weak](const CommandResult& reply) {
                              if (auto ctx = weak.lock()) ctx->ui.Post([this, reply] { OnTargetCreated(reply); });
                            });
}

void ChromiumBrowserRuntime::OnTargetCreated(const CommandResult& reply) {
  assert(OnUi());
  if (creations_.empty()) return;
  std::string target_id = reply.ok ? reply.result.value("targetId", std::string()) : std::string();
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

  auto session = std::make_shared<DevToolsSession>(context_->transport, session_id);
  browsers_[creation.browser->GetIdentifier()] = creation.browser;
  creation.browser->Attach(target_id, session, creation.url);
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
  } else if (method == "Target.detachedFromTarget" || method == "Target.targetDestroyed") {
    std::string target_id = params.value("targetId", std::string());
    popups_.erase(target_id);
  }
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
    auto pending = window_opens_.find(popup.opener_id);
    if (pending != window_opens_.end() && !pending->second.empty()) {
      WindowOpen w = pending->second.front();
      pending->second.pop_front();
      DecidePopup(target_id, w.url, w.name, w.user_gesture);
    } else {
      context_->ui.PostDelayed(
          [this, target_id] {
            auto it = popups_.find(target_id);
            if (it != popups_.end() && !it->second.decided) DecidePopup(target_id, it->second.url, "", false);
          },
          kPopupAddressWait);
    }
    return;
  }
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
  for (auto& entry : popups_) {
    if (entry.second.opener_id == browser_id && !entry.second.decided) {
      DecidePopup(entry.first, url, name, user_gesture);
      return;
    }
  }
  window_opens_[browser_id].push_back({url, name, user_gesture});
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
  auto transport = context_->transport;
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
                                        ctx->transport->Send("Target.closeTarget", {{"targetId", target_id}});
                                      },
                                      kPopupCloseDelay);
                                });
                });
}

void ChromiumBrowserRuntime::ReleaseForeignTarget(const std::string& session_id, const std::string& target_id,
                                                  bool close) {
  assert(OnUi());
  auto transport = context_->transport;
  transport->Send("Runtime.runIfWaitingForDebugger", Json::object(), session_id,
                  [transport, session_id, target_id, close](const CommandResult&) {
                    transport->Send("Target.detachFromTarget", {{"sessionId", session_id}});
                    if (close) transport->Send("Target.closeTarget", {{"targetId", target_id}});
                  });
}

void ChromiumBrowserRuntime::OnChromiumGone(const std::string& reason) {
  assert(OnUi());
  if (gone_) return;
  gone_ = true;
  DebugLog("Chromium is gone (%s): browsers stay open without pages", reason.c_str());
  for (auto& entry : browsers_) entry.second->OnChromiumGone();
  for (auto& creation : creations_) creation.browser->Abandon();
  creations_.clear();
  creating_ = false;
  popups_.clear();
}

std::unique_ptr<BrowserRuntime> CreateBrowserRuntime() {
  return std::unique_ptr<BrowserRuntime>(new ChromiumBrowserRuntime());
}

}  // namespace chromium
}  // namespace mvengine
