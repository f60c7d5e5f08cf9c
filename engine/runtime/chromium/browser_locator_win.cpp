// The Windows side of the browser locator: environment, registry, known folders, files.
#include "engine/runtime/chromium/browser_locator.h"

#include <windows.h>
#include <shlobj.h>

namespace mvengine {
namespace chromium {

namespace {

std::optional<std::wstring> Environment(const wchar_t* name) {
  wchar_t small[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(name, small, MAX_PATH);
  if (n == 0) return std::nullopt;
  if (n < MAX_PATH) return std::wstring(small, n);
  std::wstring value(n, L'\0');  // n counts the terminating NUL here
  n = GetEnvironmentVariableW(name, &value[0], n);
  if (n == 0 || n >= value.size()) return std::nullopt;
  value.resize(n);
  return value;
}

std::wstring Expanded(const std::wstring& value) {
  DWORD n = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
  if (n == 0) return value;
  std::wstring out(n, L'\0');
  n = ExpandEnvironmentStringsW(value.c_str(), &out[0], n);
  if (n == 0 || n > out.size()) return value;
  out.resize(n - 1);
  return out;
}

std::wstring ReadAppPath(const AppPathsKey& key) {
  const std::wstring subkey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + key.executable;
  REGSAM access = KEY_QUERY_VALUE;
  // 32-bit Windows ignores the view flags (XP included).
  if (key.view == RegistryView::k64Bit) access |= KEY_WOW64_64KEY;
  if (key.view == RegistryView::k32Bit) access |= KEY_WOW64_32KEY;
  HKEY hive = key.hive == RegistryHive::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(hive, subkey.c_str(), 0, access, &handle) != ERROR_SUCCESS) return std::wstring();
  std::wstring value;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(handle, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && bytes >= sizeof(wchar_t)) {
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) ==
        ERROR_SUCCESS) {
      data.resize(size / sizeof(wchar_t));
      // The stored string may or may not end in its NUL.
      while (!data.empty() && data.back() == L'\0') data.pop_back();
      value = type == REG_EXPAND_SZ ? Expanded(data) : data;
    }
  }
  RegCloseKey(handle);
  return value;
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH];
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return std::wstring();
  return path;
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring LocateBrowser() {
  InstallRoots roots;
  roots.program_files_64 = Environment(L"ProgramW6432").value_or(std::wstring());
  roots.program_files = KnownFolder(CSIDL_PROGRAM_FILES);
  roots.program_files_x86 = KnownFolder(CSIDL_PROGRAM_FILESX86);
  roots.local_app_data = KnownFolder(CSIDL_LOCAL_APPDATA);
  return ChooseBrowser(Environment(L"MVCEF_CHROMIUM"), BrowserCandidates(ReadAppPath, roots), IsFile);
}

}  // namespace chromium
}  // namespace mvengine
