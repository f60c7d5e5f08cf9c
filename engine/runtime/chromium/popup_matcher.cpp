#include "engine/runtime/chromium/popup_matcher.h"

#include <algorithm>

namespace mvengine {
namespace chromium {

std::optional<PopupDecision> PopupMatcher::OnTarget(int opener, const std::string& target_id,
                                                    Clock::time_point now) {
  if (std::optional<WindowOpen> open = TakeOpenFor(opener)) return PopupDecision{opener, target_id, std::move(*open)};
  targets_.push_back({opener, target_id, now});
  return std::nullopt;
}

std::vector<PopupDecision> PopupMatcher::OnOpen(int opener, WindowOpen open, Clock::time_point now) {
  std::vector<PopupDecision> out;
  // Only an open with a gesture can own a target that came first: one without would be blocked.
  // (Where Chromium lets it through, the target takes it when its wait ends.)
  if (open.user_gesture) {
    auto target = std::find_if(targets_.begin(), targets_.end(), [&](const Target& t) { return t.opener == opener; });
    if (target != targets_.end()) {
      out.push_back({opener, target->id, std::move(open)});
      targets_.erase(target);
      return out;
    }
  }
  bytes_ += open.url.size() + open.name.size();
  opens_.push_back({opener, std::move(open), now});
  while (opens_.size() > 1 && (opens_.size() > max_opens_ || bytes_ > max_bytes_)) {
    out.push_back(Refused());
  }
  return out;
}

std::vector<PopupDecision> PopupMatcher::Expire(Clock::time_point now) {
  std::vector<PopupDecision> out;
  while (!targets_.empty() && now - targets_.front().since >= wait_) {
    Target target = std::move(targets_.front());
    targets_.pop_front();
    std::optional<WindowOpen> open = TakeOpenFor(target.opener);
    out.push_back({target.opener, std::move(target.id), open ? std::move(*open) : WindowOpen()});
  }
  while (!opens_.empty() && now - opens_.front().since >= wait_) out.push_back(Refused());
  return out;
}

void PopupMatcher::ForgetTarget(const std::string& target_id) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [&](const Target& t) { return t.id == target_id; }),
                 targets_.end());
}

void PopupMatcher::ForgetOpener(int opener) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [&](const Target& t) { return t.opener == opener; }),
                 targets_.end());
  for (size_t i = 0; i < opens_.size();) {
    if (opens_[i].opener == opener)
      Remove(opens_.begin() + i);
    else
      ++i;
  }
}

std::optional<WindowOpen> PopupMatcher::TakeOpenFor(int opener) {
  auto mine = [&](const Open& o) { return o.opener == opener; };
  auto it = std::find_if(opens_.begin(), opens_.end(), [&](const Open& o) { return mine(o) && o.open.user_gesture; });
  if (it == opens_.end()) it = std::find_if(opens_.begin(), opens_.end(), mine);
  if (it == opens_.end()) return std::nullopt;
  return Remove(it);
}

PopupDecision PopupMatcher::Refused() {
  const int opener = opens_.front().opener;
  return {opener, std::string(), Remove(opens_.begin())};
}

WindowOpen PopupMatcher::Remove(std::deque<Open>::iterator it) {
  bytes_ -= it->open.url.size() + it->open.name.size();
  WindowOpen open = std::move(it->open);
  opens_.erase(it);
  return open;
}

}  // namespace chromium
}  // namespace mvengine
