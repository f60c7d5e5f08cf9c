// Which popup URLs may be handed to the system shell. Any page can open popups, so only web and
// mail addresses go out; file:, javascript: and custom protocol handlers would let a page launch
// local programs.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace mvcef {

bool MayOpenInShell(std::string_view url);

// Popups a page opens without the player's gesture (on load, from a timer) reach the shell at this
// pace at most: a few at once, then one a second. Such a page could otherwise open the player's
// browser hundreds of times a second. Not thread-safe: one per browser, on the engine's UI thread.
class UngesturedPopupPace {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kBurst = 4;
  static constexpr Clock::duration kInterval = std::chrono::seconds(1);

  // True when a popup without a gesture may go to the shell at `now`.
  bool Take(Clock::time_point now);
  size_t refused() const { return refused_; }

 private:
  size_t refused_ = 0;
  int tokens_ = kBurst;
  std::optional<Clock::time_point> refilled_;  // when tokens_ was last brought up to date
};

}  // namespace mvcef
