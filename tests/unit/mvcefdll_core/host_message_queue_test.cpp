#include "mvcefdll/host_message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace mvcef {
namespace {

TEST(HostMessageQueue, FirstInFirstOut) {
  HostMessageQueue q;
  EXPECT_TRUE(q.Empty());
  q.Push("batchUploadImg", "a");
  q.Push("batchUploadImg", "b");
  q.Push("other", "");
  EXPECT_FALSE(q.Empty());

  std::string name, value;
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(name, "batchUploadImg");
  EXPECT_EQ(value, "a");
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(value, "b");
  EXPECT_FALSE(q.Empty());
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(name, "other");
  EXPECT_EQ(value, "");
  EXPECT_TRUE(q.Empty());
}

TEST(HostMessageQueue, EmptyPopLeavesOutputsAlone) {
  HostMessageQueue q;
  std::string name = "x", value = "x";
  EXPECT_FALSE(q.Pop(&name, &value));
  EXPECT_EQ(name, "x");
  EXPECT_EQ(value, "x");

  q.Push("n", "v");
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_FALSE(q.Pop(&name, &value));
  EXPECT_EQ(name, "n");
  EXPECT_EQ(value, "v");
}

TEST(HostMessageQueue, NullOutputsStillConsume) {
  HostMessageQueue q;
  q.Push("n1", "v1");
  q.Push("n2", "v2");
  std::string value;
  ASSERT_TRUE(q.Pop(nullptr, &value));
  EXPECT_EQ(value, "v1");
  ASSERT_TRUE(q.Pop(nullptr, nullptr));
  EXPECT_TRUE(q.Empty());
}

TEST(HostMessageQueue, AFullQueueKeepsTheOldestAndCountsWhatItDrops) {
  HostMessageQueue q;
  for (size_t i = 0; i < HostMessageQueue::kMaxMessages; ++i) ASSERT_TRUE(q.Push("n", std::to_string(i)));
  EXPECT_FALSE(q.Push("n", "newest"));
  EXPECT_FALSE(q.Push("n", "newer still"));
  EXPECT_EQ(q.dropped(), 2u);
  std::string name, value;
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(value, "0");
  // Room again: the next one is kept, behind everything that was there.
  EXPECT_TRUE(q.Push("n", "after"));
  EXPECT_EQ(q.dropped(), 2u);
  size_t left = 0;
  while (q.Pop(&name, &value)) ++left;
  EXPECT_EQ(left, HostMessageQueue::kMaxMessages);
  EXPECT_EQ(value, "after");
}

TEST(HostMessageQueue, KeepsBytesAsGivenUpToWhatTheHostFieldTakes) {
  HostMessageQueue q;
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 caf\xC3\xA9";
  const std::string with_nul("a\0b", 3);
  std::string long_chinese;
  for (int i = 0; i < 100000; ++i) long_chinese += "\xE4\xB8\xAD";
  q.Push("batchUploadImg", utf8);
  q.Push(with_nul, with_nul);
  q.Push(std::string(300, 'n'), long_chinese);
  std::string name, value;
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(value, utf8);
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(name, with_nul);
  EXPECT_EQ(value, with_nul);
  // Cut when queued, at a character boundary: 85 characters of 3 bytes.
  ASSERT_TRUE(q.Pop(&name, &value));
  EXPECT_EQ(name, std::string(255, 'n'));
  EXPECT_EQ(value, long_chinese.substr(0, 255));
  EXPECT_LT(value.capacity(), 1024u) << "the cut text still holds the memory of the whole";
}

std::string Repeat(const std::string& unit, size_t times, const std::string& prefix = "") {
  std::string s = prefix;
  for (size_t i = 0; i < times; ++i) s += unit;
  return s;
}

TEST(CopyToHostField, FitsIn256BytesWithoutSplittingACharacter) {
  const std::string euro = "\xE2\x82\xAC";          // 3 bytes
  const std::string e_acute = "\xC3\xA9";           // 2 bytes
  const std::string smile = "\xF0\x9F\x98\x80";     // 4 bytes
  struct Case {
    std::string in;
    size_t want_len;
  } cases[] = {
      {"", 0},
      {"batchUploadImg", 14},
      {std::string(255, 'a'), 255},
      {std::string(256, 'a'), 255},
      {std::string(1000, 'a'), 255},
      {Repeat(euro, 100), 255},           // 300 bytes; 255 is a boundary
      {Repeat(euro, 100, "a"), 253},      // a 3-byte character straddles 255
      {Repeat(euro, 100, "ab"), 254},
      {Repeat(e_acute, 150, "a"), 255},
      {Repeat(e_acute, 150), 254},
      {Repeat(smile, 75), 252},
      {Repeat(smile, 75, "a"), 253},
      {Repeat(smile, 75, "ab"), 254},
      {Repeat(smile, 75, "abc"), 255},
      {Repeat(euro, 85), 255},            // exactly 255 bytes: untouched
      {std::string(300, '\x80'), 255},    // not UTF-8 at all: cut at the limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("input of " + std::to_string(c.in.size()) + " bytes");
    char field[300];
    std::memset(field, 'x', sizeof field);
    CopyToHostField(c.in, field);
    EXPECT_EQ(std::strlen(field), c.want_len);
    EXPECT_EQ(0, std::memcmp(field, c.in.data(), c.want_len));
    for (size_t i = 256; i < sizeof field; ++i) ASSERT_EQ(field[i], 'x') << "overrun at " << i;
  }
  CopyToHostField("abc", nullptr);
}

TEST(HostMessageQueueStress, ProducerAndConsumerLoseAndReorderNothing) {
  constexpr int kMessages = 1000000;
  HostMessageQueue q;
  std::thread producer([&] {
    for (int i = 0; i < kMessages; ++i) {
      // A full queue refuses; the producer here waits for room instead of losing the message.
      while (!q.Push(std::to_string(i), std::to_string(kMessages - i))) std::this_thread::yield();
    }
  });
  int next = 0, failures = 0;
  std::string name, value;
  while (next < kMessages) {
    if (!q.Pop(&name, &value)) {
      std::this_thread::yield();
      continue;
    }
    if ((name != std::to_string(next) || value != std::to_string(kMessages - next)) && ++failures < 5) {
      ADD_FAILURE() << "expected message " << next << ", got " << name << "/" << value;
    }
    ++next;
  }
  producer.join();
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(q.Empty());
  EXPECT_FALSE(q.Pop(&name, &value));
}

}  // namespace
}  // namespace mvcef
