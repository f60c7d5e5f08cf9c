// KERNEL32: module names, the command line, debug output, thread ids, last error.
#include <windows.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command_line.h"
#include "model.h"
#include "module_path.h"
#include "text.h"

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

void Debug(const std::string& text) {
  mvw32::Model& m = mvw32::Model::Get();
  mvw32_debug_sink sink;
  void* user;
  {
    std::lock_guard<std::mutex> lock(m.mu);
    sink = m.debug_sink;
    user = m.debug_user;
  }
  if (sink != nullptr) {
    sink(user, text.c_str());
    return;
  }
  static const bool enabled = [] {
    const char* value = std::getenv("MVCEF_DEBUG");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  if (!enabled) return;
  std::string line = text;
  if (line.empty() || line.back() != '\n') line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

extern "C" {

DWORD WINAPI GetLastError(void) { return last_error; }
void WINAPI SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }

DWORD WINAPI GetCurrentThreadId(void) { return mvw32::CurrentThreadId(); }
DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  const auto path = mvw32::ModulePath(hModule);
  if (!path) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return mvw32::CopyModuleName(mvw32::WideFromUtf8(*path), lpFilename, nSize);
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  const auto path = mvw32::ModulePath(hModule);
  if (!path) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return mvw32::CopyModuleName(*path, lpFilename, nSize);
}

LPWSTR WINAPI GetCommandLineW(void) {
  // Built once; Windows also hands out the same buffer for the process's life.
  // Never freed: other threads may hold it while the process exits.
  static std::wstring* const line = new std::wstring(mvw32::JoinCommandLine(mvw32::ProcessArguments()));
  return line->data();
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  if (lpOutputString != nullptr) Debug(lpOutputString);
}

void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
  if (lpOutputString != nullptr) Debug(mvw32::Utf8FromWide(lpOutputString));
}

}  // extern "C"
