// CefInitialize / CefShutdown / CefExecuteProcess and browser creation, routed
// to the runtime chosen through the seam.
#include <memory>
#include <mutex>

#include "common/guarded.h"
#include "engine/src/command_line.h"
#include "engine/src/debug_line.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "engine/src/runtime.h"
#include "engine/src/process_command_line.h"

namespace mvengine {
namespace {

enum class State { kStopped, kStarting, kRunning, kShutDown };

// Every field is guarded by mutex. The runtime is shared so a racing
// CreateBrowser can finish its call while CefShutdown stops the runtime.
struct Engine {
  std::mutex mutex;
  State state = State::kStopped;
  bool restart_allowed = false;
  BrowserRuntimeFactory browser_factory = nullptr;
  SubprocessRuntimeFactory subprocess_factory = nullptr;
  std::shared_ptr<BrowserRuntime> runtime;
};

Engine& TheEngine() {
  static Engine* engine = new Engine();  // never destroyed: used until process exit
  return *engine;
}

}  // namespace

void SetBrowserRuntimeFactory(BrowserRuntimeFactory factory) {
  mvcommon::GuardedStore(TheEngine().mutex, TheEngine().browser_factory, factory);
}

void SetSubprocessRuntimeFactory(SubprocessRuntimeFactory factory) {
  mvcommon::GuardedStore(TheEngine().mutex, TheEngine().subprocess_factory, factory);
}

void SetRestartAllowed(bool allowed) {
  mvcommon::GuardedStore(TheEngine().mutex, TheEngine().restart_allowed, allowed);
}

namespace api {

bool Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                void* windows_sandbox_info) {
  Engine& engine = TheEngine();
  BrowserRuntimeFactory factory;
  {
    std::lock_guard<std::mutex> lock(engine.mutex);
    bool may_start = engine.state == State::kStopped || (engine.state == State::kShutDown && engine.restart_allowed);
    if (!may_start)
      return false;
    engine.state = State::kStarting;
    factory = engine.browser_factory;
  }

  CefRefPtr<CefCommandLine> command_line = ProcessCommandLine(args);
  if (application)
    application->OnBeforeCommandLineProcessing(CefString(), command_line);
  MakeCommandLineReadOnly(command_line);
  SetGlobalCommandLine(command_line);

  std::shared_ptr<BrowserRuntime> runtime(factory ? factory() : CreateDefaultBrowserRuntime());
  bool ok = runtime && runtime->Initialize(args, settings, application);

  std::lock_guard<std::mutex> lock(engine.mutex);
  if (!ok) {
    engine.state = State::kStopped;
    return false;
  }
  engine.runtime = runtime;
  engine.state = State::kRunning;
  return true;
}

int ExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info) {
  CefRefPtr<CefCommandLine> command_line = ProcessCommandLine(args);
  // An empty type names the browser process, as a missing one does.
  CefString process_type = command_line->GetSwitchValue("type");
  if (process_type.empty())
    return -1;
  if (application)
    application->OnBeforeCommandLineProcessing(process_type, command_line);
  SetGlobalCommandLine(command_line);

  SubprocessRuntimeFactory factory;
  {
    std::lock_guard<std::mutex> lock(TheEngine().mutex);
    factory = TheEngine().subprocess_factory;
  }
  std::unique_ptr<SubprocessRuntime> runtime(factory ? factory() : CreateDefaultSubprocessRuntime());
  if (!runtime)
    return 0;
  return runtime->Run(args, command_line, process_type, application);
}

}  // namespace api

std::shared_ptr<BrowserRuntime> RunningBrowserRuntime() {
  std::lock_guard<std::mutex> lock(TheEngine().mutex);
  return TheEngine().state == State::kRunning ? TheEngine().runtime : nullptr;
}

}  // namespace mvengine

void CefShutdown() {
  mvengine::Engine& engine = mvengine::TheEngine();
  std::shared_ptr<mvengine::BrowserRuntime> runtime;
  {
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (engine.state != mvengine::State::kRunning)
      return;
    engine.state = mvengine::State::kShutDown;
    runtime.swap(engine.runtime);
  }
  runtime->Shutdown();
}

void CefDoMessageLoopWork() {}
void CefRunMessageLoop() {}
void CefQuitMessageLoop() {}
void CefSetOSModalLoop(bool osModalLoop) {}
void CefEnableHighDPISupport() {}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                   const CefString& url, const CefBrowserSettings& settings,
                                   CefRefPtr<CefRequestContext> request_context) {
  std::shared_ptr<mvengine::BrowserRuntime> runtime = mvengine::RunningBrowserRuntime();
  if (!runtime || !client)
    return false;
  return runtime->CreateBrowser(windowInfo, client, url, settings);
}

CefRefPtr<CefBrowser> CefBrowserHost::CreateBrowserSync(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                                        const CefString& url, const CefBrowserSettings& settings,
                                                        CefRefPtr<CefRequestContext> request_context) {
  return NULL;
}
