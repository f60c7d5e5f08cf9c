#include "render_host.h"

#include "bridge_protocol.h"
#include "chromium_browser.h"
#include "chromium_frame.h"
#include "debug_log.h"
#include "mvengine/v8_model.h"

namespace mvengine {
namespace chromium {

namespace {

const char kUploadFlag[] = "uploadIsDoneValue";

// The flag as the page should see it; null when the global has none.
Json FlagOf(CefRefPtr<CefV8Context> context) {
  CefRefPtr<CefV8Value> global = context ? context->GetGlobal() : NULL;
  if (!global || !global->HasValue(kUploadFlag)) return Json();
  bool ok;
  Json value = JsonFromV8(global->GetValue(kUploadFlag), &ok);
  return ok ? value : Json();
}

}  // namespace

RenderHost::RenderHost(CefRefPtr<CefRenderProcessHandler> handler) : handler_(handler) {}

RenderHost::~RenderHost() { Stop(); }

void RenderHost::Start() { thread_.Start(); }

void RenderHost::Stop() {
  thread_.Post([this] {
    auto contexts = std::move(contexts_);
    contexts_.clear();
    for (auto& entry : contexts) Release(entry.second.first, entry.second.second);
  });
  thread_.Stop();
}

void RenderHost::OnBridgeRequest(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame,
                                 std::shared_ptr<DevToolsSession> session, const std::string& request_id,
                                 const std::string& body) {
  bool posted = thread_.Post([this, browser, frame, session, request_id, body] {
    Json request = Json::parse(body, nullptr, false);
    std::string answer = "{}";
    if (request.is_object() && frame) {
      const std::string op = request.value("op", std::string());
      if (op == "context") answer = CreateContext(browser, frame);
      else if (op == "call") answer = Call(browser, frame, request);
    }
    session->Send("Fetch.fulfillRequest", FulfillParams(request_id, answer), [](const CommandResult& r) {
      if (!r.ok) DebugLog("bridge answer not delivered: %s", r.error.c_str());
    });
  });
  // A page must never stay blocked in its request.
  if (!posted) session->Send("Fetch.fulfillRequest", FulfillParams(request_id, "{}"));
}

std::string RenderHost::CreateContext(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame) {
  const auto key = std::make_pair(browser->GetIdentifier(), frame->devtools_id());
  auto old = contexts_.find(key);
  if (old != contexts_.end()) {
    // The frame's previous document is gone.
    Release(old->second.first, old->second.second);
    contexts_.erase(old);
  }
  CefRefPtr<CefV8Context> context = CreateV8Context(browser.get(), frame.get());
  contexts_[key] = std::make_pair(context, frame);
  frame->SetV8Context(context);
  if (handler_) handler_->OnContextCreated(browser.get(), frame.get(), context);
  return InstalledOnGlobal(context->GetGlobal()).dump();
}

void RenderHost::Release(CefRefPtr<CefV8Context> context, CefRefPtr<ChromiumFrame> frame) {
  if (handler_) handler_->OnContextReleased(context->GetBrowser(), frame.get(), context);
  InvalidateV8Context(context);
  frame->ClearV8Context(context);
}

std::string RenderHost::Call(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame,
                             const Json& request) {
  auto it = contexts_.find(std::make_pair(browser->GetIdentifier(), frame->devtools_id()));
  if (it == contexts_.end()) return CallAnswer(NULL, "the frame has no context").dump();
  CefRefPtr<CefV8Context> context = it->second.first;
  // The page could not be asked during the call, so its flag came along.
  if (request.contains("uploadIsDoneValue")) {
    CefRefPtr<CefFrame> main = browser->GetMainFrame();
    CefRefPtr<CefV8Context> main_context = main ? main->GetV8Context() : NULL;
    if (main_context && main_context->GetGlobal())
      main_context->GetGlobal()->SetValue(kUploadFlag, V8FromJson(request["uploadIsDoneValue"]),
                                          V8_PROPERTY_ATTRIBUTE_NONE);
  }
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  const std::string name = request.value("name", std::string());
  CefRefPtr<CefV8Value> function = global ? global->GetValue(name) : NULL;
  if (!function || !function->IsFunction()) return CallAnswer(NULL, name + " is not a function").dump();
  CefV8ValueList arguments;
  if (request.contains("args") && request["args"].is_array())
    for (const Json& arg : request["args"]) arguments.push_back(V8FromJson(arg));
  CefRefPtr<CefV8Value> retval = function->ExecuteFunctionWithContext(context, global, arguments);
  std::string exception;
  if (function->HasException()) {
    exception = function->GetException()->GetMessage().ToString();
    function->ClearException();
  }
  return CallAnswer(retval, exception).dump();
}

void RenderHost::ReleaseBrowser(int browser_id) {
  thread_.Post([this, browser_id] {
    for (auto it = contexts_.begin(); it != contexts_.end();) {
      if (it->first.first != browser_id) {
        ++it;
        continue;
      }
      Release(it->second.first, it->second.second);
      it = contexts_.erase(it);
    }
  });
}

bool RenderHost::PostMessage(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<CefProcessMessage> message) {
  return thread_.Post([this, browser, message] {
    if (!handler_) return;
    // Writes of the flag happen here, outside any call: they reach the page
    // afterwards as ordinary evaluations.
    std::map<std::string, Json> before;
    for (auto& entry : contexts_)
      if (entry.first.first == browser->GetIdentifier()) before[entry.first.second] = FlagOf(entry.second.first);
    handler_->OnProcessMessageReceived(browser.get(), PID_BROWSER, message);
    for (auto& entry : contexts_) {
      if (entry.first.first != browser->GetIdentifier()) continue;
      Json after = FlagOf(entry.second.first);
      auto was = before.find(entry.first.second);
      if (after.is_null() || (was != before.end() && was->second == after)) continue;
      const std::string frame_id = entry.first.second;
      const std::string script = std::string("window.") + kUploadFlag + " = " + after.dump() + ";";
      browser->context()->ui.Post([browser, frame_id, script] {
        browser->EvaluateInFrame(frame_id, script, [](const std::string&) {});
      });
    }
  });
}

}  // namespace chromium
}  // namespace mvengine
