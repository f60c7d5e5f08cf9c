// The runtime's switch translation, which page events it parses at all, its restart budget, how
// new pages' first documents wait for their set-up, how reads of a document are shared, and how
// popup targets find their addresses.
#include <atomic>
#include <future>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/chromium_browser.h"
#include "engine/runtime/chromium/chromium_switches.h"
#include "engine/runtime/chromium/first_document_hold.h"
#include "engine/runtime/chromium/popup_matcher.h"
#include "engine/runtime/chromium/reply_join.h"
#include "engine/runtime/chromium/restart_budget.h"
#include "engine/runtime/chromium/shared_read.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

TEST(TranslateSwitches, LangBecomesAcceptLangAndLocaleOthersPassOrDrop) {
  ChromiumSwitches s = TranslateSwitches({
      {"lang", "zh-CN"},
      {"disable-gpu", ""},
      {"disable-gpu-compositing", ""},
      {"ppapi-out-of-process", ""},
      {"ppapi-flash-version", "28.0.0.137"},
      {"ppapi-flash-path", "Plugins\\pepflashplayer.dll"},
      {"type", "renderer"},
      {"user-data-dir", "/elsewhere"},
      {"remote-debugging-port", "9222"},
      {"no-sandbox", ""},
      {"force-device-scale-factor", "1"},
  });
  EXPECT_EQ(s.locale, "zh-CN");
  std::vector<std::string> expected = {"--disable-gpu", "--disable-gpu-compositing",
                                       "--force-device-scale-factor=1"};
  std::vector<std::string> others;
  bool accept_lang = false;
  for (auto& a : s.args) {
    if (a == "--accept-lang=zh-CN") accept_lang = true;
    else if (a.compare(0, 7, "--lang=") != 0) others.push_back(a);
  }
  EXPECT_TRUE(accept_lang);
  EXPECT_EQ(others, expected);
  for (auto& a : s.args) {
    EXPECT_EQ(a.find("ppapi"), std::string::npos) << a;
    EXPECT_EQ(a.find("user-data-dir"), std::string::npos) << a;
    EXPECT_EQ(a.find("type="), std::string::npos) << a;
  }
  EXPECT_TRUE(TranslateSwitches({{"lang", ""}}).locale.empty());
  EXPECT_TRUE(TranslateSwitches({}).args.empty());
}

TEST(ChromiumBrowser, ParsesOnlyTheEventsItActsOnAndOnlyDocumentsNetworkEvents) {
  struct Case {
    const char* method;
    const char* text;
    bool wanted;
  } cases[] = {
      {"Page.frameNavigated", "", true},
      {"Page.screencastFrame", "", true},
      {"Fetch.requestPaused", "", true},
      {"Target.attachedToTarget", "", true},
      {"Page.lifecycleEvent", "", false},
      {"Network.dataReceived", R"({"type":"Document"})", false},
      {"Network.requestWillBeSent", R"({"params":{"type":"XHR","initiator":{"type":"script"}}})", false},
      {"Network.requestWillBeSent", R"({"params":{"type":"Document"}})", true},
      {"Network.loadingFailed", R"({"params":{"type":"Document","errorText":"x"}})", true},
  };
  for (const Case& c : cases) EXPECT_EQ(ChromiumBrowser::WantsEvent(c.method, c.text), c.wanted) << c.method << c.text;
}

// Starts at these offsets (ms) against a budget of 3 per second: which are allowed.
TEST(RestartBudget, AllowsAFewStartsPerWindowAndRecoversAfterIt) {
  struct Case {
    const char* label;
    std::vector<int> at_ms;
    std::vector<bool> allowed;
  };
  const Case cases[] = {
      {"a crash loop stops at the budget", {0, 1, 2, 3, 4}, {true, true, true, false, false}},
      {"the window slides: the first start leaves it", {0, 400, 800, 999, 1000}, {true, true, true, false, true}},
      {"refused starts do not count", {0, 0, 0, 500, 500, 1000, 1000, 1000}, {true, true, true, false, false, true, true, true}},
      {"occasional deaths always recover", {0, 2000, 4000, 6000, 8000}, {true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    RestartBudget budget(3, std::chrono::seconds(1));
    const auto origin = RestartBudget::Clock::time_point() + std::chrono::hours(1);
    for (size_t i = 0; i < c.at_ms.size(); ++i)
      EXPECT_EQ(budget.Take(origin + std::chrono::milliseconds(c.at_ms[i])), c.allowed[i]) << c.label << ", start " << i;
  }
}

// Two pages made one after the other, with a foreign page and an iframe loading meanwhile.
TEST(FirstDocumentHold, HoldsOnlyPagesNotYetSetUpAndPausesOnlyWhileAnyIsMade) {
  using Held = std::vector<std::string>;
  FirstDocumentHold hold;
  EXPECT_FALSE(hold.StopPausing()) << "nothing was paused";
  EXPECT_TRUE(hold.StartCreation());
  hold.Await("A");
  EXPECT_TRUE(hold.Hold("A", "a1"));
  EXPECT_FALSE(hold.Hold("iframe", "f1")) << "another frame's document goes on";
  EXPECT_FALSE(hold.StartCreation()) << "already pausing";
  hold.Await("B");
  EXPECT_TRUE(hold.Hold("B", "b1"));
  EXPECT_TRUE(hold.Hold("A", "a2"));
  EXPECT_EQ(hold.Release("A"), (Held{"a1", "a2"}));
  EXPECT_FALSE(hold.Hold("A", "a3")) << "a page set up holds nothing more";
  EXPECT_EQ(hold.Release("A"), Held{});
  hold.EndCreation();
  EXPECT_FALSE(hold.StopPausing()) << "B still waits for its set-up";
  EXPECT_EQ(hold.Release("B"), Held{"b1"});
  EXPECT_TRUE(hold.StopPausing());
  EXPECT_FALSE(hold.StopPausing()) << "switched off once";
  EXPECT_TRUE(hold.StartCreation()) << "the next page switches it on again";

  hold.Await("C");
  EXPECT_TRUE(hold.Hold("C", "c1"));
  hold.Reset();  // Chromium went, and its paused requests with it
  EXPECT_FALSE(hold.Hold("C", "c2"));
  EXPECT_EQ(hold.Release("C"), Held{});
  EXPECT_FALSE(hold.StopPausing());
  EXPECT_TRUE(hold.StartCreation());
}

// Each step is one event at a time in ms: "o1 u" an open of browser 1 at address u with a gesture,
// "n1 u" one without, "t1 T" a popup target T of browser 1, "x" the waits that end by then, "f T"
// / "F1" target T / browser 1 gone. Decisions read "opener:target:address" ("-" for none).
TEST(PopupMatcher, TargetsTakeGesturedOpensFirstAndWhatWaitsTooLongOrTooMuchIsDecided) {
  struct Step {
    int at_ms;
    std::string event, decided;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"open then target", {{0, "o1 a", ""}, {5, "t1 T", "1:T:a"}, {1000, "x", ""}}},
      {"target then open", {{0, "t1 T", ""}, {5, "o1 a", "1:T:a"}, {1000, "x", ""}}},
      {"a blocked open is passed over, then refused",
       {{0, "n1 blocked", ""}, {10, "o1 a", ""}, {12, "t1 T", "1:T:a"}, {399, "x", ""}, {400, "x", "1:-:blocked"}}},
      {"a target before an open without gesture waits, then takes it",
       {{0, "t1 T", ""}, {5, "n1 a", ""}, {399, "x", ""}, {400, "x", "1:T:a"}, {1000, "x", ""}}},
      {"a target whose address never comes", {{0, "t1 T", ""}, {400, "x", "1:T:-"}}},
      {"browsers do not share", {{0, "o2 b", ""}, {5, "t1 T", ""}, {405, "x", "1:T:- 2:-:b"}}},
      {"too many opens: the oldest is refused at once",
       {{0, "n1 a", ""}, {1, "n1 b", ""}, {2, "n1 c", ""}, {3, "n1 d", "1:-:a"}, {500, "x", "1:-:b 1:-:c 1:-:d"}}},
      {"too many bytes: the oldest is refused at once, a single long one stays",
       {{0, "n1 0123456789", ""}, {1, "n1 abc", "1:-:0123456789"}, {2, "n1 0123456789ab", "1:-:abc"},
        {500, "x", "1:-:0123456789ab"}}},
      {"what went is not decided", {{0, "t1 T", ""}, {1, "n2 b", ""}, {2, "f T", ""}, {3, "F2", ""}, {500, "x", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PopupMatcher matcher(400ms, 3, 12);
    const auto origin = PopupMatcher::Clock::time_point() + 1h;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.event);
      const auto now = origin + std::chrono::milliseconds(step.at_ms);
      std::istringstream in(step.event);
      std::string kind, arg;
      in >> kind >> arg;
      const int opener = kind.size() > 1 ? kind[1] - '0' : 0;
      std::vector<PopupDecision> decided;
      if (kind[0] == 'o' || kind[0] == 'n') {
        decided = matcher.OnOpen(opener, {arg, "", kind[0] == 'o'}, now);
      } else if (kind[0] == 't') {
        if (auto d = matcher.OnTarget(opener, arg, now)) decided.push_back(*d);
      } else if (kind == "x") {
        decided = matcher.Expire(now);
      } else if (kind == "f") {
        matcher.ForgetTarget(arg);
      } else {
        matcher.ForgetOpener(opener);
      }
      std::string got;
      for (const PopupDecision& d : decided)
        got += (got.empty() ? "" : " ") + std::to_string(d.opener_id) + ":" +
               (d.target_id.empty() ? "-" : d.target_id) + ":" + (d.open.url.empty() ? "-" : d.open.url);
      EXPECT_EQ(got, step.decided);
    }
    EXPECT_EQ(matcher.waiting_opens(), 0u);
    EXPECT_EQ(matcher.waiting_bytes(), 0u);
  }
}

TEST(ReplyJoin, RunsOnceAfterEveryReplyAndTheSealWhateverTheirOrder) {
  for (bool seal_last : {false, true}) {
    int done = 0;
    auto join = ReplyJoin::Make([&done] { ++done; });
    int inner = 0;
    auto first = join->Wrap([&inner](const CommandResult&) { ++inner; });
    auto second = join->Wrap();
    if (!seal_last) join->Seal();
    second(CommandResult());
    first(CommandResult());
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(done, seal_last ? 0 : 1) << "seal_last " << seal_last;
    if (seal_last) join->Seal();
    EXPECT_EQ(done, 1) << "seal_last " << seal_last;
  }
  int done = 0;
  ReplyJoin::Make([&done] { ++done; })->Seal();
  EXPECT_EQ(done, 1) << "an empty group is done at its seal";
}

TEST(SharedRead, WhoeverAsksDuringAReadGetsTheNextOneAndEachReadStartsAlone) {
  SharedRead read;
  std::vector<SharedRead::Visit> started;  // the reads under way, to be answered
  bool can_start = true;
  auto start = [&](SharedRead::Visit done) {
    if (can_start) started.push_back(std::move(done));
    return can_start;
  };
  std::vector<std::string> seen;
  auto ask = [&](const std::string& who) {
    read.Ask([&seen, who](const std::string& text) { seen.push_back(who + ":" + text); }, start);
  };
  ask("a");
  ask("b");
  ask("c");
  ASSERT_EQ(started.size(), 1u);
  started[0]("one");  // b and c asked after this read began: they wait for the next
  EXPECT_EQ(seen, (std::vector<std::string>{"a:one"}));
  ASSERT_EQ(started.size(), 2u);
  ask("d");
  started[1]("two");
  started[2]("three");
  EXPECT_EQ(seen, (std::vector<std::string>{"a:one", "b:two", "c:two", "d:three"}));
  EXPECT_EQ(started.size(), 3u);

  // A read that cannot start (the frame went) lets its askers go; a later one starts anew.
  can_start = false;
  ask("e");
  can_start = true;
  ask("f");
  ASSERT_EQ(started.size(), 4u);
  started[3]("four");
  EXPECT_EQ(seen.back(), "f:four");
  EXPECT_EQ(seen.size(), 5u);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
