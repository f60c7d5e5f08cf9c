// ShellExecuteA: through a replaced handler, and through the default one with a fake opener
// placed first on PATH.
#include <shellapi.h>
#include <windows.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mvwin32/stand_in.h"
#include "tests/support/file_bytes.h"
#include "tests/support/stand_in_string.h"
#include "tests/support/temp_dir.h"

namespace {

intptr_t Code(HINSTANCE h) { return reinterpret_cast<intptr_t>(h); }

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string OpenString(size_t index, int field) {
  return mvtest::StandInString(mvw32_get_shell_open_string, index, field, "<missing>");
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { mvw32_reset(); }
  void TearDown() override { mvw32_reset(); }
};

struct Calls {
  int result = 42;
  std::vector<std::vector<std::string>> seen;
  static int Open(void* user, HWND hwnd, const char* verb, const char* file, const char* parameters,
                  const char* directory, int show) {
    auto* self = static_cast<Calls*>(user);
    self->seen.push_back({verb, file, parameters, directory, std::to_string(show)});
    return self->result;
  }
};

TEST_F(ShellTest, AReplacedHandlerReceivesEveryCallAndDecidesTheResult) {
  Calls calls;
  mvw32_set_shell_open_handler(&Calls::Open, &calls);
  const std::string url = "https://example.com/\xE8\xB7\xAF?q=1";
  EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW)), 42);
  calls.result = SE_ERR_FNF;
  EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "x", "-p", "/tmp", SW_HIDE)), SE_ERR_FNF);
  ASSERT_EQ(calls.seen.size(), 2u);
  EXPECT_EQ(calls.seen[0], (std::vector<std::string>{"open", url, "", "", "5"}));
  EXPECT_EQ(calls.seen[1], (std::vector<std::string>{"", "x", "-p", "/tmp", "0"}));

  ASSERT_EQ(mvw32_shell_open_count(), 2u);
  mvw32_shell_open_info info{};
  ASSERT_TRUE(mvw32_get_shell_open(0, &info));
  EXPECT_EQ(info.show_command, SW_SHOW);
  EXPECT_EQ(info.result, 42);
  EXPECT_EQ(info.hwnd, nullptr);
  EXPECT_EQ(OpenString(0, 0), "open");
  EXPECT_EQ(OpenString(0, 1), url);
  EXPECT_EQ(OpenString(1, 2), "-p");
  EXPECT_EQ(OpenString(1, 3), "/tmp");
  EXPECT_EQ(OpenString(1, 4), "<missing>");
  EXPECT_EQ(OpenString(2, 0), "<missing>");
  mvw32_clear_shell_opens();
  EXPECT_EQ(mvw32_shell_open_count(), 0u);
}

// A fake xdg-open first on PATH that records its arguments NUL-separated.
class DefaultOpenerTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    const char* path = getenv("PATH");
    old_path_ = path != nullptr ? path : "";
    setenv("PATH", (dir_ + ":" + old_path_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", old_path_.c_str(), 1);
    ShellTest::TearDown();
  }
  void InstallOpener(const std::string& body) {
    const std::string script = dir_ + "/xdg-open";
    std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
    chmod(script.c_str(), 0755);
  }
  void InstallRecordingOpener(int exit_code = 0) {
    InstallOpener("printf '%s\\0' \"$@\" > '" + dir_ + "/argv'\nexit " + std::to_string(exit_code));
  }
  const mvtest::TempDir temp_{"mvw32-shell"};
  const std::string dir_ = temp_.path().string();
  std::string old_path_;
};

TEST_F(DefaultOpenerTest, TheUrlReachesTheOpenerAsOneArgumentWithoutAShell) {
  InstallRecordingOpener();
  const std::vector<std::string> urls = {
      "https://example.com/a?b=1;touch " + dir_ + "/pwned",
      "https://example.com/$(touch " + dir_ + "/pwned)",
      "https://example.com/`touch " + dir_ + "/pwned`",
      "https://example.com/a b 'c' \"d\" | > < & *",
      "https://\xE4\xBE\x8B\xE5\xAD\x90.test/\xE8\xB7\xAF",
  };
  for (const auto& url : urls) {
    unlink((dir_ + "/argv").c_str());
    EXPECT_GT(Code(ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW)), 32) << url;
    EXPECT_EQ(mvtest::ReadFileBytes(dir_ + "/argv"), url + std::string(1, '\0')) << url;
  }
  EXPECT_FALSE(Exists(dir_ + "/pwned"));
  EXPECT_EQ(mvw32_shell_open_count(), urls.size());
}

TEST_F(DefaultOpenerTest, OnlyTheOpenVerbOpens) {
  InstallRecordingOpener();
  EXPECT_GT(Code(ShellExecuteA(nullptr, nullptr, "https://a.test/", nullptr, nullptr, SW_SHOW)), 32);
  EXPECT_TRUE(Exists(dir_ + "/argv"));
  unlink((dir_ + "/argv").c_str());
  EXPECT_EQ(Code(ShellExecuteA(nullptr, "print", "https://a.test/", nullptr, nullptr, SW_SHOW)), SE_ERR_NOASSOC);
  EXPECT_FALSE(Exists(dir_ + "/argv"));
}

TEST_F(DefaultOpenerTest, TextThatWouldReadAsAnOptionOrNothingIsRefused) {
  InstallRecordingOpener();
  EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "--version", nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
  EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
  EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
  EXPECT_FALSE(Exists(dir_ + "/argv"));
}

TEST_F(DefaultOpenerTest, OpenerFailuresBecomeShellErrors) {
  struct Case {
    int exit_code;
    intptr_t result;
  };
  for (const Case c : {Case{2, SE_ERR_FNF}, Case{3, SE_ERR_NOASSOC}, Case{4, SE_ERR_NOASSOC}}) {
    InstallRecordingOpener(c.exit_code);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "https://a.test/", nullptr, nullptr, SW_SHOW)), c.result)
        << "exit " << c.exit_code;
  }
  mvw32_shell_open_info info{};
  ASSERT_TRUE(mvw32_get_shell_open(0, &info));
  EXPECT_EQ(info.result, SE_ERR_FNF);
}

TEST_F(DefaultOpenerTest, NoOpenerOnPathMeansNoAssociation) {
  setenv("PATH", dir_.c_str(), 1);  // holds no xdg-open
  EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "https://a.test/", nullptr, nullptr, SW_SHOW)), SE_ERR_NOASSOC);
}

TEST_F(DefaultOpenerTest, TheOpenerInheritsNoOtherDescriptors) {
  const std::string marker = dir_ + "/fds";
  InstallOpener("if [ -e /proc/$$/fd/57 ]; then echo leaked > '" + marker + "'; else echo clean > '" + marker +
                "'; fi");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(dup2(fds[1], 57), 57);  // dup2 leaves close-on-exec off
  EXPECT_GT(Code(ShellExecuteA(nullptr, "open", "https://a.test/", nullptr, nullptr, SW_SHOW)), 32);
  close(57);
  close(fds[0]);
  close(fds[1]);
  EXPECT_EQ(mvtest::ReadFileBytes(marker), "clean\n");
}

TEST_F(DefaultOpenerTest, ASlowOpenerDoesNotHoldTheCaller) {
  InstallOpener("exec sleep 6 2>/dev/null >/dev/null");  // holds no pipe of the test runner
  const auto start = std::chrono::steady_clock::now();
  EXPECT_GT(Code(ShellExecuteA(nullptr, "open", "https://a.test/", nullptr, nullptr, SW_SHOW)), 32);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
