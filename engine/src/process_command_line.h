#pragma once

#include "include/cef_app.h"

namespace mvengine {

// This process's command line: on Windows from GetCommandLineW; elsewhere from
// args.argv, or from /proc/self/cmdline when the caller passed no argv.
CefRefPtr<CefCommandLine> ProcessCommandLine(const CefMainArgs& args);

}  // namespace mvengine
