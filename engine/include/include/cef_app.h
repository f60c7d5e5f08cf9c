#ifndef CEF_INCLUDE_CEF_APP_H_
#define CEF_INCLUDE_CEF_APP_H_
#pragma once

#include <string.h>

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_resource_bundle_handler.h"
#include "include/cef_scheme.h"
#include "include/internal/cef_api_check.h"

class CefApp : public virtual CefBase {
 public:
  // Runs in every process before the engine reads the command line.
  // process_type is empty in the browser process.
  virtual void OnBeforeCommandLineProcessing(const CefString& process_type,
                                             CefRefPtr<CefCommandLine> command_line) {}
  virtual void OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) {}
  virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return NULL; }
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return NULL; }
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return NULL; }
};

namespace mvengine {
namespace api {
// The engine side of the start-up calls; reach them through the Cef* wrappers.
int ExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info);
bool Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                void* windows_sandbox_info);
}  // namespace api
}  // namespace mvengine

// Compiled into the caller, so the check compares the caller's headers with
// the engine it runs against.
inline bool CefApiHashMatches() {
  const char* engine_hash = cef_api_hash(0);
  return engine_hash != NULL && strcmp(engine_hash, CEF_API_HASH_PLATFORM) == 0;
}

// Browser process (no "type" switch): returns -1 at once. Sub-process: runs it
// and returns its exit code. 0 when the engine's API hash does not match.
inline int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info) {
  if (!CefApiHashMatches())
    return 0;
  return mvengine::api::ExecuteProcess(args, application, windows_sandbox_info);
}

// Starts the engine in the browser process. False on failure, on an API hash
// mismatch and on a second call. Call CefShutdown on the same thread.
inline bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                          void* windows_sandbox_info) {
  if (!CefApiHashMatches())
    return false;
  return mvengine::api::Initialize(args, settings, application, windows_sandbox_info);
}

// Closes every browser and stops the engine's threads and processes.
void CefShutdown();

// The engine always runs its own message loop (multi_threaded_message_loop);
// these exist for source compatibility and do nothing.
void CefDoMessageLoopWork();
void CefRunMessageLoop();
void CefQuitMessageLoop();
void CefSetOSModalLoop(bool osModalLoop);
void CefEnableHighDPISupport();


#endif  // CEF_INCLUDE_CEF_APP_H_
