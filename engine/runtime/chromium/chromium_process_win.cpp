// The Chromium process on Windows: started with its DevTools pipe as inherited handles, inside a
// kill-on-close job of its own (its helpers too, and all of them when the game is killed), reaped
// by a thread that waits on its handle; its profile is a folder of ours under the temporary folder.
#include "engine/runtime/chromium/chromium_launcher.h"

#include <windows.h>

#include <chrono>
#include <filesystem>

#include "engine/runtime/chromium/browser_locator.h"
#include "engine/runtime/chromium/byte_stream_win.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/process_start_win.h"

namespace mvengine {
namespace chromium {

namespace {

// What the reaper and Terminate share; the handles close with the last owner.
struct WinProcess {
  HANDLE process = nullptr;
  HANDLE job = nullptr;  // null when the system gave none: then only the browser itself is ended
  ~WinProcess() {
    if (process) CloseHandle(process);
    if (job) CloseHandle(job);
  }
};

// Browsers that speak the DevTools protocol over a pipe need Windows 7 or later; before it (XP,
// Vista) no start is tried, so the engine refuses as when no browser is found.
bool WindowsRunsPipeBrowsers() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&version)) return true;
#pragma GCC diagnostic pop
  return version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 1);
}

// A new empty folder of ours under the temporary folder, for the browser's profile.
std::wstring NewProfileFolder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return std::wstring();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = std::wstring(temp, n) + L"mvcef-chromium-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(GetTickCount() + attempt);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  }
  return std::wstring();
}

void RemoveProfileFolder(const std::string& folder) {
  // A browser that just ended may hold its files a moment longer.
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(WideFromUtf8(folder)), ec);
    if (!ec) return;
    Sleep(50);
  }
  DebugLog("could not remove the profile folder %s", folder.c_str());
}

// Waits until every process of `job` has ended, at most `timeout_ms`.
void AwaitEmptyJob(HANDLE job, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                   nullptr) ||
        accounting.ActiveProcesses == 0 || GetTickCount() - start >= timeout_ms)
      return;
    Sleep(10);
  }
}

}  // namespace

bool IsExecutableFile(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string DefaultChromiumExecutable() { return Utf8FromWide(LocateBrowser()); }

std::unique_ptr<ChromiumProcess> ChromiumProcess::Launch(const LaunchOptions& options, std::string* error) {
  auto fail = [&](const std::string& message) -> std::unique_ptr<ChromiumProcess> {
    if (error) *error = message;
    DebugLog("%s", message.c_str());
    return nullptr;
  };
  if (!WindowsRunsPipeBrowsers()) return fail("no browser can be driven on this Windows (Windows 7 or later needed)");
  const std::string executable = options.executable.empty() ? DefaultChromiumExecutable() : options.executable;
  if (executable.empty()) return fail("no Chrome, Chromium or Edge found (install one or set MVCEF_CHROMIUM)");
  if (!IsExecutableFile(executable)) return fail("cannot start " + executable + ": no such file");

  const std::wstring profile = NewProfileFolder();
  if (profile.empty()) return fail("cannot create a profile folder: " + LastErrorText());
  std::unique_ptr<ChromiumProcess> process(new ChromiumProcess());
  process->user_data_dir_ = Utf8FromWide(profile);

  // Commands: we write, the browser reads. Events: the browser writes, we read.
  HANDLE we_write = INVALID_HANDLE_VALUE, browser_reads = INVALID_HANDLE_VALUE;
  HANDLE we_read = INVALID_HANDLE_VALUE, browser_writes = INVALID_HANDLE_VALUE;
  std::string pipe_error;
  if (!MakePipe(true, false, &we_write, &browser_reads, &pipe_error) ||
      !MakePipe(false, false, &we_read, &browser_writes, &pipe_error)) {
    for (HANDLE h : {we_write, browser_reads, we_read, browser_writes})
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    RemoveProfileFolder(process->user_data_dir_);
    return fail("cannot create the DevTools channel: " + pipe_error);
  }

  std::vector<std::string> args{executable};
  for (auto& s : BaseChromiumSwitches(process->user_data_dir_)) args.push_back(s);
  // Chrome and Edge read the pipe's handles from this switch; browsers from before it take the C
  // runtime's descriptors 3 and 4, so both are given.
  args.push_back("--remote-debugging-io-pipes=" + HandlePairName(browser_reads, browser_writes));
  for (auto& s : options.extra_switches) args.push_back(s);

  auto system = std::make_shared<WinProcess>();
  system->job = NewKillOnCloseJob();
  StartedProcess started;
  const bool ok = StartChildProcess(args, {browser_reads, browser_writes},
                                    CrtDescriptorTable({nullptr, nullptr, nullptr, browser_reads, browser_writes}),
                                    system->job, &started, &pipe_error);
  CloseHandle(browser_reads);
  CloseHandle(browser_writes);
  if (!ok) {
    CloseHandle(we_write);
    CloseHandle(we_read);
    RemoveProfileFolder(process->user_data_dir_);
    return fail(pipe_error);
  }
  if (!started.in_job) {
    DebugLog("the browser runs outside a job: it may outlive a killed game");
    if (system->job) CloseHandle(system->job);
    system->job = nullptr;
  }
  system->process = started.process;
  process->pid_ = static_cast<ProcessId>(started.id);
  process->system_ = system;
  process->channel_ = MakePipeStream(we_read, we_write);
  process->reaper_ = std::thread([p = process.get()] { p->ReapLoop(); });
  DebugLog("started %s (pid %ld, profile %s)", executable.c_str(), process->pid_, process->user_data_dir_.c_str());
  return process;
}

ChromiumProcess::~ChromiumProcess() { Terminate(0); }

void ChromiumProcess::ReapLoop() {
  auto system = std::static_pointer_cast<WinProcess>(system_);
  WaitForSingleObject(system->process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(system->process, &code);
  ExitStatus exit;
  exit.code = static_cast<int>(code);
  OnExited(exit);
}

bool ChromiumProcess::WaitExited(int timeout_ms) {
  auto system = std::static_pointer_cast<WinProcess>(system_);
  return !system || WaitForSingleObject(system->process, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

void ChromiumProcess::Terminate(int grace_ms) {
  if (terminated_) return;
  terminated_ = true;
  // Closing our end of the command pipe asks the browser to quit (when nobody took it; else its
  // taker has closed it).
  channel_.reset();
  auto system = std::static_pointer_cast<WinProcess>(system_);
  if (system) {
    if (!WaitExited(grace_ms)) {
      DebugLog("Chromium (pid %ld) still running; ending it", pid_);
      if (!system->job) TerminateProcess(system->process, 1);
    }
    // Helpers (renderers, GPU) may outlive the browser process for a moment.
    if (system->job) {
      TerminateJobObject(system->job, 1);
      AwaitEmptyJob(system->job, 3000);
    }
    if (reaper_.joinable()) {
      if (WaitExited(3000)) {
        reaper_.join();
      } else {
        DebugLog("Chromium (pid %ld) did not end; leaving it", pid_);
        reaper_.detach();
      }
    }
  }
  if (!user_data_dir_.empty()) RemoveProfileFolder(user_data_dir_);
}

}  // namespace chromium
}  // namespace mvengine
