// The screencast receiver against a scripted DevTools peer.
#include "engine/runtime/chromium/screencast_receiver.h"

#include <atomic>
#include <climits>
#include <functional>
#include <mutex>
#include <vector>
#include <thread>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/page_painter.h"
#include "fake_devtools_peer.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return done();
}

struct Receiver {
  Receiver() {
    session = std::make_shared<DevToolsSession>(ch.transport, "S1");
    receiver = std::make_shared<ScreencastReceiver>(session);
    std::weak_ptr<ScreencastReceiver> weak = receiver;
    session->Subscribe([weak](const std::string& method, const Json& params) {
      if (auto r = weak.lock()) r->OnEvent(method, params);
    });
    ch.transport->Start();
  }
  // The reader thread may hold the receiver last: stop it before anything goes.
  ~Receiver() { ch.transport->Close(); }
  // Starts the screencast at 800x600; returns the start command the peer read.
  Json Start() {
    receiver->Start(800, 600);
    return Expect("Page.startScreencast");
  }
  // The next command the peer reads, which must be `method`.
  Json Expect(const std::string& method) {
    Json c = ch.peer->ReadCommand();
    EXPECT_EQ(c.value("method", std::string()), method) << c.dump();
    return c;
  }
  Channel ch;
  std::shared_ptr<DevToolsSession> session;
  std::shared_ptr<ScreencastReceiver> receiver;
};

TEST(ScreencastReceiver, AStartRefusedWhileTheDocumentIsSwappedInLeavesItStopped) {
  struct Case {
    const char* name;
    bool refused;
    bool start_again_before_answer;
    bool started_after;
  } cases[] = {
      {"accepted", false, false, true},
      {"refused", true, false, false},
      // The refusal belongs to the first start; the second still stands.
      {"refused, started again meanwhile", true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Receiver r;
    Json start = r.Start();
    EXPECT_EQ(start["params"]["maxWidth"], 800);
    EXPECT_EQ(start["sessionId"], "S1");
    EXPECT_TRUE(r.receiver->started());
    if (c.start_again_before_answer) r.receiver->Start(800, 600);
    if (c.refused)
      r.ch.peer->ReplyError(start["id"], "Not attached to an active page");
    else
      r.ch.peer->Reply(start["id"], Json::object());
    if (c.start_again_before_answer) r.ch.peer->Reply(r.Expect("Page.startScreencast")["id"], Json::object());
    // Answers are handled in order: once a later one is, the start's answer has been too.
    std::atomic<bool> flushed{false};
    r.session->Send("Marker.flush", Json::object(), [&](const CommandResult&) { flushed = true; });
    r.ch.peer->Reply(r.Expect("Marker.flush")["id"], Json::object());
    ASSERT_TRUE(Eventually([&] { return flushed.load(); }));
    EXPECT_EQ(r.receiver->started(), c.started_after);
  }
}

TEST(ScreencastReceiver, AcknowledgesEveryFrameAndKeepsOnlyTheNewest) {
  Receiver r;
  std::atomic<int> ready{0};
  r.receiver->SetFrameReady([&] { ++ready; });
  r.Start();
  r.ch.peer->Event("S1", "Page.screencastFrame", {{"data", "first"}, {"sessionId", 7}});
  r.ch.peer->Event("S1", "Page.screencastFrame", {{"data", "second"}, {"sessionId", 8}});
  EXPECT_EQ(r.Expect("Page.screencastFrameAck")["params"]["sessionId"], 7);
  EXPECT_EQ(r.Expect("Page.screencastFrameAck")["params"]["sessionId"], 8);
  ASSERT_TRUE(Eventually([&] { return ready == 2; }));
  std::string frame;
  ASSERT_TRUE(r.receiver->TakeLatest(&frame));
  EXPECT_EQ(frame, "second");
  EXPECT_FALSE(r.receiver->TakeLatest(&frame)) << "taken once";
  // A frame without data is acknowledged but not kept.
  r.ch.peer->Event("S1", "Page.screencastFrame", {{"sessionId", 9}});
  EXPECT_EQ(r.Expect("Page.screencastFrameAck")["params"]["sessionId"], 9);
  EXPECT_FALSE(r.receiver->TakeLatest(&frame));
}

TEST(ScreencastReceiver, ScreenshotsAreCountedUntilTheirAnswerAndLoseToANewerScreencastFrame) {
  Receiver r;
  std::atomic<int> done{0};
  r.receiver->SetScreenshotDone([&] { ++done; });
  r.Start();

  // Answered with no screencast frame in between: the screenshot is the frame.
  r.receiver->RequestFrame();
  EXPECT_EQ(r.receiver->screenshots_in_flight(), 1);
  Json shot = r.Expect("Page.captureScreenshot");
  r.ch.peer->Reply(shot["id"], {{"data", "shot"}});
  ASSERT_TRUE(Eventually([&] { return done == 1; }));
  EXPECT_EQ(r.receiver->screenshots_in_flight(), 0);
  std::string frame;
  ASSERT_TRUE(r.receiver->TakeLatest(&frame));
  EXPECT_EQ(frame, "shot");

  // A screencast frame overtakes it: the older screenshot is dropped.
  r.receiver->RequestFrame();
  shot = r.Expect("Page.captureScreenshot");
  r.ch.peer->Event("S1", "Page.screencastFrame", {{"data", "live"}, {"sessionId", 1}});
  r.Expect("Page.screencastFrameAck");
  r.ch.peer->Reply(shot["id"], {{"data", "stale shot"}});
  ASSERT_TRUE(Eventually([&] { return done == 2; }));
  ASSERT_TRUE(r.receiver->TakeLatest(&frame));
  EXPECT_EQ(frame, "live");

  // A failed screenshot still ends, so metrics held for it are not held forever.
  r.receiver->RequestFrame();
  r.ch.peer->ReplyError(r.Expect("Page.captureScreenshot")["id"], "Not attached to an active page");
  ASSERT_TRUE(Eventually([&] { return done == 3; }));
  EXPECT_EQ(r.receiver->screenshots_in_flight(), 0);
  EXPECT_FALSE(r.receiver->TakeLatest(&frame));
}

// The painter asks Chromium for the view's size as metrics and screencast, from the start and on
// every resize: a view larger than can be painted is asked for at its paintable size.
TEST(PagePainter, AsksChromiumForThePaintableSizeOfTheViewAlsoOnResize) {
  Channel ch;
  auto session = std::make_shared<DevToolsSession>(ch.transport, "S1");
  ch.transport->Start();
  PagePainter painter(INT_MAX, 600, 30);
  painter.Start(session, [](std::function<void()>, std::chrono::milliseconds) { return false; },
                [](const DecodedFrame&) {});
  // The next command named `method`; those in between do not matter here.
  auto next = [&](const std::string& method) {
    for (Json c = ch.peer->ReadCommand(); !c.is_null(); c = ch.peer->ReadCommand())
      if (c.value("method", std::string()) == method) return c.value("params", Json::object());
    ADD_FAILURE() << "no " << method;
    return Json::object();
  };
  painter.OnMainFrameCommitted();
  Json cast = next("Page.startScreencast");
  EXPECT_EQ(cast["maxWidth"], 15134);
  EXPECT_EQ(cast["maxHeight"], 554);
  painter.ApplyViewMetrics(false);
  Json metrics = next("Emulation.setDeviceMetricsOverride");
  EXPECT_EQ(metrics["width"], 15134);
  EXPECT_EQ(metrics["height"], 554);

  painter.SetViewSize(100000, 100000);
  painter.ApplyViewMetrics(true);
  metrics = next("Emulation.setDeviceMetricsOverride");
  EXPECT_EQ(metrics["width"], 2896);
  EXPECT_EQ(metrics["height"], 2896);
  cast = next("Page.startScreencast");
  EXPECT_EQ(cast["maxWidth"], 2896);
  EXPECT_EQ(painter.view_width(), 2896);
  painter.SetViewSize(-1, 300);  // not a size: the last one stays
  EXPECT_EQ(painter.view_height(), 2896);
  painter.Stop();
  ch.transport->Close();
}

// A page ending loads without pause asks for a frame at each: one screenshot is under way at a
// time, and those asked for meanwhile make one more after it, so the last state is still taken.
TEST(PagePainter, TakesOneScreenshotAtATimeAndOneMoreForWhatWasAskedMeanwhile) {
  Channel ch;
  auto session = std::make_shared<DevToolsSession>(ch.transport, "S1");
  ch.transport->Start();
  std::mutex mutex;
  std::vector<std::function<void()>> posted;  // the UI thread's tasks, run by the test
  PagePainter painter(320, 240, 30);
  painter.Start(session,
                [&](std::function<void()> task, std::chrono::milliseconds) {
                  std::lock_guard<std::mutex> lock(mutex);
                  posted.push_back(std::move(task));
                  return true;
                },
                [](const DecodedFrame&) {});
  auto screenshots_read = [&](std::chrono::milliseconds wait) {
    std::vector<Json> shots;
    for (Json c = ch.peer->ReadCommand(wait); !c.is_null(); c = ch.peer->ReadCommand(wait))
      if (c.value("method", std::string()) == "Page.captureScreenshot") shots.push_back(c);
    return shots;
  };
  // Answers `shot` and runs what its answer posts.
  auto answer = [&](const Json& shot) {
    ch.peer->Reply(shot["id"], {{"data", "not a picture"}});
    ASSERT_TRUE(Eventually([&] {
      std::lock_guard<std::mutex> lock(mutex);
      return !posted.empty();
    }));
    std::vector<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(mutex);
      tasks.swap(posted);
    }
    for (auto& task : tasks) task();
  };
  painter.OnMainFrameCommitted();
  painter.OnMainFrameLoaded();
  std::vector<Json> shots = screenshots_read(300ms);
  ASSERT_EQ(shots.size(), 1u);
  for (int i = 0; i < 5; ++i) painter.Invalidate();
  EXPECT_TRUE(screenshots_read(100ms).empty()) << "asked while one is under way";
  answer(shots[0]);
  shots = screenshots_read(300ms);
  ASSERT_EQ(shots.size(), 1u) << "one more for the five asked meanwhile";
  answer(shots[0]);
  EXPECT_TRUE(screenshots_read(100ms).empty());
  painter.Invalidate();
  EXPECT_EQ(screenshots_read(300ms).size(), 1u) << "none under way: taken at once";
  painter.Stop();
  ch.transport->Close();
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
