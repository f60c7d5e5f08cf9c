// The page bridge as a page meets it: what every new context carries, and what the five
// functions return, read and send, called on the renderer thread as a page's script calls them.
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "include/cef_command_line.h"
#include "engine/src/v8_model.h"
#include "pagebridge/data_uri.h"
#include "pagebridge/process_messages.h"
#include "pagebridge/simple_app.h"
#include "tests/unit/system/systest_support.h"

namespace {

using scripted::CallKind;

const char* const kFunctions[] = {"uploadImg", "batchUploadImg", "initUploadIsDone", "uploadIsDone",
                                  "uploadFeedbackImg"};

class BridgeTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    InitClient();
    CreateWindowless();
    engine_ = EngineBrowser();
    context_ = scripted::CreateContext(engine_);
    ASSERT_TRUE(context_);
    scripted::ClearCalls();
  }

  systest::Execution Run(const std::string& name, const CefV8ValueList& args = CefV8ValueList()) {
    return systest::ExecuteDirect(context_, name, args);
  }

  static CefV8ValueList Args(int kind) { return {CefV8Value::CreateInt(kind)}; }
  static CefV8ValueList Args(int kind, const std::string& folder) {
    return {CefV8Value::CreateInt(kind), CefV8Value::CreateString(folder)};
  }

  // The string a handled call returned; fails the test otherwise.
  std::string StringResult(const std::string& name, const CefV8ValueList& args, const std::string& label) {
    const systest::Execution run = Run(name, args);
    EXPECT_TRUE(run.handled) << label;
    EXPECT_TRUE(run.exception.empty()) << label;
    if (!run.retval || !run.retval->IsString()) {
      ADD_FAILURE() << label << ": no string returned";
      return std::string();
    }
    return run.retval->GetStringValue().ToString();
  }

  int engine_ = 0;
  CefRefPtr<CefV8Context> context_;
};

// `uri` is `prefix` then the Base64 of `bytes`, broken after every 76 characters of full groups.
void ExpectDataUri(const std::string& uri, const std::string& prefix, const std::string& bytes,
                   const std::string& label) {
  ASSERT_EQ(uri.compare(0, prefix.size(), prefix), 0) << label << ": " << uri.substr(0, 40);
  const std::string encoding = uri.substr(prefix.size());
  EXPECT_EQ(systest::DecodeBase64(encoding), bytes) << label;
  size_t line_start = 0;
  for (size_t at = encoding.find("\r\n"); at != std::string::npos; at = encoding.find("\r\n", line_start)) {
    EXPECT_EQ(at - line_start, 76u) << label;
    line_start = at + 2;
  }
  EXPECT_LE(encoding.size() - line_start, 76u) << label;
}

// Bytes of every value, so that a file read short or from the wrong place shows.
std::string ImageBytes(const std::string& tag, size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>((i * 37 + tag.size() * 11 + tag[0]) & 0xFF));
  return tag + bytes;
}

TEST_F(BridgeTest, EveryContextGetsTheFunctionsAndItsOwnFlag) {
  const int64 child = 0x7000;
  scripted::AddFrame(engine_, child, "child");
  CefRefPtr<CefV8Context> iframe = scripted::CreateContext(engine_, child);
  ASSERT_TRUE(iframe);

  // A second browser's page shares the same application, so the same handler.
  CreateWindowless();
  CefRefPtr<CefV8Context> other_page = scripted::CreateContext(EngineBrowser());

  const CefRefPtr<CefV8Handler> shared = systest::HandlerOf(context_, "uploadImg");
  ASSERT_TRUE(shared);
  for (CefRefPtr<CefV8Context> context : {context_, iframe, other_page}) {
    EXPECT_EQ(systest::BoolProperty(context, "uploadIsDoneValue"), 0);
    for (const char* name : kFunctions) {
      const CefRefPtr<CefV8Handler> handler = systest::HandlerOf(context, name);
      EXPECT_TRUE(handler) << name;
      EXPECT_EQ(handler.get(), shared.get()) << name << ": one handler for every function of every context";
    }
  }

  // The main frame's flag turns true; a context created later does not reset it, a new
  // document of the main frame does.
  CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("msg_InitUploadIsDoneEx");
  int32_t low = 0, high = 0;
  mvcef::SplitFrameId(scripted::MainFrameId(engine_), &low, &high);
  reply->GetArgumentList()->SetInt(0, low);
  reply->GetArgumentList()->SetInt(1, high);
  reply->GetArgumentList()->SetBool(2, true);
  EXPECT_TRUE(scripted::DeliverToRenderer(engine_, reply));
  EXPECT_EQ(systest::BoolProperty(context_, "uploadIsDoneValue"), 1);
  EXPECT_EQ(systest::BoolProperty(iframe, "uploadIsDoneValue"), 0);
  scripted::CreateContext(engine_, child);
  EXPECT_EQ(systest::BoolProperty(context_, "uploadIsDoneValue"), 1);
  CefRefPtr<CefV8Context> reloaded = scripted::CreateContext(engine_);
  EXPECT_EQ(systest::BoolProperty(reloaded, "uploadIsDoneValue"), 0);
  const scripted::FunctionResult first_poll = scripted::CallFunction(reloaded, "uploadIsDone");
  ASSERT_TRUE(first_poll.value && first_poll.value->IsBool());
  EXPECT_FALSE(first_poll.value->GetBoolValue()) << "the true of the document before is not this one's";
  EXPECT_EQ(systest::HandlerOf(reloaded, "uploadIsDone").get(), shared.get());
}

TEST_F(BridgeTest, OnlyTheFourServedNamesAreHandled) {
  const CefRefPtr<CefV8Handler> handler = systest::HandlerOf(context_, "uploadImg");
  ASSERT_TRUE(handler);
  for (const char* name : {"initUploadIsDone", "UploadImg", "uploadimg", "uploadIsDoneValue", "", "uploadImg2"}) {
    bool handled = true;
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    scripted::RunOnRenderer([&] {
      context_->Enter();
      handled = handler->Execute(name, context_->GetGlobal(), Args(1), retval, exception);
      context_->Exit();
    });
    EXPECT_FALSE(handled) << name;
    EXPECT_FALSE(retval) << name;
    EXPECT_TRUE(exception.empty()) << name;
  }
  // initUploadIsDone is there for pages to call, and does nothing.
  const scripted::FunctionResult init = scripted::CallFunction(context_, "initUploadIsDone");
  EXPECT_TRUE(init.found);
  ASSERT_TRUE(init.value);
  EXPECT_TRUE(init.value->IsUndefined());
  EXPECT_TRUE(init.exception.empty());
  scripted::WaitIdle();
  EXPECT_EQ(scripted::CountOf(CallKind::kSendProcessMessage), 0u);
}

// A frame at an address, as the engine reports it to OnContextCreated.
class AddressedFrame : public CefFrame {
 public:
  explicit AddressedFrame(const std::string& url) : url_(url) {}
  bool IsValid() override { return true; }
  void GetText(CefRefPtr<CefStringVisitor>) override {}
  void LoadURL(const CefString&) override {}
  void LoadString(const CefString&, const CefString&) override {}
  bool IsMain() override { return true; }
  int64 GetIdentifier() override { return 7; }
  CefString GetURL() override { return url_; }
  CefRefPtr<CefBrowser> GetBrowser() override { return nullptr; }
  CefRefPtr<CefV8Context> GetV8Context() override { return nullptr; }

 private:
  const std::string url_;
  IMPLEMENT_REFCOUNTING(AddressedFrame);
};

// How many names OnContextCreated put on the global of a new context of a frame at `url`.
size_t InstalledNames(CefRefPtr<SimpleApp> app, const std::string& url) {
  CefRefPtr<CefFrame> frame = new AddressedFrame(url);
  CefRefPtr<CefV8Context> context = mvengine::CreateV8Context(nullptr, frame);
  app->OnContextCreated(nullptr, frame, context);
  std::vector<CefString> keys;
  context->GetGlobal()->GetKeys(keys);
  mvengine::InvalidateV8Context(context);
  return keys.size();
}

// With a list, only frames of listed origins get the bridge, and a render process the engine
// starts gets the list from the browser process's launch hook.
TEST(BridgeOriginsTest, OnlyListedOriginsGetTheBridgeAlsoInTheRenderProcess) {
  CefRefPtr<SimpleApp> browser_side = new SimpleApp();
  browser_side->RestrictBridgeTo({"https://feedback.example.com", "file://"});
  CefRefPtr<CefCommandLine> child = CefCommandLine::CreateCommandLine();
  child->InitFromString("marovekcef --type=renderer");
  browser_side->OnBeforeChildProcessLaunch(child);
  CefRefPtr<SimpleApp> render_side = new SimpleApp();
  render_side->OnBeforeCommandLineProcessing("renderer", child);

  // Unrestricted: the launch hook adds nothing, and the game's own command line counts for nothing.
  CefRefPtr<SimpleApp> unrestricted = new SimpleApp();
  CefRefPtr<CefCommandLine> plain = CefCommandLine::CreateCommandLine();
  unrestricted->OnBeforeChildProcessLaunch(plain);
  EXPECT_FALSE(plain->HasSwitch("mvcef-bridge-origins"));
  unrestricted->OnBeforeCommandLineProcessing("", child);

  const struct {
    const char* url;
    bool listed;
  } frames[] = {{"https://feedback.example.com/page?x=1", true},
                {"file:///opt/game/pages/index.html", true},
                {"https://ads.example.net/frame.html", false},
                {"http://feedback.example.com/", false},
                {"about:blank", false}};
  const size_t all = std::size(kFunctions) + 1;  // and uploadIsDoneValue
  for (const auto& f : frames) {
    SCOPED_TRACE(f.url);
    EXPECT_EQ(InstalledNames(browser_side, f.url), f.listed ? all : 0u);
    EXPECT_EQ(InstalledNames(render_side, f.url), f.listed ? all : 0u);
    EXPECT_EQ(InstalledNames(unrestricted, f.url), all);
  }
}

class ImageTest : public BridgeTest {
 protected:
  systest::DataFolder data_;
};

TEST_F(ImageTest, ScreenshotsByKindAndSubFolder) {
  const struct {
    const char* relative;
    size_t size;
  } files[] = {{"rc1_0.png", 100}, {"X1.png", 57}, {"X2.png", 1000},
               {"s1/rc1_0.png", 3}, {"s1/X1.png", 58}, {"s1/X2.png", 200}, {"../rc1_0.png", 11}};
  for (const auto& f : files) systest::WriteFile(data_.Screenshot(f.relative), ImageBytes(f.relative, f.size));

  const struct {
    int kind;
    const char* folder;  // null: one argument only
    int file;            // index into files; -1: the placeholder
  } cases[] = {
      {1, nullptr, 0}, {2, nullptr, 1},    {3, nullptr, 2}, {1, "s1", 3},      {2, "s1", 4}, {3, "s1", 5},
      {4, nullptr, -1}, {0, nullptr, -1},  {-1, "s1", -1},  {1, "missing", -1}, {2, "s1/", 4}, {1, "", 0},
      // data/rc1_0.png exists, but above the screenshot folder: out of reach.
      {1, "..", -1},    {1, "/..", -1},    {1, "s1/../..", -1}, {1, "s1\\..\\..", -1},
  };
  for (const auto& c : cases) {
    const std::string label = "kind " + std::to_string(c.kind) + " folder " + (c.folder ? c.folder : "(none)");
    const std::string uri = StringResult("uploadImg", c.folder ? Args(c.kind, c.folder) : Args(c.kind), label);
    if (c.file >= 0) {
      ExpectDataUri(uri, "data:image/png;base64,", ImageBytes(files[c.file].relative, files[c.file].size), label);
    } else {
      EXPECT_EQ(uri, mvcef::PlaceholderImageUri()) << label;
    }
  }
  EXPECT_EQ(mvcef::PlaceholderImageUri().rfind("data:image/svg+xml;base64,", 0), 0u);
  // Reading images sends nothing anywhere.
  scripted::WaitIdle();
  EXPECT_EQ(scripted::CountOf(CallKind::kSendProcessMessage), 0u);
}

TEST_F(ImageTest, WithoutArgumentsNothingIsRead) {
  systest::WriteFile(data_.Screenshot("rc1_0.png"), "png");
  const systest::Execution run = Run("uploadImg");
  EXPECT_TRUE(run.found);
  EXPECT_FALSE(run.handled);
  EXPECT_FALSE(run.retval);
  const scripted::FunctionResult page = scripted::CallFunction(context_, "uploadImg");
  ASSERT_TRUE(page.value);
  EXPECT_TRUE(page.value->IsUndefined());
}

TEST_F(ImageTest, AnEmptyScreenshotIsAnEmptyEncoding) {
  systest::WriteFile(data_.Screenshot("empty/X2.png"), "");
  EXPECT_EQ(StringResult("uploadImg", Args(3, "empty"), "empty file"), "data:image/png;base64,");
}

TEST_F(ImageTest, AFolderTooLongForAPathGetsThePlaceholder) {
  systest::WriteFile(data_.Screenshot("rc1_0.png"), "png");
  // Past the 260-character buffer whatever the build folder's length; also one a bit shorter
  // than the limit and one that reaches it with the file name.
  const std::string folder_prefix = data_.Screenshot("");
  for (size_t length : {size_t(300), size_t(4096), 259 - folder_prefix.size(), 260 - folder_prefix.size() - 10}) {
    const std::string folder(length, 'a');
    EXPECT_EQ(StringResult("uploadImg", Args(1, folder), "folder of " + std::to_string(length)),
              mvcef::PlaceholderImageUri());
  }
}

TEST_F(ImageTest, FeedbackImageOnlyForKindZero) {
  systest::DebugLines debug;
  const std::string jpeg = ImageBytes("\xFF\xD8\xFF", 5000);
  systest::WriteFile(data_.Feedback(), jpeg);

  const std::string uri = StringResult("uploadFeedbackImg", Args(0), "feedback present");
  ExpectDataUri(uri, "data:image/jpg;base64,", jpeg, "feedback present");
  const std::vector<std::string> lines = debug.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], systest::ExecutableFolder() + "/../data/feedback.jpg");
  EXPECT_EQ(lines[1], "base64 size = " + std::to_string(uri.size()));

  for (const CefV8ValueList& args : {Args(1), Args(-1), CefV8ValueList()}) {
    const systest::Execution run = Run("uploadFeedbackImg", args);
    EXPECT_FALSE(run.handled) << args.size();
    EXPECT_FALSE(run.retval);
  }
  EXPECT_EQ(debug.Lines().size(), 2u) << "other kinds read nothing and log nothing";
}

// Larger files would make an answer beyond what Chromium's DevTools pipe carries.
TEST_F(ImageTest, ImagesAboveTheSizeLimitCountAsUnreadable) {
  for (const std::string& path : {data_.Screenshot("rc1_0.png"), data_.Feedback()}) {
    systest::WriteFile(path, "x");
    std::filesystem::resize_file(path, mvcef::kMaxImageFileBytes + 1);  // sparse: no disk used
  }
  EXPECT_EQ(StringResult("uploadImg", Args(1), "large screenshot"), mvcef::PlaceholderImageUri());
  EXPECT_FALSE(Run("uploadFeedbackImg", Args(0)).handled);
}

TEST_F(ImageTest, AMissingFeedbackImageIsNotHandled) {
  systest::DebugLines debug;
  const systest::Execution run = Run("uploadFeedbackImg", Args(0));
  EXPECT_FALSE(run.handled);
  EXPECT_FALSE(run.retval);
  const scripted::FunctionResult page = scripted::CallFunction(context_, "uploadFeedbackImg", Args(0));
  ASSERT_TRUE(page.value);
  EXPECT_TRUE(page.value->IsUndefined());
  const std::vector<std::string> lines = debug.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], systest::ExecutableFolder() + "/../data/feedback.jpg");
  for (const std::string& line : lines) EXPECT_EQ(line.find("base64 size"), std::string::npos);
}

TEST_F(BridgeTest, BatchUploadSendsTheTextToTheHost) {
  const scripted::FunctionResult first =
      scripted::CallFunction(context_, "batchUploadImg", {CefV8Value::CreateString("x")});
  ASSERT_TRUE(first.value);
  EXPECT_TRUE(first.value->IsUndefined());
  const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87 ok";
  EXPECT_TRUE(Run("batchUploadImg", {CefV8Value::CreateString(chinese)}).handled);
  // Of a long text only what the host's field can take travels.
  EXPECT_TRUE(Run("batchUploadImg", {CefV8Value::CreateString(std::string(100000, 'q'))}).handled);
  scripted::WaitIdle();

  const std::vector<scripted::Call> sent = scripted::CallsOf(CallKind::kSendProcessMessage);
  ASSERT_EQ(sent.size(), 3u);
  for (const scripted::Call& call : sent) {
    EXPECT_EQ(call.process, PID_RENDERER);
    EXPECT_EQ(call.target, PID_BROWSER);
    EXPECT_EQ(call.browser_id, engine_);
    EXPECT_EQ(call.message.name, "msg_BatchUploadImg");
    ASSERT_EQ(call.message.args.size(), 1u);
    EXPECT_EQ(call.message.args[0].type, VTYPE_STRING);
  }
  EXPECT_EQ(sent[0].message.args[0].string_value, "x");
  EXPECT_EQ(sent[1].message.args[0].string_value, chinese);
  EXPECT_EQ(sent[2].message.args[0].string_value.size(), 255u) << "the page's whole text was sent";

  // The host gets both, in order, the text as UTF-8.
  char name[256] = {0}, value[256] = {0};
  ASSERT_TRUE(fnmvPackCefDllIsDirty());
  fnmvPackCefDllGetMsg(name, value);
  EXPECT_STREQ(name, "batchUploadImg");
  EXPECT_STREQ(value, "x");
  fnmvPackCefDllGetMsg(name, value);
  EXPECT_STREQ(value, chinese.c_str());
  fnmvPackCefDllGetMsg(name, value);
  EXPECT_EQ(std::string(value), std::string(255, 'q'));
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
}

TEST_F(BridgeTest, BatchUploadWithoutTextSendsNothing) {
  const systest::Execution run = Run("batchUploadImg");
  EXPECT_TRUE(run.found);
  EXPECT_FALSE(run.handled);
  scripted::WaitIdle();
  EXPECT_EQ(scripted::CountOf(CallKind::kSendProcessMessage), 0u);
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
}

}  // namespace
