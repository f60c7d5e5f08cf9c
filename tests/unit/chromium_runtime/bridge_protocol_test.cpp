// The page bridge's wire rules: request bodies in, answers out.
#include <gtest/gtest.h>

#include "common/base64.h"
#include "engine/runtime/chromium/bridge_protocol.h"
#include "include/cef_v8.h"

namespace mvengine {
namespace chromium {
namespace {

TEST(BridgeProtocol, BodyComesFromPostDataOrItsEntries) {
  EXPECT_EQ(PausedRequestBody({{"request", {{"postData", "{\"op\":\"context\"}"}}}}), "{\"op\":\"context\"}");
  // Large or binary bodies arrive only as base64 entries, possibly split.
  Json split = {{"request", {{"postDataEntries", Json::array({{{"bytes", mvcommon::EncodeBase64("{\"op\":")}},
                                                              {{"bytes", mvcommon::EncodeBase64("\"call\"}")}}})}}}};
  EXPECT_EQ(PausedRequestBody(split), "{\"op\":\"call\"}");
  EXPECT_EQ(PausedRequestBody({{"request", Json::object()}}), "");
}

TEST(BridgeProtocol, ARequestCountsAsItsFramesDocumentsOnlyWithThatDocumentsOrigin) {
  const struct {
    const char* header;    // the request's Origin header (nullptr: none)
    const char* document;  // the origin Chromium reported at the frame's commit
    bool taken;
  } cases[] = {
      {"https://a.test", "https://a.test", true},
      {"https://b.test", "https://a.test", false},  // the old document of a cross-site navigation
      {"https://a.test:8443", "https://a.test", false},
      {"null", "file://", true},                    // file: documents send an opaque origin
      {"null", "https://a.test", false},            // a sandboxed document, or another one
      {"https://a.test", "file://", false},
      {"https://b.test", "://", true},              // about:blank and srcdoc inherit their creator's
      {"null", "://", true},                        // data:
      {"https://b.test", "", true},                 // no commit heard yet
      {nullptr, "https://a.test", false},
      {nullptr, "", true},
  };
  for (const auto& c : cases) {
    Json paused = {{"request", {{"url", "https://mvcef-bridge.invalid/"}, {"headers", Json::object()}}}};
    if (c.header) paused["request"]["headers"]["Origin"] = c.header;
    EXPECT_EQ(FromFramesDocument(paused, c.document), c.taken) << (c.header ? c.header : "none") << " in " << c.document;
  }
  // Header names are matched without regard to case; a header that is no string counts as none.
  EXPECT_TRUE(FromFramesDocument({{"request", {{"headers", {{"origin", "https://a.test"}}}}}}, "https://a.test"));
  EXPECT_FALSE(FromFramesDocument({{"request", {{"headers", {{"Origin", 7}}}}}}, "https://a.test"));
}

TEST(BridgeProtocol, FulfilmentAllowsAnyOriginAndCarriesTheBody) {
  Json p = FulfillParams("r7", "{\"value\":1}");
  EXPECT_EQ(p["requestId"], "r7");
  EXPECT_EQ(p["responseCode"], 200);
  bool cors = false;
  for (auto& h : p["responseHeaders"]) cors |= h["name"] == "Access-Control-Allow-Origin" && h["value"] == "*";
  EXPECT_TRUE(cors);
  std::vector<uint8_t> body;
  ASSERT_TRUE(mvcommon::DecodeBase64(p["body"].get<std::string>(), &body));
  EXPECT_EQ(std::string(body.begin(), body.end()), "{\"value\":1}");
}

TEST(BridgeProtocol, PageArgumentsBecomeEngineValuesOfTheRightKind) {
  struct Case {
    Json in;
    const char* kind;
  } cases[] = {{true, "bool"},     {"x", "string"},       {7, "int"},  {-3.0, "int"},
               {2.5, "double"},    {4294967296.0, "double"}, {nullptr, "null"}, {Json::object(), "null"}};
  for (const Case& c : cases) {
    CefRefPtr<CefV8Value> v = V8FromJson(c.in);
    ASSERT_TRUE(v) << c.in;
    const std::string kind = v->IsBool() ? "bool" : v->IsString() ? "string" : v->IsInt() ? "int"
                             : v->IsDouble() ? "double" : v->IsNull() ? "null" : "other";
    EXPECT_EQ(kind, c.kind) << c.in;
  }
  EXPECT_EQ(V8FromJson(-3.0)->GetIntValue(), -3);
  EXPECT_EQ(V8FromJson("h\u00e9")->GetStringValue().ToString(), "h\u00e9");
}

TEST(BridgeProtocol, AnswersCarryValueNothingOrException) {
  EXPECT_EQ(CallAnswer(CefV8Value::CreateInt(42), ""), Json({{"value", 42}}));
  EXPECT_EQ(CallAnswer(CefV8Value::CreateString("s"), ""), Json({{"value", "s"}}));
  EXPECT_EQ(CallAnswer(CefV8Value::CreateBool(false), ""), Json({{"value", false}}));
  EXPECT_EQ(CallAnswer(CefV8Value::CreateNull(), ""), Json({{"value", nullptr}}));
  EXPECT_EQ(CallAnswer(CefV8Value::CreateUndefined(), ""), Json::object());
  EXPECT_EQ(CallAnswer(NULL, ""), Json::object());
  // JSON has no NaN: the page gets null, as JSON.stringify would give it.
  EXPECT_EQ(CallAnswer(CefV8Value::CreateDouble(std::nan("")), ""), Json({{"value", nullptr}}));
  EXPECT_EQ(CallAnswer(CefV8Value::CreateInt(1), "boom"), Json({{"exception", "boom"}}));
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
