// The render process on POSIX: posix_spawn with its end of a socket pair as fd 3.
#include "engine/runtime/chromium/render_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/runtime/chromium/byte_stream_posix.h"
#include "engine/runtime/chromium/chromium_launcher.h"

extern char** environ;

namespace mvengine {
namespace chromium {

namespace {

// Where the render process finds its end of the channel.
constexpr int kChildChannelFd = 3;

}  // namespace

bool StartRenderProcess(const std::string& executable, const std::vector<std::string>& extra_switches,
                        RenderProcess* out, std::string* error,
                        CefRefPtr<CefBrowserProcessHandler> launch_handler) {
  if (!IsExecutableFile(executable)) {
    *error = "the sub-process executable '" + executable + "' cannot be run";
    return false;
  }
  // Both ends close on exec: only the copy made for the child below survives,
  // so no other child (Chromium) holds the channel open.
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    *error = std::string("cannot create the render channel: ") + strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], kChildChannelFd);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> args = RenderProcessArgs(executable, std::to_string(kChildChannelFd), extra_switches, launch_handler);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int result = posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[1]);
  if (result != 0) {
    close(fds[0]);
    *error = "cannot start '" + executable + "': " + strerror(result);
    return false;
  }
  out->pid = pid;
  out->channel = std::make_shared<MessageChannel>(MakeSocketStream(fds[0], fds[0]));
  return true;
}

ExitStatus EndRenderProcess(ProcessId process, int grace_ms) {
  const pid_t pid = static_cast<pid_t>(process);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
  bool reaped = false;
  while (!reaped) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) {
      reaped = true;
    } else if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
      reaped = true;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ExitStatus exit;
  exit.signaled = WIFSIGNALED(status);
  exit.code = exit.signaled ? WTERMSIG(status) : WEXITSTATUS(status);
  return exit;
}

}  // namespace chromium
}  // namespace mvengine
