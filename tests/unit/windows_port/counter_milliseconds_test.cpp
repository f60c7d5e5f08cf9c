// The performance-counter milliseconds that stand in for GetTickCount64 on Windows XP.
#include <cstdint>

#include <gtest/gtest.h>

#include "platform/windows/counter_milliseconds.h"

namespace {

TEST(CounterMilliseconds, IsExactAndDoesNotOverflowForLongUptimes) {
  constexpr uint64_t kTsc = 3'000'000'000;  // a 3 GHz counter, as XP machines often report
  constexpr uint64_t kDays = 24ull * 3600;
  struct Case {
    uint64_t counter, frequency, ms;
  } cases[] = {
      {0, kTsc, 0},
      {kTsc - 1, kTsc, 999},
      {kTsc, kTsc, 1000},
      {kTsc + kTsc / 2, kTsc, 1500},
      {100 * kDays * kTsc, kTsc, 100 * kDays * 1000},  // counter * 1000 would overflow
      {3'579'545ull * 7, 3'579'545, 7000},            // the ACPI timer's frequency
      {UINT64_MAX, 1000, UINT64_MAX},                 // a millisecond counter
      {12345, 0, 0},                                  // no frequency: no time, no division by zero
  };
  for (const Case& c : cases)
    EXPECT_EQ(mvplatform::CounterMilliseconds(c.counter, c.frequency), c.ms) << c.counter << " / " << c.frequency;
}

}  // namespace
