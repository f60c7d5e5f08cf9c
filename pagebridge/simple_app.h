// The application object handed to the engine in every process: adds the engine switches,
// installs the page bridge on every new JavaScript context, and applies the browser's answer to
// an upload-status poll.
//
// Threads: OnBeforeCommandLineProcessing runs on the thread that starts the engine; the
// render-process callbacks (and so js_handler_ and upload_status_) only ever on the renderer thread.
// bridge_origins_ is written before the engine starts (RestrictBridgeTo on the host thread, or a
// sub-process's OnBeforeCommandLineProcessing) and only read afterwards, on any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "pagebridge/upload_status.h"

class SimpleApp : public CefApp, public CefBrowserProcessHandler, public CefRenderProcessHandler {
 public:
  SimpleApp() : upload_status_(std::make_shared<mvcef::UploadStatusBook>()) {}

  // Only frames of these origins (normal forms, see pagebridge/bridge_origins.h) get the page
  // bridge, here and in the render processes this application's engine starts. Before the
  // engine starts; without it every frame gets the bridge.
  void RestrictBridgeTo(std::vector<std::string> origins) { bridge_origins_ = std::move(origins); }

  // CefApp
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) OVERRIDE;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() OVERRIDE { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() OVERRIDE { return this; }

  // CefBrowserProcessHandler
  void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) OVERRIDE;

  // CefRenderProcessHandler
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) OVERRIDE;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) OVERRIDE;

 private:
  // One handler per application, shared by every context's functions.
  CefRefPtr<CefV8Handler> js_handler_;
  // Replies land here, polls take from here (shared with js_handler_).
  const std::shared_ptr<mvcef::UploadStatusBook> upload_status_;
  std::optional<std::vector<std::string>> bridge_origins_;  // none: every frame

  IMPLEMENT_REFCOUNTING(SimpleApp);
};
