// Engine-internal access to command lines.
#pragma once

#include "include/cef_command_line.h"

namespace mvengine {

// A read-only command line refuses every change afterwards.
void MakeCommandLineReadOnly(CefRefPtr<CefCommandLine> command_line);

// The command line GetGlobalCommandLine returns (NULL clears it).
void SetGlobalCommandLine(CefRefPtr<CefCommandLine> command_line);

}  // namespace mvengine
