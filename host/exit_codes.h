// What mvhost's exit status tells a script: which stage failed.
#pragma once

namespace mvhost {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,        // anything else: the PNG could not be written, no window could open
  kExitUsage = 2,          // bad command line
  kExitLibrary = 3,        // the library is missing or lacks an export
  kExitEngine = 4,         // the engine did not start: no browser, or no frame in time
  kExitUnreadablePage = 5  // the page file cannot be read, or the page failed to load
};

}  // namespace mvhost
