#include "tests/fuzz/scripted_library.h"

#include <cstdlib>

#include "mvcefdll/mvcefdll.h"
#include "engine/runtime/scripted/scripted_runtime.h"
#include "mvwin32/stand_in.h"

namespace fuzz {

namespace scripted = mvengine::scripted;

ScriptedLibrary& Library() {
  static ScriptedLibrary* library = [] {
    scripted::Install();
    auto* lib = new ScriptedLibrary();  // kept until exit: engine threads may still refer to it
    if (fnmvPackCefDllInitializeCef(nullptr, true) != 1 || !scripted::IsRunning()) std::abort();
    lib->window = mvw32_create_window(nullptr, RECT{100, 100, 900, 700}, TRUE);
    if (fnmvPackCefDllCreateBrowser(RECT{0, 0, 800, 600}, "http://fuzz.test/", lib->window, nullptr) != 1)
      std::abort();
    scripted::WaitIdle();
    lib->engine_browser = scripted::LastBrowserId();
    lib->main_context = scripted::CreateContext(lib->engine_browser);
    if (!lib->main_context) std::abort();
    return lib;
  }();
  return *library;
}

void Settle() {
  scripted::WaitIdle();
  scripted::ClearCalls();
}

}  // namespace fuzz
