// The Chromium process on POSIX: fork and exec with the pipe on fd 3 and 4, a process group of its
// own, a parent-death signal, a reaper thread, and /proc to find helpers that left the group.
#include "engine/runtime/chromium/chromium_launcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/file_bytes.h"
#include "engine/runtime/chromium/byte_stream_posix.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/profile_folder_posix.h"

namespace mvengine {
namespace chromium {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Marks every descriptor from `first` on close-on-exec. Runs in the forked child,
// so only async-signal-safe calls.
void MarkCloseOnExecFrom(int first) {
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, first, ~0U, 4 /* CLOSE_RANGE_CLOEXEC */) == 0) return;
#endif
  for (int fd = first; fd < 4096; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Kills (SIGKILL) every process whose command line mentions `marker`: Chromium helpers that left
// our process group.
int KillProcessesMentioning(const std::string& marker) {
  if (marker.empty()) return 0;
  int killed = 0;
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  const pid_t self = ::getpid();
  while (dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (!end || *end != '\0' || pid <= 0 || pid == self) continue;
    // The process may end while we read: that read fails and must not throw.
    const std::string cmdline = mvcommon::ReadFileBytes(std::string("/proc/") + entry->d_name + "/cmdline");
    if (cmdline.find(marker) != std::string::npos && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0)
      ++killed;
  }
  ::closedir(proc);
  if (killed) DebugLog("killed %d leftover Chromium helper(s)", killed);
  return killed;
}

// Runs tasks on one thread that lives until the process ends. Chromium is forked there: the
// parent-death signal fires when the *thread* that forked ends, and the thread that starts (or
// restarts) Chromium may be one that ends long before the game does.
class SpawnerThread {
 public:
  static SpawnerThread& Get() {
    static SpawnerThread* spawner = new SpawnerThread();  // never destroyed: used until exit
    return *spawner;
  }
  void Run(const std::function<void()>& task) {
    if (std::this_thread::get_id() == id_) return task();
    auto done = std::make_shared<bool>(false);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back([&task, done, this] {
        task();
        std::lock_guard<std::mutex> inner(mutex_);
        *done = true;
      });
    }
    wake_.notify_all();
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [&] { return *done; });
  }

 private:
  SpawnerThread() {
    std::thread thread([this] { Loop(); });
    id_ = thread.get_id();
    thread.detach();
  }
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return !tasks_.empty(); });
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      wake_.notify_all();
      lock.lock();
    }
  }
  std::mutex mutex_;
  std::condition_variable wake_;  // tasks queued, or one finished
  std::deque<std::function<void()>> tasks_;
  std::thread::id id_;
};

}  // namespace

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

std::string DefaultChromiumExecutable() {
  // The wrapper in /usr/bin works too but prints a shell error; the real binary first.
  return FindChromiumExecutable(std::getenv("MVCEF_CHROMIUM"),
                                {"/usr/lib/chromium/chromium", "/usr/bin/chromium"});
}

std::unique_ptr<ChromiumProcess> ChromiumProcess::Launch(const LaunchOptions& options,
                                                         std::string* error) {
  auto fail = [&](const std::string& message) -> std::unique_ptr<ChromiumProcess> {
    if (error) *error = message;
    DebugLog("%s", message.c_str());
    return nullptr;
  };

  std::string executable = options.executable.empty() ? DefaultChromiumExecutable()
                                                      : options.executable;
  if (executable.empty())
    return fail("no Chromium found (install the chromium package or set MVCEF_CHROMIUM)");

  const std::string parent_dir = ProfileFolderParent();
  // A game killed outright left its folder (and maybe Chromiums that had no time to die) behind.
  const int stale = RemoveStaleProfileFolders(parent_dir, [](const std::string& folder) { KillProcessesMentioning(folder); });
  if (stale) DebugLog("removed %d profile folder(s) of ended processes", stale);

  std::unique_ptr<ChromiumProcess> process(new ChromiumProcess());
  std::string folder_error;
  int hold = -1;
  if (!MakeProfileFolder(parent_dir, &process->user_data_dir_, &hold, &folder_error)) return fail(folder_error);
  process->profile_hold_ = hold;

  // Sockets rather than pipes: send(MSG_NOSIGNAL) never raises SIGPIPE in the host,
  // and shutdown() wakes a blocked reader.
  int commands[2] = {-1, -1}, events[2] = {-1, -1}, exec_error[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, commands) != 0 ||
      ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, events) != 0 ||
      ::pipe2(exec_error, O_CLOEXEC) != 0) {
    std::string message = std::string("cannot create the DevTools channel: ") + std::strerror(errno);
    for (int* fds : {commands, events, exec_error}) {
      CloseFd(fds[0]);
      CloseFd(fds[1]);
    }
    std::error_code ec;
    std::filesystem::remove_all(process->user_data_dir_, ec);
    return fail(message);
  }
  int dev_null = ::open("/dev/null", O_RDWR | O_CLOEXEC);

  std::vector<std::string> args;
  args.push_back(executable);
  for (auto& s : BaseChromiumSwitches(process->user_data_dir_)) args.push_back(s);
  // Here, where we build and test, Chromium mostly runs as root or in a container, where its
  // sandbox cannot start at all. Players' Windows keeps it.
  args.push_back("--no-sandbox");
  for (auto& s : options.extra_switches) args.push_back(s);
  std::vector<char*> argv;
  for (auto& s : args) argv.push_back(const_cast<char*>(s.c_str()));
  argv.push_back(nullptr);
  const bool keep_output = options.debug;
  const pid_t parent = ::getpid();

  pid_t pid = -1;
  SpawnerThread::Get().Run([&] {
  pid = ::fork();
  if (pid == 0) {
    // Child: async-signal-safe calls only.
    ::setpgid(0, 0);
    // Chromium ends with this process, however it ends; if it has already ended, at once.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    // Lift every descriptor we need above 4 first so the dup2s below cannot clobber one.
    int in = ::fcntl(commands[1], F_DUPFD_CLOEXEC, 10);
    int out = ::fcntl(events[1], F_DUPFD_CLOEXEC, 10);
    int err = ::fcntl(exec_error[1], F_DUPFD_CLOEXEC, 10);
    int null_fd = dev_null >= 0 ? ::fcntl(dev_null, F_DUPFD_CLOEXEC, 10) : -1;
    if (in < 0 || out < 0 || ::dup2(in, 3) < 0 || ::dup2(out, 4) < 0) {
      int e = errno;
      if (::write(err, &e, sizeof e) < 0) {}
      ::_exit(127);
    }
    if (null_fd >= 0) {
      ::dup2(null_fd, 0);
      if (!keep_output) {
        ::dup2(null_fd, 1);
        ::dup2(null_fd, 2);
      }
    }
    MarkCloseOnExecFrom(5);
    ::execv(argv[0], argv.data());
    int e = errno;
    if (::write(err, &e, sizeof e) < 0) {}
    ::_exit(127);
  }
  });

  CloseFd(commands[1]);
  CloseFd(events[1]);
  CloseFd(exec_error[1]);
  CloseFd(dev_null);
  if (pid < 0) {
    std::string message = std::string("fork failed: ") + std::strerror(errno);
    CloseFd(commands[0]);
    CloseFd(events[0]);
    CloseFd(exec_error[0]);
    std::error_code ec;
    std::filesystem::remove_all(process->user_data_dir_, ec);
    return fail(message);
  }
  // Also from the parent, so a kill of the group cannot race the child's own setpgid.
  ::setpgid(pid, pid);

  int child_errno = 0;
  ssize_t n;
  do {
    n = ::read(exec_error[0], &child_errno, sizeof child_errno);
  } while (n < 0 && errno == EINTR);
  CloseFd(exec_error[0]);
  if (n == static_cast<ssize_t>(sizeof child_errno)) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    CloseFd(commands[0]);
    CloseFd(events[0]);
    std::error_code ec;
    std::filesystem::remove_all(process->user_data_dir_, ec);
    return fail("cannot start " + executable + ": " + std::strerror(child_errno));
  }

  process->pid_ = pid;
  // We write commands to the command socket's end and read the event socket's.
  process->channel_ = MakeSocketStream(events[0], commands[0]);
  process->reaper_ = std::thread([p = process.get()] { p->ReapLoop(); });
  DebugLog("started %s (pid %d, profile %s)", executable.c_str(), static_cast<int>(pid),
           process->user_data_dir_.c_str());
  return process;
}

ChromiumProcess::~ChromiumProcess() { Terminate(0); }

void ChromiumProcess::ReapLoop() {
  int status = 0;
  while (::waitpid(static_cast<pid_t>(pid_), &status, 0) < 0) {
    if (errno != EINTR) {
      status = 0;
      break;
    }
  }
  ExitStatus exit;
  exit.signaled = WIFSIGNALED(status);
  exit.code = exit.signaled ? WTERMSIG(status) : WEXITSTATUS(status);
  OnExited(exit);
}

bool ChromiumProcess::WaitExited(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!exited_) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void ChromiumProcess::Terminate(int grace_ms) {
  if (terminated_) return;
  terminated_ = true;
  // Closing our end of the command channel asks Chromium to quit (when nobody took it; else its
  // taker has closed it).
  channel_.reset();
  if (pid_ > 0) {
    if (grace_ms <= 0) {
      ::kill(-static_cast<pid_t>(pid_), SIGKILL);
      WaitExited(3000);
    } else if (!WaitExited(grace_ms)) {
      DebugLog("Chromium (pid %ld) still running; sending SIGTERM", pid_);
      ::kill(-static_cast<pid_t>(pid_), SIGTERM);
      if (!WaitExited(1000)) {
        DebugLog("Chromium (pid %ld) ignored SIGTERM; sending SIGKILL", pid_);
        ::kill(-static_cast<pid_t>(pid_), SIGKILL);
        WaitExited(3000);
      }
    }
    // Helpers (zygote, renderers) may outlive the browser process for a moment, and one may be
    // forked while the others are killed: killed again until none is left running (a second at
    // most), so that nothing of this profile is still there when the game goes on.
    ::kill(-static_cast<pid_t>(pid_), SIGKILL);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (KillProcessesMentioning(user_data_dir_) > 0 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (reaper_.joinable()) {
      if (exited_) {
        reaper_.join();
      } else {
        // Not reaped even after SIGKILL (uninterruptible sleep): never hang the host.
        DebugLog("Chromium (pid %ld) could not be reaped; leaving it", pid_);
        reaper_.detach();
      }
    }
  }
  if (!user_data_dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(user_data_dir_, ec);
  }
  if (profile_hold_ >= 0) ::close(static_cast<int>(profile_hold_));
  profile_hold_ = -1;
}


void KillProcess(ProcessId process) {
  if (process > 0) ::kill(static_cast<pid_t>(process), SIGKILL);
}

}  // namespace chromium
}  // namespace mvengine
