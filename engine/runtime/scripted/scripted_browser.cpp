#include <utility>

#include "engine/runtime/scripted/browser_model.h"
#include "engine/runtime/scripted/call_recorder.h"
#include "engine/runtime/scripted/world.h"

namespace mvengine {
namespace scripted {
namespace {

// A call whose one detail is a flag (the answer given or the argument taken); returns the flag.
bool RecordFlag(CallKind kind, int browser_id, CefProcessId side, bool flag) {
  Call c(kind, browser_id, side);
  c.flag = flag;
  RecordCall(std::move(c));
  return flag;
}

void RecordNumber(CallKind kind, int browser_id, CefProcessId side, int number) {
  Call c(kind, browser_id, side);
  c.number = number;
  RecordCall(std::move(c));
}

}  // namespace

ScriptedBrowser::ScriptedBrowser(std::shared_ptr<BrowserModel> model, CefProcessId side)
    : model_(std::move(model)), side_(side) {}

CefRefPtr<CefBrowserHost> ScriptedBrowser::GetHost() {
  // The render process has no host.
  if (side_ != PID_BROWSER)
    return NULL;
  return this;
}

bool ScriptedBrowser::CanGoBack() {
  return RecordFlag(CallKind::kCanGoBack, model_->id(), side_, model_->can_go_back());
}

void ScriptedBrowser::GoBack() { RecordCall(Call(CallKind::kGoBack, model_->id(), side_)); }

bool ScriptedBrowser::CanGoForward() {
  return RecordFlag(CallKind::kCanGoForward, model_->id(), side_, model_->can_go_forward());
}

void ScriptedBrowser::GoForward() { RecordCall(Call(CallKind::kGoForward, model_->id(), side_)); }

bool ScriptedBrowser::IsLoading() {
  return RecordFlag(CallKind::kIsLoading, model_->id(), side_, model_->is_loading());
}

void ScriptedBrowser::Reload() { RecordCall(Call(CallKind::kReload, model_->id(), side_)); }

void ScriptedBrowser::ReloadIgnoreCache() {
  RecordCall(Call(CallKind::kReloadIgnoreCache, model_->id(), side_));
}

void ScriptedBrowser::StopLoad() { RecordCall(Call(CallKind::kStopLoad, model_->id(), side_)); }

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
  Call c(CallKind::kSendProcessMessage, model_->id(), side_);
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
  RecordFlag(CallKind::kCloseBrowser, model_->id(), side_, force_close);
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

void ScriptedBrowser::SetFocus(bool focus) {
  RecordFlag(CallKind::kSetFocus, model_->id(), side_, focus);
}

CefWindowHandle ScriptedBrowser::GetWindowHandle() { return model_->window(); }

CefRefPtr<CefClient> ScriptedBrowser::GetClient() { return model_->client(); }

double ScriptedBrowser::GetZoomLevel() { return model_->zoom(); }

void ScriptedBrowser::SetZoomLevel(double zoomLevel) {
  Call c(CallKind::kSetZoomLevel, model_->id(), side_);
  c.zoom = zoomLevel;
  RecordCall(std::move(c));
  model_->set_zoom(zoomLevel);
}

bool ScriptedBrowser::IsWindowRenderingDisabled() { return model_->windowless(); }

void ScriptedBrowser::WasResized() { RecordCall(Call(CallKind::kWasResized, model_->id(), side_)); }

void ScriptedBrowser::WasHidden(bool hidden) {
  RecordFlag(CallKind::kWasHidden, model_->id(), side_, hidden);
}

void ScriptedBrowser::NotifyScreenInfoChanged() {
  RecordCall(Call(CallKind::kNotifyScreenInfoChanged, model_->id(), side_));
}

void ScriptedBrowser::Invalidate(PaintElementType type) {
  RecordNumber(CallKind::kInvalidate, model_->id(), side_, type);
}

void ScriptedBrowser::SendKeyEvent(const CefKeyEvent& event) {
  Call c(CallKind::kSendKeyEvent, model_->id(), side_);
  c.key = event;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp,
                                          int clickCount) {
  Call c(CallKind::kSendMouseClickEvent, model_->id(), side_);
  c.mouse = event;
  c.number = type;
  c.flag = mouseUp;
  c.count = clickCount;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) {
  Call c(CallKind::kSendMouseMoveEvent, model_->id(), side_);
  c.mouse = event;
  c.flag = mouseLeave;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) {
  Call c(CallKind::kSendMouseWheelEvent, model_->id(), side_);
  c.mouse = event;
  c.delta_x = deltaX;
  c.delta_y = deltaY;
  RecordCall(std::move(c));
}

void ScriptedBrowser::SendFocusEvent(bool setFocus) {
  RecordFlag(CallKind::kSendFocusEvent, model_->id(), side_, setFocus);
}

void ScriptedBrowser::SendCaptureLostEvent() {
  RecordCall(Call(CallKind::kSendCaptureLostEvent, model_->id(), side_));
}

void ScriptedBrowser::SetWindowlessFrameRate(int frame_rate) {
  RecordNumber(CallKind::kSetWindowlessFrameRate, model_->id(), side_, frame_rate);
}

void ScriptedBrowser::ImeSetComposition(const CefString& text,
                                        const std::vector<CefCompositionUnderline>& underlines,
                                        const CefRange& replacement_range, const CefRange& selection_range) {
  Call c(CallKind::kImeSetComposition, model_->id(), side_);
  c.text = text.ToString();
  for (const CefCompositionUnderline& u : underlines)
    c.underlines.push_back(u);
  c.range = replacement_range;
  c.selection = selection_range;
  RecordCall(std::move(c));
}

void ScriptedBrowser::ImeCommitText(const CefString& text, const CefRange& replacement_range,
                                    int relative_cursor_pos) {
  Call c(CallKind::kImeCommitText, model_->id(), side_);
  c.text = text.ToString();
  c.range = replacement_range;
  c.count = relative_cursor_pos;
  RecordCall(std::move(c));
}

void ScriptedBrowser::ImeFinishComposingText(bool keep_selection) {
  RecordFlag(CallKind::kImeFinishComposingText, model_->id(), side_, keep_selection);
}

void ScriptedBrowser::ImeCancelComposition() {
  RecordCall(Call(CallKind::kImeCancelComposition, model_->id(), side_));
}

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

void ScriptedFrame::GetText(CefRefPtr<CefStringVisitor> visitor) {
  Call c(CallKind::kGetText, model_->id(), side_);
  c.frame_id = id_;
  RecordCall(std::move(c));
  std::shared_ptr<World> world = model_->world();
  if (!world || !visitor)
    return;
  std::shared_ptr<BrowserModel> model = model_;
  world->PostUi([model, visitor] { visitor->Visit(model->text()); });
}

void ScriptedFrame::LoadURL(const CefString& url) {
  Call c(CallKind::kLoadURL, model_->id(), side_);
  c.frame_id = id_;
  c.text = url.ToString();
  RecordCall(std::move(c));
}

void ScriptedFrame::LoadString(const CefString& string_val, const CefString& url) {
  Call c(CallKind::kLoadString, model_->id(), side_);
  c.frame_id = id_;
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
