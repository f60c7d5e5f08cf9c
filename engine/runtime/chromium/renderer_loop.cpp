#include "engine/runtime/chromium/renderer_loop.h"

#include <new>
#include <stdexcept>

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/process_message_json.h"
#include "engine/src/v8_model.h"

namespace mvengine {
namespace chromium {

namespace {

std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace

RendererLoop::RendererLoop(CefRefPtr<CefRenderProcessHandler> handler, std::shared_ptr<MessageChannel> channel)
    : handler_(handler), channel_(channel) {}

void RendererLoop::Run() {
  if (handler_) handler_->OnWebKitInitialized();
  Json message;
  while (channel_->Receive(&message)) {
    if (!message.is_object()) continue;
    const std::string type = message.value("t", std::string());
    if (type == "request") OnRequest(message);
    else if (type == "message") OnMessage(message);
    else if (type == "release") Release(IntOf(message, "browser"));
    else if (type == "release_frame") ReleaseFrame(IntOf(message, "browser"), message.value("frame", std::string()));
  }
  DebugLog("render side: the channel ended; releasing %lu browsers", static_cast<unsigned long>(browsers_.size()));
  while (!browsers_.empty()) Release(browsers_.begin()->first);
}

CefRefPtr<RendererBrowser> RendererLoop::BrowserFor(const Json& descriptor) {
  const int id = IntOf(descriptor, "id");
  if (id <= 0) return NULL;
  auto it = browsers_.find(id);
  if (it != browsers_.end()) return it->second;
  auto popup = descriptor.find("popup");
  std::weak_ptr<MessageChannel> channel = channel_;
  CefRefPtr<RendererBrowser> browser =
      new RendererBrowser(id, popup != descriptor.end() && popup->is_boolean() && popup->get<bool>(),
                          [channel](const Json& m) {
                            auto c = channel.lock();
                            return c && c->Send(m);
                          });
  browsers_[id] = browser;
  if (handler_) handler_->OnBrowserCreated(browser.get());
  return browser;
}

void RendererLoop::OnRequest(const Json& message) {
  std::string answer = "{}";
  CefRefPtr<RendererBrowser> browser = BrowserFor(message.value("browser", Json::object()));
  FrameInfo frame_info, main_info;
  if (browser && FrameInfoFromJson(message.value("frame", Json()), &frame_info)) {
    if (FrameInfoFromJson(message.value("main", Json()), &main_info)) browser->UpdateFrame(main_info);
    CefRefPtr<RendererFrame> frame = browser->UpdateFrame(frame_info);
    // Native code that finds no memory for its answer (an image, a page's outsized text) answers
    // nothing; the page and this loop go on.
    try {
      Json request = Json::parse(message.value("body", std::string()), nullptr, false);
      if (request.is_object()) {
        const std::string op = request.value("op", std::string());
        if (op == "context") answer = CreateContext(browser, frame);
        else if (op == "call") answer = Call(browser, frame, request);
        else if (op == "get" || op == "set") answer = Value(op, browser, frame, request);
      }
    } catch (const std::bad_alloc&) {
      DebugLog("render side: a request had no memory for its answer");
      answer = "{}";
    } catch (const std::length_error&) {
      DebugLog("render side: a request's answer was too long to hold");
      answer = "{}";
    }
  }
  // Always answered: the page is blocked until it is.
  channel_->Send({{"t", "answer"}, {"seq", message.value("seq", Json())}, {"body", answer}});
}

std::string RendererLoop::CreateContext(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame) {
  return Dump(InstalledOnGlobal(NewDocument(browser, frame).context->GetGlobal()));
}

RendererLoop::Document& RendererLoop::NewDocument(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame) {
  const auto key = std::make_pair(browser->GetIdentifier(), frame->key());
  auto old = contexts_.find(key);
  if (old != contexts_.end()) {
    // The frame's previous document is gone.
    CefRefPtr<CefV8Context> previous = old->second.context;
    contexts_.erase(old);
    ReleaseContext(browser, frame, previous);
  }
  CefRefPtr<CefV8Context> context = CreateV8Context(browser.get(), frame.get());
  contexts_[key].context = context;
  frame->SetV8Context(context);
  if (handler_) handler_->OnContextCreated(browser.get(), frame.get(), context);
  return contexts_[key];
}

RendererLoop::Document& RendererLoop::DocumentOrNew(CefRefPtr<RendererBrowser> browser,
                                                    CefRefPtr<RendererFrame> frame) {
  // A document this render side never saw begin ran its first script with a render process that
  // has since ended: its page still calls, so it gets a context here, as a new document would.
  Document* document = DocumentOf(browser, frame);
  return document ? *document : NewDocument(browser, frame);
}

RendererLoop::Document* RendererLoop::DocumentOf(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame) {
  auto it = contexts_.find(std::make_pair(browser->GetIdentifier(), frame->key()));
  return it == contexts_.end() ? nullptr : &it->second;
}

void RendererLoop::ReleaseContext(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  if (handler_) handler_->OnContextReleased(browser.get(), frame.get(), context);
  InvalidateV8Context(context);
  frame->ClearV8Context(context);
}

std::string RendererLoop::Call(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame,
                               const Json& request) {
  CefRefPtr<CefV8Context> context = DocumentOrNew(browser, frame).context;
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  const std::string name = request.value("name", std::string());
  CefRefPtr<CefV8Value> function = global ? global->GetValue(name) : NULL;
  if (!function || !function->IsFunction()) return Dump(CallAnswer(NULL, name + " is not a function"));
  CefV8ValueList arguments;
  if (request.contains("args") && request["args"].is_array())
    for (const Json& arg : request["args"]) arguments.push_back(V8FromJson(arg));
  CefRefPtr<CefV8Value> retval = function->ExecuteFunctionWithContext(context, global, arguments);
  std::string exception;
  if (function->HasException()) {
    exception = function->GetException()->GetMessage().ToString();
    function->ClearException();
  }
  return Dump(CallAnswer(retval, exception));
}

std::string RendererLoop::Value(const std::string& op, CefRefPtr<RendererBrowser> browser,
                                CefRefPtr<RendererFrame> frame, const Json& request) {
  Document* document = &DocumentOrNew(browser, frame);
  CefRefPtr<CefV8Value> global = document->context->GetGlobal();
  if (!global) return Dump(Json::object());  // answered all the same: the page waits for it
  const std::string name = request.value("name", std::string());
  return op == "get" ? Get(document, global, name, request) : Set(document, global, name, request);
}

std::string RendererLoop::Get(Document* document, CefRefPtr<CefV8Value> global, const std::string& name,
                              const Json& request) {
  CefRefPtr<CefV8Value> value = global->GetValue(name);
  auto kept = document->kept.find(name);
  if (kept != document->kept.end()) {
    if (value && value->IsSame(kept->second)) return Dump({{"kept", true}});
    document->kept.erase(kept);  // native code wrote the value since
  }
  return Dump(ValueAnswer(value));
}

std::string RendererLoop::Set(Document* document, CefRefPtr<CefV8Value> global, const std::string& name,
                              const Json& request) {
  const bool kept = request.value("kept", false);
  // Native code sees an object of its own where the page keeps one it cannot pass.
  CefRefPtr<CefV8Value> value = kept ? CefV8Value::CreateObject(NULL) : WrittenValue(request);
  if (!global->SetValue(name, value, V8_PROPERTY_ATTRIBUTE_NONE)) {
    std::string text = "the value could not be written";
    if (global->HasException()) {
      text = global->GetException()->GetMessage().ToString();
      global->ClearException();
    }
    return Dump(CallAnswer(NULL, text));
  }
  if (kept) document->kept[name] = value;
  else document->kept.erase(name);
  return Dump(Json::object());
}

void RendererLoop::OnMessage(const Json& message) {
  CefRefPtr<RendererBrowser> browser = BrowserFor(message.value("browser", Json::object()));
  CefRefPtr<CefProcessMessage> process_message = ProcessMessageFromJson(message.value("message", Json()));
  if (!browser || !process_message || !handler_) return;
  FrameInfo main_info;
  if (FrameInfoFromJson(message.value("main", Json()), &main_info)) browser->UpdateFrame(main_info);
  // What the handler writes to a global is in the model the page reads from: nothing to send.
  handler_->OnProcessMessageReceived(browser.get(), PID_BROWSER, process_message);
}

void RendererLoop::ReleaseFrame(int browser_id, const std::string& frame_key) {
  // A page may add and remove frames for as long as it runs: a removed frame's document, and the
  // frame, are not kept until the browser closes.
  auto found = browsers_.find(browser_id);
  if (found == browsers_.end()) return;
  CefRefPtr<RendererBrowser> browser = found->second;
  CefRefPtr<RendererFrame> frame = browser->ForgetFrame(frame_key);
  if (!frame) return;  // not known here, or the main frame, which never leaves
  auto it = contexts_.find(std::make_pair(browser_id, frame_key));
  if (it != contexts_.end()) {
    CefRefPtr<CefV8Context> context = it->second.context;
    contexts_.erase(it);
    ReleaseContext(browser, frame, context);
  }
  frame->Detach();
}

void RendererLoop::Release(int browser_id) {
  auto found = browsers_.find(browser_id);
  if (found == browsers_.end()) return;
  CefRefPtr<RendererBrowser> browser = found->second;
  for (auto it = contexts_.begin(); it != contexts_.end();) {
    if (it->first.first != browser_id) {
      ++it;
      continue;
    }
    CefRefPtr<CefV8Context> context = it->second.context;
    CefRefPtr<RendererFrame> frame = browser->FrameByKey(it->first.second);
    it = contexts_.erase(it);
    if (frame) ReleaseContext(browser, frame, context);
    else InvalidateV8Context(context);
  }
  browsers_.erase(found);
  if (handler_) handler_->OnBrowserDestroyed(browser.get());
  browser->Detach();
}

}  // namespace chromium
}  // namespace mvengine
