// What the runtime shares with its browsers: the UI thread, the DevTools
// channel and a few start-up choices. Lives as long as any browser.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/runtime/chromium/devtools_transport.h"
#include "common/task_thread.h"

namespace mvengine {
namespace chromium {

class RenderHost;

struct RuntimeContext {
  mvcommon::TaskThread ui;                                // the engine's UI thread
  // The channel to the running Chromium: set before any browser exists, replaced on the UI thread
  // when Chromium is started again. Any thread.
  std::shared_ptr<DevToolsTransport> Transport() const {
    std::lock_guard<std::mutex> lock(transport_mutex);
    return transport;
  }
  void SetTransport(std::shared_ptr<DevToolsTransport> t) {
    std::lock_guard<std::mutex> lock(transport_mutex);
    transport = std::move(t);
  }
  std::string locale;                             // from --lang; "" = Chromium's own
  std::shared_ptr<RenderHost> render;             // set once before any browser; null without a render handler
  // UI thread: a browser finished closing (after OnBeforeClose).
  std::function<void(int browser_id)> on_browser_closed;
  // UI thread: a page of browser `browser_id` asked for a new window.
  std::function<void(int browser_id, const std::string& url, const std::string& name, bool user_gesture)>
      on_window_open;

 private:
  mutable std::mutex transport_mutex;  // guards transport
  std::shared_ptr<DevToolsTransport> transport;
};

}  // namespace chromium
}  // namespace mvengine
