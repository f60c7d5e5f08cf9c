#include "shell_open.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <shellapi.h>

#include <thread>

extern char** environ;

namespace mvw32 {
namespace {

constexpr int kShellSuccess = 42;  // what ShellExecute returns on success

// posix_spawn's setup, released on every path.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
  }
};

}  // namespace

int ShellResultForWaitStatus(int status) {
  if (!WIFEXITED(status)) return SE_ERR_NOASSOC;
  switch (WEXITSTATUS(status)) {
    case 0:
      return kShellSuccess;
    case 2:  // xdg-open: the file does not exist
      return SE_ERR_FNF;
    default:  // no tool for it, or the tool failed
      return SE_ERR_NOASSOC;
  }
}

int ShellResultForSpawnError(int error) {
  switch (error) {
    case ENOENT:
      return SE_ERR_NOASSOC;
    case EACCES:
    case EPERM:
      return SE_ERR_ACCESSDENIED;
    default:
      return SE_ERR_OOM;
  }
}

int RunOpener(const char* program, const std::string& file, std::chrono::milliseconds wait) {
  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
  // The engine's pipes to its browser processes must not leak into the opener.
  posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);

  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&setup.attr, &none);
  posix_spawnattr_setsigdefault(&setup.attr, &defaults);
  posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  char* argv[] = {const_cast<char*>(program), const_cast<char*>(file.c_str()), nullptr};
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, program, &setup.actions, &setup.attr, argv, environ);
  if (error != 0) return ShellResultForSpawnError(error);

  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return ShellResultForWaitStatus(status);
    if (done < 0 && errno != EINTR) return kShellSuccess;  // reaped elsewhere (SIGCHLD ignored)
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Still running (an opener that stays with the program it started): leave no zombie behind.
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return kShellSuccess;
}

}  // namespace mvw32
