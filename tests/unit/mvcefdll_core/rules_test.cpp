#include <gtest/gtest.h>

#include <string>

#include "mvcefdll/subprocess_path.h"
#include "mvcefdll/zoom.h"

namespace mvcef {
namespace {

TEST(ZoomLevelFromPercent, MatchesTheEngineScale) {
  struct Case {
    int percent;
    double level;
  } cases[] = {
      {100, 0.0},
      {50, -3.8017840169239308},
      {200, 3.8017840169239308},
      {120, 0.9999996730795437},  // the single-precision factor lies just below 1.2
      {0, 0.0},
      {-50, -0.5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ZoomLevelFromPercent(c.percent), c.level) << c.percent;
  // Exact, not merely close: the single-precision factor is part of the rule.
  EXPECT_EQ(ZoomLevelFromPercent(120), 0.9999996730795437);
  EXPECT_EQ(ZoomLevelFromPercent(50), -3.8017840169239308);
}

TEST(SubprocessPath, NextToTheModuleOrOneFolderUp) {
  struct Case {
    std::wstring module;
    bool client_mode;
    wchar_t sep;
    std::wstring exe;
    std::wstring want;
  } cases[] = {
      {L"C:\\Game\\bin\\client.dll", false, L'\\', L"marovekcef.exe", L"C:\\Game\\bin\\mvcef\\marovekcef.exe"},
      {L"C:\\Game\\bin\\client.dll", true, L'\\', L"marovekcef.exe", L"C:\\Game\\mvcef\\marovekcef.exe"},
      {L"/opt/game/bin/libmvcefdll.so", false, L'/', L"marovekcef", L"/opt/game/bin/mvcef/marovekcef"},
      {L"/opt/game/bin/libmvcefdll.so", true, L'/', L"marovekcef", L"/opt/game/mvcef/marovekcef"},
      {L"C:\\client.dll", false, L'\\', L"marovekcef.exe", L"C:\\mvcef\\marovekcef.exe"},
      {L"/bin/lib.so", true, L'/', L"m", L"/mvcef/m"},
      {L"\\\\server\\share\\x.dll", true, L'\\', L"m.exe", L"\\\\server\\mvcef\\m.exe"},
      // The other separator is just a character of a name.
      {L"C:\\Game/bin\\client.dll", true, L'\\', L"m.exe", L"C:\\mvcef\\m.exe"},
  };
  for (const Case& c : cases) {
    const auto got = SubprocessPath(c.module, c.client_mode, c.sep, c.exe);
    ASSERT_TRUE(got.has_value()) << std::string(c.module.begin(), c.module.end());
    EXPECT_EQ(*got, c.want) << std::string(c.module.begin(), c.module.end());
  }
}

TEST(SubprocessPath, GivesUpWithoutAFolderToCutAt) {
  struct Case {
    std::wstring module;
    bool client_mode;
    wchar_t sep;
  } cases[] = {
      {L"client.dll", false, L'\\'},
      {L"client.dll", true, L'\\'},
      {L"", false, L'/'},
      {L"", true, L'/'},
      {L"C:\\client.dll", true, L'\\'},
      {L"\\client.dll", true, L'\\'},
      {L"/lib.so", true, L'/'},
      {L"C:\\Game\\bin\\client.dll", false, L'/'},  // separators of another platform
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(SubprocessPath(c.module, c.client_mode, c.sep, L"m.exe").has_value())
        << std::string(c.module.begin(), c.module.end()) << " client " << c.client_mode;
  }
}

TEST(SubprocessPath, ResultMustFitThePathBuffer) {
  // folder + "mvcef\" + exe + NUL must fit 260 characters.
  const std::wstring exe = L"marovekcef.exe";  // 14
  for (bool client : {false, true}) {
    // A folder of `len` characters (its trailing separator included) ending where the cut falls.
    for (size_t len : {size_t{239}, size_t{240}, size_t{241}}) {
      std::wstring module = L"C:" + std::wstring(len - 3, L'd') + L"\\";
      if (client) module += L"bin\\";
      module += L"client.dll";
      const auto got = SubprocessPath(module, client, L'\\', exe);
      const size_t total = len + 6 + exe.size() + 1;
      EXPECT_EQ(got.has_value(), total <= kMaxPathChars) << "folder " << len << " client " << client;
      if (got) {
        EXPECT_EQ(got->size(), total - 1);
      }
    }
  }
}

}  // namespace
}  // namespace mvcef
