// Starting and ending the browser process, with small shell scripts standing in
// for Chromium.
#include "engine/runtime/chromium/chromium_launcher.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/devtools_transport.h"
#include "tests/support/temp_dir.h"

namespace mvengine {
namespace chromium {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ScriptDir : public ::testing::Test {
 protected:
  std::string Script(const std::string& name, const std::string& body, bool executable = true) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), executable ? 0755 : 0644);
    return path;
  }
  const mvtest::TempDir temp_{"mvcef-launcher-test"};
  const std::string dir_ = temp_.path().string();
};

bool ProcessAlive(pid_t pid) { return ::kill(pid, 0) == 0; }

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST_F(ScriptDir, FindChromiumExecutablePrefersOverrideThenFirstExecutable) {
  std::string plain = Script("plain", "", /*executable=*/false);
  std::string good = Script("good", "");
  std::string other = Script("other", "");
  struct Case {
    const char* env;
    std::vector<std::string> candidates;
    std::string expected;
  } cases[] = {
      {"/custom/chromium", {good}, "/custom/chromium"},  // an override is taken as is
      {"", {plain, good, other}, good},                  // empty override means none
      {nullptr, {dir_ + "/missing", other, good}, other},
      {nullptr, {plain, dir_}, ""},  // neither a non-executable file nor a directory
      {nullptr, {}, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindChromiumExecutable(c.env, c.candidates), c.expected);
}

TEST(BaseChromiumSwitches, HeadlessPipeAndTheGivenProfileWithTheSandboxOn) {
  auto s = BaseChromiumSwitches("/tmp/p");
  for (const char* required : {"--headless=new", "--remote-debugging-pipe", "--disable-gpu", "--user-data-dir=/tmp/p"})
    EXPECT_NE(std::find(s.begin(), s.end(), required), s.end()) << required;
  // All a Windows browser gets besides its pipe and the application's switches (which cannot
  // name it: the engine owns it).
  EXPECT_EQ(std::find(s.begin(), s.end(), "--no-sandbox"), s.end());
}

TEST_F(ScriptDir, MissingExecutableFailsWithAReasonAndLeavesNothing) {
  LaunchOptions options;
  options.executable = dir_ + "/no-such-chromium";
  std::string error;
  // A private temporary folder: other programs may come and go in /tmp meanwhile.
  const std::string tmp = dir_ + "/tmp";
  fs::create_directory(tmp);
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved ? saved : "";
  setenv("TMPDIR", tmp.c_str(), 1);
  EXPECT_EQ(ChromiumProcess::Launch(options, &error), nullptr);
  if (saved) setenv("TMPDIR", saved_value.c_str(), 1); else unsetenv("TMPDIR");
  EXPECT_NE(error.find("no-such-chromium"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(tmp)) << "no profile directory left behind";
}

TEST_F(ScriptDir, ChildGetsTheChannelOnFd3And4AndQuitsWhenItCloses) {
  // Reports its arguments as an event on fd 4, then reads fd 3 until it closes.
  LaunchOptions options;
  options.executable = Script(
      "fake", "printf '{\"method\":\"Fake.args\",\"params\":{\"n\":\"%s\"}}\\0' \"$*\" >&4\n"
              "cat <&3 >/dev/null");
  options.extra_switches = {"--accept-lang=zh-CN"};
  std::string error;
  auto process = ChromiumProcess::Launch(options, &error);
  ASSERT_NE(process, nullptr) << error;
  EXPECT_TRUE(fs::is_directory(process->user_data_dir()));

  std::promise<std::string> args;
  DevToolsTransport transport(process->TakeChannel());
  transport.Subscribe("", [&](const std::string& method, const Json& params) {
    if (method == "Fake.args") args.set_value(params.value("n", std::string()));
  });
  std::promise<ExitStatus> exit_status;
  process->SetExitHandler([&](const ExitStatus& status) { exit_status.set_value(status); });
  transport.Start();
  auto f = args.get_future();
  ASSERT_EQ(f.wait_for(5s), std::future_status::ready);
  std::string argv = f.get();
  for (const std::string& expected :
       {std::string("--remote-debugging-pipe"), std::string("--accept-lang=zh-CN"),
        "--user-data-dir=" + process->user_data_dir()})
    EXPECT_NE(argv.find(expected), std::string::npos) << argv;

  transport.Close();  // closes fd 3 on our side: the fake quits by itself
  auto exited = exit_status.get_future();
  ASSERT_EQ(exited.wait_for(5s), std::future_status::ready);
  ExitStatus status = exited.get();
  EXPECT_FALSE(status.signaled);
  EXPECT_EQ(status.code, 0);
  std::string dir = process->user_data_dir();
  process->Terminate(500);
  EXPECT_FALSE(fs::exists(dir));
}

TEST_F(ScriptDir, TerminateEscalatesAndKillsTheWholeGroup) {
  std::string pid_file = dir_ + "/helper.pid";
  LaunchOptions options;
  // Ignores SIGTERM and the closed channel; leaves a helper in its group.
  options.executable = Script("stubborn", "trap '' TERM\nsleep 300 &\necho $! > " + pid_file +
                                              "\nwhile :; do sleep 1; done");
  std::string error;
  auto process = ChromiumProcess::Launch(options, &error);
  ASSERT_NE(process, nullptr) << error;
  ASSERT_TRUE(WaitFor([&] { return fs::exists(pid_file) && fs::file_size(pid_file) > 0; }, 5s));
  pid_t helper = 0;
  std::ifstream(pid_file) >> helper;
  ASSERT_GT(helper, 0);
  pid_t main_pid = static_cast<pid_t>(process->pid());
  ASSERT_TRUE(ProcessAlive(helper));

  auto start = std::chrono::steady_clock::now();
  process->Terminate(200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(process->exited());
  EXPECT_FALSE(ProcessAlive(main_pid));  // reaped, not a zombie
  EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(helper); }, 2s));
}

TEST_F(ScriptDir, ExitHandlerReportsAnOutsideKill) {
  LaunchOptions options;
  options.executable = Script("sleeper", "exec sleep 300");
  std::string error;
  auto process = ChromiumProcess::Launch(options, &error);
  ASSERT_NE(process, nullptr) << error;
  std::promise<ExitStatus> exit_status;
  process->SetExitHandler([&](const ExitStatus& status) { exit_status.set_value(status); });
  ::kill(static_cast<pid_t>(process->pid()), SIGKILL);
  auto f = exit_status.get_future();
  ASSERT_EQ(f.wait_for(5s), std::future_status::ready);
  ExitStatus status = f.get();
  EXPECT_TRUE(status.signaled);
  EXPECT_EQ(status.code, SIGKILL);
  EXPECT_EQ(DescribeExit(status), "ended by signal 9");
  // A handler installed after the exit still hears about it, at once.
  bool late = false;
  process->SetExitHandler([&](const ExitStatus&) { late = true; });
  EXPECT_TRUE(late);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
