// Page-visible native functions in the Chromium runtime: what the application's
// render-process handler installs is on the page before its first script, calls
// are synchronous and computed natively, process messages travel both ways.
#include <chrono>
#include <map>
#include <thread>

#include <gtest/gtest.h>

#include "e2e_support.h"
#include "engine_start.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
#include "engine/src/runtime.h"
#include "test_client.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

const char kFlag[] = "uploadIsDoneValue";

// What the render side saw, for the test thread to check.
struct RenderLog {
  std::mutex m;
  std::map<std::string, int64> context_frames;  // frame URL file name -> frame id
  std::vector<std::thread::id> threads;
  std::vector<int> message_sources;
  std::map<int, int> released;  // browser id -> contexts released
};
RenderLog& Log() {
  static RenderLog log;
  return log;
}

class Functions : public CefV8Handler {
 public:
  bool Execute(const CefString& name, CefRefPtr<CefV8Value>, const CefV8ValueList& args,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    {
      std::lock_guard<std::mutex> lock(Log().m);
      Log().threads.push_back(std::this_thread::get_id());
    }
    CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
    CefRefPtr<CefBrowser> browser = current ? current->GetBrowser() : nullptr;
    const std::string n = name.ToString();
    if (n == "nativeAdd" && args.size() == 2) {
      if (args[0]->IsInt() && args[1]->IsInt())
        retval = CefV8Value::CreateInt(args[0]->GetIntValue() + args[1]->GetIntValue());
      else
        retval = CefV8Value::CreateDouble(args[0]->GetDoubleValue() + args[1]->GetDoubleValue());
    } else if (n == "nativeEcho") {
      if (!args.empty()) retval = CefV8Value::CreateString(args[0]->GetStringValue());
    } else if (n == "nativeFail") {
      exception = "boom";
    } else if (n == "nativeFlag" && browser) {
      // Always the main frame's flag, read from the render side's own model.
      CefRefPtr<CefV8Context> main = browser->GetMainFrame()->GetV8Context();
      CefRefPtr<CefV8Value> flag = main ? main->GetGlobal()->GetValue(kFlag) : nullptr;
      retval = CefV8Value::CreateString(!flag ? "none" : flag->GetBoolValue() ? "true" : "false");
    } else if (n == "nativeSend" && browser && !args.empty()) {
      CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("fromPage");
      message->GetArgumentList()->SetString(0, args[0]->GetStringValue());
      browser->SendProcessMessage(PID_BROWSER, message);
    } else {
      return false;
    }
    return true;
  }
  IMPLEMENT_REFCOUNTING(Functions);
};

class RenderSide : public CefRenderProcessHandler {
 public:
  void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context) override {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    for (const char* name : {"nativeAdd", "nativeEcho", "nativeFail", "nativeFlag", "nativeSend"})
      global->SetValue(name, CefV8Value::CreateFunction(name, functions_), V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue(kFlag, CefV8Value::CreateBool(false), V8_PROPERTY_ATTRIBUTE_NONE);
    std::string url = frame->GetURL().ToString();
    std::lock_guard<std::mutex> lock(Log().m);
    Log().context_frames[url.substr(url.rfind('/') + 1)] = frame->GetIdentifier();
    Log().threads.push_back(std::this_thread::get_id());
  }
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>, CefRefPtr<CefV8Context> context) override {
    std::lock_guard<std::mutex> lock(Log().m);
    if (browser && context->GetGlobal()->HasValue("nativeAdd")) ++Log().released[browser->GetIdentifier()];
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    {
      std::lock_guard<std::mutex> lock(Log().m);
      Log().message_sources.push_back(source);
    }
    if (message->GetName().ToString() != "setFlag") return false;
    CefRefPtr<CefV8Context> main = browser->GetMainFrame()->GetV8Context();
    if (!main || !main->Enter()) return true;
    main->GetGlobal()->SetValue(kFlag, CefV8Value::CreateBool(message->GetArgumentList()->GetBool(0)),
                                V8_PROPERTY_ATTRIBUTE_NONE);
    main->Exit();
    return true;
  }

 private:
  CefRefPtr<Functions> functions_ = new Functions();
  IMPLEMENT_REFCOUNTING(RenderSide);
};

class BridgeApp : public CefApp {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return render_; }

 private:
  CefRefPtr<RenderSide> render_ = new RenderSide();
  IMPLEMENT_REFCOUNTING(BridgeApp);
};

class BridgeClient : public e2e::TestClient {
 public:
  BridgeClient() : TestClient(800, 600) {}
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> b, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    std::lock_guard<std::mutex> lock(m);
    messages.push_back(message->GetArgumentList()->GetString(0).ToString() +
                       (source == PID_RENDERER ? "" : "(wrong source)"));
    message_threads.push_back(std::this_thread::get_id());
    ui_thread_browser = b;
    cv.notify_all();
    return true;
  }
  std::vector<std::string> messages;
  std::vector<std::thread::id> message_threads;
  CefRefPtr<CefBrowser> ui_thread_browser;
};

std::string MainFrameText(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<e2e::TextVisitor> visitor(new e2e::TextVisitor());
  browser->GetMainFrame()->GetText(visitor.get());
  return visitor->Wait();
}

// Waits until the main frame's text contains `part`; returns the last text seen.
std::string WaitForText(CefRefPtr<CefBrowser> browser, const std::string& part) {
  std::string text;
  for (auto end = std::chrono::steady_clock::now() + 15s; std::chrono::steady_clock::now() < end;) {
    text = MainFrameText(browser);
    if (text.find(part) != std::string::npos) break;
    std::this_thread::sleep_for(100ms);
  }
  return text;
}

class PageBridge : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ready_ = e2e::StartEngine("page_bridge_e2e", new BridgeApp());
  }
  static void TearDownTestSuite() {
    if (ready_) CefShutdown();
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "Chromium did not start";
    client_ = new BridgeClient();
    CefWindowInfo info;
    info.SetAsWindowless(kNullWindowHandle, false);
    CefBrowserSettings settings;
    const std::string url = "file://" + e2e::PagesDir() + "/bridge.html";
    ASSERT_TRUE(CefBrowserHost::CreateBrowser(info, client_.get(), url, settings, nullptr));
    ASSERT_TRUE(client_->WaitFor([&] { return client_->browser.get() != nullptr; }));
    browser_ = client_->browser;
  }
  void TearDown() override {
    if (browser_) browser_->GetHost()->CloseBrowser(true);
    // The close is recorded as an event (which wakes waiters) before `closed` is set.
    if (client_) client_->WaitFor([&] { return client_->CountEvents("beforeclose") > 0; });
  }
  static bool ready_;
  CefRefPtr<BridgeClient> client_;
  CefRefPtr<CefBrowser> browser_;
};
bool PageBridge::ready_ = false;

TEST_F(PageBridge, FunctionsAreThereBeforeThePagesScriptsAndAnswerSynchronously) {
  const std::string text = WaitForText(browser_, "sum=");
  // Each part shows one rule: installed before the first script, integer and
  // double arguments, strings both ways, undefined, exceptions, and the flag
  // the page set just before the call.
  for (const char* part : {"types=function,function,boolean", "sum=42", "half=1.25", "echo=h\u00e9llo \"q\"",
                           "nothing=undefined", "thrown=boom", "snapshot=true", "snapshot2=false"})
    EXPECT_NE(text.find(part), std::string::npos) << part << " not in: " << text;

  // Messages from the render side reach the client on the UI thread, from the
  // main frame and from the same-origin iframe (which got its own context). A
  // page that committed before the set-up is loaded again, and its iframe may
  // have asked already: the one that counts is the iframe known by its address.
  ASSERT_TRUE(client_->WaitFor([&] {
    std::lock_guard<std::mutex> lock(Log().m);
    return client_->messages.size() >= 2 && Log().context_frames.count("bridge_child.html") > 0;
  }));
  std::thread::id ui;
  {
    std::lock_guard<std::mutex> lock(client_->m);
    EXPECT_NE(std::find(client_->messages.begin(), client_->messages.end(), "main"), client_->messages.end());
    EXPECT_NE(std::find(client_->messages.begin(), client_->messages.end(), "child:function:3"),
              client_->messages.end());
    EXPECT_TRUE(client_->ui_thread_browser->IsSame(browser_));
    ui = client_->threads.front();  // OnAfterCreated's thread
    for (auto& t : client_->message_threads) EXPECT_EQ(t, ui);
  }
  std::lock_guard<std::mutex> lock(Log().m);
  ASSERT_EQ(Log().context_frames.count("bridge.html"), 1u);
  ASSERT_EQ(Log().context_frames.count("bridge_child.html"), 1u);
  EXPECT_EQ(Log().context_frames["bridge.html"], browser_->GetMainFrame()->GetIdentifier());
  EXPECT_NE(Log().context_frames["bridge_child.html"], Log().context_frames["bridge.html"]);
  // The render side has a thread of its own, neither the UI thread nor ours.
  ASSERT_FALSE(Log().threads.empty());
  for (auto& t : Log().threads) {
    EXPECT_EQ(t, Log().threads.front());
    EXPECT_NE(t, ui);
    EXPECT_NE(t, std::this_thread::get_id());
  }
}

TEST_F(PageBridge, RenderSideWritesOfTheFlagReachThePage) {
  ASSERT_NE(WaitForText(browser_, "flag=false").find("flag=false"), std::string::npos);
  for (bool value : {true, false, true}) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("setFlag");
    message->GetArgumentList()->SetBool(0, value);
    ASSERT_TRUE(browser_->SendProcessMessage(PID_RENDERER, message));
    const std::string want = std::string("flag=") + (value ? "true" : "false");
    EXPECT_NE(WaitForText(browser_, want).find(want), std::string::npos) << want;
  }
  std::lock_guard<std::mutex> lock(Log().m);
  ASSERT_FALSE(Log().message_sources.empty());
  for (int source : Log().message_sources) EXPECT_EQ(source, PID_BROWSER);
}

TEST_F(PageBridge, ClosingTheBrowserReleasesTheContextsOfItsFrames) {
  ASSERT_NE(WaitForText(browser_, "sum=").find("sum=42"), std::string::npos);
  ASSERT_TRUE(client_->WaitFor([&] { return client_->messages.size() >= 2; }));  // the iframe ran too
  // Counted for this browser alone: an earlier test's browser may still be releasing its own.
  const int id = browser_->GetIdentifier();
  int before;
  {
    std::lock_guard<std::mutex> lock(Log().m);
    before = Log().released[id];  // ids start again with each engine start
  }
  browser_->GetHost()->CloseBrowser(true);
  browser_ = nullptr;
  int released = 0;
  for (auto end = std::chrono::steady_clock::now() + 30s; released < 2 && std::chrono::steady_clock::now() < end;) {
    std::this_thread::sleep_for(50ms);
    std::lock_guard<std::mutex> lock(Log().m);
    released = Log().released[id] - before;
  }
  // Every context still open goes at close: at least the two frames'.
  EXPECT_GE(released, 2) << "main frame and iframe";
}

TEST_F(PageBridge, CrossOriginFramesGetTheFunctionsBeforeTheirScriptsToo) {
  // 127.0.0.1 and localhost are different sites: the inner page runs in a
  // target (and renderer) of its own.
  e2e::LoopbackServer server([](const std::string& path) -> std::string {
    if (path == "/inner")
      return "<script>nativeSend('oopif sum=' + nativeAdd(40, 2) + ' types=' + typeof nativeFlag + ',' +"
             " typeof uploadIsDoneValue);</script>";
    return "<p>outer</p><script>var f = document.createElement('iframe');"
           "f.src = 'http://localhost:' + location.port + '/inner'; document.body.appendChild(f);</script>";
  });
  browser_->GetMainFrame()->LoadURL(server.Url("/outer"));
  const std::string expected = "oopif sum=42 types=function,boolean";
  EXPECT_TRUE(client_->WaitFor([&] {
    return std::find(client_->messages.begin(), client_->messages.end(), expected) != client_->messages.end();
  })) << "messages: " << ::testing::PrintToString(client_->messages);
}

TEST_F(PageBridge, InstalledValuesReadAndWriteLikePlainPropertiesOfThePage) {
  // Each write is read back as the page wrote it, and native code sees what JSON can carry.
  static const char kPage[] =
      "<script>var o = {a: 1}, seen = [];"
      "uploadIsDoneValue = o; seen.push(uploadIsDoneValue === o, nativeFlag() === 'false');"
      "uploadIsDoneValue = NaN; seen.push(Number.isNaN(uploadIsDoneValue));"
      "uploadIsDoneValue = -Infinity; seen.push(uploadIsDoneValue === -Infinity);"
      "uploadIsDoneValue = undefined; seen.push(uploadIsDoneValue === undefined);"
      "uploadIsDoneValue = 'x'; seen.push(uploadIsDoneValue === 'x', typeof uploadIsDoneValue);"
      "uploadIsDoneValue = true; seen.push(nativeFlag(), Object.keys(window).indexOf('uploadIsDoneValue') >= 0);"
      "nativeSend('values ' + seen.join(','));</script>";
  e2e::LoopbackServer server([](const std::string&) { return std::string(kPage); });
  browser_->GetMainFrame()->LoadURL(server.Url("/values"));
  const std::string expected = "values true,true,true,true,true,true,string,true,true";
  // The fixture's page sends messages of its own first.
  const bool answered = client_->WaitFor(
      [&] { return !client_->messages.empty() && client_->messages.back().compare(0, 7, "values ") == 0; });
  ASSERT_TRUE(answered) << ::testing::PrintToString(client_->messages);
  std::lock_guard<std::mutex> lock(client_->m);
  EXPECT_EQ(client_->messages.back(), expected) << ::testing::PrintToString(client_->messages);
}

TEST_F(PageBridge, ADocumentBeingReplacedNeverReachesTheOneThatReplacesIt) {
  // 127.0.0.1 and localhost are different sites: the new document commits in another render
  // process while the old one's script still runs, and both ask as the same frame.
  static const char kOld[] =
      "<script>nativeSend('old runs'); var end = Date.now() + 2000;"
      " while (Date.now() < end) uploadIsDoneValue = 'old';</script>";
  static const char kNew[] =
      "<script>var same = 0;"
      " for (var i = 0; i < 300; i++) { uploadIsDoneValue = i; if (uploadIsDoneValue === i) same++; }"
      " nativeSend('new ' + same + ' ' + location.hostname);</script>";
  e2e::LoopbackServer server([](const std::string& path) { return std::string(path == "/old" ? kOld : kNew); });
  browser_->GetMainFrame()->LoadURL(server.Url("/old"));
  auto sent = [&](const std::string& prefix) {
    return std::find_if(client_->messages.begin(), client_->messages.end(),
                        [&](const std::string& m) { return m.compare(0, prefix.size(), prefix) == 0; });
  };
  ASSERT_TRUE(client_->WaitFor([&] { return sent("old runs") != client_->messages.end(); }));
  std::string next = server.Url("/new");
  next.replace(next.find("127.0.0.1"), 9, "localhost");
  browser_->GetMainFrame()->LoadURL(next);
  ASSERT_TRUE(client_->WaitFor([&] { return sent("new ") != client_->messages.end(); }));
  std::lock_guard<std::mutex> lock(client_->m);
  EXPECT_EQ(*sent("new "), "new 300 localhost");
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
