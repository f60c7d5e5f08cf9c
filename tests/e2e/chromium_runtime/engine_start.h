// The engine started as the system starts it for off-screen browsers, for the end-to-end tests
// that drive the engine API.
#pragma once

#include <string>

#include "engine/src/runtime.h"
#include "include/cef_app.h"

namespace mvengine {
namespace chromium {
namespace e2e {

// `program` stands as argv[0]. A test program may start the engine again after shutting it down.
inline bool StartEngine(const std::string& program, CefRefPtr<CefApp> app) {
  SetRestartAllowed(true);
  // The engine may read its arguments for as long as it runs.
  static std::string arg0;
  static char* argv[] = {nullptr, nullptr};
  arg0 = program;
  argv[0] = &arg0[0];
  CefMainArgs args(1, argv);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.windowless_rendering_enabled = 1;
  return CefInitialize(args, settings, app, nullptr);
}

}  // namespace e2e
}  // namespace chromium
}  // namespace mvengine
