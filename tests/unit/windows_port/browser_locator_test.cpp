// The order in which the Chromium runtime looks for a browser on Windows.
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/browser_locator.h"

namespace mvengine {
namespace chromium {
namespace {

std::wstring Name(const AppPathsKey& key) {
  std::wstring hive = key.hive == RegistryHive::kCurrentUser ? L"HKCU" : L"HKLM";
  std::wstring view = key.view == RegistryView::kDefault ? L"" : key.view == RegistryView::k64Bit ? L"/64" : L"/32";
  return hive + view + L":" + key.executable;
}

TEST(BrowserLocator, AppPathsKeysGoPerBrowserFromUserToMachineInBothViews) {
  std::vector<std::wstring> names;
  for (const AppPathsKey& key : AppPathsKeys()) names.push_back(Name(key));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"HKCU:chrome.exe", L"HKLM/64:chrome.exe", L"HKLM/32:chrome.exe",
                                              L"HKCU:msedge.exe", L"HKLM/64:msedge.exe", L"HKLM/32:msedge.exe"}));
}

TEST(BrowserLocator, AppPathValuesLoseBlanksAndOnePairOfQuotes) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\Chrome\\chrome.exe", L"C:\\Chrome\\chrome.exe"},
      {L"\"C:\\Program Files\\Chrome\\chrome.exe\"", L"C:\\Program Files\\Chrome\\chrome.exe"},
      {L"  \"C:\\a b\\msedge.exe\" \r\n", L"C:\\a b\\msedge.exe"},
      {std::wstring(L"C:\\x.exe\0", 9), L"C:\\x.exe"},  // a stored terminator
      {L"\"", L"\""},                                   // a lone quote is not a pair
      {L"  ", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(AppPathValueToFile(c.first), c.second) << c.first.c_str();
}

TEST(BrowserLocator, RegistryAnswersComeFirstThenInstallFoldersEachOnce) {
  struct Case {
    const char* what;
    std::map<std::wstring, std::wstring> registry;  // Name(key) -> value
    InstallRoots roots;
    std::vector<std::wstring> want;
  } cases[] = {
      {"a 32-bit game on 64-bit Windows with a per-user Chrome and a machine Edge",
       {{L"HKCU:chrome.exe", L"\"C:\\Users\\p\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe\""},
        {L"HKLM/64:msedge.exe", L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe"},
        // The same file seen through the other view, in other case: tried once.
        {L"HKLM/32:msedge.exe", L"c:\\program files (x86)\\microsoft\\edge\\application\\MSEDGE.EXE"}},
       {L"C:\\Program Files", L"C:\\Program Files (x86)", L"C:\\Program Files (x86)", L"C:\\Users\\p\\AppData\\Local\\"},
       {L"C:\\Users\\p\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe",
        L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files\\Chromium\\Application\\chrome.exe",
        L"C:\\Program Files (x86)\\Chromium\\Application\\chrome.exe",
        L"C:\\Users\\p\\AppData\\Local\\Chromium\\Application\\chrome.exe",
        L"C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe",
        L"C:\\Users\\p\\AppData\\Local\\Microsoft\\Edge\\Application\\msedge.exe"}},
      {"Windows XP: no registry entries, no 64-bit folders, no per-user folder known",
       {},
       {L"", L"C:\\Program Files", L"", L""},
       {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files\\Chromium\\Application\\chrome.exe",
        L"C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::set<std::wstring> asked;
    auto app_path = [&](const AppPathsKey& key) {
      asked.insert(Name(key));
      auto it = c.registry.find(Name(key));
      return it == c.registry.end() ? std::wstring() : it->second;
    };
    EXPECT_EQ(BrowserCandidates(app_path, c.roots), c.want);
    EXPECT_EQ(asked.size(), AppPathsKeys().size());
  }
}

TEST(BrowserLocator, OverrideWinsElseTheFirstCandidateThatExists) {
  const std::vector<std::wstring> candidates = {L"C:\\a\\chrome.exe", L"C:\\b\\chrome.exe", L"C:\\c\\msedge.exe"};
  struct Case {
    const char* what;
    std::optional<std::wstring> override_path;
    std::set<std::wstring> existing;
    std::wstring want;
  } cases[] = {
      {"the setting is used even for a missing file", L"D:\\missing.exe", {L"C:\\a\\chrome.exe"}, L"D:\\missing.exe"},
      {"an empty setting counts as none", L"", {L"C:\\b\\chrome.exe"}, L"C:\\b\\chrome.exe"},
      {"the first existing one in order", std::nullopt, {L"C:\\c\\msedge.exe", L"C:\\b\\chrome.exe"},
       L"C:\\b\\chrome.exe"},
      {"nothing installed", std::nullopt, {}, L""},
  };
  for (const Case& c : cases) {
    auto exists = [&](const std::wstring& path) { return c.existing.count(path) > 0; };
    EXPECT_EQ(ChooseBrowser(c.override_path, candidates, exists), c.want) << c.what;
  }
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
