// When the page's Network domain is on. Chromium reports every request of a page while it is on,
// the page bridge's synchronous calls too, and those reports cost each call 0.5-1 ms; the engine
// wants from it only documents' statuses and errors. So it is on while documents load and off once
// every frame has stopped loading and no document request came for a short while (the events of
// one navigation do not all come in one order).
//
// Turning it on never races a document: the Fetch domain holds each document's request until the
// engine has answered, and the engine turns the domain on before it lets the request go.
// Thread-safe; the reader thread feeds it, a delayed check may come on the UI thread.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

// Network.enable's parameters. Only documents' statuses and errors are wanted: Chromium keeps no
// bodies and sends no post data for us.
Json NetworkEnableParams();

class NetworkSwitch {
 public:
  using Clock = std::chrono::steady_clock;
  // How long after the last document request the domain stays on, at least.
  static constexpr std::chrono::milliseconds kSettle{50};

  // A new page session: it turns the domain on at once (its first load follows).
  void Reset();
  bool on() const;

  // A request for a document of `frame_id` is held: `turn_on` runs (under the switch's lock, so
  // that a turn-off cannot overtake it) when the domain is off; the request may go after this
  // returns. The frame counts as loading from now on, whenever its own start is heard of.
  void OnDocumentRequest(Clock::time_point now, const std::string& frame_id, const std::function<void()>& turn_on);
  void OnFrameStartedLoading(const std::string& frame_id);
  void OnFrameStoppedLoading(const std::string& frame_id);
  // The frame left the page. A request of its that Chromium reports after that (a page may remove
  // a frame as it begins to load) no longer counts it as loading, which would hold the domain on.
  void OnFrameGone(const std::string& frame_id);

  // Runs `turn_off` (under the lock) when the domain is on and idle. When it is on but not yet
  // idle, `*check_again` says when to ask again (zero when only a new event can make it idle).
  void TurnOffIfIdle(Clock::time_point now, Clock::duration* check_again, const std::function<void()>& turn_off);

 private:
  mutable std::mutex mutex_;  // guards the fields below
  bool on_ = true;
  std::set<std::string> loading_;  // frames that started loading and have not stopped
  std::deque<std::string> gone_;   // the frames that left last, newest at the back
  Clock::time_point last_request_{};
};

}  // namespace chromium
}  // namespace mvengine
