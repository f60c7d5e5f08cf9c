// The scripted runtime, render side: contexts, V8 calls and process messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "scripted_fixture.h"

namespace scripted = mvengine::scripted;
using engine_test::Has;
using engine_test::ScriptedTest;
using engine_test::TestClient;

namespace {

CefRefPtr<CefProcessMessage> FlagMessage(int64 frame_id, bool flag) {
  CefRefPtr<CefProcessMessage> m = CefProcessMessage::Create("msg_SetFlag");
  uint64 bits = static_cast<uint64>(frame_id);
  m->GetArgumentList()->SetInt(0, static_cast<int>(static_cast<uint32>(bits)));
  m->GetArgumentList()->SetInt(1, static_cast<int>(static_cast<uint32>(bits >> 32)));
  m->GetArgumentList()->SetBool(2, flag);
  return m;
}

TEST_F(ScriptedTest, ContextCreationRunsOnTheRendererAndInstallsFunctions) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefV8Context> context = scripted::CreateContext(id);
  ASSERT_TRUE(context);
  EXPECT_TRUE(Has(app_->Events(), "OnContextCreated:" + std::to_string(scripted::MainFrameId(id))));
  EXPECT_TRUE(context->GetBrowser()->IsSame(scripted::GetRenderBrowser(id)));
  EXPECT_EQ(scripted::MainFrameId(id), context->GetFrame()->GetIdentifier());
  EXPECT_TRUE(scripted::GetRenderBrowser(id)->GetMainFrame()->GetV8Context()->IsSame(context));
  EXPECT_EQ(nullptr, scripted::GetBrowser(id)->GetMainFrame()->GetV8Context().get());  // browser side has none
  CefRefPtr<CefV8Value> flag = scripted::GetGlobalProperty(context, "flag");
  ASSERT_TRUE(flag);
  EXPECT_TRUE(flag->IsBool());
  EXPECT_TRUE(scripted::GetGlobalProperty(context, "nothing")->IsUndefined());
}

TEST_F(ScriptedTest, CallingAnInstalledFunctionReachesTheBrowserOnTheUiThread) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefV8Context> context = scripted::CreateContext(id);
  scripted::FunctionResult r =
      scripted::CallFunction(context, "echo", {CefV8Value::CreateString("\xE4\xB8\xAD")});
  ASSERT_TRUE(r.found);
  EXPECT_EQ("", r.exception);
  EXPECT_EQ("echo:\xE4\xB8\xAD", scripted::StringOf(r.value));
  EXPECT_TRUE(Has(app_->Events(), "Execute:echo"));

  ASSERT_TRUE(scripted::WaitForCall(scripted::CallKind::kSendProcessMessage));
  scripted::WaitIdle();
  scripted::Call sent = scripted::LastCall(scripted::CallKind::kSendProcessMessage);
  EXPECT_EQ(PID_RENDERER, sent.process);
  EXPECT_EQ(PID_BROWSER, sent.target);
  EXPECT_EQ(id, sent.browser_id);
  EXPECT_EQ("msg_Echo", sent.message.name);
  ASSERT_EQ(1u, sent.message.args.size());
  EXPECT_EQ(VTYPE_STRING, sent.message.args[0].type);
  EXPECT_EQ("\xE4\xB8\xAD", sent.message.args[0].string_value);
  EXPECT_TRUE(Has(client->Events(), "OnProcessMessageReceived:1:msg_Echo:\xE4\xB8\xAD"));
  EXPECT_TRUE(client->WrongThread().empty());
}

TEST_F(ScriptedTest, FunctionExceptionsAndMissingFunctions) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefV8Context> context = scripted::CreateContext(id);
  scripted::FunctionResult bad = scripted::CallFunction(context, "echo", {CefV8Value::CreateInt(3)});
  EXPECT_TRUE(bad.found);
  EXPECT_EQ(nullptr, bad.value.get());
  EXPECT_EQ("echo needs a string", bad.exception);
  EXPECT_FALSE(scripted::CallFunction(context, "flag").found);
  EXPECT_FALSE(scripted::CallFunction(context, "absent").found);
}

TEST_F(ScriptedTest, BrowserMessagesReachTheRendererAsACopy) {
  const int64 frame_id = static_cast<int64>(0x1234567880000001LL);
  scripted::SetNextMainFrameId(frame_id);
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefV8Context> context = scripted::CreateContext(id);

  CefRefPtr<CefProcessMessage> m = FlagMessage(frame_id, true);
  ASSERT_TRUE(scripted::GetBrowser(id)->SendProcessMessage(PID_RENDERER, m));
  m->GetArgumentList()->SetBool(2, false);  // the sender's later change must not travel
  scripted::WaitIdle();
  EXPECT_TRUE(Has(app_->Events(), "Render:msg_SetFlag"));
  EXPECT_TRUE(scripted::GetGlobalProperty(context, "flag")->GetBoolValue());

  scripted::Call sent = scripted::LastCall(scripted::CallKind::kSendProcessMessage);
  EXPECT_EQ(PID_BROWSER, sent.process);
  EXPECT_EQ(PID_RENDERER, sent.target);
  ASSERT_EQ(3u, sent.message.args.size());
  EXPECT_EQ(static_cast<int>(0x80000001u), sent.message.args[0].int_value);
  EXPECT_EQ(0x12345678, sent.message.args[1].int_value);
  EXPECT_TRUE(sent.message.args[2].bool_value);

  EXPECT_FALSE(scripted::GetBrowser(id)->SendProcessMessage(PID_BROWSER, FlagMessage(frame_id, true)));
}

TEST_F(ScriptedTest, AFailingGlobalWriteShowsAsAnException) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefV8Context> context = scripted::CreateContext(id);
  scripted::FailGlobalWrites(context, "flag");
  EXPECT_TRUE(scripted::DeliverToRenderer(id, FlagMessage(scripted::MainFrameId(id), true)));
  EXPECT_TRUE(app_->write_failed);
  EXPECT_FALSE(scripted::GetGlobalProperty(context, "flag")->GetBoolValue());
}

TEST_F(ScriptedTest, ReleasedContextsAreInvalid) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefV8Context> context = scripted::CreateContext(id);
  scripted::ReleaseContext(id);
  EXPECT_FALSE(context->IsValid());
  EXPECT_EQ(nullptr, scripted::GetContext(id).get());
  EXPECT_FALSE(scripted::DeliverToRenderer(id, FlagMessage(scripted::MainFrameId(id), true)));
}

TEST_F(ScriptedTest, DeliverToBrowserUsesTheClientHandler) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefProcessMessage> m = CefProcessMessage::Create("msg_BatchUploadImg");
  m->GetArgumentList()->SetString(0, "payload");
  EXPECT_TRUE(scripted::DeliverToBrowser(id, m));
  EXPECT_TRUE(Has(client->Events(), "OnProcessMessageReceived:1:msg_BatchUploadImg:payload"));
}

}  // namespace
