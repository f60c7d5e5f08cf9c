#include "pagebridge/process_messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using mvcef::JoinFrameId;
using mvcef::SplitFrameId;

TEST(FrameId, SplitGivesTheSameBitsAsTwoInts) {
  const struct {
    int64_t id;
    int32_t low;
    int32_t high;
  } cases[] = {
      {0, 0, 0},
      {1, 1, 0},
      {0x80000000LL, std::numeric_limits<int32_t>::min(), 0},
      {0xFFFFFFFFLL, -1, 0},
      {0x100000000LL, 0, 1},
      {0x7FFFFFFF80000001LL, static_cast<int32_t>(0x80000001u), 0x7FFFFFFF},
      {-1, -1, -1},
      {std::numeric_limits<int64_t>::min(), 0, std::numeric_limits<int32_t>::min()},
  };
  for (const auto& c : cases) {
    int32_t low = 12345, high = 12345;
    SplitFrameId(c.id, &low, &high);
    EXPECT_EQ(low, c.low) << c.id;
    EXPECT_EQ(high, c.high) << c.id;
    EXPECT_EQ(JoinFrameId(c.low, c.high), c.id) << c.id;
  }
}

TEST(FrameId, NegativeLowHalfIsNotSignExtended) {
  EXPECT_EQ(JoinFrameId(-1, 0), 0xFFFFFFFFLL);
  EXPECT_EQ(JoinFrameId(std::numeric_limits<int32_t>::min(), 5), 0x580000000LL);
}

TEST(FrameId, RoundTripsAcrossTheRange) {
  uint64_t x = 0x9E3779B97F4A7C15ULL;
  for (int i = 0; i < 10000; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const int64_t id = static_cast<int64_t>(x | 0x80000000ULL);  // low top bit set
    int32_t low, high;
    SplitFrameId(id, &low, &high);
    ASSERT_LT(low, 0);
    ASSERT_EQ(JoinFrameId(low, high), id);
  }
}

}  // namespace
