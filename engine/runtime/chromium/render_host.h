// The render side hosted in the library's process: one renderer thread that
// calls the application's render-process handler, the V8 model contexts of the
// pages' documents, and the bridge's requests and process messages.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "devtools_session.h"
#include "include/cef_process_message.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
#include "task_thread.h"

namespace mvengine {
namespace chromium {

class ChromiumBrowser;
class ChromiumFrame;

class RenderHost {
 public:
  explicit RenderHost(CefRefPtr<CefRenderProcessHandler> handler);
  ~RenderHost();  // Stop()

  void Start();
  // Releases every context on the renderer thread, then ends it.
  void Stop();

  // UI: a bridge request of `frame` (Fetch.requestPaused); answered through `session`.
  void OnBridgeRequest(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame,
                       std::shared_ptr<DevToolsSession> session, const std::string& request_id,
                       const std::string& body);
  // Any thread: the browser closed; its documents' contexts go.
  void ReleaseBrowser(int browser_id);
  // Any thread: a message for the render side of `browser`.
  bool PostMessage(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<CefProcessMessage> message);

 private:
  // Renderer thread.
  std::string CreateContext(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame);
  std::string Call(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame, const Json& request);
  void Release(CefRefPtr<CefV8Context> context, CefRefPtr<ChromiumFrame> frame);

  const CefRefPtr<CefRenderProcessHandler> handler_;
  TaskThread thread_;
  // Renderer thread only: the live context of each frame, by (browser id, frame id).
  std::map<std::pair<int, std::string>, std::pair<CefRefPtr<CefV8Context>, CefRefPtr<ChromiumFrame>>> contexts_;
};

}  // namespace chromium
}  // namespace mvengine
