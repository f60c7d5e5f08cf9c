// Test-driven engine callbacks, each run on the thread the engine uses for it.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/runtime/scripted/call_recorder.h"
#include "engine/src/context_menu.h"
#include "engine/runtime/scripted/scripted_runtime.h"
#include "engine/src/v8_model.h"
#include "engine/runtime/scripted/world.h"

namespace mvengine {
namespace scripted {
namespace {

// The browser-side pieces a UI-thread delivery needs.
struct Target {
  std::shared_ptr<World> world;
  std::shared_ptr<BrowserModel> model;
  CefRefPtr<CefClient> client;
  CefRefPtr<CefBrowser> browser;
};

bool Resolve(int browser_id, Target* t) {
  t->world = CurrentWorld();
  t->model = t->world ? t->world->Find(browser_id) : nullptr;
  if (!t->model)
    return false;
  t->client = t->model->client();
  t->browser = t->model->Browser(PID_BROWSER).get();
  return t->client && t->browser;
}

// Runs `deliver` on the UI thread with browser `browser_id`; false when there is no such browser.
template <typename Deliver>
bool OnUi(int browser_id, Deliver&& deliver) {
  Target t;
  if (!Resolve(browser_id, &t))
    return false;
  t.world->RunOnUi([&] { deliver(t); });
  return true;
}

CefRefPtr<CefFrame> BrowserFrame(const Target& t, int64 frame_id) {
  return t.model->Frame(PID_BROWSER, frame_id).get();
}

// Runs `deliver(handler, t, outcome)` on the UI thread when the client gives the handler that `get`
// names; the outcome's has_handler says whether it did.
template <typename Outcome, typename Handler, typename Deliver>
Outcome ToHandler(int browser_id, CefRefPtr<Handler> (CefClient::*get)(), Deliver&& deliver) {
  Outcome outcome;
  OnUi(browser_id, [&](Target& t) {
    CefRefPtr<Handler> handler = (t.client.get()->*get)();
    if (!handler)
      return;
    outcome.has_handler = true;
    deliver(*handler, t, outcome);
  });
  return outcome;
}

class JSDialogCallback : public CefJSDialogCallback {
 public:
  explicit JSDialogCallback(DialogOutcome outcome) : outcome_(outcome) {}
  void Continue(bool success, const CefString& user_input) override {
    outcome_.RecordContinue(success, user_input.ToString());
  }

 private:
  DialogOutcome outcome_;
  IMPLEMENT_REFCOUNTING(JSDialogCallback);
};

class RunContextMenuCallback : public CefRunContextMenuCallback {
 public:
  void Continue(int command_id, EventFlags event_flags) override {}
  void Cancel() override {}
  IMPLEMENT_REFCOUNTING(RunContextMenuCallback);
};

}  // namespace

// ---------------------------------------------------------------------------

struct DialogOutcome::State {
  std::mutex mutex;
  std::condition_variable changed;
  int continue_count = 0;  // guarded by mutex
  bool success = false;    // guarded by mutex
  std::string user_input;  // guarded by mutex
};

DialogOutcome::DialogOutcome() : state_(std::make_shared<State>()) {}

void DialogOutcome::RecordContinue(bool success, const std::string& user_input) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  ++state_->continue_count;
  state_->success = success;
  state_->user_input = user_input;
  state_->changed.notify_all();
}

bool DialogOutcome::WaitContinued(int timeout_ms) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                  [&] { return state_->continue_count > 0; });
}

bool DialogOutcome::continued() { return continue_count() > 0; }

int DialogOutcome::continue_count() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->continue_count;
}

bool DialogOutcome::success() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->success;
}

std::string DialogOutcome::user_input() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->user_input;
}

// ---------------------------------------------------------------------------

bool Paint(int browser_id, cef_paint_element_type_t type, const void* bgra, int width, int height,
           const std::vector<CefRect>& dirty_rects) {
  bool delivered = false;
  OnUi(browser_id, [&](Target& t) {
    CefRefPtr<CefRenderHandler> handler = t.client->GetRenderHandler();
    if (!handler)
      return;
    CefRenderHandler::RectList rects = dirty_rects;
    if (rects.empty())
      rects.push_back(CefRect(0, 0, width, height));
    handler->OnPaint(t.browser, type, rects, bgra, width, height);
    delivered = true;
  });
  return delivered;
}

bool GetViewRect(int browser_id, CefRect* rect) {
  bool result = false;
  OnUi(browser_id, [&](Target& t) {
    CefRefPtr<CefRenderHandler> handler = t.client->GetRenderHandler();
    CefRect r;
    if (handler)
      result = handler->GetViewRect(t.browser, r);
    if (rect)
      *rect = r;
  });
  return result;
}

bool GetScreenPoint(int browser_id, int view_x, int view_y, int* screen_x, int* screen_y) {
  bool result = false;
  OnUi(browser_id, [&](Target& t) {
    CefRefPtr<CefRenderHandler> handler = t.client->GetRenderHandler();
    int sx = 0, sy = 0;
    if (handler)
      result = handler->GetScreenPoint(t.browser, view_x, view_y, sx, sy);
    if (screen_x)
      *screen_x = sx;
    if (screen_y)
      *screen_y = sy;
  });
  return result;
}

void LoadingStateChange(int browser_id, bool is_loading, bool can_go_back, bool can_go_forward) {
  Target t;
  if (!Resolve(browser_id, &t))
    return;
  t.model->set_is_loading(is_loading);
  t.model->set_can_go_back(can_go_back);
  t.model->set_can_go_forward(can_go_forward);
  t.world->RunOnUi([&] {
    if (CefRefPtr<CefLoadHandler> handler = t.client->GetLoadHandler())
      handler->OnLoadingStateChange(t.browser, is_loading, can_go_back, can_go_forward);
  });
}

void LoadStart(int browser_id, int64 frame_id) {
  OnUi(browser_id, [&](Target& t) {
    if (CefRefPtr<CefLoadHandler> handler = t.client->GetLoadHandler())
      handler->OnLoadStart(t.browser, BrowserFrame(t, frame_id));
  });
}

void LoadEnd(int browser_id, int http_status_code, int64 frame_id) {
  OnUi(browser_id, [&](Target& t) {
    if (CefRefPtr<CefLoadHandler> handler = t.client->GetLoadHandler())
      handler->OnLoadEnd(t.browser, BrowserFrame(t, frame_id), http_status_code);
  });
}

void LoadError(int browser_id, cef_errorcode_t error_code, const std::string& error_text,
               const std::string& failed_url, int64 frame_id) {
  OnUi(browser_id, [&](Target& t) {
    if (CefRefPtr<CefLoadHandler> handler = t.client->GetLoadHandler())
      handler->OnLoadError(t.browser, BrowserFrame(t, frame_id), error_code, error_text, failed_url);
  });
}

void AddressChange(int browser_id, const std::string& url, int64 frame_id) {
  OnUi(browser_id, [&](Target& t) {
    if (CefRefPtr<CefDisplayHandler> handler = t.client->GetDisplayHandler())
      handler->OnAddressChange(t.browser, BrowserFrame(t, frame_id), url);
  });
}

void TitleChange(int browser_id, const std::string& title) {
  OnUi(browser_id, [&](Target& t) {
    if (CefRefPtr<CefDisplayHandler> handler = t.client->GetDisplayHandler())
      handler->OnTitleChange(t.browser, title);
  });
}

bool ConsoleMessage(int browser_id, const std::string& message, const std::string& source, int line) {
  bool result = false;
  OnUi(browser_id, [&](Target& t) {
    if (CefRefPtr<CefDisplayHandler> handler = t.client->GetDisplayHandler())
      result = handler->OnConsoleMessage(t.browser, message, source, line);
  });
  return result;
}

DialogOutcome JSDialog(int browser_id, cef_jsdialog_type_t type, const std::string& message,
                       const std::string& default_prompt, const std::string& origin_url,
                       const std::string& accept_lang) {
  return ToHandler<DialogOutcome>(
      browser_id, &CefClient::GetJSDialogHandler,
      [&](CefJSDialogHandler& handler, Target& t, DialogOutcome& outcome) {
        bool suppress = false;
        outcome.handled = handler.OnJSDialog(t.browser, origin_url, accept_lang, type, message, default_prompt,
                                             new JSDialogCallback(outcome), suppress);
        outcome.suppress_message = suppress;
      });
}

PopupOutcome Popup(int browser_id, const std::string& target_url, cef_window_open_disposition_t disposition,
                   bool user_gesture, int64 frame_id) {
  return ToHandler<PopupOutcome>(
      browser_id, &CefClient::GetLifeSpanHandler, [&](CefLifeSpanHandler& handler, Target& t, PopupOutcome& outcome) {
        CefPopupFeatures features;
        CefWindowInfo window_info;
        CefRefPtr<CefClient> client = t.client;
        CefBrowserSettings settings;
        bool no_javascript_access = false;
        outcome.cancelled = handler.OnBeforePopup(t.browser, BrowserFrame(t, frame_id), target_url, CefString(),
                                                  disposition, user_gesture, features, window_info, client,
                                                  settings, &no_javascript_access);
      });
}

ContextMenuOutcome ContextMenu(int browser_id, int64 frame_id) {
  return ToHandler<ContextMenuOutcome>(
      browser_id, &CefClient::GetContextMenuHandler,
      [&](CefContextMenuHandler& handler, Target& t, ContextMenuOutcome& outcome) {
        CefRefPtr<CefMenuModel> model = CreateMenuModel();
        model->AddItem(MENU_ID_BACK, "Back");
        model->AddItem(MENU_ID_FORWARD, "Forward");
        model->AddItem(MENU_ID_RELOAD, "Reload");
        model->AddSeparator();
        model->AddItem(MENU_ID_PRINT, "Print...");
        model->AddItem(MENU_ID_VIEW_SOURCE, "View source");
        outcome.items_before = model->GetCount();
        CefRefPtr<CefFrame> frame = BrowserFrame(t, frame_id);
        CefRefPtr<CefContextMenuParams> params =
            CreateContextMenuParams(10, 10, "http://example.test/", std::string());
        handler.OnBeforeContextMenu(t.browser, frame, params, model);
        outcome.items_after = model->GetCount();
        outcome.clear_calls = MenuModelClearCount(model);
        // An emptied model shows no menu, so there is nothing to run.
        if (model->GetCount() > 0)
          outcome.run_handled = handler.RunContextMenu(t.browser, frame, params, model, new RunContextMenuCallback());
      });
}

bool KeyboardEvent(int browser_id, const CefKeyEvent& event) {
  bool result = false;
  OnUi(browser_id, [&](Target& t) {
    CefRefPtr<CefKeyboardHandler> handler = t.client->GetKeyboardHandler();
    if (!handler)
      return;
    bool is_shortcut = false;
    result = handler->OnPreKeyEvent(t.browser, event, NULL, &is_shortcut);
    if (!result)
      result = handler->OnKeyEvent(t.browser, event, NULL);
  });
  return result;
}

bool DeliverToBrowser(int browser_id, CefRefPtr<CefProcessMessage> message) {
  Target t;
  if (!Resolve(browser_id, &t) || !message)
    return false;
  bool result = false;
  t.world->RunOnUi([&] { result = t.client->OnProcessMessageReceived(t.browser, PID_RENDERER, message); });
  return result;
}

bool DeliverToRenderer(int browser_id, CefRefPtr<CefProcessMessage> message) {
  std::shared_ptr<World> world = CurrentWorld();
  std::shared_ptr<BrowserModel> model = world ? world->Find(browser_id) : nullptr;
  if (!model || !message)
    return false;
  bool result = false;
  world->RunOnRenderer([&] {
    world->ToRenderHandler(*model, [&](CefRenderProcessHandler& handler, CefBrowser* browser) {
      result = handler.OnProcessMessageReceived(browser, PID_BROWSER, message);
    });
  });
  return result;
}

// ---------------------------------------------------------------------------

CefRefPtr<CefV8Context> CreateContext(int browser_id, int64 frame_id) {
  std::shared_ptr<World> world = CurrentWorld();
  std::shared_ptr<BrowserModel> model = world ? world->Find(browser_id) : nullptr;
  if (!model)
    return NULL;
  CefRefPtr<ScriptedFrame> frame = model->Frame(PID_RENDERER, frame_id);
  CefRefPtr<ScriptedBrowser> browser = model->Browser(PID_RENDERER);
  if (!frame || !browser)
    return NULL;
  CefRefPtr<CefV8Context> context;
  world->RunOnRenderer([&] {
    context = CreateV8Context(browser.get(), frame.get());
    model->SetContext(frame->GetIdentifier(), context);
    if (CefRefPtr<CefRenderProcessHandler> handler = world->render_handler())
      handler->OnContextCreated(browser.get(), frame.get(), context);
  });
  return context;
}

void ReleaseContext(int browser_id, int64 frame_id) {
  std::shared_ptr<World> world = CurrentWorld();
  std::shared_ptr<BrowserModel> model = world ? world->Find(browser_id) : nullptr;
  if (!model)
    return;
  CefRefPtr<ScriptedFrame> frame = model->Frame(PID_RENDERER, frame_id);
  CefRefPtr<CefV8Context> context = frame ? model->Context(frame->GetIdentifier()) : NULL;
  if (!context)
    return;
  world->RunOnRenderer([&] {
    if (CefRefPtr<CefRenderProcessHandler> handler = world->render_handler())
      handler->OnContextReleased(context->GetBrowser(), frame.get(), context);
    InvalidateV8Context(context);
    model->SetContext(frame->GetIdentifier(), NULL);
  });
}

CefRefPtr<CefV8Context> GetContext(int browser_id, int64 frame_id) {
  std::shared_ptr<World> world = CurrentWorld();
  std::shared_ptr<BrowserModel> model = world ? world->Find(browser_id) : nullptr;
  return model ? model->Context(frame_id) : NULL;
}

FunctionResult CallFunction(CefRefPtr<CefV8Context> context, const std::string& name,
                            const CefV8ValueList& arguments) {
  FunctionResult result;
  std::shared_ptr<World> world = CurrentWorld();
  if (!world || !context)
    return result;
  world->RunOnRenderer([&] {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    CefRefPtr<CefV8Value> function = global ? global->GetValue(name) : NULL;
    if (!function || !function->IsFunction())
      return;
    result.found = true;
    result.value = function->ExecuteFunctionWithContext(context, global, arguments);
    if (!result.value && function->HasException()) {
      result.exception = function->GetException()->GetMessage().ToString();
      function->ClearException();
    }
  });
  return result;
}

CefRefPtr<CefV8Value> GetGlobalProperty(CefRefPtr<CefV8Context> context, const std::string& name) {
  CefRefPtr<CefV8Value> value;
  std::shared_ptr<World> world = CurrentWorld();
  if (!world || !context)
    return value;
  world->RunOnRenderer([&] {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    value = global ? global->GetValue(name) : CefV8Value::CreateUndefined();
  });
  return value;
}

void FailGlobalWrites(CefRefPtr<CefV8Context> context, const std::string& name, const std::string& message) {
  std::shared_ptr<World> world = CurrentWorld();
  if (!world || !context)
    return;
  world->RunOnRenderer([&] {
    if (CefRefPtr<CefV8Value> global = context->GetGlobal())
      FailV8Writes(global, name, message);
  });
}

}  // namespace scripted
}  // namespace mvengine
