#include "render_process.h"

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

#include "chromium_launcher.h"
#include "include/cef_command_line.h"
#include "render_wire.h"

extern char** environ;

namespace mvengine {
namespace chromium {

namespace {

// Where the render process finds its end of the channel.
constexpr int kChildChannelFd = 3;

}  // namespace

std::vector<std::string> RenderProcessArgs(const std::string& executable, int channel_fd,
                                           const std::vector<std::string>& extra_switches,
                                           CefRefPtr<CefBrowserProcessHandler> launch_handler) {
  std::vector<std::string> args = {executable, std::string("--type=") + kRendererProcessType,
                                   std::string("--") + kRenderChannelSwitch + "=" + std::to_string(channel_fd)};
  args.insert(args.end(), extra_switches.begin(), extra_switches.end());
  if (!launch_handler) return args;
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
  launch_handler->OnBeforeChildProcessLaunch(command_line);
  std::vector<CefString> changed;
  command_line->GetArgv(changed);
  args.assign(1, executable);  // the program started is ours whatever the hook did
  for (size_t i = 1; i < changed.size(); ++i) args.push_back(changed[i].ToString());
  return args;
}

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

  std::vector<std::string> args = RenderProcessArgs(executable, kChildChannelFd, extra_switches, launch_handler);
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
  out->channel = std::make_shared<MessageChannel>(fds[0]);
  return true;
}

int EndRenderProcess(pid_t pid, int grace_ms) {
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return status;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  return status;
}

}  // namespace chromium
}  // namespace mvengine
