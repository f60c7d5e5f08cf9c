// Library-wide state shared by the exports. Host thread only: the engine's callbacks never touch
// it, they work on the handler objects themselves.
#pragma once

#include <cstdint>
#include <map>

#include "include/cef_base.h"

class CmvPackCefDll;
class SimpleHandler;

namespace mvcef {

enum class EngineState { kNotStarted, kRunning, kShutDown };

struct LibraryState {
  // Marker that initialisation was requested; never freed, never reset.
  CmvPackCefDll* instance = nullptr;
  std::map<uint32_t, CefRefPtr<SimpleHandler>> registry;
  uint32_t next_browser_id = 1;
  CefRefPtr<SimpleHandler> current;
  // The engine starts once per process and cannot come back after shutdown.
  EngineState engine = EngineState::kNotStarted;
};

LibraryState& State();

// The current handler's browser host, or null when there is no handler, no browser, or the engine
// is not running.
bool EngineRunning();

}  // namespace mvcef
