// The default way ShellExecuteA opens a file or URL: a desktop opener started directly,
// never through a shell, so the text reaches it as one argument whatever it contains.
#pragma once

#include <chrono>
#include <string>

namespace mvw32 {

// ShellExecute result code (above 32: success) for a wait status of the opener.
int ShellResultForWaitStatus(int status);
// ShellExecute result code for an errno from starting the opener.
int ShellResultForSpawnError(int error);

// Runs `program file` (program looked up on PATH) with stdin and stdout on /dev/null, in a
// session of its own and without the caller's other descriptors. Waits up to `wait` for it
// to finish; one that takes longer counts as started and is reaped in the background.
int RunOpener(const char* program, const std::string& file, std::chrono::milliseconds wait);

}  // namespace mvw32
