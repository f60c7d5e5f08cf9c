#include "engine/runtime/chromium/browser_locator.h"

#include <cwctype>

namespace mvengine {
namespace chromium {

namespace {

// Chrome (and Chromium, which registers the same name) before Edge.
const wchar_t* const kExecutables[] = {L"chrome.exe", L"msedge.exe"};

struct Install {
  const wchar_t* folder;  // below an install root
  const wchar_t* executable;
};
const Install kInstalls[] = {
    {L"Google\\Chrome\\Application", L"chrome.exe"},
    {L"Chromium\\Application", L"chrome.exe"},
    {L"Microsoft\\Edge\\Application", L"msedge.exe"},
};

std::wstring Lowered(const std::wstring& path) {
  std::wstring out(path);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

std::wstring Join(std::wstring root, const wchar_t* folder, const wchar_t* executable) {
  if (root.empty()) return root;
  if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
  return root + folder + L'\\' + executable;
}

}  // namespace

std::vector<AppPathsKey> AppPathsKeys() {
  std::vector<AppPathsKey> keys;
  for (const wchar_t* executable : kExecutables) {
    // Per-user keys are one and the same in both views.
    keys.push_back({RegistryHive::kCurrentUser, RegistryView::kDefault, executable});
    keys.push_back({RegistryHive::kLocalMachine, RegistryView::k64Bit, executable});
    keys.push_back({RegistryHive::kLocalMachine, RegistryView::k32Bit, executable});
  }
  return keys;
}

std::wstring AppPathValueToFile(std::wstring_view value) {
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\0'; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
  return std::wstring(value);
}

std::vector<std::wstring> BrowserCandidates(const std::function<std::wstring(const AppPathsKey&)>& app_path,
                                            const InstallRoots& roots) {
  std::vector<std::wstring> out;
  std::vector<std::wstring> seen;
  auto add = [&](const std::wstring& path) {
    if (path.empty()) return;
    std::wstring key = Lowered(path);
    for (const std::wstring& s : seen)
      if (s == key) return;
    seen.push_back(key);
    out.push_back(path);
  };
  for (const AppPathsKey& key : AppPathsKeys()) add(AppPathValueToFile(app_path(key)));
  for (const Install& install : kInstalls)
    for (const std::wstring* root :
         {&roots.program_files_64, &roots.program_files, &roots.program_files_x86, &roots.local_app_data})
      add(Join(*root, install.folder, install.executable));
  return out;
}

std::wstring ChooseBrowser(const std::optional<std::wstring>& override_path,
                           const std::vector<std::wstring>& candidates,
                           const std::function<bool(const std::wstring&)>& exists) {
  if (override_path && !override_path->empty()) return *override_path;
  for (const std::wstring& candidate : candidates)
    if (exists(candidate)) return candidate;
  return std::wstring();
}

}  // namespace chromium
}  // namespace mvengine
