// marovekcef as the engine starts it for pages: the render side of the page
// bridge, computing what pages get from files next to marovekcef.
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "common/base64.h"
#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/process_message_json.h"
#include "engine/runtime/chromium/render_process.h"
#include "pagebridge/data_uri.h"
#include "engine/runtime/chromium/render_wire.h"

namespace mvengine {
namespace chromium {
namespace {

// The install layout: P/mvcef/marovekcef reads P/data.
std::string DataRoot() {
  std::string path = MAROVEKCEF_PATH;
  path = path.substr(0, path.rfind('/'));
  return path.substr(0, path.rfind('/')) + "/data";
}

class MarovekcefRenderer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(StartRenderProcess(MAROVEKCEF_PATH, {}, &process_, &error)) << error;
  }
  void TearDown() override {
    if (process_.channel) process_.channel->ShutdownWrite();
    if (process_.pid > 0) EndRenderProcess(process_.pid, 5000);
  }

  static Json Main() { return FrameInfoToJson(FrameInfo{"M", 10, "https://a.test/", "", ""}); }
  Json Request(const Json& body) {
    static int seq = 0;
    ++seq;
    EXPECT_TRUE(process_.channel->Send({{"t", "request"},
                                        {"seq", seq},
                                        {"browser", {{"id", 1}}},
                                        {"frame", Main()},
                                        {"main", Main()},
                                        {"body", body.dump()}}));
    Json m;
    while (process_.channel->Receive(&m)) {
      if (m["t"] == "answer" && m["seq"] == seq) return Json::parse(m["body"].get<std::string>());
      others_.push_back(m);
    }
    ADD_FAILURE() << "marovekcef ended without answering";
    return Json();
  }

  RenderProcess process_;
  std::vector<Json> others_;  // what came besides answers
};

TEST_F(MarovekcefRenderer, PagesGetTheBridgeAndImagesComeFromBesideMarovekcef) {
  Json installed = Request({{"op", "context"}});
  std::vector<std::string> functions = installed["functions"];
  std::sort(functions.begin(), functions.end());
  EXPECT_EQ((std::vector<std::string>{"batchUploadImg", "initUploadIsDone", "uploadFeedbackImg", "uploadImg",
                                      "uploadIsDone"}),
            functions);
  EXPECT_EQ(Json::array({"uploadIsDoneValue"}), installed["values"]);

  std::ifstream file(DataRoot() + "/screenshot/rc1_0.png", std::ios::binary);
  ASSERT_TRUE(file) << DataRoot();
  const std::string png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Json image = Request({{"op", "call"}, {"name", "uploadImg"}, {"args", {1}}});
  ASSERT_TRUE(image["value"].is_string()) << image.dump();
  std::string uri = image["value"];
  uri.erase(std::remove_if(uri.begin(), uri.end(), [](char c) { return c == '\r' || c == '\n'; }), uri.end());
  EXPECT_EQ("data:image/png;base64," + mvcommon::EncodeBase64(png), uri);
  Json missing = Request({{"op", "call"}, {"name", "uploadImg"}, {"args", {987}}});
  EXPECT_EQ(mvcef::PlaceholderImageUri(), missing["value"]);
}

TEST_F(MarovekcefRenderer, MessagesCrossBothWaysWithTheirTypes) {
  Request({{"op", "context"}});
  // uploadIsDone answers what the browser process reported (nothing yet: the page's own copy of the
  // flag brings back nothing) and asks it again.
  EXPECT_EQ(Json::object(), Request({{"op", "set"}, {"name", "uploadIsDoneValue"}, {"value", true}}));
  Json done = Request({{"op", "call"}, {"name", "uploadIsDone"}, {"args", Json::array()}});
  EXPECT_EQ(false, done["value"]);
  ASSERT_FALSE(others_.empty());
  CefRefPtr<CefProcessMessage> asked = ProcessMessageFromJson(others_.back()["message"]);
  ASSERT_TRUE(asked);
  EXPECT_EQ("msg_InitUploadIsDone", asked->GetName().ToString());
  EXPECT_EQ(VTYPE_INT, asked->GetArgumentList()->GetType(0));
  EXPECT_EQ(10, asked->GetArgumentList()->GetInt(0));  // the main frame's id, low half

  // The browser process's answer writes the flag: the page's next read sees it.
  CefRefPtr<CefProcessMessage> answer = CefProcessMessage::Create("msg_InitUploadIsDoneEx");
  answer->GetArgumentList()->SetInt(0, 10);
  answer->GetArgumentList()->SetInt(1, 0);
  answer->GetArgumentList()->SetBool(2, true);
  ASSERT_TRUE(process_.channel->Send(
      {{"t", "message"}, {"browser", {{"id", 1}}}, {"main", Main()}, {"message", ProcessMessageToJson(answer)}}));
  others_.clear();
  EXPECT_EQ(Json({{"value", true}}), Request({{"op", "get"}, {"name", "uploadIsDoneValue"}}));
  EXPECT_TRUE(others_.empty());

  // The next poll gets that true, once.
  for (bool expected : {true, false}) {
    done = Request({{"op", "call"}, {"name", "uploadIsDone"}, {"args", Json::array()}});
    EXPECT_EQ(expected, done["value"]);
  }
  EXPECT_EQ(Json({{"value", false}}), Request({{"op", "get"}, {"name", "uploadIsDoneValue"}}));
}

TEST_F(MarovekcefRenderer, EndsCleanlyWhenTheBrowserProcessLetsGo) {
  Request({{"op", "context"}});
  process_.channel->ShutdownWrite();
  const ExitStatus status = EndRenderProcess(process_.pid, 5000);
  process_.pid = -1;
  EXPECT_FALSE(status.signaled);
  EXPECT_EQ(0, status.code);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
