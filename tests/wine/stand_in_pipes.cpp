// The stand-in browser started under Wine as the engine's Windows port will start a browser, with
// the DevTools pipe handed over either way Chrome and Edge accept:
//   io-pipes  --remote-debugging-io-pipes=<read>,<write>, two inherited handle values
//   crt-fds   the C runtime's descriptors 3 and 4, passed in STARTUPINFO's lpReserved2
// It must answer the recorded Browser.getVersion and end when its command pipe closes.
//   stand_in_pipes.exe io-pipes|crt-fds STAND_IN.exe RECORDING
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "wine_checks.h"
#include "wine_support.h"

using wine_checks::Check;
using wine_support::WindowsPath;

namespace {

// The C runtime's inherited descriptor table: a count, one flag byte per descriptor, one handle
// per descriptor. Descriptors 0-2 are left closed; 3 and 4 are open pipes.
std::vector<BYTE> DescriptorTable(HANDLE fd3, HANDLE fd4) {
  constexpr BYTE kOpen = 0x01, kPipe = 0x08;
  const int count = 5;
  std::vector<BYTE> table(sizeof(int) + count + count * sizeof(HANDLE), 0);
  std::memcpy(table.data(), &count, sizeof(int));
  BYTE* flags = table.data() + sizeof(int);
  flags[3] = flags[4] = kOpen | kPipe;
  HANDLE handles[count] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, fd3, fd4};
  std::memcpy(flags + count, handles, sizeof handles);
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: stand_in_pipes io-pipes|crt-fds STAND_IN.exe RECORDING\n");
    return 2;
  }
  const std::string how = argv[1];
  SetEnvironmentVariableA("MVCEF_REPLAY", WindowsPath(argv[3]).c_str());

  // Commands: we write, the browser reads. Events: the browser writes, we read. Only the
  // browser's ends are inheritable.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE browser_reads, we_write, we_read, browser_writes;
  if (!CreatePipe(&browser_reads, &we_write, &inherit, 0) || !CreatePipe(&we_read, &browser_writes, &inherit, 0)) {
    Check(false, "pipes made");
    return wine_checks::Summary();
  }
  SetHandleInformation(we_write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(we_read, HANDLE_FLAG_INHERIT, 0);

  std::string command_line = "\"" + WindowsPath(argv[2]) + "\" --headless=new --remote-debugging-pipe";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<BYTE> table;
  if (how == "io-pipes") {
    command_line += " --remote-debugging-io-pipes=" + std::to_string(reinterpret_cast<uintptr_t>(browser_reads)) +
                    "," + std::to_string(reinterpret_cast<uintptr_t>(browser_writes));
  } else {
    table = DescriptorTable(browser_reads, browser_writes);
    startup.cbReserved2 = static_cast<WORD>(table.size());
    startup.lpReserved2 = table.data();
  }
  PROCESS_INFORMATION process{};
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  const bool started =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  Check(started, ("stand-in started, pipe by " + how).c_str(), std::to_string(GetLastError()));
  if (!started) return wine_checks::Summary();
  CloseHandle(browser_reads);
  CloseHandle(browser_writes);

  const char command[] = "{\"id\":7,\"method\":\"Browser.getVersion\"}";
  DWORD written = 0;
  Check(WriteFile(we_write, command, sizeof command, &written, nullptr) && written == sizeof command,
        "command written, NUL included");
  std::string reply;
  char buffer[4096];
  DWORD n = 0;
  while (reply.find('\0') == std::string::npos && ReadFile(we_read, buffer, sizeof buffer, &n, nullptr) && n > 0)
    reply.append(buffer, n);
  reply = reply.substr(0, reply.find('\0'));
  Check(reply.find("\"id\":7") != std::string::npos && reply.find("\"product\"") != std::string::npos,
        "the recorded Browser.getVersion reply under our id", reply.substr(0, 200));

  // Closing the command pipe ends the browser, as it ends Chromium.
  CloseHandle(we_write);
  const DWORD waited = WaitForSingleObject(process.hProcess, 10000);
  Check(waited == WAIT_OBJECT_0, "the stand-in ends when its command pipe closes");
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(we_read);
  return wine_checks::Summary();
}
