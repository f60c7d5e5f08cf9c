// One scripted engine from CefInitialize to CefShutdown: the UI and renderer
// threads, the application and the browsers.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/runtime/scripted/browser_model.h"
#include "engine/src/runtime.h"
#include "common/task_thread.h"

namespace mvengine {
namespace scripted {

class World : public std::enable_shared_from_this<World> {
 public:
  World();
  ~World();

  bool Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application);
  void Shutdown();
  bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                     const CefBrowserSettings& settings);

  // Dropped once the world has stopped.
  void PostUi(std::function<void()> task);
  void PostRenderer(std::function<void()> task);
  bool RunOnUi(const std::function<void()>& task);
  bool RunOnRenderer(const std::function<void()>& task);
  bool OnUi() const;
  bool OnRenderer() const;
  void WaitIdle();

  // The application's render-process handler; renderer thread only.
  CefRefPtr<CefRenderProcessHandler> render_handler();
  // Calls `call` with the render handler and `model`'s render-side browser, when both exist
  // (renderer thread).
  void ToRenderHandler(BrowserModel& model, const std::function<void(CefRenderProcessHandler&, CefBrowser*)>& call);

  std::shared_ptr<BrowserModel> Find(int browser_id);
  std::vector<int> BrowserIds();

 private:
  // Set in Initialize before the world is shared, stopped (not freed) in Shutdown.
  std::unique_ptr<mvcommon::TaskThread> ui_;
  std::unique_ptr<mvcommon::TaskThread> renderer_;
  std::atomic<bool> stopped_{false};
  CefRefPtr<CefApp> application_;         // set in Initialize before the threads start
  CefRefPtr<CefRenderProcessHandler> render_handler_;  // renderer thread only

  std::mutex mutex_;
  std::map<int, std::shared_ptr<BrowserModel>> browsers_;  // guarded by mutex_
  int next_browser_id_ = 1;                                 // guarded by mutex_
};

// The world CefInitialize made current (NULL when none is running).
std::shared_ptr<World> CurrentWorld();
void SetCurrentWorld(std::shared_ptr<World> world);

// Hooks a test sets; read when a browser is created.
CefWindowHandle WindowHandleFor(int browser_id);
int64 TakeMainFrameId(int browser_id);
int SubprocessExitCode();
void ResetHooks();

std::unique_ptr<BrowserRuntime> CreateBrowserRuntime();
std::unique_ptr<SubprocessRuntime> CreateSubprocessRuntime();

}  // namespace scripted
}  // namespace mvengine
