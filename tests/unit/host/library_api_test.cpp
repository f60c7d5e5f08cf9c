#include "host/library_api.h"

#include <gtest/gtest.h>

#include <map>

namespace mvhost {
namespace {

int Placeholder() { return 0; }

// Resolves every name except those listed in `context`.
void* LookupAllBut(void* context, const char* name) {
  const auto* absent = static_cast<const std::vector<std::string>*>(context);
  for (const std::string& a : *absent)
    if (a == name) return nullptr;
  return reinterpret_cast<void*>(&Placeholder);
}

TEST(LibraryApi, BindsEveryNameOrReportsTheMissingOnes) {
  LibraryApi api;
  std::vector<std::string> none;
  EXPECT_TRUE(BindLibrary(api, LookupAllBut, &none).empty());
  EXPECT_NE(api.fnmvPackCefDllInitializeCef, nullptr);
  EXPECT_NE(api.fnmvPackCefDLLGetSource, nullptr);
  EXPECT_NE(api.mvw32_set_ime_result_utf16, nullptr);

  // The irregular names are bound exactly as the library spells them.
  // Listed in the order the host binds them.
  std::vector<std::string> absent = {"fnmvPackCefDLLGetSource", "fnmvPackCefDllSendDWMButtonUp",
                                     "mvw32_create_window"};
  LibraryApi partial;
  EXPECT_EQ(BindLibrary(partial, LookupAllBut, &absent), absent);
  EXPECT_EQ(partial.fnmvPackCefDllSendDWMButtonUp, nullptr);
  EXPECT_NE(partial.fnmvPackCefDllSendWMButtonDown, nullptr);
}

TEST(LibraryApi, DefaultLibraryLiesBesideTheExecutable) {
  EXPECT_EQ(DefaultLibraryPath("/opt/game/bin/mvhost"), "/opt/game/bin/libmvcefdll.so");
  EXPECT_EQ(DefaultLibraryPath("/mvhost"), "/libmvcefdll.so");
  EXPECT_EQ(DefaultLibraryPath("mvhost"), "./libmvcefdll.so");
}

}  // namespace
}  // namespace mvhost
