// Where a Chromium-based browser (Chrome, Chromium, Edge) is installed on Windows, looked for in
// the order Windows programs find one: the App Paths registry keys of the current user, then of
// the machine (both registry views, as a 32-bit game on 64-bit Windows sees only one by default),
// then the usual install folders. Plain functions of values; browser_locator_win.cpp reads Windows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mvengine {
namespace chromium {

enum class RegistryHive { kCurrentUser, kLocalMachine };
// kDefault: the process's own view; the others force the 64-bit or the 32-bit (WOW6432Node) one.
enum class RegistryView { kDefault, k64Bit, k32Bit };

// The default value of HKxx\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\<executable>.
struct AppPathsKey {
  RegistryHive hive;
  RegistryView view;
  std::wstring executable;  // "chrome.exe", "msedge.exe"
};

// The App Paths keys to read, in order: each browser's under the current user, then the machine.
std::vector<AppPathsKey> AppPathsKeys();

// The folders browsers install under; any may be empty (unknown on this system).
struct InstallRoots {
  std::wstring program_files_64;   // %ProgramW6432%: the 64-bit Program Files, seen from any process
  std::wstring program_files;      // this process's Program Files
  std::wstring program_files_x86;  // Program Files (x86)
  std::wstring local_app_data;     // per-user installs
};

// An App Paths value as a file path: blanks and one pair of surrounding quotes removed.
std::wstring AppPathValueToFile(std::wstring_view value);

// Every file to try, in order, each once (paths compare without case, as Windows does).
// `app_path` answers one App Paths key with its value ("" when the key is absent).
std::vector<std::wstring> BrowserCandidates(const std::function<std::wstring(const AppPathsKey&)>& app_path,
                                            const InstallRoots& roots);

// The override when set and not empty (used even if it does not exist, so a wrong setting fails
// loudly), otherwise the first candidate that `exists`; empty when there is none.
std::wstring ChooseBrowser(const std::optional<std::wstring>& override_path,
                           const std::vector<std::wstring>& candidates,
                           const std::function<bool(const std::wstring&)>& exists);

#if defined(_WIN32)
// MVCEF_CHROMIUM, or the first installed browser on this system; empty when there is none.
std::wstring LocateBrowser();
#endif

}  // namespace chromium
}  // namespace mvengine
