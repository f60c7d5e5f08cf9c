// CefInitialize / CefShutdown / CefExecuteProcess and the API-hash check.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "engine/src/runtime.h"
#include "engine/runtime/scripted/scripted_runtime.h"

namespace scripted = mvengine::scripted;

namespace {

// Records the command-line hook and adds a switch, as an application does.
class HookApp : public CefApp {
 public:
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) override {
    std::lock_guard<std::mutex> lock(mutex);
    types.push_back(process_type.ToString());
    saw_type_switch = command_line->HasSwitch("type");
    command_line->AppendSwitchWithValue("--lang", "zh-CN");
    command_line->AppendSwitch("no-proxy-server");
  }
  std::mutex mutex;
  std::vector<std::string> types;
  bool saw_type_switch = false;
  IMPLEMENT_REFCOUNTING(HookApp);
};

// argv storage for CefMainArgs on POSIX.
struct Argv {
  explicit Argv(std::vector<std::string> a) : args(std::move(a)) {
    for (std::string& s : args)
      pointers.push_back(&s[0]);
    pointers.push_back(nullptr);
  }
#if defined(OS_WIN)
  CefMainArgs Main() { return CefMainArgs(GetModuleHandle(NULL)); }
#else
  CefMainArgs Main() { return CefMainArgs(static_cast<int>(args.size()), pointers.data()); }
#endif
  std::vector<std::string> args;
  std::vector<char*> pointers;
};

class PlainClient : public CefClient {
  IMPLEMENT_REFCOUNTING(PlainClient);
};

class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override { scripted::Install(); }
  void TearDown() override { scripted::Reset(); }
};

#if !defined(OS_WIN)
TEST_F(LifecycleTest, ExecuteProcessWithoutTypeReturnsAtOnce) {
  CefRefPtr<HookApp> app = new HookApp();
  Argv argv({"/opt/game/bin/client", "--some-switch", "arg"});
  EXPECT_EQ(-1, CefExecuteProcess(argv.Main(), app.get(), NULL));
  EXPECT_TRUE(app->types.empty());
  EXPECT_TRUE(scripted::Calls().empty());
}

TEST_F(LifecycleTest, ExecuteProcessWithTypeRunsHookThenSubprocess) {
  CefRefPtr<HookApp> app = new HookApp();
  scripted::SetSubprocessExitCode(3);
  Argv argv({"/opt/game/mvcef/marovekcef", "--type=renderer", "--renderer-client-id=2"});
  EXPECT_EQ(3, CefExecuteProcess(argv.Main(), app.get(), NULL));
  ASSERT_EQ(1u, app->types.size());
  EXPECT_EQ("renderer", app->types[0]);
  EXPECT_TRUE(app->saw_type_switch);
  ASSERT_EQ(1u, scripted::CountOf(scripted::CallKind::kExecuteProcess));
  EXPECT_EQ("renderer", scripted::LastCall(scripted::CallKind::kExecuteProcess).text);
  CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
  ASSERT_TRUE(global);
  EXPECT_EQ("zh-CN", global->GetSwitchValue("lang").ToString());
}

TEST_F(LifecycleTest, ExecuteProcessWithoutArgvReadsTheProcessCommandLine) {
  // This test program runs without a "type" switch.
  EXPECT_EQ(-1, CefExecuteProcess(CefMainArgs(), NULL, NULL));
  CefSettings settings;
  ASSERT_TRUE(CefInitialize(CefMainArgs(), settings, NULL, NULL));
  CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
  ASSERT_TRUE(global);
  EXPECT_NE(std::string::npos, global->GetProgram().ToString().find("engine_unit_tests"));
}

TEST_F(LifecycleTest, ExecuteProcessWithoutApplication) {
  Argv argv({"/x/marovekcef", "--type=gpu-process"});
  EXPECT_EQ(0, CefExecuteProcess(argv.Main(), NULL, NULL));
  EXPECT_EQ("gpu-process", scripted::LastCall(scripted::CallKind::kExecuteProcess).text);
}
#endif

TEST_F(LifecycleTest, ApiHashMismatchRunsNothing) {
  CefRefPtr<HookApp> app = new HookApp();
  scripted::SetApiHash("0000000000000000000000000000000000000000");
  EXPECT_STRNE(CEF_API_HASH_PLATFORM, cef_api_hash(0));
  Argv argv({"/x/marovekcef", "--type=renderer"});
  EXPECT_EQ(0, CefExecuteProcess(argv.Main(), app.get(), NULL));
  CefSettings settings;
  EXPECT_FALSE(CefInitialize(argv.Main(), settings, app.get(), NULL));
  EXPECT_FALSE(scripted::IsRunning());
  EXPECT_TRUE(app->types.empty());
  EXPECT_TRUE(scripted::Calls().empty());

  scripted::SetApiHash(NULL);
  EXPECT_STREQ(CEF_API_HASH_PLATFORM, cef_api_hash(0));
  EXPECT_TRUE(CefInitialize(argv.Main(), settings, app.get(), NULL));
}

TEST_F(LifecycleTest, InitializeRunsTheHookFirstAndRecordsSettings) {
  CefRefPtr<HookApp> app = new HookApp();
  Argv argv({"/opt/game/bin/client"});
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.ignore_certificate_errors = 1;
  CefString(&settings.browser_subprocess_path) = "/opt/game/mvcef/marovekcef";
  ASSERT_TRUE(CefInitialize(argv.Main(), settings, app.get(), NULL));
  EXPECT_TRUE(scripted::IsRunning());

  ASSERT_EQ(1u, app->types.size());
  EXPECT_EQ("", app->types[0]);  // browser process: empty type
  CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
  ASSERT_TRUE(global);
  EXPECT_TRUE(global->HasSwitch("no-proxy-server"));
  EXPECT_EQ("zh-CN", global->GetSwitchValue("lang").ToString());
  EXPECT_TRUE(global->IsReadOnly());
  global->AppendSwitch("late");
  EXPECT_FALSE(global->HasSwitch("late"));

  ASSERT_EQ(1u, scripted::CountOf(scripted::CallKind::kInitialize));
  scripted::Call init = scripted::LastCall(scripted::CallKind::kInitialize);
  EXPECT_TRUE(init.has_application);
  EXPECT_EQ(sizeof(cef_settings_t), init.settings.size);
  EXPECT_EQ(1, init.settings.no_sandbox);
  EXPECT_EQ(1, init.settings.multi_threaded_message_loop);
  EXPECT_EQ(1, init.settings.ignore_certificate_errors);
  EXPECT_EQ(0, init.settings.windowless_rendering_enabled);
  EXPECT_EQ(0, init.settings.single_process);
  EXPECT_EQ("/opt/game/mvcef/marovekcef", init.settings.browser_subprocess_path);
  EXPECT_EQ("", init.settings.cache_path);
  EXPECT_EQ("", init.settings.locale);

  // A second start while running does nothing.
  EXPECT_FALSE(CefInitialize(argv.Main(), settings, app.get(), NULL));
  EXPECT_EQ(1u, app->types.size());
  EXPECT_EQ(1u, scripted::CountOf(scripted::CallKind::kInitialize));

  CefShutdown();
  CefShutdown();  // once only
  EXPECT_EQ(1u, scripted::CountOf(scripted::CallKind::kShutdown));
  EXPECT_FALSE(scripted::IsRunning());
}

TEST_F(LifecycleTest, InitializeWithoutApplication) {
  Argv argv({"/opt/game/bin/client"});
  CefSettings settings;
  ASSERT_TRUE(CefInitialize(argv.Main(), settings, NULL, NULL));
  EXPECT_FALSE(scripted::LastCall(scripted::CallKind::kInitialize).has_application);
}

TEST_F(LifecycleTest, CreateBrowserNeedsARunningEngine) {
  CefWindowInfo info;
  info.SetAsWindowless(kNullWindowHandle, false);
  CefBrowserSettings settings;
  EXPECT_FALSE(CefBrowserHost::CreateBrowser(info, new PlainClient(), "about:blank", settings, NULL));
  EXPECT_EQ(0u, scripted::CountOf(scripted::CallKind::kCreateBrowser));
}

class FailingRuntime : public mvengine::BrowserRuntime {
 public:
  bool Initialize(const CefMainArgs&, const CefSettings&, CefRefPtr<CefApp>) override { return false; }
  void Shutdown() override { ADD_FAILURE() << "a runtime that failed to start is never shut down"; }
  bool CreateBrowser(const CefWindowInfo&, CefRefPtr<CefClient>, const CefString&,
                     const CefBrowserSettings&) override {
    return false;
  }
};

TEST_F(LifecycleTest, ARuntimeThatFailsLeavesTheEngineStopped) {
  mvengine::SetBrowserRuntimeFactory([]() -> std::unique_ptr<mvengine::BrowserRuntime> {
    return std::unique_ptr<mvengine::BrowserRuntime>(new FailingRuntime());
  });
  Argv argv({"/opt/game/bin/client"});
  CefSettings settings;
  EXPECT_FALSE(CefInitialize(argv.Main(), settings, NULL, NULL));
  CefShutdown();  // nothing to stop
  scripted::Install();
  EXPECT_TRUE(CefInitialize(argv.Main(), settings, NULL, NULL));
}

TEST_F(LifecycleTest, EachStartGetsAFreshRuntime) {
  Argv argv({"/opt/game/bin/client"});
  CefSettings settings;
  CefWindowInfo info;
  info.SetAsWindowless(kNullWindowHandle, false);
  CefBrowserSettings browser_settings;
  for (int cycle = 0; cycle < 3; ++cycle) {
    ASSERT_TRUE(CefInitialize(argv.Main(), settings, NULL, NULL));
    ASSERT_TRUE(CefBrowserHost::CreateBrowser(info, new PlainClient(), "about:blank", browser_settings, NULL));
    EXPECT_EQ(std::vector<int>{1}, scripted::BrowserIds()) << cycle;
    CefShutdown();
    EXPECT_TRUE(scripted::BrowserIds().empty());
  }
}

}  // namespace
