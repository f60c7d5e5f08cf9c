// The parts of the scripted test API that select, reset and inspect the runtime.
#include "engine/runtime/scripted/call_recorder.h"
#include "engine/src/runtime.h"
#include "engine/runtime/scripted/scripted_runtime.h"
#include "engine/runtime/scripted/world.h"

namespace mvengine {
namespace scripted {

void Install() {
  SetBrowserRuntimeFactory(&CreateBrowserRuntime);
  SetSubprocessRuntimeFactory(&CreateSubprocessRuntime);
  SetRestartAllowed(true);
}

void Reset() {
  if (CurrentWorld())
    CefShutdown();
  ClearCalls();
  ResetHooks();
  SetApiHashOverride(nullptr);
}

bool IsRunning() { return CurrentWorld() != nullptr; }

void SetApiHash(const char* hash) { SetApiHashOverride(hash); }

bool OnUiThread() {
  std::shared_ptr<World> world = CurrentWorld();
  return world && world->OnUi();
}

bool OnRendererThread() {
  std::shared_ptr<World> world = CurrentWorld();
  return world && world->OnRenderer();
}

void RunOnUi(const std::function<void()>& task) {
  if (std::shared_ptr<World> world = CurrentWorld())
    world->RunOnUi(task);
}

void RunOnRenderer(const std::function<void()>& task) {
  if (std::shared_ptr<World> world = CurrentWorld())
    world->RunOnRenderer(task);
}

void WaitIdle() {
  if (std::shared_ptr<World> world = CurrentWorld())
    world->WaitIdle();
}

std::vector<int> BrowserIds() {
  std::shared_ptr<World> world = CurrentWorld();
  return world ? world->BrowserIds() : std::vector<int>();
}

int LastBrowserId() {
  std::vector<int> ids = BrowserIds();
  return ids.empty() ? 0 : ids.back();
}

namespace {

std::shared_ptr<BrowserModel> Model(int browser_id) {
  std::shared_ptr<World> world = CurrentWorld();
  return world ? world->Find(browser_id) : nullptr;
}

}  // namespace

CefRefPtr<CefBrowser> GetBrowser(int browser_id) {
  std::shared_ptr<BrowserModel> model = Model(browser_id);
  return model ? model->Browser(PID_BROWSER).get() : NULL;
}

CefRefPtr<CefBrowser> GetRenderBrowser(int browser_id) {
  std::shared_ptr<BrowserModel> model = Model(browser_id);
  return model ? model->Browser(PID_RENDERER).get() : NULL;
}

CefRefPtr<CefClient> GetClient(int browser_id) {
  std::shared_ptr<BrowserModel> model = Model(browser_id);
  return model ? model->client() : NULL;
}

bool IsClosed(int browser_id) {
  std::shared_ptr<BrowserModel> model = Model(browser_id);
  return model && model->closed();
}

void SetMainFrameId(int browser_id, int64 frame_id) {
  if (std::shared_ptr<BrowserModel> model = Model(browser_id))
    model->SetMainFrameId(frame_id);
}

int64 MainFrameId(int browser_id) {
  std::shared_ptr<BrowserModel> model = Model(browser_id);
  return model ? model->main_frame_id() : 0;
}

void AddFrame(int browser_id, int64 frame_id, const std::string& name) {
  if (std::shared_ptr<BrowserModel> model = Model(browser_id))
    model->AddFrame(frame_id, name);
}

void SetCanGoBack(int browser_id, bool value) {
  if (std::shared_ptr<BrowserModel> model = Model(browser_id))
    model->set_can_go_back(value);
}

void SetCanGoForward(int browser_id, bool value) {
  if (std::shared_ptr<BrowserModel> model = Model(browser_id))
    model->set_can_go_forward(value);
}

void SetIsLoading(int browser_id, bool value) {
  if (std::shared_ptr<BrowserModel> model = Model(browser_id))
    model->set_is_loading(value);
}

void SetPageText(int browser_id, const CefString& text) {
  if (std::shared_ptr<BrowserModel> model = Model(browser_id))
    model->set_text(text);
}

std::string StringOf(CefRefPtr<CefV8Value> value) {
  if (!value || !value->IsString())
    return std::string();
  return value->GetStringValue().ToString();
}

}  // namespace scripted
}  // namespace mvengine
