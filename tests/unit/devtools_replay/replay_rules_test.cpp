// How the stand-in answers a live engine from a recording: matching, timing, pacing, value flow.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/base64.h"
#include "replay.h"

namespace devtools_replay {
namespace {

// Base64 without line breaks, as DevTools sends bodies.
std::string B64(const std::string& text) { return mvcommon::EncodeBase64(text); }

RecordedMessage Engine(double t, Json message) { return {t, true, std::move(message)}; }
RecordedMessage Browser(double t, Json message) { return {t, false, std::move(message)}; }

Recording Of(std::vector<RecordedMessage> messages) {
  Recording r;
  r.messages = std::move(messages);
  return r;
}

// Everything due by `now`, in the order sent.
std::vector<Json> Drain(Replay& replay, double now) {
  std::vector<Json> out;
  double wake;
  while (auto m = replay.Next(now, &wake)) out.push_back(*m);
  return out;
}

std::vector<std::string> Methods(const std::vector<Json>& messages) {
  std::vector<std::string> out;
  for (const Json& m : messages) out.push_back(m.contains("method") ? m["method"].get<std::string>() : "reply " + m["id"].dump());
  return out;
}

TEST(ValueFlow, AnAnswerLearntThroughABase64BodyReplacesTheRecordedOneWhereverThePageCarriesIt) {
  const std::string recorded_uri = "data:image/png;base64,RECORDEDRECORDED", live_uri = "data:image/png;base64,LIVE";
  ValueFlow flow;
  // Fetch.fulfillRequest: the body is base64 of the JSON answer.
  flow.Learn(Json{{"requestId", "r1"}, {"body", B64(Json{{"value", recorded_uri}}.dump())}},
             Json{{"requestId", "r1"}, {"body", B64(Json{{"value", live_uri}}.dump())}});
  ASSERT_EQ(flow.learnt().size(), 1u);

  const std::string call_of = R"({"op":"call","name":"batchUploadImg","args":[")";
  struct Case {
    const char* what;
    Json recorded, live;
  } cases[] = {
      {"postData holds the call's JSON", Json{{"postData", call_of + recorded_uri + "\"]}"}},
       Json{{"postData", call_of + live_uri + "\"]}"}}},
      {"postDataEntries hold it in base64", Json{{"bytes", B64(call_of + recorded_uri + "\"]}")}},
       Json{{"bytes", B64(call_of + live_uri + "\"]}")}}},
      {"a plain text with it inside", Json{{"text", "shot=" + recorded_uri + ";"}}, Json{{"text", "shot=" + live_uri + ";"}}},
      {"nothing of it: left as it was", Json{{"text", "data:image/png;base64,OTHER"}, {"n", 3}},
       Json{{"text", "data:image/png;base64,OTHER"}, {"n", 3}}},
  };
  for (const Case& c : cases) EXPECT_EQ(flow.Apply(c.recorded).dump(), c.live.dump()) << c.what;
}

TEST(ValueFlow, ShortTextsAndEqualTextsAreNotLearnt) {
  ValueFlow flow;
  flow.Learn(Json{{"a", "1"}, {"b", "same text here"}, {"c", {{"d", "ok"}}}, {"e", 5}},
             Json{{"a", "2"}, {"b", "same text here"}, {"c", {{"d", "no"}}}, {"e", 6}});
  EXPECT_TRUE(flow.learnt().empty());
  // A file's address moved with the checkout: learnt, and used in later events.
  flow.Learn(Json{{"url", "file:///old/pages/quads.html"}}, Json{{"url", "file:///new/place/pages/quads.html"}});
  EXPECT_EQ(flow.Apply(Json{{"frame", {{"url", "file:///old/pages/quads.html"}}}}).dump(),
            Json({{"frame", {{"url", "file:///new/place/pages/quads.html"}}}}).dump());
}

TEST(Replay, CommandsMatchByMethodSessionAndIdsThenByAgreement) {
  Replay replay(Of({
      Engine(0, {{"id", 1}, {"method", "Page.enable"}, {"sessionId", "S1"}}),
      Browser(1, {{"id", 1}, {"result", {{"from", "S1 enable"}}}, {"sessionId", "S1"}}),
      Engine(2, {{"id", 2}, {"method", "Page.enable"}, {"sessionId", "S2"}}),
      Browser(3, {{"id", 2}, {"result", {{"from", "S2 enable"}}}, {"sessionId", "S2"}}),
      Engine(4, {{"id", 3}, {"method", "Fetch.fulfillRequest"}, {"params", {{"requestId", "a"}, {"body", "x"}}}}),
      Browser(5, {{"id", 3}, {"result", {{"from", "a"}}}}),
      Engine(6, {{"id", 4}, {"method", "Fetch.fulfillRequest"}, {"params", {{"requestId", "b"}, {"body", "x"}}}}),
      Browser(7, {{"id", 4}, {"result", {{"from", "b"}}}}),
      Engine(8, {{"id", 5}, {"method", "Runtime.evaluate"}, {"params", {{"expression", "1"}, {"returnByValue", true}}}}),
      Browser(9, {{"id", 5}, {"result", {{"from", "eval 1"}}}}),
      Engine(10, {{"id", 6}, {"method", "Runtime.evaluate"}, {"params", {{"expression", "2"}, {"returnByValue", true}}}}),
      Browser(11, {{"id", 6}, {"result", {{"from", "eval 2"}}}}),
  }));
  struct Case {
    Json live;
    std::string answered;  // result.from, or "error"
  } cases[] = {
      {{{"id", 70}, {"method", "Page.enable"}, {"sessionId", "S2"}}, "S2 enable"},     // the session decides
      {{{"id", 71}, {"method", "Fetch.fulfillRequest"}, {"params", {{"requestId", "b"}, {"body", "y"}}}}, "b"},
      {{{"id", 72}, {"method", "Fetch.fulfillRequest"}, {"params", {{"requestId", "c"}, {"body", "x"}}}}, "error"},
      {{{"id", 73}, {"method", "Runtime.evaluate"}, {"params", {{"expression", "2"}, {"returnByValue", true}}}}, "eval 2"},
      {{{"id", 74}, {"method", "Runtime.evaluate"}, {"params", {{"expression", "3"}, {"returnByValue", true}}}}, "eval 1"},
      {{{"id", 75}, {"method", "Runtime.evaluate"}, {"params", {{"expression", "2"}, {"returnByValue", true}}}}, "error"},
      {{{"id", 76}, {"method", "Page.reload"}, {"sessionId", "S1"}}, "error"},
  };
  double now = 100;
  for (const Case& c : cases) {
    now += 100;
    Replay::Received r = replay.OnCommand(c.live, now);
    std::vector<Json> sent = Drain(replay, now + 10);
    if (r.immediate) sent.insert(sent.begin(), *r.immediate);
    ASSERT_EQ(sent.size(), 1u) << c.live.dump();
    EXPECT_EQ(sent[0]["id"], c.live["id"]) << "answered under the live id";
    const std::string answered = sent[0].contains("error") ? "error" : sent[0]["result"]["from"].get<std::string>();
    EXPECT_EQ(answered, c.answered) << c.live.dump();
    if (c.live.contains("sessionId")) {
      EXPECT_EQ(sent[0]["sessionId"], c.live["sessionId"]);
    }
  }
}

TEST(Replay, EventsFollowTheirCommandWithTheRecordedPausesInRecordedOrder) {
  Replay replay(Of({
      Engine(1000, {{"id", 1}, {"method", "Runtime.runIfWaitingForDebugger"}}),
      Browser(1400, {{"id", 1}, {"result", Json::object()}}),
      Browser(1300, {{"method", "Page.frameNavigated"}}),  // arrival order, not time stamps, rules
      Browser(1500, {{"method", "Page.frameStoppedLoading"}}),
      Browser(9000, {{"method", "Page.late"}}),  // a long pause is shortened to max_delay_ms
      Engine(9500, {{"id", 2}, {"method", "Page.getNavigationHistory"}}),
      Browser(9600, {{"id", 2}, {"result", Json::object()}}),
  }));
  double wake;
  EXPECT_FALSE(replay.Next(0, &wake));
  EXPECT_TRUE(std::isinf(wake)) << "nothing comes before the engine asks";
  replay.OnCommand({{"id", 10}, {"method", "Runtime.runIfWaitingForDebugger"}}, 50);
  EXPECT_TRUE(Drain(replay, 349).empty());
  EXPECT_EQ(Methods(Drain(replay, 450)), (std::vector<std::string>{"reply 10", "Page.frameNavigated"}))
      << "the reply held back the event after it until the reply was due";
  EXPECT_EQ(Methods(Drain(replay, 550)), (std::vector<std::string>{"Page.frameStoppedLoading"}));
  EXPECT_FALSE(replay.Next(551, &wake));
  EXPECT_DOUBLE_EQ(wake, 50 + ReplayOptions().max_delay_ms);
  EXPECT_EQ(Methods(Drain(replay, wake)), (std::vector<std::string>{"Page.late"}));
  EXPECT_FALSE(replay.Finished());
  replay.OnCommand({{"id", 11}, {"method", "Page.getNavigationHistory"}}, 4000);
  EXPECT_EQ(Methods(Drain(replay, 4100)), (std::vector<std::string>{"reply 11"}));
  EXPECT_TRUE(replay.Finished());
}

TEST(Replay, ACommandThatNeverComesReleasesItsEventsOnceALaterOneDoesButNeverItsReply) {
  Replay replay(Of({
      Engine(0, {{"id", 1}, {"method", "A"}}),
      Browser(1, {{"id", 1}, {"result", Json::object()}}),
      Browser(2, {{"method", "after.A"}}),
      Engine(3, {{"id", 2}, {"method", "B"}}),
      Browser(4, {{"id", 2}, {"result", Json::object()}}),
      Browser(5, {{"method", "after.B"}}),
  }));
  replay.OnCommand({{"id", 20}, {"method", "B"}}, 0);
  EXPECT_EQ(Methods(Drain(replay, 10)), (std::vector<std::string>{"after.A", "reply 20", "after.B"}));
  EXPECT_TRUE(replay.Finished()) << "A's reply has no live id to go under";
}

TEST(Replay, AScreencastFrameWaitsForTheAcknowledgementOfThePreviousOne) {
  Replay replay(Of({
      Engine(0, {{"id", 1}, {"method", "Page.startScreencast"}, {"sessionId", "S"}}),
      Browser(1, {{"method", "Page.screencastFrame"}, {"params", {{"sessionId", 1}}}, {"sessionId", "S"}}),
      Browser(2, {{"method", "Page.screencastFrame"}, {"params", {{"sessionId", 2}}}, {"sessionId", "S"}}),
      Browser(3, {{"method", "Page.other"}, {"sessionId", "S"}}),
  }));
  replay.OnCommand({{"id", 5}, {"method", "Page.startScreencast"}, {"sessionId", "S"}}, 0);
  EXPECT_EQ(Methods(Drain(replay, 100)), (std::vector<std::string>{"Page.screencastFrame", "Page.other"}))
      << "the second frame waits; what comes after it does not";
  // The acknowledgement itself is not in this recording: it counts all the same.
  replay.OnCommand({{"id", 6}, {"method", "Page.screencastFrameAck"}, {"params", {{"sessionId", 1}}}, {"sessionId", "S"}},
                   200);
  const std::vector<Json> after_ack = Drain(replay, 200);
  ASSERT_EQ(Methods(after_ack), (std::vector<std::string>{"Page.screencastFrame"}));
  EXPECT_EQ(after_ack[0]["params"]["sessionId"], 2);
}

}  // namespace
}  // namespace devtools_replay
