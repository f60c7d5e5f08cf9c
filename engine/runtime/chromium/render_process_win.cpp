// The render process on Windows: the sub-process executable with its ends of two pipes inherited
// (their handle values on its command line), in a kill-on-close job that lives as long as the
// game's process, so render processes end with the game however it ends.
#include "engine/runtime/chromium/render_process.h"

#include <windows.h>

#include <map>
#include <mutex>

#include "engine/runtime/chromium/byte_stream_win.h"
#include "engine/runtime/chromium/chromium_launcher.h"
#include "engine/runtime/chromium/process_start_win.h"

namespace mvengine {
namespace chromium {

namespace {

// Never closed: the system closes it when the game's process ends, which ends what it holds.
HANDLE RenderJob() {
  static const HANDLE job = NewKillOnCloseJob();
  return job;
}

// The handles of started render processes until they are reaped; holding one keeps its id from
// being reused, so KillProcess never hits a stranger.
std::mutex& ProcessesMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<ProcessId, HANDLE>& Processes() {
  static std::map<ProcessId, HANDLE> processes;
  return processes;
}

}  // namespace

bool StartRenderProcess(const std::string& executable, const std::vector<std::string>& extra_switches,
                        RenderProcess* out, std::string* error, CefRefPtr<CefBrowserProcessHandler> launch_handler) {
  if (!IsExecutableFile(executable)) {
    *error = "the sub-process executable '" + executable + "' cannot be run";
    return false;
  }
  // Both of the render side's ends are overlapped: it stops its own reads at its shutdown too.
  HANDLE we_write = INVALID_HANDLE_VALUE, it_reads = INVALID_HANDLE_VALUE;
  HANDLE we_read = INVALID_HANDLE_VALUE, it_writes = INVALID_HANDLE_VALUE;
  if (!MakePipe(true, true, &we_write, &it_reads, error) || !MakePipe(false, true, &we_read, &it_writes, error)) {
    for (HANDLE h : {we_write, it_reads, we_read, it_writes})
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    *error = "cannot create the render channel: " + *error;
    return false;
  }
  const std::vector<std::string> args =
      RenderProcessArgs(executable, HandlePairName(it_reads, it_writes), extra_switches, launch_handler);
  StartedProcess started;
  const bool ok = StartChildProcess(args, {it_reads, it_writes}, {}, RenderJob(), &started, error);
  CloseHandle(it_reads);
  CloseHandle(it_writes);
  if (!ok) {
    CloseHandle(we_write);
    CloseHandle(we_read);
    return false;
  }
  out->pid = static_cast<ProcessId>(started.id);
  out->channel = std::make_shared<MessageChannel>(MakePipeStream(we_read, we_write));
  std::lock_guard<std::mutex> lock(ProcessesMutex());
  Processes()[out->pid] = started.process;
  return true;
}

ExitStatus EndRenderProcess(ProcessId pid, int grace_ms) {
  ExitStatus exit;
  HANDLE process;
  {
    std::lock_guard<std::mutex> lock(ProcessesMutex());
    auto it = Processes().find(pid);
    if (it == Processes().end()) return exit;
    process = it->second;
    Processes().erase(it);
  }
  if (WaitForSingleObject(process, static_cast<DWORD>(grace_ms)) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
  }
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  exit.code = static_cast<int>(code);
  return exit;
}

void KillProcess(ProcessId process) {
  // Only processes we started and have not reaped: their ids are still theirs.
  std::lock_guard<std::mutex> lock(ProcessesMutex());
  auto it = Processes().find(process);
  if (it != Processes().end()) TerminateProcess(it->second, 1);
}

}  // namespace chromium
}  // namespace mvengine
