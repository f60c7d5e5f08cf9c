// When the page's Network domain goes on and off around documents' loads.
#include "engine/runtime/chromium/network_switch.h"

#include <gtest/gtest.h>

namespace mvengine {
namespace chromium {
namespace {

using Clock = NetworkSwitch::Clock;
using std::chrono::milliseconds;

TEST(NetworkSwitch, OnWhileDocumentsLoadOffOnceThePageIsIdle) {
  // Steps at `t` ms. As in the engine, the switch is asked to go off after each stop and after a
  // frame has gone.
  enum Event { kRequest, kStart, kStop, kGone };
  struct Step {
    int t;
    Event event;
    const char* frame;
    const char* sent;  // commands sent: "+" on, "-" off
    int check_again;   // after a stop: ms until it wants to be asked again (0: only an event can tell)
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"first load: on from the start, off once settled",
       {{0, kStart, "main", "", 0}, {10, kRequest, "main", "", 0}, {20, kStop, "main", "", 40}, {60, kStop, "x", "-", 0}}},
      {"a frame still loading keeps it on",
       {{0, kStart, "main", "", 0}, {1, kStart, "child", "", 0}, {100, kStop, "main", "", 0},
        {200, kStop, "child", "-", 0}}},
      {"a document request turns it on before the request goes, and its frame counts as loading",
       {{0, kStop, "main", "-", 0}, {500, kRequest, "main", "+", 0}, {501, kStop, "child", "", 0},
        {510, kRequest, "child", "", 0}, {600, kStop, "main", "", 0}, {700, kStart, "child", "", 0},
        {800, kStop, "child", "-", 0}}},
      {"a request that comes after its frame has gone does not keep it on",
       {{0, kStart, "main", "", 0}, {1, kStart, "child", "", 0}, {10, kGone, "child", "", 0},
        {20, kRequest, "child", "", 0}, {30, kStop, "main", "", 40}, {70, kStop, "x", "-", 0}}},
      {"a request just before the last stop waits out the settling time",
       {{0, kStop, "main", "-", 0}, {100, kRequest, "main", "+", 0}, {120, kStop, "main", "", 30},
        {150, kStop, "main", "-", 0}}},
  };
  for (const Case& c : cases) {
    NetworkSwitch network;
    network.Reset();
    const Clock::time_point t0 = Clock::now();
    for (const Step& step : c.steps) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(step.t) + " ms");
      const Clock::time_point now = t0 + milliseconds(step.t);
      std::string sent;
      if (step.event == kRequest) network.OnDocumentRequest(now, step.frame, [&] { sent += "+"; });
      if (step.event == kStart) network.OnFrameStartedLoading(step.frame);
      Clock::duration again = Clock::duration::zero();
      if (step.event == kStop || step.event == kGone) {
        if (step.event == kStop) network.OnFrameStoppedLoading(step.frame);
        if (step.event == kGone) network.OnFrameGone(step.frame);
        network.TurnOffIfIdle(now, &again, [&] { sent += "-"; });
      }
      EXPECT_EQ(sent, step.sent);
      EXPECT_EQ(std::chrono::duration_cast<milliseconds>(again).count(), step.check_again);
      if (!sent.empty()) EXPECT_EQ(network.on(), sent == "+");
    }
  }
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
