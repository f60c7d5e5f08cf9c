// The stand-in browser replaying recorded conversations to the library, driven through the
// library's exports: the engine's real protocol code against the recorded Chromium, and the page
// bridge computing its answers live in marovekcef. Each test starts the engine once, in a process
// of its own.
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/devtools_replay/recording.h"
#include "tests/devtools_replay/scenarios.h"
#include "tests/e2e/exports/process_tree.h"
#include "tests/e2e/exports/text_codec.h"
#include "tests/support/temp_dir.h"

namespace devtools_replay {
namespace {

// Replayed pauses are the recorded ones: a start takes as long as Chromium's did.
constexpr double kSeconds = 30;

class Replayed : public ::testing::Test {
 protected:
  // Starts the library with the stand-in as its browser, replaying `recording`; `settings` are
  // more of the stand-in's (name, value), and uploadImg(1) answers `screenshot`.
  void Start(const std::string& recording, const std::string& screenshot,
             const std::vector<std::pair<const char*, std::string>>& settings = {}) {
    ASSERT_TRUE(exports_e2e::AdoptOrphans());
    std::string error;
    ASSERT_TRUE(layout_.Create(screenshot, &error)) << error;
    log_ = layout_.library() + ".replay.log";
    ::setenv("MVCEF_CHROMIUM", MVCEF_STAND_IN_PATH, 1);
    ::setenv("MVCEF_REPLAY", (std::string(MVCEF_RECORDINGS_DIR) + "/" + recording).c_str(), 1);
    ::setenv("MVCEF_REPLAY_LOG", log_.c_str(), 1);
    for (const auto& setting : settings) ::setenv(setting.first, setting.second.c_str(), 1);
    ASSERT_TRUE(StartLibrary(layout_, &library_, &error)) << error;
    host_ = std::make_unique<Host>(library_.api);
  }

  // `recording` changed by `edit`, written to a file of this test's; its path.
  std::string Rewritten(const std::string& recording, const std::function<void(std::vector<RecordedMessage>&)>& edit) {
    Recording read;
    std::string error;
    EXPECT_TRUE(ReadRecording(std::string(MVCEF_RECORDINGS_DIR) + "/" + recording, &read, &error)) << error;
    edit(read.messages);
    std::string text;
    for (const RecordedMessage& m : read.messages) text += RecordingLine(m.t, m.from_engine, m.message.dump()) + "\n";
    return folder_.Write(recording, {text.begin(), text.end()});
  }

  // Shutting down ends the stand-in like Chromium, whatever state it is in.
  void TearDown() override {
    if (HasFailure()) std::fprintf(stderr, "stand-in log:\n%s\n", ReadFileBytes(log_).c_str());
    host_.reset();
    if (!library_.handle) return;
    EXPECT_EQ(library_.api.fnmvPackCefDllUninitializeCef(), 1);
    std::vector<exports_e2e::ProcessInfo> left;
    EXPECT_TRUE(exports_e2e::PollUntil([&] {
      left = exports_e2e::RunningDescendants(::getpid());
      return left.empty();
    })) << "still running after fnmvPackCefDllUninitializeCef:\n" << exports_e2e::Describe(left);
  }

  // The stand-in: our child, started with the browser's switches.
  pid_t StandIn() {
    for (const exports_e2e::ProcessInfo& p : exports_e2e::RunningDescendants(::getpid()))
      if (p.parent == ::getpid() && p.command.find("--remote-debugging-pipe") != std::string::npos) return p.pid;
    return 0;
  }

  InstallLayout layout_;
  exports_e2e::LoadedLibrary library_;
  std::unique_ptr<Host> host_;
  std::string log_;
  mvtest::TempDir folder_{"mvcef_replay"};
};

TEST_F(Replayed, FramesShowTheRecordedColoursAtTheirPixels) {
  Start("quads.jsonl", ReadFileBytes(DataFile("recorded_rc1_0.png")));
  Frame frame;
  EXPECT_TRUE(RunQuads(*host_, &frame, kSeconds)) << QuadMismatches(frame);
}

// A page made on about:blank has its document before its events are on, so Chromium often reports
// no load of it: its load ends all the same, and a first frame is taken.
TEST_F(Replayed, ABlankPageWhoseLoadChromiumNeverReportsStillPaints) {
  const std::string path = Rewritten("blank.jsonl", [](std::vector<RecordedMessage>& messages) {
    std::vector<RecordedMessage> kept;
    for (const RecordedMessage& m : messages) {
      const std::string method = m.message.value("method", std::string());
      if (method == "Page.frameStartedLoading" || method == "Page.frameStoppedLoading" ||
          method == "Page.frameNavigated" || method == "Page.loadEventFired" || method == "Page.domContentEventFired")
        continue;
      kept.push_back(m);
    }
    messages.swap(kept);
  });
  Start("blank.jsonl", ReadFileBytes(DataFile("recorded_rc1_0.png")), {{"MVCEF_REPLAY", path}});
  Frame frame;
  EXPECT_TRUE(RunBlank(*host_, &frame, kSeconds));
}

TEST_F(Replayed, ThePageGetsWhatMarovekcefAnswersNowNotWhatWasRecorded) {
  const std::string live = ReadFileBytes(DataFile("live_rc1_0.png"));
  const std::string recorded = ReadFileBytes(DataFile("recorded_rc1_0.png"));
  ASSERT_NE(live, recorded);
  Start("bridge.jsonl", live);
  std::vector<std::string> messages;
  ASSERT_TRUE(RunBridge(*host_, &messages, kSeconds));
  ASSERT_EQ(messages.size(), 2u);
  // batchUploadImg(uploadImg(1)): marovekcef read this layout's file, and the page passed it on.
  EXPECT_EQ(messages[0], "data:image/png;base64," + exports_e2e::Base64WithLineBreaks(live));
  EXPECT_EQ(messages[1], "done=1");
}

// Chromium can report a frame's first bridge request before the frame's commit (the two come by
// different ways). Here the recorded page asks as a same-origin child frame that Chromium reports
// only just after that first request. With the bridge narrowed to file: pages, the page still
// gets it: its context knows the frame's address.
TEST_F(Replayed, AFramesFirstBridgeRequestBeforeItsCommitStillKnowsTheFrame) {
  const std::string path = Rewritten("bridge.jsonl", [](std::vector<RecordedMessage>& messages) {
    std::vector<RecordedMessage> out;
    Json commit;
    for (RecordedMessage& m : messages) {
      // The page's own requests (the browser session's are its documents, held while it is made).
      const std::string method = m.message.contains("sessionId") ? m.message.value("method", std::string()) : "";
      if (method == "Page.frameNavigated" && commit.is_null()) commit = m.message;
      if (method == "Fetch.requestPaused") m.message["params"]["frameId"] = "C0FFEE";
      out.push_back(m);
      if (method != "Fetch.requestPaused" || commit.is_null() || commit["params"]["frame"]["id"] == "C0FFEE") continue;
      commit["params"]["frame"]["parentId"] = commit["params"]["frame"]["id"];
      commit["params"]["frame"]["id"] = "C0FFEE";
      out.push_back(RecordedMessage{m.t, false, commit});
    }
    messages = out;
  });
  const std::string live = ReadFileBytes(DataFile("live_rc1_0.png"));
  Start("bridge.jsonl", live, {{"MVCEF_REPLAY", path}, {"MVCEF_BRIDGE_ORIGINS", "file://"}});
  std::vector<std::string> messages;
  ASSERT_TRUE(RunBridge(*host_, &messages, kSeconds));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "data:image/png;base64," + exports_e2e::Base64WithLineBreaks(live));
}

// A document that committed before its browser was set up has no bridge, and is loaded again. The
// question whether it has the bridge can find its document gone (Chromium replaced it meanwhile);
// the page is then asked again, and here answers that it lacks the bridge.
TEST_F(Replayed, APageWhoseFirstCheckFindsItsDocumentGoneIsAskedAgain) {
  const std::string path = Rewritten("bridge.jsonl", [](std::vector<RecordedMessage>& messages) {
    Json check, url;
    size_t failed = 0;  // where the recorded question's answer stands
    for (size_t i = 0; i < messages.size(); ++i) {
      RecordedMessage& m = messages[i];
      if (m.from_engine && m.message.value("method", std::string()) == "Runtime.evaluate" &&
          m.message["params"].value("expression", std::string()).find("__mvcefBridge") != std::string::npos)
        check = m.message;
      // The recorded question finds its document gone.
      if (!m.from_engine && !check.is_null() && m.message.value("id", Json()) == check["id"] &&
          m.message.value("sessionId", Json()) == check["sessionId"]) {
        m.message.erase("result");
        m.message["error"] = {{"code", -32000}, {"message", "Cannot find context with specified id"}};
        failed = i;
      }
      if (url.is_null() && m.message.value("method", std::string()) == "Page.frameNavigated")
        url = m.message["params"]["frame"]["url"];
    }
    ASSERT_FALSE(check.is_null() || url.is_null() || failed == 0);
    check["id"] = 9001;
    check["params"].erase("contextId");
    Json answer = {{"id", 9001}, {"result", {{"result", {{"type", "string"}, {"value", "-" + url.get<std::string>()}}}}}};
    answer["sessionId"] = check["sessionId"];
    // Asked again while the page lives: a page's session answers nothing once it has detached.
    const double t = messages[failed].t;
    messages.insert(messages.begin() + failed + 1,
                    {RecordedMessage{t, true, check}, RecordedMessage{t, false, answer}});
  });
  Start("bridge.jsonl", ReadFileBytes(DataFile("live_rc1_0.png")), {{"MVCEF_REPLAY", path}});
  std::vector<std::string> messages;
  EXPECT_TRUE(RunBridge(*host_, &messages, kSeconds));
  EXPECT_TRUE(exports_e2e::PollUntil([&] { return ReadFileBytes(log_).find("Page.navigate") != std::string::npos; }))
      << "the page was not loaded again";
}

TEST_F(Replayed, AWindowedBrowserShowsItsChildWindowOnceLoaded) {
  Start("windowed.jsonl", ReadFileBytes(DataFile("recorded_rc1_0.png")));
  EXPECT_TRUE(RunWindowed(*host_, kSeconds));
}

// A browser that dies under the engine (here: exits after its first frame was acknowledged) is
// gone for the engine: reaped, and the exports keep answering.
TEST_F(Replayed, ABrowserThatExitsIsSeenGoneAndTheExportsStillAnswer) {
  Start("quads.jsonl", ReadFileBytes(DataFile("recorded_rc1_0.png")),
        {{"MVCEF_REPLAY_EXIT_AFTER", "Page.screencastFrameAck"}});
  const pid_t stand_in = StandIn();
  ASSERT_NE(stand_in, 0);
  Frame frame;
  RunQuads(*host_, &frame, kSeconds);
  EXPECT_TRUE(exports_e2e::PollUntil([&] { return exports_e2e::ReadProcess(stand_in).pid == 0; }))
      << "the stand-in was not reaped";
  const exports_e2e::Api& api = library_.api;
  HWND window = host_->NewWindow(RECT{0, 0, kViewWidth, kViewHeight});
  // Whatever id it gives, nothing paints behind it.
  api.fnmvPackCefDllCreateBrowser(RECT{0, 0, kViewWidth, kViewHeight}, PageUrl("quads.html").c_str(), window, nullptr);
  EXPECT_FALSE(host_->TakeFrame(&frame));
  EXPECT_EQ(api.fnmvPackCefDllGotoUrl(PageUrl("bridge.html").c_str()), 0);
  EXPECT_EQ(api.fnmvPackCefDllDoClose(), 1);
}

// A browser that hangs (reads and writes nothing, pipe open) answers nothing more, and is ended at
// shutdown: TearDown finds no process left. Here it hangs as the engine answers uploadImg(1), so the
// page's batchUploadImg never comes.
TEST_F(Replayed, AHungBrowserAnswersNothingAndIsEndedAtShutdown) {
  Start("bridge.jsonl", ReadFileBytes(DataFile("live_rc1_0.png")),
        {{"MVCEF_REPLAY_STALL_AFTER", "Fetch.fulfillRequest:2"}});
  std::vector<std::string> messages;
  EXPECT_FALSE(RunBridge(*host_, &messages, 3));
  EXPECT_TRUE(messages.empty());
  ASSERT_NE(StandIn(), 0) << "a hung browser still runs";
}

}  // namespace
}  // namespace devtools_replay
