#include "engine/runtime/chromium/process_start_win.h"

#include <cstring>
#include <mutex>

#include "common/utf.h"
#include "common/windows_command_line.h"
#include "engine/runtime/chromium/byte_stream_win.h"

namespace mvengine {
namespace chromium {

namespace {

// Handles are inheritable only while one of our starts runs, and our starts run one at a time, so
// no child of ours inherits another's pipe (which would keep that pipe open past its owner's end).
std::mutex& StartMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) {
  const std::u16string utf16 = mvcommon::Utf8ToUtf16(text);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string Utf8FromWide(const std::wstring& text) {
  return mvcommon::Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

HANDLE NewKillOnCloseJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

std::vector<BYTE> CrtDescriptorTable(const std::vector<HANDLE>& handles) {
  // A count, one flag byte per descriptor, one handle per descriptor (unaligned).
  constexpr BYTE kOpen = 0x01, kPipe = 0x08;
  const int count = static_cast<int>(handles.size());
  std::vector<BYTE> table(sizeof(int) + count + count * sizeof(HANDLE), 0);
  std::memcpy(table.data(), &count, sizeof(int));
  BYTE* flags = table.data() + sizeof(int);
  for (int i = 0; i < count; ++i) {
    const HANDLE handle = handles[i] ? handles[i] : INVALID_HANDLE_VALUE;
    flags[i] = handles[i] ? kOpen | kPipe : 0;
    std::memcpy(flags + count + i * sizeof(HANDLE), &handle, sizeof(HANDLE));
  }
  return table;
}

bool StartChildProcess(const std::vector<std::string>& args, const std::vector<HANDLE>& inherit,
                       const std::vector<BYTE>& crt_descriptors, HANDLE job, StartedProcess* out,
                       std::string* error) {
  std::vector<std::wstring> wide;
  for (const std::string& arg : args) wide.push_back(WideFromUtf8(arg));
  std::wstring line = mvcommon::JoinCommandLine(wide);
  line.push_back(L'\0');
  const std::wstring program = wide.empty() ? std::wstring() : wide[0];

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::vector<BYTE> table = crt_descriptors;
  if (!table.empty()) {
    startup.cbReserved2 = static_cast<WORD>(table.size());
    startup.lpReserved2 = table.data();
  }
  PROCESS_INFORMATION info{};
  BOOL started;
  DWORD start_error = 0;
  {
    std::lock_guard<std::mutex> lock(StartMutex());
    for (HANDLE handle : inherit) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    started = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, inherit.empty() ? FALSE : TRUE,
                             CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    start_error = GetLastError();
    for (HANDLE handle : inherit) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
  }
  if (!started) {
    *error = "cannot start " + (args.empty() ? std::string() : args[0]) + ": " + LastErrorText(start_error);
    return false;
  }
  // In the job before it runs a single instruction, so nothing it starts escapes.
  out->in_job = job && AssignProcessToJobObject(job, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  out->process = info.hProcess;
  out->id = info.dwProcessId;
  return true;
}

}  // namespace chromium
}  // namespace mvengine
