// A performance-counter reading as milliseconds, for systems without GetTickCount64.
#pragma once

#include <cstdint>

namespace mvplatform {

// counter / frequency seconds in milliseconds, without the overflow of counter * 1000 (a 3 GHz
// counter passes 2^64 / 1000 after 71 days). 0 for a frequency of 0.
constexpr uint64_t CounterMilliseconds(uint64_t counter, uint64_t frequency) {
  if (frequency == 0) return 0;
  return counter / frequency * 1000 + counter % frequency * 1000 / frequency;
}

}  // namespace mvplatform
