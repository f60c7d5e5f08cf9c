// The render side: reads the browser process's requests from the channel and
// runs the application's render-process handler for them, all on the thread
// that calls Run (the renderer thread). It runs in the sub-process the engine
// starts, or on a thread of the browser process when there is none.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/runtime/chromium/renderer_proxies.h"

namespace mvengine {
namespace chromium {

class RendererLoop {
 public:
  RendererLoop(CefRefPtr<CefRenderProcessHandler> handler, std::shared_ptr<MessageChannel> channel);

  // Until the channel ends; then every context and browser is released.
  void Run();

 private:
  void OnRequest(const Json& message);
  void OnMessage(const Json& message);
  void Release(int browser_id);
  void ReleaseFrame(int browser_id, const std::string& frame_key);
  CefRefPtr<RendererBrowser> BrowserFor(const Json& descriptor);
  std::string CreateContext(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame);
  std::string Call(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame, const Json& request);
  // A read or write of a value of the frame's document.
  std::string Value(const std::string& op, CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame,
                    const Json& request);
  void ReleaseContext(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame,
                      CefRefPtr<CefV8Context> context);

  const CefRefPtr<CefRenderProcessHandler> handler_;
  const std::shared_ptr<MessageChannel> channel_;
  // Renderer thread only.
  std::map<int, CefRefPtr<RendererBrowser>> browsers_;
  // The live context of each frame's document, by (browser id, frame key). Its global is the one
  // truth for the values the page reads and writes.
  struct Document {
    CefRefPtr<CefV8Context> context;
    // What stands in the global for an object the page wrote (and keeps), by value name.
    std::map<std::string, CefRefPtr<CefV8Value>> kept;
  };
  Document* DocumentOf(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame);
  // A new context for the frame's document (the previous one released), the handler told.
  Document& NewDocument(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame);
  Document& DocumentOrNew(CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame);
  std::string Get(Document* document, CefRefPtr<CefV8Value> global, const std::string& name, const Json& request);
  std::string Set(Document* document, CefRefPtr<CefV8Value> global, const std::string& name, const Json& request);
  std::map<std::pair<int, std::string>, Document> contexts_;
};

}  // namespace chromium
}  // namespace mvengine
