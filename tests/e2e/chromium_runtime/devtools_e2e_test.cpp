// The DevTools layer against the real Chromium: start, open a page, evaluate,
// shut down without leftovers, and survive a Chromium killed mid-test.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/chromium_connection.h"
#include "e2e_support.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

class ChromiumDevTools : public ::testing::Test {
 protected:
  // Starts Chromium and attaches to a new blank page.
  void OpenBlankPage() {
    connection = ChromiumConnection::Start(e2e::Options(), &error);
    ASSERT_NE(connection, nullptr) << error;
    profile = connection->process().user_data_dir();
    target = connection->CreatePage("about:blank", &error);
    ASSERT_FALSE(target.empty()) << error;
    page = connection->Attach(target, &error);
    ASSERT_NE(page, nullptr) << error;
  }

  std::string error;
  std::unique_ptr<ChromiumConnection> connection;
  std::string profile;  // Chromium's user data folder
  std::string target;
  std::unique_ptr<DevToolsSession> page;
};

TEST_F(ChromiumDevTools, OpensAPageEvaluatesAndShutsDownClean) {
  ASSERT_NO_FATAL_FAILURE(OpenBlankPage());

  std::promise<void> loaded;
  std::atomic<bool> once{false};
  page->Subscribe([&](const std::string& method, const Json&) {
    if (method == "Page.loadEventFired" && !once.exchange(true)) loaded.set_value();
  });
  ASSERT_TRUE(page->Call("Page.enable").ok);
  CommandResult nav = page->Call(
      "Page.navigate", {{"url", "data:text/html,<title>mv</title><p id=x>forty-two</p>"}});
  ASSERT_TRUE(nav.ok) << nav.error;
  ASSERT_EQ(loaded.get_future().wait_for(10s), std::future_status::ready);

  CommandResult eval = page->Call(
      "Runtime.evaluate",
      {{"expression", "document.title + ':' + document.getElementById('x').textContent"},
       {"returnByValue", true}});
  ASSERT_TRUE(eval.ok) << eval.error;
  EXPECT_EQ(eval.result["result"]["value"], "mv:forty-two");

  EXPECT_TRUE(connection->ClosePage(target));
  connection->Shutdown();
  EXPECT_FALSE(std::filesystem::exists(profile));
  EXPECT_EQ(e2e::CountProcessesMentioning(profile), 0);
}

// A document that runs before its set-up is complete gets the bridge's script but nobody answers
// its requests (as here, where nothing holds them): it must not look as if it had the bridge,
// or it is never loaded again.
TEST_F(ChromiumDevTools, ABridgeScriptWhoseRequestGoesUnansweredLeavesNoFlag) {
  ASSERT_NO_FATAL_FAILURE(OpenBlankPage());
  ASSERT_TRUE(page->Call("Runtime.evaluate", {{"expression", BridgeBootstrapScript()}}).ok);
  CommandResult flag =
      page->Call("Runtime.evaluate", {{"expression", "typeof window.__mvcefBridge"}, {"returnByValue", true}});
  ASSERT_TRUE(flag.ok) << flag.error;
  EXPECT_EQ(flag.result["result"]["value"], "undefined");
  connection->Shutdown();
}

TEST_F(ChromiumDevTools, KilledChromiumFailsEveryCallPromptly) {
  ASSERT_NO_FATAL_FAILURE(OpenBlankPage());

  // A call in flight when Chromium dies: a promise that never resolves on its own.
  auto in_flight = std::async(std::launch::async, [&] {
    return page->Call("Runtime.evaluate",
                      {{"expression", "new Promise(() => {})"}, {"awaitPromise", true}}, 60s);
  });
  std::this_thread::sleep_for(200ms);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(::kill(connection->process().pid(), SIGKILL), 0);

  ASSERT_EQ(in_flight.wait_for(5s), std::future_status::ready);
  EXPECT_FALSE(in_flight.get().ok);
  for (const char* method : {"Runtime.evaluate", "Page.navigate", "Target.getTargets"}) {
    CommandResult r = page->Call(method, {{"expression", "1"}, {"url", "about:blank"}}, 60s);
    EXPECT_FALSE(r.ok) << method;
  }
  bool failed_at_once = false;
  page->Send("Page.reload", Json::object(), [&](const CommandResult& r) { failed_at_once = !r.ok; });
  EXPECT_TRUE(failed_at_once);
  EXPECT_FALSE(connection->alive());
  EXPECT_TRUE(connection->CreatePage("about:blank", &error).empty());
  connection->Shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
  EXPECT_EQ(e2e::CountProcessesMentioning(profile), 0);
}

TEST_F(ChromiumDevTools, MissingChromiumFailsStartWithAReason) {
  LaunchOptions options = e2e::Options();
  options.executable = "/nonexistent/chromium";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ChromiumConnection::Start(options, &error), nullptr);
  EXPECT_NE(error.find("/nonexistent/chromium"), std::string::npos) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
