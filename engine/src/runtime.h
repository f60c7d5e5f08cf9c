// The seam between the engine's public API (CefInitialize, CefBrowserHost::CreateBrowser,
// CefExecuteProcess, ...) and the runtime that does the work: the Chromium runtime by default,
// the scripted runtime in tests. Only the engine and its tests include this header.
#pragma once

#include <memory>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

namespace mvengine {

// Browser-process side. Every method is called on the thread that called the public API.
class BrowserRuntime {
 public:
  virtual ~BrowserRuntime() = default;
  // Starts the runtime's UI thread; the application's command-line hook has already run and
  // its result is CefCommandLine::GetGlobalCommandLine() (read-only). False: nothing started.
  virtual bool Initialize(const CefMainArgs& args, const CefSettings& settings,
                          CefRefPtr<CefApp> application) = 0;
  // Closes every browser and ends every thread and child process the runtime started.
  virtual void Shutdown() = 0;
  // Asynchronous: the client's OnAfterCreated arrives later on the runtime's UI thread.
  // May be called after Shutdown by a racing caller: return false then.
  virtual bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                             const CefString& url, const CefBrowserSettings& settings) = 0;
};

// Sub-process side: runs a process type to its end and returns its exit code. The
// application's command-line hook has already run on command_line.
class SubprocessRuntime {
 public:
  virtual ~SubprocessRuntime() = default;
  virtual int Run(const CefMainArgs& args, CefRefPtr<CefCommandLine> command_line,
                  const CefString& process_type, CefRefPtr<CefApp> application) = 0;
};

using BrowserRuntimeFactory = std::unique_ptr<BrowserRuntime> (*)();
using SubprocessRuntimeFactory = std::unique_ptr<SubprocessRuntime> (*)();

// Chosen before CefInitialize / CefExecuteProcess; the Chromium runtime is the default.
// Tests select the scripted runtime through this hook, never through the host's exports.
// NULL restores the default.
void SetBrowserRuntimeFactory(BrowserRuntimeFactory factory);
void SetSubprocessRuntimeFactory(SubprocessRuntimeFactory factory);

// The runtimes a plain CefInitialize / CefExecuteProcess use. Defined by the one default-runtime
// object that every program linking the engine gets: the Chromium runtime's, or, where there is
// none, runtimes that fail cleanly.
std::unique_ptr<BrowserRuntime> CreateDefaultBrowserRuntime();
std::unique_ptr<SubprocessRuntime> CreateDefaultSubprocessRuntime();

// A real engine starts once per process. Tests that run many start/stop cycles allow a
// new CefInitialize after CefShutdown (a second one while running still fails).
void SetRestartAllowed(bool allowed);

// What cef_api_hash(0) reports instead of the real hash (tests fake a mismatch); NULL
// restores the real one. The string must outlive its use.
void SetApiHashOverride(const char* hash);

}  // namespace mvengine
