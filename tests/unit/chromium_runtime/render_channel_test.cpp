// What crosses between the browser process and the render side: process
// messages with typed arguments, and whole JSON documents over the socket.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/byte_stream_posix.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/runtime/chromium/process_message_json.h"
#include "engine/runtime/chromium/render_process.h"
#include "engine/runtime/chromium/render_wire.h"

namespace mvengine {
namespace chromium {
namespace {

CefRefPtr<CefProcessMessage> RoundTrip(CefRefPtr<CefProcessMessage> message) {
  // Through text, as on the wire.
  return ProcessMessageFromJson(Json::parse(ProcessMessageToJson(message).dump()));
}

TEST(ProcessMessageJson, EveryArgumentKeepsItsTypeAndValue) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("msg_InitUploadIsDoneEx");
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  const unsigned char bytes[] = {0, 1, 0xFF, '\n', 0};
  args->SetInt(0, -2147483647 - 1);
  args->SetInt(1, 7);
  args->SetBool(2, true);
  args->SetDouble(3, 0.1);
  args->SetString(4, "\xE4\xB8\xAD\xE6\x96\x87 \"quoted\"\n");
  args->SetBinary(5, CefBinaryValue::Create(bytes, sizeof bytes));
  args->SetNull(6);
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt("n", 3);
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetString(0, "deep");
  dict->SetList("list", inner);
  args->SetDictionary(7, dict);
  args->SetDouble(8, 3.0);  // a whole double stays a double

  CefRefPtr<CefProcessMessage> back = RoundTrip(message);
  ASSERT_TRUE(back);
  EXPECT_EQ("msg_InitUploadIsDoneEx", back->GetName().ToString());
  CefRefPtr<CefListValue> got = back->GetArgumentList();
  ASSERT_EQ(9u, got->GetSize());
  EXPECT_EQ(VTYPE_INT, got->GetType(0));
  EXPECT_EQ(-2147483647 - 1, got->GetInt(0));
  EXPECT_EQ(7, got->GetInt(1));
  EXPECT_EQ(VTYPE_BOOL, got->GetType(2));
  EXPECT_TRUE(got->GetBool(2));
  EXPECT_EQ(VTYPE_DOUBLE, got->GetType(3));
  EXPECT_DOUBLE_EQ(0.1, got->GetDouble(3));
  EXPECT_EQ(args->GetString(4).ToString(), got->GetString(4).ToString());
  ASSERT_EQ(VTYPE_BINARY, got->GetType(5));
  unsigned char out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  ASSERT_EQ(sizeof bytes, got->GetBinary(5)->GetSize());
  got->GetBinary(5)->GetData(out, sizeof out, 0);
  EXPECT_EQ(0, memcmp(bytes, out, sizeof bytes));
  EXPECT_EQ(VTYPE_NULL, got->GetType(6));
  ASSERT_EQ(VTYPE_DICTIONARY, got->GetType(7));
  EXPECT_EQ(3, got->GetDictionary(7)->GetInt("n"));
  EXPECT_EQ("deep", got->GetDictionary(7)->GetList("list")->GetString(0).ToString());
  EXPECT_EQ(VTYPE_DOUBLE, got->GetType(8));
}

TEST(ProcessMessageJson, DoublesJsonCannotHoldSurvive) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("m");
  message->GetArgumentList()->SetDouble(0, std::nan(""));
  message->GetArgumentList()->SetDouble(1, INFINITY);
  message->GetArgumentList()->SetDouble(2, -INFINITY);
  CefRefPtr<CefListValue> got = RoundTrip(message)->GetArgumentList();
  EXPECT_TRUE(std::isnan(got->GetDouble(0)));
  EXPECT_EQ(INFINITY, got->GetDouble(1));
  EXPECT_EQ(-INFINITY, got->GetDouble(2));
}

TEST(ProcessMessageJson, MalformedInputGivesNullsOrNoMessage) {
  EXPECT_FALSE(ProcessMessageFromJson(Json()));
  EXPECT_FALSE(ProcessMessageFromJson(Json::array({1, 2})));
  EXPECT_FALSE(ProcessMessageFromJson(Json{{"name", 5}}));
  // Each bad argument becomes a null in its place; the good one survives.
  Json json = {{"name", "m"},
               {"args", Json::array({Json::array({"i", 1e12}), Json::array({"i", "7"}), Json::array({"?"}),
                                     5, Json::array({"x", "@@not base64@@"}), Json::array({"s", "ok"})})}};
  CefRefPtr<CefProcessMessage> message = ProcessMessageFromJson(json);
  ASSERT_TRUE(message);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  ASSERT_EQ(6u, args->GetSize());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(VTYPE_NULL, args->GetType(i)) << i;
  EXPECT_EQ("ok", args->GetString(5).ToString());
}

TEST(ProcessMessageJson, NestingPastTheLimitArrivesAsNull) {
  Json deep = Json::array({"s", "bottom"});
  for (int i = 0; i < 200; ++i) deep = Json::array({"L", Json::array({deep})});
  CefRefPtr<CefProcessMessage> message = ProcessMessageFromJson({{"name", "m"}, {"args", Json::array({deep})}});
  ASSERT_TRUE(message);
  // Reading it back and sending it again must not recurse without end either.
  EXPECT_TRUE(ProcessMessageToJson(message).is_object());
}

struct SocketPair {
  SocketPair() { EXPECT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds)); }
  std::unique_ptr<ByteStream> End(int i) { return MakeSocketStream(fds[i], fds[i]); }
  int fds[2];
};

// Sent before the peer reads a byte: a sender that waited for the peer would never get past the
// big document, which a socket cannot hold.
TEST(MessageChannel, DocumentsArriveWholeAndInOrderWhateverTheirSizeAndNoSenderWaits) {
  SocketPair pair;
  MessageChannel a(pair.End(0)), b(pair.End(1));
  const std::string big(3 << 20, 'x');  // many reads for one message
  std::atomic<bool> sent{false};
  std::thread writer([&] {
    EXPECT_TRUE(a.Send({{"n", 1}}));
    EXPECT_TRUE(a.Send({{"big", big}}));
    EXPECT_TRUE(a.Send({{"text", "line\nbreak"}}));
    a.ShutdownWrite();
    EXPECT_FALSE(a.Send({{"n", 2}})) << "sent after the write side was shut";
    sent = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!sent && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(sent.load()) << "a sender waited for the peer to read";
  Json m;
  ASSERT_TRUE(b.Receive(&m));
  EXPECT_EQ(1, m["n"]);
  ASSERT_TRUE(b.Receive(&m));
  EXPECT_EQ(big, m["big"]);
  ASSERT_TRUE(b.Receive(&m));
  EXPECT_EQ("line\nbreak", m["text"]);
  EXPECT_FALSE(b.Receive(&m));  // end of stream, after everything sent before it
  writer.join();

  // A peer that never reads gets a bounded queue: later documents are refused, not kept.
  SocketPair stalled;
  MessageChannel c(stalled.End(0), /*max_queued_bytes=*/1 << 20);
  const std::string chunk(64 << 10, 'c');
  int refused_at = -1;
  for (int i = 0; i < 200 && refused_at < 0; ++i)
    if (!c.Send({{"chunk", chunk}})) refused_at = i;
  EXPECT_GT(refused_at, 0);
  EXPECT_LT(refused_at, 100) << "about 1 MiB queued plus what the socket holds";
}

TEST(MessageChannel, TextsThatAreNotJsonAreSkippedAndBadTextIsReplaced) {
  SocketPair pair;
  MessageChannel b(pair.End(1));
  const std::string raw = std::string("not json") + '\0' + "{\"ok\":true}" + '\0';
  ASSERT_EQ(static_cast<ssize_t>(raw.size()), write(pair.fds[0], raw.data(), raw.size()));
  Json m;
  ASSERT_TRUE(b.Receive(&m));
  EXPECT_EQ(true, m["ok"]);

  MessageChannel a(pair.End(0));
  EXPECT_TRUE(a.Send({{"s", std::string("\xFF\xFE bad utf-8")}}));  // must not throw
  ASSERT_TRUE(b.Receive(&m));
  EXPECT_TRUE(m["s"].is_string());
}

TEST(MessageChannel, SendingToAGonePeerFailsQuietly) {
  SocketPair pair;
  MessageChannel a(pair.End(0));
  close(pair.fds[1]);
  // No SIGPIPE: the test process would die here. The failed write is seen by later sends.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (a.Send({{"n", 1}}) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(a.Send({{"n", 2}}));
}

TEST(MessageChannel, ShutdownWakesABlockedReader) {
  SocketPair pair;
  MessageChannel a(pair.End(0)), b(pair.End(1));
  std::thread reader([&] {
    Json m;
    EXPECT_FALSE(b.Receive(&m));
  });
  b.Shutdown();
  reader.join();
}

TEST(RenderWire, FrameInfoRoundTripsAndNeedsAKey) {
  FrameInfo f{"ABC", 1LL << 40, "https://a.test/", "child", "MAIN"};
  FrameInfo g;
  ASSERT_TRUE(FrameInfoFromJson(FrameInfoToJson(f), &g));
  EXPECT_EQ(f.key, g.key);
  EXPECT_EQ(f.id, g.id);
  EXPECT_EQ(f.url, g.url);
  EXPECT_EQ(f.name, g.name);
  EXPECT_EQ(f.parent, g.parent);
  EXPECT_FALSE(FrameInfoFromJson(Json{{"id", 1}}, &g));
  EXPECT_FALSE(FrameInfoFromJson(Json("ABC"), &g));
}

TEST(RenderProcess, CommandLineNamesTheTypeAndTheChannel) {
  EXPECT_EQ((std::vector<std::string>{"/p/mvcef/marovekcef", "--type=renderer", "--mvcef-render-channel=3",
                                      "--lang=zh-CN"}),
            RenderProcessArgs("/p/mvcef/marovekcef", "3", {"--lang=zh-CN"}));
}

// The application sees the command line before the process starts, as Chromium lets it.
TEST(RenderProcess, TheApplicationsLaunchHookAddsToTheCommandLine) {
  class Hook : public CefBrowserProcessHandler {
   public:
    void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) override {
      seen_type = command_line->GetSwitchValue("type").ToString();
      command_line->AppendSwitchWithValue("from-hook", "a b");
    }
    std::string seen_type;
    IMPLEMENT_REFCOUNTING(Hook);
  };
  CefRefPtr<Hook> hook = new Hook();
  const std::vector<std::string> args = RenderProcessArgs("/p/mvcef/marovekcef", "3", {"--lang=zh-CN"}, hook.get());
  EXPECT_EQ(hook->seen_type, "renderer");
  ASSERT_GE(args.size(), 5u);
  EXPECT_EQ(args[0], "/p/mvcef/marovekcef");
  EXPECT_NE(std::find(args.begin(), args.end(), "--mvcef-render-channel=3"), args.end());
  EXPECT_NE(std::find(args.begin(), args.end(), "--from-hook=a b"), args.end());
}

TEST(RenderProcess, AnExecutableThatCannotRunIsReportedNotStarted) {
  RenderProcess process;
  std::string error;
  EXPECT_FALSE(StartRenderProcess("/nonexistent/marovekcef", {}, &process, &error));
  EXPECT_NE(std::string::npos, error.find("/nonexistent/marovekcef"));
  EXPECT_FALSE(StartRenderProcess("/etc/hostname", {}, &process, &error));  // not executable
  EXPECT_EQ(-1, process.pid);
}

TEST(RenderProcess, AProcessThatIgnoresTheEndIsKilledAndReaped) {
  RenderProcess process;
  std::string error;
  // A render side that ignores its channel: EndRenderProcess must not wait for it forever.
  char path[] = "/tmp/mvcef-stuck-renderer-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string script = "#!/bin/sh\nexec sleep 30\n";
  ASSERT_EQ(static_cast<ssize_t>(script.size()), write(fd, script.data(), script.size()));
  close(fd);
  chmod(path, 0700);
  const bool started = StartRenderProcess(path, {}, &process, &error);
  const ExitStatus status = started ? EndRenderProcess(process.pid, 300) : ExitStatus();
  unlink(path);
  ASSERT_TRUE(started) << error;
  EXPECT_TRUE(status.signaled);
  EXPECT_EQ(-1, kill(static_cast<pid_t>(process.pid), 0));  // gone, not a zombie we still own
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
