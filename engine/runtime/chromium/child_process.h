// Child processes as the runtime sees them on every system: an id, how one ended, and ending one.
// Starting them is the business of ChromiumProcess (chromium_launcher.h) and StartRenderProcess
// (render_process.h); each system implements these in files of its own (*_posix.cpp).
#pragma once

#include <string>

namespace mvengine {
namespace chromium {

using ProcessId = long;  // -1: none

struct ExitStatus {
  bool signaled = false;  // ended by a signal (POSIX) rather than by exiting
  int code = 0;           // the exit code, or the signal's number
};

// "exited with 0", "ended by signal 9".
std::string DescribeExit(const ExitStatus& status);

// Ends `process` at once (SIGKILL); it is still to be reaped by whoever waits for it.
void KillProcess(ProcessId process);

}  // namespace chromium
}  // namespace mvengine
