// What the stand-in reports about a whole process: its command line and the default debug
// output, seen from a probe program started with chosen arguments and environment.
#include <windows.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mvwin32/stand_in.h"

extern char** environ;

namespace {

struct Output {
  std::string out;
  std::string err;
};

std::string Drain(int fd) {
  std::string s;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof(buffer))) > 0) s.append(buffer, static_cast<size_t>(n));
  return s;
}

// Runs the probe with `args` as its whole argv (argv[0] included) and `env` as its environment.
Output RunProbe(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  int out[2], err[2];
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, PROCESS_PROBE_PATH, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  EXPECT_EQ(error, 0);
  Output result;
  result.out = Drain(out[0]);  // the probe writes little: one pipe cannot fill while the other drains
  result.err = Drain(err[0]);
  close(out[0]);
  close(err[0]);
  int status = 0;
  if (error == 0) waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return result;
}

TEST(ProcessTest, CommandLineSplitsBackIntoTheArguments) {
  const Output o = RunProbe({"probe", "a b", "q\"x", "--type=renderer", "", "C:\\dir\\", "end\\ slash\\",
                             "\xE4\xB8\xAD"},
                            {});
  EXPECT_EQ(o.out, "probe \"a b\" \"q\\\"x\" --type=renderer \"\" C:\\dir\\ \"end\\ slash\\\\\" \xE4\xB8\xAD");
}

TEST(ProcessTest, TheProgramNameIsQuotedWhenItHasSpaces) {
  EXPECT_EQ(RunProbe({"/opt/my game/host", "x"}, {}).out, "\"/opt/my game/host\" x");
}

TEST(ProcessTest, DefaultDebugOutputGoesToStderrOnlyWhenAskedFor) {
  EXPECT_EQ(RunProbe({"probe", "debug", "hello"}, {"MVCEF_DEBUG=1"}).err, "hello\n");
  EXPECT_EQ(RunProbe({"probe", "debug", "line\n"}, {"MVCEF_DEBUG=1"}).err, "line\n");
  EXPECT_EQ(RunProbe({"probe", "debug", "hello"}, {}).err, "");
  EXPECT_EQ(RunProbe({"probe", "debug", "hello"}, {"MVCEF_DEBUG=0"}).err, "");
  EXPECT_EQ(RunProbe({"probe", "debug", "hello"}, {"MVCEF_DEBUG=1"}).out, "");
}

TEST(ProcessTest, AReplacedSinkGetsEveryTextAsUtf8) {
  mvw32_reset();
  std::vector<std::string> lines;
  mvw32_set_debug_sink([](void* user, const char* text) { static_cast<std::vector<std::string>*>(user)->push_back(text); },
                       &lines);
  OutputDebugStringA("C:\\Game\\data\\feedback.jpg");
  OutputDebugStringW(L"\u63D0\u793A");
  OutputDebugStringA(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{"C:\\Game\\data\\feedback.jpg", "\xE6\x8F\x90\xE7\xA4\xBA"}));
  mvw32_reset();
  OutputDebugStringA("after reset");  // back at the default: nothing reaches the old sink
  EXPECT_EQ(lines.size(), 2u);
}

}  // namespace
