// A client and an application for scripted-runtime tests. Every callback notes
// whether it ran on the thread the engine promises.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_client.h"
#include "engine/runtime/scripted/scripted_runtime.h"

namespace engine_test {

// What a test object heard, and what of it came on the wrong thread.
class EventLog {
 public:
  void Note(const std::string& event, bool right_thread) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(event);
    if (!right_thread) wrong_thread.push_back(event);
  }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex);
    return events;
  }
  std::vector<std::string> WrongThread() {
    std::lock_guard<std::mutex> lock(mutex);
    return wrong_thread;
  }

  std::mutex mutex;
  std::vector<std::string> events;        // guarded by mutex
  std::vector<std::string> wrong_thread;  // guarded by mutex
};

class TestClient : public CefClient,
                   public CefLifeSpanHandler,
                   public CefLoadHandler,
                   public CefRenderHandler,
                   public CefJSDialogHandler,
                   public CefContextMenuHandler,
                   public EventLog {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() override { return this; }
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }

  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
    Note("OnAfterCreated", mvengine::scripted::OnUiThread());
    std::lock_guard<std::mutex> lock(mutex);
    this->browser = browser;
  }
  bool DoClose(CefRefPtr<CefBrowser> browser) override {
    Note("DoClose", mvengine::scripted::OnUiThread());
    return false;
  }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override {
    Note("OnBeforeClose", mvengine::scripted::OnUiThread());
    std::lock_guard<std::mutex> lock(mutex);
    this->browser = NULL;
  }
  bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url, const CefString&,
                     WindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo&, CefRefPtr<CefClient>&,
                     CefBrowserSettings&, bool*) override {
    Note("OnBeforePopup:" + target_url.ToString(), mvengine::scripted::OnUiThread());
    return true;
  }
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int status) override {
    Note("OnLoadEnd:" + std::to_string(status) + ":" + std::to_string(frame ? frame->GetIdentifier() : 0),
         mvengine::scripted::OnUiThread());
  }
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, ErrorCode code, const CefString& text,
                   const CefString& url) override {
    Note("OnLoadError:" + std::to_string(code) + ":" + text.ToString() + ":" + url.ToString(),
         mvengine::scripted::OnUiThread());
  }
  bool GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override {
    rect = CefRect(0, 0, 640, 480);
    return true;
  }
  void OnPaint(CefRefPtr<CefBrowser>, PaintElementType type, const RectList& dirty, const void* buffer, int width,
               int height) override {
    const unsigned char* p = static_cast<const unsigned char*>(buffer);
    Note("OnPaint:" + std::to_string(type) + ":" + std::to_string(width) + "x" + std::to_string(height) + ":" +
             std::to_string(p[0]) + ":" + std::to_string(dirty.size()),
         mvengine::scripted::OnUiThread());
  }
  bool OnJSDialog(CefRefPtr<CefBrowser>, const CefString& origin_url, const CefString& accept_lang,
                  JSDialogType type, const CefString& message, const CefString& prompt,
                  CefRefPtr<CefJSDialogCallback> callback, bool& suppress) override {
    Note("OnJSDialog:" + std::to_string(type) + ":" + message.ToString(), mvengine::scripted::OnUiThread());
    if (type == JSDIALOGTYPE_ALERT) {
      suppress = true;
      return false;
    }
    callback->Continue(type == JSDIALOGTYPE_CONFIRM, prompt.ToString() + "!");
    return true;
  }
  void OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams>,
                           CefRefPtr<CefMenuModel> model) override {
    Note("OnBeforeContextMenu", mvengine::scripted::OnUiThread());
    model->Clear();
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    Note("OnProcessMessageReceived:" + std::to_string(source) + ":" + message->GetName().ToString() + ":" +
             message->GetArgumentList()->GetString(0).ToString(),
         mvengine::scripted::OnUiThread() && browser->GetHost() != NULL);
    return true;
  }

  CefRefPtr<CefBrowser> Browser() {
    std::lock_guard<std::mutex> lock(mutex);
    return browser;
  }

  CefRefPtr<CefBrowser> browser;  // guarded by mutex

  IMPLEMENT_REFCOUNTING(TestClient);
};

// Installs an "echo" function on every window and answers browser messages
// by writing a global property.
class TestApp : public CefApp, public CefRenderProcessHandler, public CefV8Handler, public EventLog {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

  void OnWebKitInitialized() override { Note("OnWebKitInitialized"); }
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override {
    Note("OnBrowserCreated:" + std::to_string(browser->GetIdentifier()));
  }
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override {
    Note("OnBrowserDestroyed:" + std::to_string(browser->GetIdentifier()));
  }
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    Note("OnContextCreated:" + std::to_string(frame->GetIdentifier()));
    context->GetGlobal()->SetValue("echo", CefV8Value::CreateFunction("echo", this), V8_PROPERTY_ATTRIBUTE_NONE);
    context->GetGlobal()->SetValue("flag", CefV8Value::CreateBool(false), V8_PROPERTY_ATTRIBUTE_NONE);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    Note("Render:" + message->GetName().ToString());
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    // Frame id travels as two ints, low half first.
    int64 frame_id = static_cast<int64>(static_cast<uint64>(static_cast<uint32>(args->GetInt(0))) |
                                        (static_cast<uint64>(static_cast<uint32>(args->GetInt(1))) << 32));
    CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
    CefRefPtr<CefV8Context> context = frame ? frame->GetV8Context() : NULL;
    if (!context)
      return false;
    context->Enter();
    bool ok = context->GetGlobal()->SetValue("flag", CefV8Value::CreateBool(args->GetBool(2)),
                                             V8_PROPERTY_ATTRIBUTE_NONE);
    write_failed = !ok && context->GetGlobal()->HasException();
    context->Exit();
    return true;
  }
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    Note("Execute:" + name.ToString());
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    if (!context) {
      exception = "no current context";
      return true;
    }
    if (arguments.empty() || !arguments[0]->IsString()) {
      exception = "echo needs a string";
      return true;
    }
    CefRefPtr<CefProcessMessage> m = CefProcessMessage::Create("msg_Echo");
    m->GetArgumentList()->SetString(0, arguments[0]->GetStringValue());
    context->GetBrowser()->SendProcessMessage(PID_BROWSER, m);
    retval = CefV8Value::CreateString("echo:" + arguments[0]->GetStringValue().ToString());
    return true;
  }

  void Note(const std::string& event) { EventLog::Note(event, mvengine::scripted::OnRendererThread()); }
  std::atomic<bool> write_failed{false};

  IMPLEMENT_REFCOUNTING(TestApp);
};

}  // namespace engine_test
