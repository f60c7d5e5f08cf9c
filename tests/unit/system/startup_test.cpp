// Starting and stopping the engine: the settings both initialisers hand over, where they expect the
// sub-process executable, which application object they pass, and the switches every process gets.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "include/cef_command_line.h"
#include "include/internal/cef_types.h"
#include "pagebridge/simple_app.h"
#include "tests/unit/system/systest_support.h"

extern char** environ;

namespace {

using StartupTest = SystemTest;
using scripted::CallKind;

const char kSubprocess[] = "/mvcef/marovekcef";

// The settings both initialisers share; the mode-dependent members are filled by the caller.
scripted::SettingsRecord ExpectedSettings(const std::string& subprocess_path, int windowless) {
  scripted::SettingsRecord s;
  s.size = sizeof(cef_settings_t);  // 192 bytes in the 32-bit build the game loads
  s.no_sandbox = 1;
  s.browser_subprocess_path = subprocess_path;
  s.multi_threaded_message_loop = 1;
  s.windowless_rendering_enabled = windowless;
  s.ignore_certificate_errors = 1;
  return s;
}

// Every member, so that a value set by mistake shows by name.
void ExpectSameSettings(const scripted::SettingsRecord& want, const scripted::SettingsRecord& got,
                        const std::string& label) {
#define MVCEF_SAME(member) EXPECT_EQ(want.member, got.member) << label << ": " #member
  MVCEF_SAME(size);
  MVCEF_SAME(single_process);
  MVCEF_SAME(no_sandbox);
  MVCEF_SAME(browser_subprocess_path);
  MVCEF_SAME(multi_threaded_message_loop);
  MVCEF_SAME(windowless_rendering_enabled);
  MVCEF_SAME(command_line_args_disabled);
  MVCEF_SAME(cache_path);
  MVCEF_SAME(user_data_path);
  MVCEF_SAME(persist_session_cookies);
  MVCEF_SAME(persist_user_preferences);
  MVCEF_SAME(user_agent);
  MVCEF_SAME(product_version);
  MVCEF_SAME(locale);
  MVCEF_SAME(log_file);
  MVCEF_SAME(log_severity);
  MVCEF_SAME(javascript_flags);
  MVCEF_SAME(resources_dir_path);
  MVCEF_SAME(locales_dir_path);
  MVCEF_SAME(pack_loading_disabled);
  MVCEF_SAME(remote_debugging_port);
  MVCEF_SAME(uncaught_exception_stack_size);
  MVCEF_SAME(context_safety_implementation);
  MVCEF_SAME(ignore_certificate_errors);
  MVCEF_SAME(background_color);
  MVCEF_SAME(accept_language_list);
#undef MVCEF_SAME
}

// A shared object in a folder of its own, so that its module path differs from the test program's.
class ProbeModule {
 public:
  ProbeModule() : handle_(dlopen(MVCEF_SYSTEST_PROBE_MODULE, RTLD_NOW | RTLD_LOCAL)) {}
  ~ProbeModule() {
    if (handle_) dlclose(handle_);
  }
  HINSTANCE instance() const { return static_cast<HINSTANCE>(handle_); }

 private:
  void* handle_;
};

TEST_F(StartupTest, BothInitialisersHandOverTheSettingsTable) {
  ProbeModule probe;
  ASSERT_NE(probe.instance(), nullptr) << dlerror();
  const std::string program_folder = systest::ExecutableFolder();
  const std::string probe_folder = systest::ParentOf(MVCEF_SYSTEST_PROBE_MODULE);
  ASSERT_NE(program_folder, probe_folder);

  const struct {
    const char* label;
    bool client_mode;
    bool use_probe;
    std::string subprocess;  // rule A: the module's folder; rule B: the folder above it
    int windowless;
  } cases[] = {
      {"windowed, test program", false, false, program_folder + kSubprocess, 0},
      {"client, test program", true, false, systest::ParentOf(program_folder) + kSubprocess, 1},
      {"windowed, probe module", false, true, probe_folder + kSubprocess, 0},
      {"client, probe module", true, true, systest::ParentOf(probe_folder) + kSubprocess, 1},
  };
  for (const auto& c : cases) {
    ResetLibrary();
    scripted::Reset();
    EXPECT_EQ(fnmvPackCefDllInitializeCef(c.use_probe ? probe.instance() : nullptr, c.client_mode), 1) << c.label;
    ASSERT_EQ(scripted::CountOf(CallKind::kInitialize), 1u) << c.label;
    const scripted::Call init = scripted::LastCall(CallKind::kInitialize);
    ExpectSameSettings(ExpectedSettings(c.subprocess, c.windowless), init.settings, c.label);
    EXPECT_TRUE(init.has_application) << c.label << ": no \"type\" switch in this process";
    fnmvPackCefDllUninitializeCef();
  }
}

TEST_F(StartupTest, AModuleHandleThatNamesNoModuleGivesUpTheStartUp) {
  int not_a_module = 0;
  const HINSTANCE bogus[] = {reinterpret_cast<HINSTANCE>(&not_a_module), reinterpret_cast<HINSTANCE>(0x10)};
  for (HINSTANCE instance : bogus) {
    for (bool client_mode : {false, true}) {
      ResetLibrary();
      scripted::Reset();
      EXPECT_EQ(fnmvPackCefDllInitializeCef(instance, client_mode), 1);
      EXPECT_EQ(scripted::CountOf(CallKind::kInitialize), 0u) << "client " << client_mode;
      EXPECT_FALSE(scripted::IsRunning());
    }
  }
}

TEST_F(StartupTest, UninitializeCefShutsTheEngineDownAndKeepsTheRegistry) {
  InitClient();
  const unsigned id = CreateWindowless();
  SimpleHandler* handler = Current();
  scripted::ClearCalls();

  mvcef::State().instance->UninitializeCef();
  const std::vector<scripted::Call> calls = scripted::Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, CallKind::kShutdown);
  EXPECT_FALSE(scripted::IsRunning());
  EXPECT_EQ(Current(), handler);
  EXPECT_EQ(mvcef::State().registry.count(id), 1u);

  // The export empties what the member left.
  fnmvPackCefDllUninitializeCef();
  EXPECT_EQ(Current(), nullptr);
  EXPECT_TRUE(mvcef::State().registry.empty());
  EXPECT_EQ(scripted::CountOf(CallKind::kShutdown), 1u) << "the engine stops once";
}

TEST_F(StartupTest, ExportedUninitializeEmptiesTheRegistryThenShutsDown) {
  InitClient();
  CreateWindowless();
  CreateWindowless();
  scripted::ClearCalls();
  EXPECT_EQ(fnmvPackCefDllUninitializeCef(), 1);
  EXPECT_EQ(Current(), nullptr);
  EXPECT_TRUE(mvcef::State().registry.empty());
  ASSERT_EQ(scripted::CountOf(CallKind::kShutdown), 1u);
  EXPECT_FALSE(scripted::IsRunning());
}

// The six additions, in order, at the end of a command line's argument vector.
std::vector<std::string> LastSix(CefRefPtr<CefCommandLine> command_line) {
  std::vector<CefString> argv;
  command_line->GetArgv(argv);
  std::vector<std::string> tail;
  for (size_t i = argv.size() >= 6 ? argv.size() - 6 : 0; i < argv.size(); ++i) tail.push_back(argv[i].ToString());
  return tail;
}

const std::vector<std::string> kSwitches = {
    "--lang=zh-CN",         "--disable-gpu", "--disable-gpu-compositing", "--ppapi-out-of-process",
    "--ppapi-flash-version=28.0.0.137", "--ppapi-flash-path=Plugins\\pepflashplayer.dll"};

void ExpectSixSwitches(CefRefPtr<CefCommandLine> command_line, const std::string& label) {
  ASSERT_TRUE(command_line) << label;
  EXPECT_EQ(LastSix(command_line), kSwitches) << label;
  EXPECT_EQ(command_line->GetSwitchValue("lang").ToString(), "zh-CN") << label;
  EXPECT_EQ(command_line->GetSwitchValue("ppapi-flash-path").ToString(), "Plugins\\pepflashplayer.dll") << label;
  EXPECT_TRUE(command_line->HasSwitch("disable-gpu-compositing")) << label;
}

TEST_F(StartupTest, TheBrowserProcessGetsTheSixSwitchesInOrder) {
  for (bool client_mode : {false, true}) {
    ResetLibrary();
    scripted::Reset();
    fnmvPackCefDllInitializeCef(nullptr, client_mode);
    ASSERT_TRUE(scripted::IsRunning());
    ExpectSixSwitches(CefCommandLine::GetGlobalCommandLine(), client_mode ? "client" : "windowed");
    fnmvPackCefDllUninitializeCef();
  }
}

TEST_F(StartupTest, ASubProcessGetsTheSixSwitchesInOrder) {
  scripted::SetSubprocessExitCode(7);
  std::string program = "marovekcef", type = "--type=renderer", extra = "--renderer-client-id=3";
  char* argv[] = {&program[0], &type[0], &extra[0], nullptr};
  CefRefPtr<SimpleApp> app = new SimpleApp();
  EXPECT_EQ(CefExecuteProcess(CefMainArgs(3, argv), app.get(), nullptr), 7);
  ASSERT_EQ(scripted::CountOf(CallKind::kExecuteProcess), 1u);
  EXPECT_EQ(scripted::LastCall(CallKind::kExecuteProcess).text, "renderer");
  ExpectSixSwitches(CefCommandLine::GetGlobalCommandLine(), "renderer sub-process");
}

TEST_F(StartupTest, EveryProcessTypeGetsTheSameAdditions) {
  CefRefPtr<SimpleApp> app = new SimpleApp();
  for (const char* type : {"", "renderer", "gpu-process", "ppapi"}) {
    CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
    ASSERT_TRUE(command_line);
    command_line->InitFromString("marovekcef --lang=en-US");
    app->OnBeforeCommandLineProcessing(type, command_line);
    ExpectSixSwitches(command_line, std::string("type ") + type);
    std::vector<CefString> argv;
    command_line->GetArgv(argv);
    // The existing switch stays and nothing is removed: the program, the old switch, the six.
    EXPECT_EQ(argv.size(), 8u) << type;
  }
}

// ---- The application-object rule, which reads this process's own command line ------------------

const char kChildMode[] = "MVCEF_SYSTEST_STARTUP_CHILD";

// Exit codes of the child: whether CefInitialize received an application object, and whether it
// was the system's own (it added the switches to the global command line).
enum ChildResult { kNoApplication = 20, kSimpleApp = 21, kOtherApplication = 22, kNotStarted = 23 };

// Runs this test program again with extra arguments and the child mode set; returns its exit code.
int RunChild(const std::string& mode, const std::vector<std::string>& extra) {
  std::vector<std::string> args = {systest::ExecutablePath(),
                                   "--gtest_filter=StartupChild.ReportsTheApplicationObject"};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, kChildMode, std::strlen(kChildMode)) != 0) env_strings.push_back(*e);
  }
  env_strings.push_back(std::string(kChildMode) + "=" + mode);
  std::vector<char*> envp;
  for (std::string& e : env_strings) envp.push_back(&e[0]);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -2;
  return WEXITSTATUS(status);
}

TEST(StartupChild, ReportsTheApplicationObject) {
  const char* mode = std::getenv(kChildMode);
  if (!mode) GTEST_SKIP() << "runs only as the child of the application-object test";
  scripted::Install();
  scripted::Reset();
  fnmvPackCefDllInitializeCef(nullptr, std::strcmp(mode, "client") == 0);
  int result = kNotStarted;
  if (scripted::CountOf(CallKind::kInitialize) == 1) {
    if (!scripted::LastCall(CallKind::kInitialize).has_application) {
      result = kNoApplication;
    } else {
      result = LastSix(CefCommandLine::GetGlobalCommandLine()) == kSwitches ? kSimpleApp : kOtherApplication;
    }
  }
  std::_Exit(result);
}

TEST_F(StartupTest, ClientModeChoosesTheApplicationByProcessType) {
  const struct {
    const char* mode;
    std::vector<std::string> extra;
    int expected;
  } cases[] = {
      {"client", {}, kSimpleApp},
      {"client", {"--type=renderer"}, kSimpleApp},
      {"client", {"--type=gpu-process"}, kNoApplication},
      {"client", {"--type=Renderer"}, kNoApplication},  // compared exactly
      {"client", {"--type=renderer-extra"}, kNoApplication},
      // The windowed initialiser does not look.
      {"windowed", {}, kSimpleApp},
      {"windowed", {"--type=renderer"}, kSimpleApp},
      {"windowed", {"--type=gpu-process"}, kSimpleApp},
  };
  for (const auto& c : cases) {
    std::string label = c.mode;
    for (const std::string& e : c.extra) label += " " + e;
    EXPECT_EQ(RunChild(c.mode, c.extra), c.expected) << label;
  }
}

}  // namespace
