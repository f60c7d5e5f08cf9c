#include "engine/runtime/chromium/network_switch.h"

#include <algorithm>

namespace mvengine {
namespace chromium {

Json NetworkEnableParams() {
  return {{"maxTotalBufferSize", 0}, {"maxResourceBufferSize", 0}, {"maxPostDataSize", 0}};
}

void NetworkSwitch::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  on_ = true;
  loading_.clear();
  gone_.clear();
  last_request_ = Clock::time_point{};
}

bool NetworkSwitch::on() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return on_;
}

void NetworkSwitch::OnDocumentRequest(Clock::time_point now, const std::string& frame_id,
                                      const std::function<void()>& turn_on) {
  std::lock_guard<std::mutex> lock(mutex_);
  last_request_ = now;
  if (std::find(gone_.begin(), gone_.end(), frame_id) == gone_.end()) loading_.insert(frame_id);
  if (on_) return;
  on_ = true;
  turn_on();
}

void NetworkSwitch::OnFrameStartedLoading(const std::string& frame_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  loading_.insert(frame_id);
}

void NetworkSwitch::OnFrameStoppedLoading(const std::string& frame_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  loading_.erase(frame_id);
}

void NetworkSwitch::OnFrameGone(const std::string& frame_id) {
  // Frame ids are never used again, and a late request follows its frame's end closely.
  constexpr size_t kRemembered = 256;
  std::lock_guard<std::mutex> lock(mutex_);
  loading_.erase(frame_id);
  gone_.push_back(frame_id);
  if (gone_.size() > kRemembered) gone_.pop_front();
}

void NetworkSwitch::TurnOffIfIdle(Clock::time_point now, Clock::duration* check_again,
                                  const std::function<void()>& turn_off) {
  std::lock_guard<std::mutex> lock(mutex_);
  *check_again = Clock::duration::zero();
  if (!on_ || !loading_.empty()) return;
  const Clock::time_point settled = last_request_ + kSettle;
  if (now < settled) {
    *check_again = settled - now;
    return;
  }
  on_ = false;
  turn_off();
}

}  // namespace chromium
}  // namespace mvengine
