// The browser locator against a real registry and file system under Wine: App Paths keys written
// to the prefix's registry (per user; per machine, through either registry view), files made where
// they point, install folders, and MVCEF_CHROMIUM. Everything it writes it removes again. Wine keeps
// App Paths as one key for both views, so which view comes first is left to the unit test.
//   browser_locator_probe.exe
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "engine/runtime/chromium/browser_locator.h"
#include "wine_checks.h"

using mvengine::chromium::LocateBrowser;
using wine_checks::Check;

namespace {

const wchar_t kAppPaths[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

struct Key {
  HKEY hive;
  REGSAM view;  // 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY
};
const Key kUser{HKEY_CURRENT_USER, 0}, kMachine64{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
    kMachine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};

bool SetAppPath(Key key, const wchar_t* exe, const std::wstring& value, DWORD type = REG_SZ) {
  HKEY handle;
  if (RegCreateKeyExW(key.hive, (std::wstring(kAppPaths) + exe).c_str(), 0, nullptr, 0, KEY_SET_VALUE | key.view,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG r = RegSetValueExW(handle, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return r == ERROR_SUCCESS;
}

void DeleteAppPath(Key key, const wchar_t* exe) {
  HKEY paths;
  if (RegOpenKeyExW(key.hive, kAppPaths, 0, KEY_ALL_ACCESS | key.view, &paths) != ERROR_SUCCESS) return;
  RegDeleteKeyW(paths, exe);
  RegCloseKey(paths);
}

void DeleteAllAppPaths() {
  for (Key key : {kUser, kMachine64, kMachine32})
    for (const wchar_t* exe : {L"chrome.exe", L"msedge.exe"}) DeleteAppPath(key, exe);
}

std::wstring MakeFile(const std::wstring& folder, const wchar_t* name) {
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + name;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
  return path;
}

std::string Narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

void Expect(const char* what, const std::wstring& want) {
  const std::wstring got = LocateBrowser();
  Check(got == want, what, "found \"" + Narrow(got) + "\", expected \"" + Narrow(want) + "\"");
}

}  // namespace

int main() {
  SetEnvironmentVariableW(L"MVCEF_CHROMIUM", nullptr);
  DeleteAllAppPaths();
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"mvcef-locator";
  const std::wstring user = MakeFile(root + L"\\user", L"chrome.exe");
  const std::wstring machine64 = MakeFile(root + L"\\machine 64", L"chrome.exe");
  const std::wstring machine32 = MakeFile(root + L"\\machine 32", L"chrome.exe");
  const std::wstring edge = MakeFile(root + L"\\edge", L"msedge.exe");

  Expect("nothing installed: no browser", L"");

  SetAppPath(kMachine32, L"msedge.exe", edge);
  Expect("Edge when there is no Chrome", edge);

  SetAppPath(kMachine32, L"chrome.exe", L"\"" + machine32 + L"\"");
  Expect("the machine's key written through the 32-bit view, quoted value", machine32);

  SetAppPath(kMachine64, L"chrome.exe", machine64);
  Expect("the machine's key written through the 64-bit view", machine64);

  SetEnvironmentVariableW(L"MVCEF_LOCATOR_ROOT", root.c_str());
  SetAppPath(kUser, L"chrome.exe", L"%MVCEF_LOCATOR_ROOT%\\user\\chrome.exe", REG_EXPAND_SZ);
  Expect("the current user's key first, its variables expanded", user);

  SetAppPath(kUser, L"chrome.exe", root + L"\\uninstalled\\chrome.exe");
  Expect("a key naming a missing file is passed over", machine64);

  SetEnvironmentVariableW(L"MVCEF_CHROMIUM", L"C:\\nowhere\\browser.exe");
  Expect("MVCEF_CHROMIUM wins, even naming a missing file", L"C:\\nowhere\\browser.exe");
  SetEnvironmentVariableW(L"MVCEF_CHROMIUM", L"");
  Expect("an empty MVCEF_CHROMIUM counts as none", machine64);

  DeleteAllAppPaths();
  wchar_t local[MAX_PATH];
  const bool have_local = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local) == S_OK;
  Check(have_local, "the prefix has a local application data folder");
  const std::wstring chromium_folder = std::wstring(local) + L"\\Chromium\\Application";
  const std::wstring chromium = MakeFile(chromium_folder, L"chrome.exe");
  Expect("no registry entries: a per-user Chromium install", chromium);

  DeleteFileW(chromium.c_str());
  RemoveDirectoryW(chromium_folder.c_str());
  RemoveDirectoryW((std::wstring(local) + L"\\Chromium").c_str());
  for (const std::wstring& file : {user, machine64, machine32, edge}) {
    DeleteFileW(file.c_str());
    RemoveDirectoryW(file.substr(0, file.rfind(L'\\')).c_str());
  }
  RemoveDirectoryW(root.c_str());
  return wine_checks::Summary();
}
