// The upload status between host and page: the host's flag, the page's poll across the engine's
// UI and renderer threads, the reply that lands in the main frame's window, and its failure notice.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pagebridge/process_messages.h"
#include "tests/unit/system/systest_support.h"

namespace {

using scripted::CallKind;

class UploadStatusTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    InitClient();
  }

  // A page in a new windowless browser whose main frame has `main_frame_id` (0: the default).
  void OpenPage(int64 main_frame_id = 0) {
    if (main_frame_id) scripted::SetNextMainFrameId(main_frame_id);
    CreateWindowless();
    engine_ = EngineBrowser();
    main_ = scripted::CreateContext(engine_);
    ASSERT_TRUE(main_);
  }

  // What window.uploadIsDone() returns to the page (-1: not a boolean); waits for its round trip.
  int Poll(CefRefPtr<CefV8Context> context) {
    const int value = PollNow(context);
    scripted::WaitIdle();
    return value;
  }
  // The same without waiting for the reply; also from inside a renderer task.
  static int PollNow(CefRefPtr<CefV8Context> context) {
    const scripted::FunctionResult result = scripted::CallFunction(context, "uploadIsDone");
    EXPECT_TRUE(result.found);
    EXPECT_TRUE(result.exception.empty());
    return result.value && result.value->IsBool() ? (result.value->GetBoolValue() ? 1 : 0) : -1;
  }

  std::vector<scripted::Call> Sent(const std::string& name) {
    std::vector<scripted::Call> out;
    for (const scripted::Call& c : scripted::CallsOf(CallKind::kSendProcessMessage)) {
      if (c.message.name == name) out.push_back(c);
    }
    return out;
  }

  static CefRefPtr<CefProcessMessage> Reply(int64 frame_id, bool done, const char* name = "msg_InitUploadIsDoneEx") {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    int32_t low = 0, high = 0;
    mvcef::SplitFrameId(frame_id, &low, &high);
    message->GetArgumentList()->SetInt(0, low);
    message->GetArgumentList()->SetInt(1, high);
    message->GetArgumentList()->SetBool(2, done);
    return message;
  }

  int engine_ = 0;
  CefRefPtr<CefV8Context> main_;
};

TEST_F(UploadStatusTest, APollReportsWhatThePreviousPollFetched) {
  OpenPage();
  fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_EQ(Poll(main_), 0) << "the first poll only starts the fetch";
  EXPECT_EQ(Poll(main_), 1) << "the reply to the first poll carried the host's flag";
  EXPECT_EQ(Poll(main_), 0) << "the browser side cleared the flag it reported";
  EXPECT_EQ(Poll(main_), 0);
  EXPECT_FALSE(Current()->host_upload_done());

  const std::vector<scripted::Call> requests = Sent("msg_InitUploadIsDone");
  const std::vector<scripted::Call> replies = Sent("msg_InitUploadIsDoneEx");
  ASSERT_EQ(requests.size(), 4u);
  ASSERT_EQ(replies.size(), 4u);
  int32_t low = 0, high = 0;
  mvcef::SplitFrameId(scripted::MainFrameId(engine_), &low, &high);
  // Both directions name the main frame by its id's two halves first.
  auto names_main_frame = [&](const scripted::Call& sent, CefProcessId from, CefProcessId to, size_t arg_count) {
    EXPECT_EQ(sent.process, from) << sent.message.name;
    EXPECT_EQ(sent.target, to) << sent.message.name;
    EXPECT_EQ(sent.message.args.size(), arg_count) << sent.message.name;
    if (sent.message.args.size() != arg_count) return false;
    EXPECT_EQ(sent.message.args[0].type, VTYPE_INT) << sent.message.name;
    EXPECT_EQ(sent.message.args[0].int_value, low) << sent.message.name;
    EXPECT_EQ(sent.message.args[1].int_value, high) << sent.message.name;
    return true;
  };
  for (size_t i = 0; i < requests.size(); ++i) {
    ASSERT_TRUE(names_main_frame(requests[i], PID_RENDERER, PID_BROWSER, 2)) << i;
    ASSERT_TRUE(names_main_frame(replies[i], PID_BROWSER, PID_RENDERER, 3)) << i;
    EXPECT_EQ(replies[i].message.args[2].type, VTYPE_BOOL);
    EXPECT_EQ(replies[i].message.args[2].bool_value, i == 0) << i;
  }
}

// Every order of three reported trues and six polls: each true goes to exactly one poll, the first
// one after it that finds no earlier true waiting. The polls' own replies (false here) change nothing.
TEST_F(UploadStatusTest, EachReportedTrueIsSeenByExactlyOnePollInEveryOrder) {
  constexpr int kTrues = 3, kPolls = 6;
  for (unsigned order = 0; order < (1u << (kTrues + kPolls)); ++order) {
    if (__builtin_popcount(order) != kTrues) continue;  // bit set: a true arrives at that step
    SCOPED_TRACE("order " + std::to_string(order));
    OpenPage();
    const int64 main_id = scripted::MainFrameId(engine_);
    int waiting = 0;
    for (int step = 0; step < kTrues + kPolls; ++step) {
      if (order & (1u << step)) {
        scripted::DeliverToRenderer(engine_, Reply(main_id, true));
        ++waiting;
      } else {
        const int expected = waiting > 0 ? 1 : 0;
        waiting -= expected;
        ASSERT_EQ(Poll(main_), expected) << "step " << step;
      }
    }
  }
}

// Polls in one script task all leave before any reply comes back: the host's one true must still
// reach one later poll, and only one.
TEST_F(UploadStatusTest, ABurstOfPollsInOneTaskNeitherLosesNorRepeatsTheTrue) {
  OpenPage();
  fnmvPackCefDllSetUploadIsDone(true);
  int trues = 0;
  scripted::RunOnRenderer([&] {
    for (int i = 0; i < 60; ++i) trues += PollNow(main_) == 1;
  });
  scripted::WaitIdle();
  EXPECT_EQ(trues, 0) << "no reply came back during the task";
  EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 1);
  for (int i = 0; i < 5; ++i) trues += Poll(main_) == 1;
  EXPECT_EQ(trues, 1);
}

TEST_F(UploadStatusTest, AnIframePollsTheMainFramesValue) {
  OpenPage();
  const int64 child = 0x4242;
  scripted::AddFrame(engine_, child, "child");
  CefRefPtr<CefV8Context> iframe = scripted::CreateContext(engine_, child);
  fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_EQ(Poll(iframe), 0);
  EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 1);
  EXPECT_EQ(systest::BoolProperty(iframe, "uploadIsDoneValue"), 0);
  EXPECT_EQ(Poll(iframe), 1) << "the iframe reads the main frame's value";
  EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 0);
  for (const scripted::Call& request : Sent("msg_InitUploadIsDone")) {
    EXPECT_EQ(mvcef::JoinFrameId(request.message.args[0].int_value, request.message.args[1].int_value),
              scripted::MainFrameId(engine_));
  }
}

TEST_F(UploadStatusTest, FrameIdsSurviveTheSplitIntoTwoInts) {
  const int64 ids[] = {0x0000000180000005LL, 0x0000000080000000LL, 0x00000000FFFFFFFFLL, 0x7FFFFFFF80000001LL,
                       static_cast<int64>(0xFFFFFFFF80000005ULL), -2, 5};
  for (int64 id : ids) {
    OpenPage(id);
    ASSERT_EQ(scripted::MainFrameId(engine_), id);
    scripted::ClearCalls();
    fnmvPackCefDllSetUploadIsDone(true);
    Poll(main_);
    const std::vector<scripted::Call> requests = Sent("msg_InitUploadIsDone");
    ASSERT_EQ(requests.size(), 1u) << id;
    EXPECT_EQ(requests[0].message.args[0].int_value, static_cast<int32_t>(static_cast<uint64_t>(id) & 0xFFFFFFFFu))
        << id;
    EXPECT_EQ(requests[0].message.args[1].int_value, static_cast<int32_t>(static_cast<uint64_t>(id) >> 32)) << id;
    // The reply found the frame again by the rebuilt id.
    EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 1) << std::hex << id;
    EXPECT_EQ(mvw32_message_box_count(), 0u);
  }
}

// A true shows until a poll takes it: a false that comes after (the reply to a later poll) leaves it.
TEST_F(UploadStatusTest, AReplyWritesTheIdentifiedFrame) {
  OpenPage();
  const int64 child = 0x0000000280000001LL;
  scripted::AddFrame(engine_, child, "child");
  CefRefPtr<CefV8Context> iframe = scripted::CreateContext(engine_, child);
  const struct {
    int64 frame;
    bool done;
    int main_after, iframe_after;
  } steps[] = {{child, true, 0, 1}, {0, true, 1, 1}, {child, false, 1, 1}, {0, false, 1, 1}};
  for (const auto& s : steps) {
    const int64 frame = s.frame ? s.frame : scripted::MainFrameId(engine_);
    EXPECT_TRUE(scripted::DeliverToRenderer(engine_, Reply(frame, s.done)));
    EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), s.main_after);
    EXPECT_EQ(systest::BoolProperty(iframe, "uploadIsDoneValue"), s.iframe_after);
  }
}

TEST_F(UploadStatusTest, OtherMessagesAreNotHandledOnTheRenderSide) {
  OpenPage();
  const int64 main_id = scripted::MainFrameId(engine_);
  ASSERT_TRUE(scripted::DeliverToRenderer(engine_, Reply(main_id, true)));
  for (const char* name : {"msg_InitUploadIsDone", "SetUploadIsDone", "msg_initUploadIsDoneEx",
                           "msg_InitUploadIsDoneExx", "msg_BatchUploadImg", ""}) {
    EXPECT_FALSE(scripted::DeliverToRenderer(engine_, Reply(main_id, false, name))) << name;
    EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 1) << name;
  }
  // The host's own notice reaches the renderer and changes nothing either.
  fnmvPackCefDllSetUploadIsDone(false);
  scripted::WaitIdle();
  EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 1);
}

TEST_F(UploadStatusTest, AReplyForAFrameThatIsGoneTouchesNothing) {
  OpenPage();
  const int64 old_main = scripted::MainFrameId(engine_);
  // The page navigated: a new main frame with its own document.
  scripted::SetMainFrameId(engine_, old_main + 100);
  CefRefPtr<CefV8Context> next = scripted::CreateContext(engine_);
  scripted::FailGlobalWrites(main_, "uploadIsDoneValue");
  scripted::FailGlobalWrites(next, "uploadIsDoneValue");
  for (int64 gone : {old_main, int64(0x123456789LL)}) {
    scripted::DeliverToRenderer(engine_, Reply(gone, true));
    EXPECT_EQ(systest::BoolProperty(next, "uploadIsDoneValue"), 0);
    EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 0);
  }
  EXPECT_EQ(mvw32_message_box_count(), 0u) << "no write was tried, so none failed";
}

TEST_F(UploadStatusTest, AFailedWriteShowsTheNotice) {
  const int64 id = 0x0000000180000005LL;
  OpenPage(id);
  scripted::FailGlobalWrites(main_, "uploadIsDoneValue");
  EXPECT_TRUE(scripted::DeliverToRenderer(engine_, Reply(id, true)));
  ASSERT_EQ(mvw32_message_box_count(), 1u);
  mvw32_message_box_info info = {};
  ASSERT_TRUE(mvw32_get_message_box(0, &info));
  EXPECT_TRUE(info.ansi);
  EXPECT_EQ(info.owner, nullptr);
  EXPECT_EQ(info.type, static_cast<UINT>(MB_TOPMOST));
  char text[256] = {0}, caption[16] = {0};
  mvw32_get_message_box_string(0, 0, text, sizeof text);
  mvw32_get_message_box_string(0, 1, caption, sizeof caption);
  EXPECT_STREQ(text, "frame_id2:6442450949,low:-2147483643,high:1,ret:0");
  EXPECT_STREQ(caption, "\xCC\xE1\xCA\xBE");
  // Nothing else gets into the window and the context is usable afterwards.
  EXPECT_EQ(systest::BoolProperty(main_, "uploadIsDoneValue"), 0);
  EXPECT_TRUE(scripted::CallFunction(main_, "initUploadIsDone").found);
}

TEST_F(UploadStatusTest, TheHostsFlagIsStoredAndSentOnlyWithABrowser) {
  OpenPage();
  scripted::ClearCalls();
  fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_TRUE(Current()->host_upload_done());
  const std::vector<scripted::Call> sent = Sent("SetUploadIsDone");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].process, PID_BROWSER);
  EXPECT_EQ(sent[0].target, PID_RENDERER);
  EXPECT_EQ(sent[0].browser_id, engine_);
  ASSERT_EQ(sent[0].message.args.size(), 1u);
  EXPECT_EQ(sent[0].message.args[0].type, VTYPE_BOOL);
  EXPECT_TRUE(sent[0].message.args[0].bool_value);

  // Only the low byte of the 32-bit slot counts.
  auto set_from_int = reinterpret_cast<void (*)(int)>(&fnmvPackCefDllSetUploadIsDone);
  const struct {
    int slot;
    bool stored;
  } slots[] = {{256, false}, {1, true}, {0x100 | 0x01, true}, {0, false}, {0x7F00, false}, {0xFF, true}};
  for (const auto& s : slots) {
    scripted::ClearCalls();
    set_from_int(s.slot);
    EXPECT_EQ(Current()->host_upload_done(), s.stored) << s.slot;
    const std::vector<scripted::Call> notice = Sent("SetUploadIsDone");
    ASSERT_EQ(notice.size(), 1u);
    EXPECT_EQ(notice[0].message.args[0].bool_value, s.stored) << s.slot;
  }

  // Without a browser the flag is kept and nothing is sent.
  CefRefPtr<SimpleHandler> handler = Current();
  scripted::RunOnUi([&] { handler->OnBeforeClose(scripted::GetBrowser(engine_)); });
  scripted::ClearCalls();
  fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_TRUE(handler->host_upload_done());
  EXPECT_EQ(scripted::CountOf(CallKind::kSendProcessMessage), 0u);

  // Without a current handler nothing is stored anywhere.
  fnmvPackCefDllSetUploadIsDone(false);
  fnmvPackCefDllSelectHandler(99);
  fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_FALSE(handler->host_upload_done());
}

TEST_F(UploadStatusTest, FlagsArePerHandler) {
  OpenPage();
  SimpleHandler* first = Current();
  const unsigned first_id = 1;
  OpenPage();
  fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_FALSE(first->host_upload_done());
  fnmvPackCefDllSelectHandler(first_id);
  EXPECT_EQ(Current(), first);
  fnmvPackCefDllSetUploadIsDone(false);
  EXPECT_TRUE(mvcef::State().registry.at(2)->host_upload_done());
}

// The host writes true whenever a reply has taken its previous one; the page meanwhile polls in
// bursts of 1 to 7 in one task. Every write must reach exactly one poll: a write landing between a
// reply's read and its clear, or a true overwritten by a later reply, would be lost.
TEST_F(UploadStatusTest, HostWritesRacingBurstsOfPollsAreEachSeenOnce) {
  OpenPage();
  CefRefPtr<SimpleHandler> handler = Current();
  constexpr int kWrites = 500;
  std::atomic<bool> host_done{false};
  std::atomic<int> seen{0};
  std::thread page([&] {
    for (unsigned burst = 1; !host_done.load(); burst = burst % 7 + 1) {
      scripted::RunOnRenderer([&] {
        for (unsigned i = 0; i < burst; ++i)
          if (PollNow(main_) == 1) ++seen;
      });
    }
  });
  int written = 0;
  for (; written < kWrites; ++written) {
    fnmvPackCefDllSetUploadIsDone(true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (handler->host_upload_done() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (handler->host_upload_done()) break;  // the page stopped polling
  }
  host_done.store(true);
  page.join();
  // The last replies were in flight; once they are in, polls take what waits.
  scripted::WaitIdle();
  for (int drained = 0; drained < kWrites && Poll(main_) == 1; ++drained) ++seen;

  EXPECT_EQ(written, kWrites);
  EXPECT_EQ(seen.load(), written);
  int reported = 0;
  for (const scripted::Call& reply : Sent("msg_InitUploadIsDoneEx")) reported += reply.message.args[2].bool_value ? 1 : 0;
  EXPECT_EQ(reported, written);
}

// The page's requests answered back to back on one thread while the host sets the flag again the
// moment a reply has taken it, after a varying pause so its write lands anywhere in a reply,
// between reading the flag and clearing it too. Each write must be reported by exactly one reply.
TEST_F(UploadStatusTest, AHostWriteLandingInsideAReplyIsReportedOnce) {
  OpenPage();
  CefRefPtr<SimpleHandler> handler = Current();
  CefRefPtr<CefBrowser> browser = scripted::GetBrowser(engine_);
  CefRefPtr<CefProcessMessage> request = Reply(scripted::MainFrameId(engine_), false, mvcef::kMsgInitUploadIsDone);
  scripted::ClearCalls();
  constexpr int kWrites = 2000;
  std::atomic<bool> host_done{false};
  std::thread page([&] {
    while (!host_done.load()) handler->OnProcessMessageReceived(browser, PID_RENDERER, request);
  });
  int written = 0;
  unsigned pause = 1;
  for (; written < kWrites; ++written) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (handler->host_upload_done() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (handler->host_upload_done()) break;  // no reply takes it any more
    pause = pause * 1103515245u + 12345u;
    for (volatile unsigned spin = (pause >> 16) % 8192; spin > 0; spin = spin - 1) {}
    fnmvPackCefDllSetUploadIsDone(true);
  }
  host_done.store(true);
  page.join();
  handler->OnProcessMessageReceived(browser, PID_RENDERER, request);  // takes what the last write left

  EXPECT_EQ(written, kWrites);
  int reported = 0;
  for (const scripted::Call& reply : Sent("msg_InitUploadIsDoneEx")) reported += reply.message.args[2].bool_value ? 1 : 0;
  EXPECT_EQ(reported, written) << "host writes lost (fewer) or reported twice (more)";
}

}  // namespace
