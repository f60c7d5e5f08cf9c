// mvhost as a program: usage and library errors, which need no browser engine.
#include <gtest/gtest.h>

#include "tests/unit/host/run_process.h"

namespace {

using mvhost_test::RunProcess;

TEST(MvhostCli, HelpListsTheOptions) {
  const auto r = RunProcess({MVHOST_PATH, "--help"});
  EXPECT_EQ(r.exit_code, 0);
  for (const char* option : {"--library", "--size", "--frames", "--seconds", "--out", "--zoom", "--action", "--window"})
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST(MvhostCli, BadUsageExitsWith2) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {MVHOST_PATH, "--size", "big"}, {MVHOST_PATH, "--action", "fly:1"}, {MVHOST_PATH, "a", "b"}}) {
    const auto r = RunProcess(args);
    EXPECT_EQ(r.exit_code, 2) << args[1];
    EXPECT_NE(r.err.find("mvhost: "), std::string::npos);
  }
}

TEST(MvhostCli, MissingLibraryExitsWith3) {
  const auto r = RunProcess({MVHOST_PATH, "--library", "/nonexistent/libmvcefdll.so"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(r.err.find("cannot load the library"), std::string::npos) << r.err;
}

TEST(MvhostCli, LibraryWithoutTheExportsExitsWith3) {
  const auto r = RunProcess({MVHOST_PATH, "--library", UNRELATED_LIBRARY});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(r.err.find("lacks the export(s) fnmvPackCefDllInitializeCef"), std::string::npos) << r.err;
}

#ifdef MVCEF_LIBRARY_PATH
TEST(MvhostCli, UnreadablePageExitsWith5BeforeTheEngineStarts) {
  const auto r = RunProcess({MVHOST_PATH, "--library", MVCEF_LIBRARY_PATH, "/nonexistent/page.html"});
  EXPECT_EQ(r.exit_code, 5);
  EXPECT_NE(r.err.find("no such file"), std::string::npos) << r.err;
}
#endif

}  // namespace
