#include "engine/runtime/scripted/world.h"

#include <utility>

#include "common/guarded.h"
#include "engine/runtime/scripted/call_recorder.h"

namespace mvengine {
namespace scripted {
namespace {

struct Hooks {
  std::mutex mutex;
  std::function<CefWindowHandle(int)> window_provider;  // guarded by mutex
  int64 next_main_frame_id = 0;                         // guarded by mutex; 0: default
  int subprocess_exit_code = 0;                         // guarded by mutex
  std::shared_ptr<World> current;                       // guarded by mutex
};

Hooks& TheHooks() {
  static Hooks* hooks = new Hooks();  // used until process exit
  return *hooks;
}

CefWindowHandle DefaultWindowHandle(int browser_id) {
#if defined(OS_WIN)
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 + 4 * browser_id));
#else
  return static_cast<CefWindowHandle>(0x10000 + browser_id);
#endif
}

// The runtime object the engine owns; the world it fronts is shared with the
// test API.
class BrowserRuntimeHandle : public BrowserRuntime {
 public:
  BrowserRuntimeHandle() : world_(std::make_shared<World>()) {}

  bool Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application) override {
    // Current before the threads start, so callbacks already see their thread.
    SetCurrentWorld(world_);
    if (!world_->Initialize(args, settings, application)) {
      SetCurrentWorld(nullptr);
      return false;
    }
    return true;
  }
  void Shutdown() override {
    world_->Shutdown();
    SetCurrentWorld(nullptr);
  }
  bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                     const CefBrowserSettings& settings) override {
    return world_->CreateBrowser(window_info, client, url, settings);
  }

 private:
  const std::shared_ptr<World> world_;
};

class SubprocessRuntimeHandle : public SubprocessRuntime {
 public:
  int Run(const CefMainArgs& args, CefRefPtr<CefCommandLine> command_line, const CefString& process_type,
          CefRefPtr<CefApp> application) override {
    Call c(CallKind::kExecuteProcess);
    c.text = process_type.ToString();
    RecordCall(std::move(c));
    return SubprocessExitCode();
  }
};

}  // namespace

World::World() = default;

World::~World() { Shutdown(); }

bool World::Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application) {
  Call c(CallKind::kInitialize);
  c.settings = RecordOf(settings);
  c.has_application = application.get() != nullptr;
  RecordCall(std::move(c));

  application_ = application;
  ui_.reset(new mvcommon::TaskThread());
  renderer_.reset(new mvcommon::TaskThread());
  ui_->Start();
  renderer_->Start();
  CefRefPtr<CefApp> app = application;
  renderer_->Post([this, app] {
    if (!app)
      return;
    render_handler_ = app->GetRenderProcessHandler();
    if (render_handler_) {
      render_handler_->OnRenderThreadCreated(CefListValue::Create());
      render_handler_->OnWebKitInitialized();
    }
  });
  ui_->Post([app] {
    CefRefPtr<CefBrowserProcessHandler> handler = app ? app->GetBrowserProcessHandler() : NULL;
    if (handler)
      handler->OnContextInitialized();
  });
  return true;
}

void World::Shutdown() {
  if (!ui_ || stopped_.exchange(true))
    return;
  RecordCall(Call(CallKind::kShutdown));

  WaitIdle();
  // Browsers still open are closed without asking.
  for (int id : BrowserIds()) {
    std::shared_ptr<BrowserModel> model = Find(id);
    if (model && model->MarkClosed()) {
      ui_->Post([model] {
        model->ToLifeSpanHandler([](CefLifeSpanHandler& handler, CefBrowser* browser) {
          handler.OnBeforeClose(browser);
        });
        model->DropClient();
      });
    }
  }
  renderer_->Post([this] {
    for (int id : BrowserIds()) {
      if (std::shared_ptr<BrowserModel> model = Find(id))
        ToRenderHandler(*model, [](CefRenderProcessHandler& handler, CefBrowser* browser) {
          handler.OnBrowserDestroyed(browser);
        });
    }
    render_handler_ = NULL;
  });
  WaitIdle();
  ui_->Stop();
  renderer_->Stop();

  std::map<int, std::shared_ptr<BrowserModel>> browsers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browsers.swap(browsers_);
  }
  for (auto& b : browsers)
    b.second->Detach();
  application_ = NULL;
}

bool World::CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                          const CefBrowserSettings& settings) {
  if (!ui_ || stopped_.load())
    return false;
  int id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    id = next_browser_id_++;
  }
  Call c(CallKind::kCreateBrowser, id);
  c.window = RecordOf(window_info);
  c.browser_settings = RecordOf(settings);
  c.text = url.ToString();
  c.client = client.get();
  RecordCall(std::move(c));

  bool windowless = window_info.windowless_rendering_enabled != 0;
  CefWindowHandle window = windowless ? kNullWindowHandle : WindowHandleFor(id);
  std::shared_ptr<BrowserModel> model =
      std::make_shared<BrowserModel>(id, shared_from_this(), client, windowless, window, TakeMainFrameId(id));
  model->Build();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browsers_[id] = model;
  }
  renderer_->Post([this, model] {
    ToRenderHandler(*model, [](CefRenderProcessHandler& handler, CefBrowser* browser) {
      handler.OnBrowserCreated(browser);
    });
  });
  ui_->Post([model] {
    model->ToLifeSpanHandler([](CefLifeSpanHandler& handler, CefBrowser* browser) { handler.OnAfterCreated(browser); });
  });
  return true;
}

void World::PostUi(std::function<void()> task) {
  if (ui_)
    ui_->Post(std::move(task));
}

void World::PostRenderer(std::function<void()> task) {
  if (renderer_)
    renderer_->Post(std::move(task));
}

bool World::RunOnUi(const std::function<void()>& task) { return ui_ && ui_->RunSync(task); }

bool World::RunOnRenderer(const std::function<void()>& task) { return renderer_ && renderer_->RunSync(task); }

bool World::OnUi() const { return ui_ && ui_->IsCurrent(); }

bool World::OnRenderer() const { return renderer_ && renderer_->IsCurrent(); }

void World::WaitIdle() {
  if (!ui_ || OnUi() || OnRenderer())
    return;
  // Tasks post to the other thread, so settle until both are idle together.
  for (int round = 0; round < 1000; ++round) {
    ui_->RunSync([] {});
    renderer_->RunSync([] {});
    if (ui_->IsIdle() && renderer_->IsIdle())
      return;
  }
}

CefRefPtr<CefRenderProcessHandler> World::render_handler() { return render_handler_; }

void World::ToRenderHandler(BrowserModel& model,
                            const std::function<void(CefRenderProcessHandler&, CefBrowser*)>& call) {
  CefRefPtr<ScriptedBrowser> render_browser = model.Browser(PID_RENDERER);
  if (render_handler_ && render_browser)
    call(*render_handler_, render_browser.get());
}

std::shared_ptr<BrowserModel> World::Find(int browser_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = browsers_.find(browser_id);
  return it == browsers_.end() ? nullptr : it->second;
}

std::vector<int> World::BrowserIds() { return mvcommon::GuardedKeys(mutex_, browsers_); }

std::shared_ptr<World> CurrentWorld() { return mvcommon::GuardedCopy(TheHooks().mutex, TheHooks().current); }

void SetCurrentWorld(std::shared_ptr<World> world) {
  mvcommon::GuardedStore(TheHooks().mutex, TheHooks().current, std::move(world));
}

CefWindowHandle WindowHandleFor(int browser_id) {
  const std::function<CefWindowHandle(int)> provider =
      mvcommon::GuardedCopy(TheHooks().mutex, TheHooks().window_provider);
  return provider ? provider(browser_id) : DefaultWindowHandle(browser_id);
}

int64 TakeMainFrameId(int browser_id) {
  std::lock_guard<std::mutex> lock(TheHooks().mutex);
  int64 id = TheHooks().next_main_frame_id;
  TheHooks().next_main_frame_id = 0;
  return id != 0 ? id : 1000 * static_cast<int64>(browser_id) + 1;
}

int SubprocessExitCode() { return mvcommon::GuardedCopy(TheHooks().mutex, TheHooks().subprocess_exit_code); }

void ResetHooks() {
  std::lock_guard<std::mutex> lock(TheHooks().mutex);
  TheHooks().window_provider = nullptr;
  TheHooks().next_main_frame_id = 0;
  TheHooks().subprocess_exit_code = 0;
}

void SetWindowHandleProvider(std::function<CefWindowHandle(int browser_id)> provider) {
  mvcommon::GuardedStore(TheHooks().mutex, TheHooks().window_provider, std::move(provider));
}

void SetNextMainFrameId(int64 frame_id) {
  mvcommon::GuardedStore(TheHooks().mutex, TheHooks().next_main_frame_id, frame_id);
}

void SetSubprocessExitCode(int exit_code) {
  mvcommon::GuardedStore(TheHooks().mutex, TheHooks().subprocess_exit_code, exit_code);
}

std::unique_ptr<BrowserRuntime> CreateBrowserRuntime() {
  return std::unique_ptr<BrowserRuntime>(new BrowserRuntimeHandle());
}

std::unique_ptr<SubprocessRuntime> CreateSubprocessRuntime() {
  return std::unique_ptr<SubprocessRuntime>(new SubprocessRuntimeHandle());
}

}  // namespace scripted
}  // namespace mvengine
