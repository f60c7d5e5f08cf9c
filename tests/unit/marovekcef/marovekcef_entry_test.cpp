// marovekcef started by hand (no process type) must end at once with -1, silently.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

Outcome RunMarovekcef(std::vector<std::string> args) {
  char out_path[] = "/tmp/marovekcef_outXXXXXX";
  const int out = mkstemp(out_path);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, out, 2);
  std::vector<char*> argv;
  args.insert(args.begin(), MAROVEKCEF_PATH);
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  Outcome outcome;
  if (posix_spawn(&pid, MAROVEKCEF_PATH, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  char buffer[512];
  lseek(out, 0, SEEK_SET);
  for (ssize_t n; (n = read(out, buffer, sizeof buffer)) > 0;) outcome.output.append(buffer, n);
  close(out);
  unlink(out_path);
  return outcome;
}

TEST(MarovekcefEntry, WithoutProcessTypeExitsMinusOneSilently) {
  const Outcome outcome = RunMarovekcef({});
  EXPECT_EQ(outcome.status, 255);
  EXPECT_EQ(outcome.output, "");
}

TEST(MarovekcefEntry, ArgumentsThatNameNoProcessTypeAlsoExitMinusOne) {
  // A double click, or a stray argument, is not a sub-process.
  for (const auto& args : std::vector<std::vector<std::string>>{{"--lang=zh-CN"}, {"some-file.txt"}, {"--type"}}) {
    const Outcome outcome = RunMarovekcef(args);
    EXPECT_EQ(outcome.status, 255) << args[0];
    EXPECT_EQ(outcome.output, "") << args[0];
  }
}

}  // namespace
