// The application object handed to the engine in every process: adds the engine switches,
// installs the page bridge on every new JavaScript context, and applies the browser's answer to
// an upload-status poll.
//
// Threads: OnBeforeCommandLineProcessing runs on the thread that starts the engine; the
// render-process callbacks (and so js_handler_ and upload_status_) only ever on the renderer thread.
#pragma once

#include <memory>

#include "include/cef_app.h"
#include "pagebridge/upload_status.h"

class SimpleApp : public CefApp, public CefBrowserProcessHandler, public CefRenderProcessHandler {
 public:
  SimpleApp() : upload_status_(std::make_shared<mvcef::UploadStatusBook>()) {}

  // CefApp
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) OVERRIDE;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() OVERRIDE { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() OVERRIDE { return this; }

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

  IMPLEMENT_REFCOUNTING(SimpleApp);
};
