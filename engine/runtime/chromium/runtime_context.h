// What the runtime shares with its browsers: the UI thread, the DevTools
// channel and a few start-up choices. Lives as long as any browser.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/runtime/chromium/devtools_transport.h"
#include "common/task_thread.h"

namespace mvengine {
namespace chromium {

class RenderHost;

struct RuntimeContext {
  mvcommon::TaskThread ui;                                // the engine's UI thread
  std::shared_ptr<DevToolsTransport> transport;   // set once before any browser exists
  std::string locale;                             // from --lang; "" = Chromium's own
  std::shared_ptr<RenderHost> render;             // set once before any browser; null without a render handler
  // UI thread: a browser finished closing (after OnBeforeClose).
  std::function<void(int browser_id)> on_browser_closed;
  // UI thread: a page of browser `browser_id` asked for a new window.
  std::function<void(int browser_id, const std::string& url, const std::string& name, bool user_gesture)>
      on_window_open;
};

}  // namespace chromium
}  // namespace mvengine
