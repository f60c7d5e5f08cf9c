// The Chromium runtime is the engine's default where it exists.
#include "engine/runtime/chromium/chromium_runtime.h"
#include "engine/runtime/chromium/chromium_subprocess.h"
#include "engine/src/runtime.h"

namespace mvengine {

std::unique_ptr<BrowserRuntime> CreateDefaultBrowserRuntime() { return chromium::CreateBrowserRuntime(); }

std::unique_ptr<SubprocessRuntime> CreateDefaultSubprocessRuntime() { return chromium::CreateSubprocessRuntime(); }

}  // namespace mvengine
