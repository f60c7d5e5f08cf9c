// The DevTools channel against a scripted peer on a socketpair: no Chromium needed.
#include "engine/runtime/chromium/devtools_transport.h"

#include "fake_devtools_peer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "engine/runtime/chromium/queued_writer.h"

#include <gtest/gtest.h>

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

TEST(MessageSplitter, SplitsOnNulAcrossChunks) {
  struct Case {
    std::vector<std::string> chunks;
    std::vector<std::string> expected;
    size_t pending;
  } cases[] = {
      {{std::string("a\0b\0", 4)}, {"a", "b"}, 0},
      {{"ab", std::string("c\0d", 3)}, {"abc"}, 1},
      {{std::string("\0\0x\0", 4)}, {"x"}, 0},  // empty messages are dropped
      {{"{\"id\":1", "}", std::string("\0", 1)}, {"{\"id\":1}"}, 0},
      {{"no terminator"}, {}, 13},
  };
  for (const auto& c : cases) {
    MessageSplitter splitter;
    std::vector<std::string> got;
    for (const auto& chunk : c.chunks)
      splitter.Feed(chunk.data(), chunk.size(), [&](std::string&& m) { got.push_back(m); });
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(splitter.pending_bytes(), c.pending);
  }
}

// A stream that takes at most `room` bytes without waiting (-1: cannot write without waiting, as
// the Windows pipe) and notes which thread wrote what.
class RoomStream : public ByteStream {
 public:
  explicit RoomStream(long room) : room_(room) {}
  long TryWrite(const char* data, size_t size) override {
    if (room_ < 0) return -1;
    const size_t n = std::min(size, static_cast<size_t>(room_));
    Append(data, n);
    return static_cast<long>(n);
  }
  bool Write(const char* data, size_t size, std::chrono::milliseconds, std::string*) override {
    Append(data, size);
    return true;
  }
  long Read(char*, size_t, std::string*) override { return 0; }
  void ShutdownWrite() override {}
  void Shutdown() override {}

  // What was written once `bytes` have come, and whether any of it came from another thread than `caller`.
  std::string WaitFor(size_t bytes, std::thread::id caller, bool* other_thread) {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait_for(lock, std::chrono::seconds(10), [&] { return written_.size() >= bytes; });
    *other_thread = false;
    for (std::thread::id id : writers_) *other_thread = *other_thread || id != caller;
    return written_;
  }

 private:
  void Append(const char* data, size_t size) {
    if (size == 0) return;
    std::lock_guard<std::mutex> lock(m_);
    written_.append(data, size);
    writers_.push_back(std::this_thread::get_id());
    cv_.notify_all();
  }
  const long room_;
  std::mutex m_;
  std::condition_variable cv_;
  std::string written_;
  std::vector<std::thread::id> writers_;
};

// A message with nothing ahead of it goes out from the caller (no wait for the writer thread to
// wake); what does not fit, or cannot be written that way, follows from the writer thread, in order.
TEST(QueuedWriter, WritesAtOnceWhenIdleAndQueuesTheRestInOrder) {
  const struct {
    long room;
    bool all_from_caller;
  } cases[] = {{1 << 20, true}, {5, false}, {0, false}, {-1, false}};
  const std::vector<std::string> messages = {"first message", "second", "third and last"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.room);
    RoomStream stream(c.room);
    QueuedWriter writer(&stream, nullptr);
    std::string expected;
    for (const std::string& m : messages) {
      EXPECT_TRUE(writer.Push(m));
      expected += m;
    }
    bool other_thread = false;
    EXPECT_EQ(stream.WaitFor(expected.size(), std::this_thread::get_id(), &other_thread), expected);
    EXPECT_EQ(other_thread, !c.all_from_caller);
    writer.Stop();
  }
}

TEST(EncodeCommand, CarriesIdMethodParamsAndSession) {
  Json browser = Json::parse(EncodeCommand(7, "Target.getTargets", Json::object(), ""));
  EXPECT_EQ(browser["id"], 7);
  EXPECT_EQ(browser["method"], "Target.getTargets");
  EXPECT_FALSE(browser.contains("sessionId"));
  Json page = Json::parse(EncodeCommand(8, "Page.navigate", {{"url", "about:blank"}}, "S1"));
  EXPECT_EQ(page["sessionId"], "S1");
  EXPECT_EQ(page["params"]["url"], "about:blank");
  // Invalid UTF-8 is replaced, never thrown.
  std::string bad = "\xff\xfe";
  EXPECT_NO_THROW(EncodeCommand(9, "Input.insertText", {{"text", bad}}, ""));
}

TEST(DevToolsTransport, MatchesRepliesToCallersOutOfOrder) {
  Channel ch;
  ch.transport->Start();
  auto first = std::async(std::launch::async, [&] { return ch.transport->Call("A.first"); });
  Json c1 = ch.peer->ReadCommand();
  auto second = std::async(std::launch::async, [&] { return ch.transport->Call("A.second"); });
  Json c2 = ch.peer->ReadCommand();
  ASSERT_EQ(c1["method"], "A.first");
  ASSERT_EQ(c2["method"], "A.second");
  ASSERT_NE(c1["id"], c2["id"]);
  ch.peer->Reply(c2["id"], {{"who", "second"}});
  ch.peer->Reply(c1["id"], {{"who", "first"}});
  CommandResult r1 = first.get(), r2 = second.get();
  EXPECT_TRUE(r1.ok);
  EXPECT_TRUE(r2.ok);
  EXPECT_EQ(r1.result["who"], "first");
  EXPECT_EQ(r2.result["who"], "second");
}

TEST(DevToolsTransport, ErrorReplyFailsTheCallWithItsMessage) {
  Channel ch;
  ch.transport->Start();
  auto call = std::async(std::launch::async, [&] { return ch.transport->Call("X.y"); });
  Json c = ch.peer->ReadCommand();
  ch.peer->Write(Json{{"id", c["id"]}, {"error", {{"code", -32601}, {"message", "'X.y' wasn't found"}}}}.dump() + '\0');
  CommandResult r = call.get();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "'X.y' wasn't found");
  EXPECT_TRUE(ch.transport->alive());
}

TEST(DevToolsTransport, TimeoutDropsTheWaiterAndLateReplyIsIgnored) {
  Channel ch;
  ch.transport->Start();
  CommandResult r = ch.transport->Call("Slow.call", Json::object(), "", 50ms);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "timeout");
  Json late = ch.peer->ReadCommand();
  ch.peer->Reply(late["id"], {{"late", true}});
  auto next = std::async(std::launch::async, [&] { return ch.transport->Call("Next.call"); });
  Json c = ch.peer->ReadCommand();
  ch.peer->Reply(c["id"], {{"next", true}});
  CommandResult n = next.get();
  EXPECT_TRUE(n.ok);
  EXPECT_TRUE(n.result.value("next", false));
}

TEST(DevToolsTransport, PeerGoneFailsWaitersAndEveryLaterCommandPromptly) {
  Channel ch;
  std::atomic<int> closes{0};
  std::string close_reason;
  ch.transport->SetCloseHandler([&](const std::string& reason) {
    close_reason = reason;
    ++closes;
  });
  ch.transport->Start();
  auto pending = std::async(std::launch::async, [&] { return ch.transport->Call("Never.answered", Json::object(), "", 30s); });
  ASSERT_FALSE(ch.peer->ReadCommand().is_null());
  auto start = std::chrono::steady_clock::now();
  ch.peer->Close();
  CommandResult r = pending.get();
  EXPECT_FALSE(r.ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // far below the 30 s timeout
  EXPECT_FALSE(ch.transport->alive());

  CommandResult later = ch.transport->Call("After.death", Json::object(), "", 30s);
  EXPECT_FALSE(later.ok);
  EXPECT_FALSE(later.error.empty());
  bool replied = false;
  ch.transport->Send("After.death", Json::object(), "", [&](const CommandResult& res) { replied = !res.ok; });
  EXPECT_TRUE(replied);  // at once, on this thread
  EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
  // The close handler runs on the reader thread and may still be on its way when the waiters fail.
  for (int i = 0; i < 500 && closes.load() == 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(closes.load(), 1);
  EXPECT_EQ(close_reason, ch.transport->close_reason());
}

TEST(DevToolsTransport, WritingToAClosedPeerReportsAnErrorInsteadOfSigpipe) {
  Channel ch;  // no reader: the failure must come from the write itself
  ch.peer->Close();
  CommandResult r = ch.transport->Call("Any.call", Json::object(), "", 1s);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(ch.transport->alive());
}

// Chromium ends the pipe, and every page with it, on a message it cannot hold: one that long is
// never written, its sender hears why, and the channel goes on.
TEST(DevToolsTransport, ACommandLongerThanChromiumTakesIsNotSentAndTheChannelLives) {
  Channel ch;
  ch.transport->Start();
  const size_t overhead = EncodeCommand(1, "Page.setDocumentContent", {{"html", ""}}, "S1").size();
  const Json too_long = {{"html", std::string(kMaxDevToolsMessageBytes - overhead + 1, 'x')}};
  std::string error;
  ch.transport->Send("Page.setDocumentContent", too_long, "S1", [&](const CommandResult& r) { error = r.error; });
  EXPECT_EQ(error, kMessageTooLarge);  // at once, on this thread
  EXPECT_EQ(ch.transport->Call("Page.setDocumentContent", too_long, "S1", 5s).error, kMessageTooLarge);
  EXPECT_TRUE(ch.transport->alive());

  auto next = std::async(std::launch::async, [&] { return ch.transport->Call("Next.call"); });
  Json c = ch.peer->ReadCommand();
  EXPECT_EQ(c.value("method", std::string()), "Next.call");  // nothing of the long ones came first
  ch.peer->Reply(c["id"], Json::object());
  EXPECT_TRUE(next.get().ok);
}

// A peer that stops reading (a stopped Chromium) fills the socket: senders go on at once, the
// channel is not declared dead, consecutive pointer moves collapse into the latest, and everything
// arrives in order once the peer reads again.
TEST(DevToolsTransport, AStalledPeerNeitherBlocksSendersNorEndsTheChannel) {
  Channel ch;
  ch.transport->Start();
  const std::string filler(64 * 1024, 'f');
  constexpr int kFillers = 64;  // 4 MiB: far more than a socket holds
  constexpr int kMoves = 1000;
  std::atomic<bool> sent{false};
  std::thread host([&] {
    for (int i = 0; i < kFillers; ++i) ch.transport->Send("Filler", {{"data", filler}});
    for (int x = 1; x <= kMoves; ++x) ch.transport->Send("Move", {{"x", x}}, "", nullptr, "mouse move");
    ch.transport->Send("Click");
    for (int x = kMoves + 1; x <= 2 * kMoves; ++x) ch.transport->Send("Move", {{"x", x}}, "", nullptr, "mouse move");
    ch.transport->Send("Move", {{"x", -1}}, "other session", nullptr, "mouse move");
    sent = true;
  });
  // Before the peer reads a byte: a sender blocked on the full socket would never get here.
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!sent && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(sent.load()) << "a sender waited for the peer";
  host.join();
  EXPECT_TRUE(ch.transport->alive());

  std::vector<int> moves_before_click, moves_after_click;
  int fillers = 0;
  bool clicked = false, other_session = false;
  for (Json command; !(command = ch.peer->ReadCommand()).is_null();) {
    const std::string method = command["method"];
    if (method == "Filler") ++fillers;
    if (method == "Click") clicked = true;
    if (method == "Move" && command.contains("sessionId")) other_session = true;
    else if (method == "Move") (clicked ? moves_after_click : moves_before_click).push_back(command["params"]["x"]);
    if (other_session) break;
  }
  EXPECT_EQ(fillers, kFillers);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(other_session) << "a move of another session is not merged into ours";
  ASSERT_FALSE(moves_before_click.empty());
  ASSERT_FALSE(moves_after_click.empty());
  EXPECT_EQ(moves_before_click.back(), kMoves) << "the latest move before the click arrives before it";
  EXPECT_EQ(moves_after_click.back(), 2 * kMoves);
  EXPECT_LE(moves_before_click.size() + moves_after_click.size(), 4u) << "moves queued behind a busy channel merge";
  EXPECT_TRUE(ch.transport->alive());
}

TEST(DevToolsTransport, RoutesEventsBySessionAndSkipsMalformedMessages) {
  Channel ch;
  std::mutex m;
  std::vector<std::string> browser_events, a_events, b_events;
  auto record = [&](std::vector<std::string>* into) {
    return [&m, into](const std::string& method, const Json& params) {
      std::lock_guard<std::mutex> lock(m);
      into->push_back(method + ":" + params.value("n", std::string()));
    };
  };
  ch.transport->Subscribe("", record(&browser_events));
  ch.transport->Subscribe("A", record(&a_events));
  int b_token = ch.transport->Subscribe("B", record(&b_events));
  ch.transport->Start();
  ch.peer->Write(Json{{"method", "Target.targetCreated"}, {"params", {{"n", "1"}}}}.dump() + '\0');
  ch.peer->Write(std::string("{not json", 9) + '\0');
  ch.peer->Write(Json{{"method", "Page.loadEventFired"}, {"sessionId", "A"}, {"params", {{"n", "2"}}}}.dump() + '\0');
  ch.peer->Write(Json{{"method", "Page.frameNavigated"}, {"sessionId", "B"}, {"params", {{"n", "3"}}}}.dump() + '\0');
  // A reply after the events proves they have all been dispatched.
  auto call = std::async(std::launch::async, [&] { return ch.transport->Call("Sync.point"); });
  Json c = ch.peer->ReadCommand();
  ch.peer->Reply(c["id"], Json::object());
  ASSERT_TRUE(call.get().ok);
  ch.transport->Unsubscribe(b_token);
  ch.peer->Write(Json{{"method", "Page.frameNavigated"}, {"sessionId", "B"}, {"params", {{"n", "4"}}}}.dump() + '\0');
  auto call2 = std::async(std::launch::async, [&] { return ch.transport->Call("Sync.point"); });
  Json c2 = ch.peer->ReadCommand();
  ch.peer->Reply(c2["id"], Json::object());
  ASSERT_TRUE(call2.get().ok);

  std::lock_guard<std::mutex> lock(m);
  EXPECT_EQ(browser_events, std::vector<std::string>{"Target.targetCreated:1"});
  EXPECT_EQ(a_events, std::vector<std::string>{"Page.loadEventFired:2"});
  EXPECT_EQ(b_events, std::vector<std::string>{"Page.frameNavigated:3"});
}

TEST(DevToolsTransport, EventsTheFilterDeclinesAreDroppedUnparsed) {
  Channel ch;
  std::mutex m;
  std::vector<std::string> seen;
  ch.transport->SetEventFilter([](std::string_view method, std::string_view text) {
    return method != "Noise.event" && text.find("drop me") == std::string_view::npos;
  });
  ch.transport->Subscribe("", [&](const std::string& method, const Json& params) {
    std::lock_guard<std::mutex> lock(m);
    seen.push_back(method + ":" + params.value("n", std::string()));
  });
  ch.transport->Start();
  ch.peer->Write(Json{{"method", "Noise.event"}, {"params", {{"n", "1"}}}}.dump() + '\0');
  ch.peer->Write(Json{{"method", "Page.kept"}, {"params", {{"n", "2"}}}}.dump() + '\0');
  ch.peer->Write(Json{{"method", "Page.kept"}, {"params", {{"n", "drop me"}}}}.dump() + '\0');
  // Not in Chromium's form (method first): parsed and delivered all the same.
  ch.peer->Write(std::string(R"({"params":{"n":"3"},"method":"Noise.event"})") + '\0');
  auto call = std::async(std::launch::async, [&] { return ch.transport->Call("Sync.point"); });
  Json c = ch.peer->ReadCommand();
  ch.peer->Reply(c["id"], Json::object());  // replies always pass
  ASSERT_TRUE(call.get().ok);
  std::lock_guard<std::mutex> lock(m);
  EXPECT_EQ(seen, (std::vector<std::string>{"Page.kept:2", "Noise.event:3"}));
  EXPECT_EQ(LeadingEventMethod(R"({"method":"A.b","params":{}})"), "A.b");
  EXPECT_EQ(LeadingEventMethod(R"({"id":1,"method":"A.b"})"), "");
}

TEST(DevToolsTransport, AsyncReplyRunsOnTheReaderWithTheResult) {
  Channel ch;
  ch.transport->Start();
  std::promise<CommandResult> got;
  ch.transport->Send("Page.screencastFrameAck", {{"sessionId", 3}}, "S",
                     [&](const CommandResult& r) { got.set_value(r); });
  Json c = ch.peer->ReadCommand();
  EXPECT_EQ(c["sessionId"], "S");
  EXPECT_EQ(c["params"]["sessionId"], 3);
  ch.peer->Reply(c["id"], {{"ok", 1}});
  auto f = got.get_future();
  ASSERT_EQ(f.wait_for(2s), std::future_status::ready);
  EXPECT_TRUE(f.get().ok);
}

TEST(DevToolsTransport, CloseWhileCallsWaitReleasesThem) {
  Channel ch;
  ch.transport->Start();
  std::vector<std::future<CommandResult>> calls;
  for (int i = 0; i < 4; ++i)
    calls.push_back(std::async(std::launch::async, [&] { return ch.transport->Call("Wait.forever", Json::object(), "", 30s); }));
  for (int i = 0; i < 4; ++i) ASSERT_FALSE(ch.peer->ReadCommand().is_null());
  ch.transport->Close("shut down");
  for (auto& f : calls) {
    ASSERT_EQ(f.wait_for(2s), std::future_status::ready);
    CommandResult r = f.get();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "shut down");
  }
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
