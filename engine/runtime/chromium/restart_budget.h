// How often something that keeps dying is started again: at most `starts` times within any
// `window`, so a crash loop ends while an occasional death is always recovered from.
#pragma once

#include <chrono>
#include <deque>

namespace mvengine {
namespace chromium {

class RestartBudget {
 public:
  using Clock = std::chrono::steady_clock;
  RestartBudget(int starts, Clock::duration window) : starts_(starts), window_(window) {}

  // Whether a start at `now` is allowed; an allowed one counts. Not thread-safe.
  bool Take(Clock::time_point now) {
    while (!taken_.empty() && now - taken_.front() >= window_) taken_.pop_front();
    if (static_cast<int>(taken_.size()) >= starts_) return false;
    taken_.push_back(now);
    return true;
  }

 private:
  const int starts_;
  const Clock::duration window_;
  std::deque<Clock::time_point> taken_;  // the allowed starts still inside the window, oldest first
};

}  // namespace chromium
}  // namespace mvengine
