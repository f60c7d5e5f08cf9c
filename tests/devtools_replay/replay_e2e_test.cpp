// The stand-in browser replaying recorded conversations to the library, driven through the
// library's exports: the engine's real protocol code against the recorded Chromium, and the page
// bridge computing its answers live in marovekcef. Each test starts the engine once, in a process
// of its own.
#include <stdlib.h>
#include <unistd.h>

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
};

TEST_F(Replayed, FramesShowTheRecordedColoursAtTheirPixels) {
  Start("quads.jsonl", ReadFileBytes(DataFile("recorded_rc1_0.png")));
  Frame frame;
  EXPECT_TRUE(RunQuads(*host_, &frame, kSeconds)) << QuadMismatches(frame);
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
  Recording recording;
  std::string error;
  ASSERT_TRUE(ReadRecording(std::string(MVCEF_RECORDINGS_DIR) + "/bridge.jsonl", &recording, &error)) << error;
  std::string rewritten;
  Json commit;
  for (const RecordedMessage& m : recording.messages) {
    const std::string method = m.message.value("method", std::string());
    if (method == "Page.frameNavigated" && commit.is_null()) commit = m.message;
    if (method != "Fetch.requestPaused") {
      rewritten += RecordingLine(m.t, m.from_engine, m.message.dump()) + "\n";
      continue;
    }
    Json request = m.message;
    request["params"]["frameId"] = "C0FFEE";
    rewritten += RecordingLine(m.t, false, request.dump()) + "\n";
    if (commit.is_null() || commit["params"]["frame"]["id"] == "C0FFEE") continue;
    commit["params"]["frame"]["parentId"] = commit["params"]["frame"]["id"];
    commit["params"]["frame"]["id"] = "C0FFEE";
    rewritten += RecordingLine(m.t, false, commit.dump()) + "\n";
  }
  ASSERT_EQ(commit["params"]["frame"]["id"], "C0FFEE");
  mvtest::TempDir folder("mvcef_replay");
  const std::string path = folder.Write("bridge_child_asks_first.jsonl", {rewritten.begin(), rewritten.end()});

  const std::string live = ReadFileBytes(DataFile("live_rc1_0.png"));
  Start("bridge.jsonl", live, {{"MVCEF_REPLAY", path}, {"MVCEF_BRIDGE_ORIGINS", "file://"}});
  std::vector<std::string> messages;
  ASSERT_TRUE(RunBridge(*host_, &messages, kSeconds));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "data:image/png;base64," + exports_e2e::Base64WithLineBreaks(live));
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
