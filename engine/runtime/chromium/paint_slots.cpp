#include "engine/runtime/chromium/paint_slots.h"

namespace mvengine {
namespace chromium {

namespace {

std::chrono::nanoseconds Interval(int frame_rate) {
  if (frame_rate <= 0) frame_rate = 30;  // the engine's default rate
  if (frame_rate > 60) frame_rate = 60;
  return std::chrono::nanoseconds((1000000000LL + frame_rate - 1) / frame_rate);
}

}  // namespace

std::chrono::milliseconds PaintSlots::Wait(Clock::time_point now) const {
  if (now >= next_) return std::chrono::milliseconds(0);
  return std::chrono::ceil<std::chrono::milliseconds>(next_ - now);
}

void PaintSlots::Painted(Clock::time_point now, int frame_rate) {
  const auto interval = Interval(frame_rate);
  // Within the slot that opened at next_ (or, defensively, before it): the following slot is next.
  // Later than that: the page was idle, and the grid starts at this paint.
  next_ = now < next_ + interval ? next_ + interval : now + interval;
}

PaintSlots::Clock::time_point PaintSlots::DecodeFrom(std::chrono::nanoseconds decode_time) const {
  // A quarter and a millisecond to spare: decodes vary, and a late one delays the paint.
  if (decode_time < std::chrono::nanoseconds(0)) decode_time = std::chrono::nanoseconds(0);
  return next_ - decode_time - decode_time / 4 - std::chrono::milliseconds(1);
}

}  // namespace chromium
}  // namespace mvengine
