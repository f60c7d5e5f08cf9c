// Pairs the windows a page asks for (Page.windowOpen, which brings the address) with the popup
// targets Chromium makes for them (which come without one).
//
// Chromium blocks a window opened without the player's gesture: its Page.windowOpen comes, its
// target never does. So a target takes the oldest open made with a gesture (else the oldest), an
// open that finds no target within `wait` is one Chromium refused, and the opens that wait are
// bounded in number and bytes: a page asking for windows without pause, or for long addresses,
// cannot grow the game's memory, nor hand an open's address to another page's window.
// Not thread-safe: the runtime's UI thread owns it.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

struct WindowOpen {
  std::string url, name;
  bool user_gesture = false;
};

// What to ask the opener's client about: a target to let run or cancel, or (no target) a window
// Chromium refused, whose address the client still hears of.
struct PopupDecision {
  int opener_id = 0;
  std::string target_id;  // empty: Chromium made no window
  WindowOpen open;        // empty url: the target's address never came
};

class PopupMatcher {
 public:
  using Clock = std::chrono::steady_clock;

  PopupMatcher(Clock::duration wait, size_t max_opens, size_t max_bytes)
      : wait_(wait), max_opens_(max_opens), max_bytes_(max_bytes) {}

  // A popup target of `opener` attached: decided at once if an open waits for it.
  std::optional<PopupDecision> OnTarget(int opener, const std::string& target_id, Clock::time_point now);
  // Page.windowOpen of `opener`: its own decision if a target waits for it, and those of older opens
  // pushed out of a full queue.
  std::vector<PopupDecision> OnOpen(int opener, WindowOpen open, Clock::time_point now);
  // What has waited `wait` or longer: targets get the oldest open left (or none), opens no target.
  std::vector<PopupDecision> Expire(Clock::time_point now);

  void ForgetTarget(const std::string& target_id);  // it went before it was decided
  void ForgetOpener(int opener);                    // the browser closed
  void Clear() { targets_.clear(), opens_.clear(), bytes_ = 0; }

  size_t waiting_opens() const { return opens_.size(); }
  size_t waiting_bytes() const { return bytes_; }

 private:
  struct Target {
    int opener;
    std::string id;
    Clock::time_point since;
  };
  struct Open {
    int opener;
    WindowOpen open;
    Clock::time_point since;
  };
  // The open a new target of `opener` takes, removed from the queue.
  std::optional<WindowOpen> TakeOpenFor(int opener);
  PopupDecision Refused();  // the oldest open, which no target will take
  WindowOpen Remove(std::deque<Open>::iterator it);  // out of the queue, and out of bytes_

  const Clock::duration wait_;
  const size_t max_opens_, max_bytes_;
  std::deque<Target> targets_;  // oldest first
  std::deque<Open> opens_;      // oldest first, every opener
  size_t bytes_ = 0;            // of the opens' addresses and names
};

}  // namespace chromium
}  // namespace mvengine
