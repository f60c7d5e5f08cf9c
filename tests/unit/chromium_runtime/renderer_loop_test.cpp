// The render side against a scripted browser process: requests are answered
// with what the handler installed and what its functions return, messages keep
// their types both ways, and every context is released when the browser or the
// channel goes.
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/byte_stream_posix.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/src/v8_model.h"
#include "engine/runtime/chromium/process_message_json.h"
#include "engine/runtime/chromium/render_wire.h"
#include "engine/runtime/chromium/renderer_loop.h"

namespace mvengine {
namespace chromium {
namespace {

class Handler : public CefRenderProcessHandler, public CefV8Handler {
 public:
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override { Log("browser " + Id(browser)); }
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override { Log("destroyed " + Id(browser)); }
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    Log("context " + frame->GetURL().ToString() + (frame->IsMain() ? " main" : " child"));
    context->GetGlobal()->SetValue("twice", CefV8Value::CreateFunction("twice", this), V8_PROPERTY_ATTRIBUTE_NONE);
    // Values of any name: the engine mirrors whatever the handler installs.
    context->GetGlobal()->SetValue("doneFlag", CefV8Value::CreateBool(false), V8_PROPERTY_ATTRIBUTE_NONE);
    context->GetGlobal()->SetValue("locked", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE);
    FailV8Writes(context->GetGlobal(), "locked", "locked is read-only");
    context->GetGlobal()->SetValue("object", CefV8Value::CreateObject(NULL), V8_PROPERTY_ATTRIBUTE_NONE);
  }
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override {
    Log("released " + frame->GetURL().ToString());
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    Log("message " + message->GetName().ToString() + " " + std::to_string(args->GetType(0)) + " " +
        std::to_string(source));
    // Finds the frame by its engine id, as the application does.
    CefRefPtr<CefFrame> frame = browser->GetFrame(args->GetInt(0));
    if (frame && frame->GetV8Context())
      frame->GetV8Context()->GetGlobal()->SetValue("doneFlag", CefV8Value::CreateBool(true), V8_PROPERTY_ATTRIBUTE_NONE);
    CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("reply");
    reply->GetArgumentList()->SetInt(0, 42);
    browser->SendProcessMessage(PID_BROWSER, reply);
    return true;
  }
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    if (arguments.empty() || !arguments[0]->IsInt()) {
      exception = "twice needs a number";
      return true;
    }
    retval = CefV8Value::CreateInt(arguments[0]->GetIntValue() * 2);
    return true;
  }

  std::vector<std::string> log() {
    std::lock_guard<std::mutex> lock(m_);
    return log_;
  }

 private:
  static std::string Id(CefRefPtr<CefBrowser> b) { return std::to_string(b->GetIdentifier()); }
  void Log(const std::string& s) {
    std::lock_guard<std::mutex> lock(m_);
    log_.push_back(s);
  }
  std::mutex m_;
  std::vector<std::string> log_;
  IMPLEMENT_REFCOUNTING(Handler);
};

class RendererLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds));
    browser_side_ = std::make_shared<MessageChannel>(MakeSocketStream(fds[0], fds[0]));
    auto render_side = std::make_shared<MessageChannel>(MakeSocketStream(fds[1], fds[1]));
    CefRefPtr<Handler> handler = handler_;
    thread_ = std::thread([handler, render_side] { RendererLoop(handler.get(), render_side).Run(); });
  }
  void TearDown() override {
    browser_side_->ShutdownWrite();
    if (thread_.joinable()) thread_.join();
  }

  static Json Frame(const std::string& key, long long id, const std::string& url, const std::string& parent) {
    return FrameInfoToJson(FrameInfo{key, id, url, "", parent});
  }
  // A bridge request; returns the page's answer.
  Json Request(int seq, const Json& frame, const Json& body, int browser = 1) {
    EXPECT_TRUE(browser_side_->Send({{"t", "request"},
                                     {"seq", seq},
                                     {"browser", {{"id", browser}, {"popup", false}}},
                                     {"frame", frame},
                                     {"main", Frame("M", 10, "https://a.test/", "")},
                                     {"body", body.dump()}}));
    Json m;
    while (browser_side_->Receive(&m)) {
      if (m["t"] == "answer") {
        EXPECT_EQ(seq, m["seq"]);
        return Json::parse(m["body"].get<std::string>());
      }
      received_.push_back(m);
    }
    ADD_FAILURE() << "no answer";
    return Json();
  }
  Json Next() {
    Json m;
    EXPECT_TRUE(browser_side_->Receive(&m));
    return m;
  }

  CefRefPtr<Handler> handler_ = new Handler();
  std::shared_ptr<MessageChannel> browser_side_;
  std::thread thread_;
  std::vector<Json> received_;
};

TEST_F(RendererLoopTest, ContextsInstallFunctionsThatAnswerCallsSynchronously) {
  Json installed = Request(1, Frame("M", 10, "https://a.test/", ""), {{"op", "context"}});
  EXPECT_EQ(Json::array({"twice"}), installed["functions"]);
  // Objects are not values a page can hold: only what JSON carries is mirrored.
  EXPECT_EQ(Json::array({"doneFlag", "locked"}), installed["values"]);
  EXPECT_EQ(Json::object({{"value", 42}}), Request(2, Frame("M", 10, "https://a.test/", ""),
                                                  {{"op", "call"}, {"name", "twice"}, {"args", {21}}}));
  Json failed = Request(3, Frame("M", 10, "https://a.test/", ""), {{"op", "call"}, {"name", "twice"}});
  EXPECT_EQ("twice needs a number", failed["exception"]);
  // A frame whose context this render side never made (its document began in a render process that
  // has died since) gets one on its first call: the call is answered, never thrown.
  EXPECT_EQ(Json::object({{"value", 10}}), Request(4, Frame("C", 11, "https://a.test/c", "M"),
                                                  {{"op", "call"}, {"name", "twice"}, {"args", {5}}}));
  // Requests that make no sense are still answered, so the page never stays blocked.
  EXPECT_EQ(Json::object(), Request(5, Frame("M", 10, "https://a.test/", ""), {{"op", "dance"}}));
  EXPECT_EQ(Json::object(), Request(6, Json("no frame"), {{"op", "context"}}));
  EXPECT_EQ(Json::object(), Request(7, Frame("M", 10, "https://a.test/", ""), {{"op", "context"}}, 0));
}

TEST_F(RendererLoopTest, ANewDocumentOrTheFramesEndReleasesTheFramesContext) {
  Request(1, Frame("M", 10, "https://a.test/1", ""), {{"op", "context"}});
  Request(2, Frame("C", 11, "https://a.test/child", "M"), {{"op", "context"}});
  Request(3, Frame("M", 10, "https://a.test/2", ""), {{"op", "context"}});
  // The child frame leaves the page; the main frame never does.
  ASSERT_TRUE(browser_side_->Send({{"t", "release_frame"}, {"browser", 1}, {"frame", "C"}}));
  ASSERT_TRUE(browser_side_->Send({{"t", "release_frame"}, {"browser", 1}, {"frame", "M"}}));
  Request(4, Frame("M", 10, "https://a.test/2", ""), {{"op", "get"}, {"name", "doneFlag"}});
  // The URL is the frame's as the render side knows it at release time.
  EXPECT_EQ((std::vector<std::string>{"browser 1", "context https://a.test/1 main", "context https://a.test/child child",
                                      "released https://a.test/2", "context https://a.test/2 main",
                                      "released https://a.test/child"}),
            handler_->log());
}

TEST_F(RendererLoopTest, MessagesKeepTheirTypesBothWaysAndTheirWritesAreWhatThePageReadsNext) {
  const Json main = Frame("M", 10, "https://a.test/", "");
  Request(1, main, {{"op", "context"}});
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("SetUploadIsDone");
  message->GetArgumentList()->SetInt(0, 10);
  ASSERT_TRUE(browser_side_->Send(
      {{"t", "message"}, {"browser", {{"id", 1}}}, {"main", main}, {"message", ProcessMessageToJson(message)}}));
  Json first = Next();
  EXPECT_EQ("message", first["t"]);
  EXPECT_EQ(1, first["browser"]);
  CefRefPtr<CefProcessMessage> reply = ProcessMessageFromJson(first["message"]);
  ASSERT_TRUE(reply);
  EXPECT_EQ(VTYPE_INT, reply->GetArgumentList()->GetType(0));
  EXPECT_EQ("message SetUploadIsDone " + std::to_string(VTYPE_INT) + " " + std::to_string(PID_BROWSER),
            handler_->log().back());
  // The handler's write is in the model the page reads: the very next read sees it, and nothing
  // else travels to the page.
  EXPECT_EQ(Json({{"value", true}}), Request(2, main, {{"op", "get"}, {"name", "doneFlag"}}));
  EXPECT_TRUE(received_.empty()) << Json(received_).dump();
}

TEST_F(RendererLoopTest, PageReadsAndWritesOfValuesGoToTheModelOfTheirOwnDocument) {
  const Json main = Frame("M", 10, "https://a.test/", "");
  const Json child = Frame("C", 11, "https://a.test/c", "M");
  Request(1, main, {{"op", "context"}});
  Request(2, child, {{"op", "context"}});
  int seq = 3;
  auto set = [&](const Json& frame, Json body) {
    body["op"] = "set";
    body["name"] = "doneFlag";
    return Request(seq++, frame, body);
  };
  auto get = [&](const Json& frame, const char* name = "doneFlag") {
    return Request(seq++, frame, {{"op", "get"}, {"name", name}});
  };
  // What a write carries is what the next read gives, in the page's own terms.
  struct Case {
    Json write;
    Json read;
  } cases[] = {
      {{{"value", true}}, {{"value", true}}},
      {{{"value", 7}}, {{"value", 7}}},
      {{{"value", -2.5}}, {{"value", -2.5}}},
      {{{"value", "h\u00e9"}}, {{"value", "h\u00e9"}}},
      {{{"value", nullptr}}, {{"value", nullptr}}},
      {Json::object(), Json::object()},  // undefined
      {{{"number", "NaN"}}, {{"number", "NaN"}}},
      {{{"number", "-Infinity"}}, {{"number", "-Infinity"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Json::object(), set(main, c.write)) << c.write;
    EXPECT_EQ(c.read, get(main)) << c.write;
  }
  // Each document has its own global.
  EXPECT_EQ(Json({{"value", false}}), get(child));
  EXPECT_EQ(Json::object(), set(child, {{"value", 1}}));
  EXPECT_EQ(Json({{"number", "-Infinity"}}), get(main));

  // An object stays with the page for as long as native code has not written the value since.
  EXPECT_EQ(Json::object(), set(main, {{"kept", true}}));
  EXPECT_EQ(Json({{"kept", true}}), get(main));
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("SetUploadIsDone");
  message->GetArgumentList()->SetInt(0, 10);
  ASSERT_TRUE(browser_side_->Send(
      {{"t", "message"}, {"browser", {{"id", 1}}}, {"main", main}, {"message", ProcessMessageToJson(message)}}));
  EXPECT_EQ(Json({{"value", true}}), get(main));

  // A write the model refuses throws in the page; names nobody installed read as undefined.
  EXPECT_EQ(Json({{"exception", "locked is read-only"}}),
            Request(seq++, main, {{"op", "set"}, {"name", "locked"}, {"value", 2}}));
  EXPECT_EQ(Json({{"value", 1}}), get(main, "locked"));
  EXPECT_EQ(Json::object(), get(main, "nothing"));
  // A document this render side never saw begin (its render process died and was started again)
  // gets its context at its first access, as a new document would: the handler installs its values.
  EXPECT_EQ(Json({{"value", false}}), get(Frame("X", 12, "https://a.test/x", "M")));
}

TEST_F(RendererLoopTest, ReleaseAndTheChannelsEndReleaseEveryContext) {
  Request(1, Frame("M", 10, "https://a.test/one", ""), {{"op", "context"}}, 1);
  Request(2, Frame("N", 20, "https://b.test/two", ""), {{"op", "context"}}, 2);
  ASSERT_TRUE(browser_side_->Send({{"t", "release"}, {"browser", 1}}));
  browser_side_->ShutdownWrite();
  thread_.join();
  std::vector<std::string> log = handler_->log();
  std::vector<std::string> tail(log.end() - 4, log.end());
  EXPECT_EQ((std::vector<std::string>{"released https://a.test/one", "destroyed 1", "released https://b.test/two",
                                      "destroyed 2"}),
            tail);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
