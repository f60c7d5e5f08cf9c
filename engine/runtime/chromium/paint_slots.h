// Paint pacing at the browser's frame rate: time is cut into slots of 1/rate on a fixed grid and
// each slot gets at most one paint. Counting from the last paint instead would add the posting and
// rounding delays to every interval, so the rate would end up below what was asked.
// Owned and used by one thread (the UI thread).
#pragma once

#include <chrono>

namespace mvengine {
namespace chromium {

class PaintSlots {
 public:
  using Clock = std::chrono::steady_clock;

  // How long to wait before the next paint may come. Rounded up to whole milliseconds, the unit
  // tasks are posted with: never before its slot opens.
  std::chrono::milliseconds Wait(Clock::time_point now) const;

  // A paint came at `now`, at `frame_rate` (0 or less: 30; at most 60): its slot is used. After a
  // pause longer than a slot the grid starts anew at this paint.
  void Painted(Clock::time_point now, int frame_rate);

  // When to start decoding the picture for the next slot, given how long a decode takes: just in
  // time for the slot to open, so frames a newer one replaces before then are never decoded. In
  // the past when the next slot is open already (an idle page: its next frame is decoded at once).
  Clock::time_point DecodeFrom(std::chrono::nanoseconds decode_time) const;

 private:
  Clock::time_point next_{};  // where the next free slot opens
};

}  // namespace chromium
}  // namespace mvengine
