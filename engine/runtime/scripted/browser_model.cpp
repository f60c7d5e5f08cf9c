#include "engine/runtime/scripted/browser_model.h"

#include "common/guarded.h"
#include "engine/runtime/scripted/call_recorder.h"
#include "engine/runtime/scripted/world.h"

namespace mvengine {
namespace scripted {

using mvcommon::GuardedCopy;
using mvcommon::GuardedStore;

BrowserModel::BrowserModel(int id, std::weak_ptr<World> world, CefRefPtr<CefClient> client, bool windowless,
                           CefWindowHandle window, int64 main_frame_id)
    : id_(id), world_(world), windowless_(windowless), window_(window), client_(client),
      main_frame_id_(main_frame_id) {}

void BrowserModel::Build() {
  CefRefPtr<ScriptedBrowser> browser_side = new ScriptedBrowser(shared_from_this(), PID_BROWSER);
  CefRefPtr<ScriptedBrowser> render_side = new ScriptedBrowser(shared_from_this(), PID_RENDERER);
  CefRefPtr<ScriptedFrame> browser_main = MakeFrame(PID_BROWSER, main_frame_id_, std::string(), true);
  CefRefPtr<ScriptedFrame> render_main = MakeFrame(PID_RENDERER, main_frame_id_, std::string(), true);
  std::lock_guard<std::mutex> lock(mutex_);
  browser_side_ = browser_side;
  render_side_ = render_side;
  browser_frames_[main_frame_id_] = browser_main;
  render_frames_[main_frame_id_] = render_main;
}

void BrowserModel::Detach() {
  // Release outside the lock: a destructor may call back into the model.
  CefRefPtr<CefClient> client;
  CefRefPtr<ScriptedBrowser> b, r;
  std::map<int64, CefRefPtr<ScriptedFrame>> bf, rf;
  std::map<int64, CefRefPtr<CefV8Context>> contexts;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    client.swap(client_);
    b.swap(browser_side_);
    r.swap(render_side_);
    bf.swap(browser_frames_);
    rf.swap(render_frames_);
    contexts.swap(contexts_);
  }
}

CefRefPtr<ScriptedBrowser> BrowserModel::Browser(CefProcessId side) {
  std::lock_guard<std::mutex> lock(mutex_);
  return side == PID_BROWSER ? browser_side_ : render_side_;
}

CefRefPtr<CefClient> BrowserModel::client() { return GuardedCopy(mutex_, client_); }

void BrowserModel::DropClient() {
  CefRefPtr<CefClient> client;
  std::lock_guard<std::mutex> lock(mutex_);
  client.swap(client_);
  // `client` is released after the lock (declared first, destroyed last).
}

CefRefPtr<ScriptedFrame> BrowserModel::MakeFrame(CefProcessId side, int64 frame_id, const std::string& name,
                                                 bool main) {
  return new ScriptedFrame(shared_from_this(), side, frame_id, name, main);
}

void BrowserModel::ToLifeSpanHandler(const std::function<void(CefLifeSpanHandler&, CefBrowser*)>& call) {
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<ScriptedBrowser> browser = Browser(PID_BROWSER);
  CefRefPtr<CefLifeSpanHandler> handler = client ? client->GetLifeSpanHandler() : NULL;
  if (handler && browser)
    call(*handler, browser.get());
}

CefRefPtr<ScriptedFrame> BrowserModel::MainFrame(CefProcessId side) { return Frame(side, 0); }

CefRefPtr<ScriptedFrame> BrowserModel::Frame(CefProcessId side, int64 frame_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (frame_id == 0)
    frame_id = main_frame_id_;
  auto& frames = side == PID_BROWSER ? browser_frames_ : render_frames_;
  auto it = frames.find(frame_id);
  return it == frames.end() ? NULL : it->second;
}

std::vector<int64> BrowserModel::FrameIds() { return mvcommon::GuardedKeys(mutex_, browser_frames_); }

int64 BrowserModel::main_frame_id() { return GuardedCopy(mutex_, main_frame_id_); }

void BrowserModel::SetMainFrameId(int64 frame_id) {
  CefRefPtr<ScriptedFrame> browser_main = MakeFrame(PID_BROWSER, frame_id, std::string(), true);
  CefRefPtr<ScriptedFrame> render_main = MakeFrame(PID_RENDERER, frame_id, std::string(), true);
  CefRefPtr<ScriptedFrame> old_browser, old_render;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frame_id == main_frame_id_)
      return;
    old_browser = browser_frames_[main_frame_id_];
    old_render = render_frames_[main_frame_id_];
    browser_frames_.erase(main_frame_id_);
    render_frames_.erase(main_frame_id_);
    main_frame_id_ = frame_id;
    browser_frames_[frame_id] = browser_main;
    render_frames_[frame_id] = render_main;
  }
  // The old main frame's document is gone.
  if (old_browser)
    old_browser->Invalidate();
  if (old_render)
    old_render->Invalidate();
}

void BrowserModel::AddFrame(int64 frame_id, const std::string& name) {
  CefRefPtr<ScriptedFrame> b = MakeFrame(PID_BROWSER, frame_id, name, false);
  CefRefPtr<ScriptedFrame> r = MakeFrame(PID_RENDERER, frame_id, name, false);
  std::lock_guard<std::mutex> lock(mutex_);
  if (frame_id == 0 || browser_frames_.count(frame_id))
    return;
  browser_frames_[frame_id] = b;
  render_frames_[frame_id] = r;
}

CefRefPtr<CefV8Context> BrowserModel::Context(int64 frame_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (frame_id == 0)
    frame_id = main_frame_id_;
  auto it = contexts_.find(frame_id);
  return it == contexts_.end() ? NULL : it->second;
}

void BrowserModel::SetContext(int64 frame_id, CefRefPtr<CefV8Context> context) {
  CefRefPtr<CefV8Context> old;
  std::lock_guard<std::mutex> lock(mutex_);
  if (frame_id == 0)
    frame_id = main_frame_id_;
  old = contexts_[frame_id];
  if (context)
    contexts_[frame_id] = context;
  else
    contexts_.erase(frame_id);
}

bool BrowserModel::can_go_back() { return GuardedCopy(mutex_, can_go_back_); }
bool BrowserModel::can_go_forward() { return GuardedCopy(mutex_, can_go_forward_); }
bool BrowserModel::is_loading() { return GuardedCopy(mutex_, is_loading_); }
CefString BrowserModel::text() { return GuardedCopy(mutex_, text_); }
double BrowserModel::zoom() { return GuardedCopy(mutex_, zoom_); }
bool BrowserModel::closed() { return GuardedCopy(mutex_, closed_); }
void BrowserModel::set_can_go_back(bool v) { GuardedStore(mutex_, can_go_back_, v); }
void BrowserModel::set_can_go_forward(bool v) { GuardedStore(mutex_, can_go_forward_, v); }
void BrowserModel::set_is_loading(bool v) { GuardedStore(mutex_, is_loading_, v); }
void BrowserModel::set_text(const CefString& v) { GuardedStore(mutex_, text_, v); }
void BrowserModel::set_zoom(double v) { GuardedStore(mutex_, zoom_, v); }
bool BrowserModel::MarkClosed() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_)
    return false;
  closed_ = true;
  return true;
}

}  // namespace scripted
}  // namespace mvengine
