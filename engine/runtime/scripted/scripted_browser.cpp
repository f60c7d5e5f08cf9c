#include <utility>

#include "engine/runtime/scripted/browser_model.h"
#include "engine/runtime/scripted/call_recorder.h"
#include "engine/runtime/scripted/world.h"

namespace mvengine {
namespace scripted {
ScriptedBrowser::ScriptedBrowser(std::shared_ptr<BrowserModel> model, CefProcessId side)
    : model_(std::move(model)), side_(side) {}

void ScriptedBrowser::Record(CallKind kind) const { RecordCall(NewCall(kind)); }

bool ScriptedBrowser::RecordFlag(CallKind kind, bool flag) const {
  Call c = NewCall(kind);
  c.flag = flag;
  RecordCall(std::move(c));
  return flag;
}

void ScriptedBrowser::RecordNumber(CallKind kind, int number) const {
  Call c = NewCall(kind);
  c.number = number;
  RecordCall(std::move(c));
}

CefRefPtr<CefBrowserHost> ScriptedBrowser::GetHost() {
  // The render process has no host.
  if (side_ != PID_BROWSER)
    return NULL;
  return this;
}

bool ScriptedBrowser::CanGoBack() { return RecordFlag(CallKind::kCanGoBack, model_->can_go_back()); }

void ScriptedBrowser::GoBack() { Record(CallKind::kGoBack); }

bool ScriptedBrowser::CanGoForward() { return RecordFlag(CallKind::kCanGoForward, model_->can_go_forward()); }

void ScriptedBrowser::GoForward() { Record(CallKind::kGoForward); }

bool ScriptedBrowser::IsLoading() { return RecordFlag(CallKind::kIsLoading, model_->is_loading()); }

void ScriptedBrowser::Reload() { Record(CallKind::kReload); }

void ScriptedBrowser::ReloadIgnoreCache() { Record(CallKind::kReloadIgnoreCache); }

void ScriptedBrowser::StopLoad() { Record(CallKind::kStopLoad); }

int ScriptedBrowser::GetIdentifier() { return model_->id(); }

bool ScriptedBrowser::IsSame(CefRefPtr<CefBrowser> that) {
  ScriptedBrowser* other = dynamic_cast<ScriptedBrowser*>(that.get());
  return other && other->model_ == model_ && other->side_ == side_;
}

CefRefPtr<CefFrame> ScriptedBrowser::GetMainFrame() { return model_->MainFrame(side_).get(); }

CefRefPtr<CefFrame> ScriptedBrowser::GetFrame(int64 identifier) {
  if (identifier == 0)
    return NULL;
  return model_->Frame(side_, identifier).get();
}

CefRefPtr<CefFrame> ScriptedBrowser::GetFrame(const CefString& name) {
  for (int64 id : model_->FrameIds()) {
    CefRefPtr<ScriptedFrame> f = model_->Frame(side_, id);
    if (f && !f->IsMain() && f->GetName() == name)
      return f.get();
  }
  return NULL;
}

size_t ScriptedBrowser::GetFrameCount() { return model_->FrameIds().size(); }

void ScriptedBrowser::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  std::vector<int64> ids = model_->FrameIds();
  identifiers.insert(identifiers.end(), ids.begin(), ids.end());
}

bool ScriptedBrowser::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  Call c = NewCall(CallKind::kSendProcessMessage);
  c.target = target_process;
  c.message = RecordOf(message);
  RecordCall(std::move(c));
  if (!message || target_process == side_)
    return false;
  std::shared_ptr<World> world = model_->world();
  if (!world)
    return false;
  // The receiver gets its own copy, as across a process boundary.
  CefRefPtr<CefProcessMessage> copy = message->Copy();
  std::shared_ptr<BrowserModel> model = model_;
  if (target_process == PID_RENDERER) {
    World* w = world.get();
    world->PostRenderer([w, model, copy] {
      w->ToRenderHandler(*model, [&copy](CefRenderProcessHandler& handler, CefBrowser* browser) {
        handler.OnProcessMessageReceived(browser, PID_BROWSER, copy);
      });
    });
  } else {
    world->PostUi([model, copy] {
      CefRefPtr<CefClient> client = model->client();
      CefRefPtr<ScriptedBrowser> browser = model->Browser(PID_BROWSER);
      if (client && browser)
        client->OnProcessMessageReceived(browser.get(), PID_RENDERER, copy);
    });
  }
  return true;
}

CefRefPtr<CefBrowser> ScriptedBrowser::GetBrowser() { return this; }

void ScriptedBrowser::CloseBrowser(bool force_close) {
  RecordFlag(CallKind::kCloseBrowser, force_close);
  if (!model_->MarkClosed())
    return;
  std::shared_ptr<World> world = model_->world();
  if (!world)
    return;
  std::shared_ptr<BrowserModel> model = model_;
  world->PostUi([model] {
    model->ToLifeSpanHandler([](CefLifeSpanHandler& handler, CefBrowser* browser) {
      handler.DoClose(browser);
      handler.OnBeforeClose(browser);
    });
    // After OnBeforeClose the engine holds no reference to the client.
    model->DropClient();
  });
  World* w = world.get();
  world->PostRenderer([w, model] {
    w->ToRenderHandler(*model, [](CefRenderProcessHandler& handler, CefBrowser* browser) {
      handler.OnBrowserDestroyed(browser);
    });
  });
}

void ScriptedBrowser::SetFocus(bool focus) { RecordFlag(CallKind::kSetFocus, focus); }

CefWindowHandle ScriptedBrowser::GetWindowHandle() { return model_->window(); }

CefRefPtr<CefClient> ScriptedBrowser::GetClient() { return model_->client(); }

double ScriptedBrowser::GetZoomLevel() { return model_->zoom(); }

void ScriptedBrowser::SetZoomLevel(double zoomLevel) {
  Call c = NewCall(CallKind::kSetZoomLevel);
  c.zoom = zoomLevel;
  RecordCall(std::move(c));
  model_->set_zoom(zoomLevel);
}

bool ScriptedBrowser::IsWindowRenderingDisabled() { return model_->windowless(); }

void ScriptedBrowser::WasResized() { Record(CallKind::kWasResized); }

void ScriptedBrowser::WasHidden(bool hidden) { RecordFlag(CallKind::kWasHidden, hidden); }

void ScriptedBrowser::NotifyScreenInfoChanged() { Record(CallKind::kNotifyScreenInfoChanged); }

void ScriptedBrowser::Invalidate(PaintElementType type) { RecordNumber(CallKind::kInvalidate, type); }

void ScriptedBrowser::SendKeyEvent(const CefKeyEvent& event) {
  Call c = NewCall(CallKind::kSendKeyEvent);
  c.key = event;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp,
                                          int clickCount) {
  Call c = NewCall(CallKind::kSendMouseClickEvent);
  c.mouse = event;
  c.number = type;
  c.flag = mouseUp;
  c.count = clickCount;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) {
  Call c = NewCall(CallKind::kSendMouseMoveEvent);
  c.mouse = event;
  c.flag = mouseLeave;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) {
  Call c = NewCall(CallKind::kSendMouseWheelEvent);
  c.mouse = event;
  c.delta_x = deltaX;
  c.delta_y = deltaY;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendFocusEvent(bool setFocus) { RecordFlag(CallKind::kSendFocusEvent, setFocus); }

void ScriptedBrowser::SendCaptureLostEvent() { Record(CallKind::kSendCaptureLostEvent); }

void ScriptedBrowser::SetWindowlessFrameRate(int frame_rate) {
  RecordNumber(CallKind::kSetWindowlessFrameRate, frame_rate);
}

void ScriptedBrowser::ImeSetComposition(const CefString& text,
                                        const std::vector<CefCompositionUnderline>& underlines,
                                        const CefRange& replacement_range, const CefRange& selection_range) {
  Call c = NewCall(CallKind::kImeSetComposition);
  c.text = text.ToString();
  for (const CefCompositionUnderline& u : underlines)
    c.underlines.push_back(u);
  c.range = replacement_range;
  c.selection = selection_range;
  RecordCall(std::move(c));
}

void ScriptedBrowser::ImeCommitText(const CefString& text, const CefRange& replacement_range,
                                    int relative_cursor_pos) {
  Call c = NewCall(CallKind::kImeCommitText);
  c.text = text.ToString();
  c.range = replacement_range;
  c.count = relative_cursor_pos;
  RecordCall(std::move(c));
}

void ScriptedBrowser::ImeFinishComposingText(bool keep_selection) {
  RecordFlag(CallKind::kImeFinishComposingText, keep_selection);
}

void ScriptedBrowser::ImeCancelComposition() { Record(CallKind::kImeCancelComposition); }

// ---------------------------------------------------------------------------

ScriptedFrame::ScriptedFrame(std::shared_ptr<BrowserModel> model, CefProcessId side, int64 id,
                             const std::string& name, bool main)
    : model_(std::move(model)), side_(side), id_(id), name_(name), main_(main) {}

bool ScriptedFrame::IsValid() {
  std::lock_guard<std::mutex> lock(mutex_);
  return valid_;
}

void ScriptedFrame::Invalidate() {
  std::lock_guard<std::mutex> lock(mutex_);
  valid_ = false;
  main_ = false;
}

Call ScriptedFrame::NewCall(CallKind kind) const {
  Call c(kind, model_->id(), side_);
  c.frame_id = id_;
  return c;
}

void ScriptedFrame::GetText(CefRefPtr<CefStringVisitor> visitor) {
  Call c = NewCall(CallKind::kGetText);
  RecordCall(std::move(c));
  std::shared_ptr<World> world = model_->world();
  if (!world || !visitor)
    return;
  std::shared_ptr<BrowserModel> model = model_;
  world->PostUi([model, visitor] { visitor->Visit(model->text()); });
}

void ScriptedFrame::LoadURL(const CefString& url) {
  Call c = NewCall(CallKind::kLoadURL);
  c.text = url.ToString();
  RecordCall(std::move(c));
}

void ScriptedFrame::LoadString(const CefString& string_val, const CefString& url) {
  Call c = NewCall(CallKind::kLoadString);
  c.text = string_val.ToString();
  c.url = url.ToString();
  RecordCall(std::move(c));
}

bool ScriptedFrame::IsMain() {
  std::lock_guard<std::mutex> lock(mutex_);
  return main_;
}

CefString ScriptedFrame::GetName() { return name_; }

int64 ScriptedFrame::GetIdentifier() { return id_; }

CefRefPtr<CefBrowser> ScriptedFrame::GetBrowser() { return model_->Browser(side_).get(); }

CefRefPtr<CefV8Context> ScriptedFrame::GetV8Context() {
  if (side_ != PID_RENDERER || !IsValid())
    return NULL;
  return model_->Context(id_);
}

}  // namespace scripted
}  // namespace mvengine
