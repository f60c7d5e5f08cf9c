// Starting child processes on Windows: with exactly the handles they must inherit, inside a job
// that ends them when its last handle closes (also when the game is killed).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

// A new job whose processes (and theirs) end when its last handle closes; null when the system
// refuses one.
HANDLE NewKillOnCloseJob();

struct StartedProcess {
  HANDLE process = nullptr;  // the caller closes it
  DWORD id = 0;
  bool in_job = false;  // false when the system refused (a game already in a job on Windows 7)
};

// Starts `args` (UTF-8; the first is the program), with `inherit` the only handles of ours made
// inheritable for the start, and `crt_descriptors` (may be empty) as the C runtime's inherited
// descriptor table (STARTUPINFO's lpReserved2). The process runs only once it is in `job`.
bool StartChildProcess(const std::vector<std::string>& args, const std::vector<HANDLE>& inherit,
                       const std::vector<BYTE>& crt_descriptors, HANDLE job, StartedProcess* out,
                       std::string* error);

// The C runtime's descriptor table giving `handles[i]` as descriptor i (null: closed), all pipes.
std::vector<BYTE> CrtDescriptorTable(const std::vector<HANDLE>& handles);

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace chromium
}  // namespace mvengine
