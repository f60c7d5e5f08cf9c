#include "mvcefdll/page_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "common/utf.h"


namespace mvcef {
namespace {

constexpr char kUntouched = 'x';

TEST(PageTextSlot, NothingHeldAnswersFalse) {
  PageTextSlot slot;
  int size = 0;
  EXPECT_FALSE(slot.Read(nullptr, &size));
  EXPECT_EQ(size, 0);
  char buf[8] = "xxxxxxx";
  size = 8;
  EXPECT_FALSE(slot.Read(buf, &size));
  EXPECT_STREQ(buf, "xxxxxxx");
  slot.Offer(u"abc");
  EXPECT_FALSE(slot.Read(buf, nullptr));
  EXPECT_FALSE(slot.Read(nullptr, nullptr));
}

TEST(PageTextSlot, SizeQueryThenFullRead) {
  PageTextSlot slot;
  slot.Offer(u"abc");
  for (int given : {0, -1, -1000}) {
    int size = given;
    char buf[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
    ASSERT_TRUE(slot.Read(given == 0 ? nullptr : buf, &size)) << given;
    EXPECT_EQ(size, 4);
    EXPECT_EQ(buf[0], kUntouched) << "a size query writes nothing";
  }
  int size = 77;
  ASSERT_TRUE(slot.Read(nullptr, &size)) << "a null buffer asks for the size whatever *size says";
  EXPECT_EQ(size, 4);

  char buf[6];
  std::memset(buf, kUntouched, sizeof buf);
  size = 4;
  ASSERT_TRUE(slot.Read(buf, &size));
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(buf[4], kUntouched);
  EXPECT_FALSE(slot.Read(nullptr, &size)) << "a read empties the text";
  EXPECT_FALSE(slot.Read(buf, &size));
}

TEST(PageTextSlot, ShortBufferGetsAPrefixTheNeededSizeAndKeepsTheText) {
  struct Case {
    std::u16string text;
    int size;
    std::string want;
  } cases[] = {
      {u"abc", 1, ""},
      {u"abc", 2, "a"},
      {u"abc", 3, "ab"},
      // A cut never splits a character: the host always gets valid UTF-8.
      {u"\u4E2D\u4E2D", 4, "\xE4\xB8\xAD"},
      {u"\u4E2D\u4E2D", 3, ""},
      {u"a\u4E2D", 4, "a"},
      {u"\u00E9\u00E9", 4, "\xC3\xA9"},
      {u"\U0001F600x", 5, "\xF0\x9F\x98\x80"},
      {u"\U0001F600x", 4, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want + " / size " + std::to_string(c.size));
    PageTextSlot slot;
    slot.Offer(c.text);
    const std::string whole = mvcommon::Utf16ToUtf8(c.text);
    char buf[128];
    std::memset(buf, kUntouched, sizeof buf);
    int size = c.size;
    EXPECT_FALSE(slot.Read(buf, &size));
    EXPECT_EQ(std::string(buf), c.want);
    EXPECT_EQ(buf[c.size], kUntouched) << "wrote past *size";
    EXPECT_EQ(size, static_cast<int>(whole.size() + 1)) << "told the size needed";
    // The text waits for a read that fits it.
    ASSERT_TRUE(slot.Read(buf, &size));
    EXPECT_EQ(std::string(buf), whole);
    EXPECT_FALSE(slot.Read(nullptr, &size));
  }
}

TEST(PageTextSlot, LengthLimitKeepsThePreviousText) {
  PageTextSlot slot;
  slot.Offer(u"first");
  slot.Offer(std::u16string(1024, u'z'));
  slot.Offer(std::u16string(5000, u'z'));
  int size = 0;
  ASSERT_TRUE(slot.Read(nullptr, &size));
  EXPECT_EQ(size, 6);

  slot.Offer(std::u16string(1023, u'y'));
  ASSERT_TRUE(slot.Read(nullptr, &size));
  EXPECT_EQ(size, 1024);
  std::string buf(2000, kUntouched);
  size = static_cast<int>(buf.size());
  ASSERT_TRUE(slot.Read(&buf[0], &size));
  EXPECT_EQ(std::string(buf.c_str()), std::string(1023, 'y'));

  slot.Offer(std::u16string(1024, u'z'));  // dropped: the slot stays empty
  EXPECT_FALSE(slot.Read(nullptr, &size));
}

TEST(PageTextSlot, EmptyOfferEmpties) {
  PageTextSlot slot;
  slot.Offer(u"abc");
  slot.Offer(u"");
  int size = 0;
  EXPECT_FALSE(slot.Read(nullptr, &size));
}

TEST(PageTextSlot, TheSizeCountsUtf8BytesSoItsBufferTakesTheWholeText) {
  PageTextSlot slot;
  const std::u16string text = u"Ab\u00E9\u4E2D\U0001F600";  // 1+1+2+3+4 bytes
  slot.Offer(text);
  int size = 0;
  ASSERT_TRUE(slot.Read(nullptr, &size));
  EXPECT_EQ(size, 12);
  char buf[16];
  std::memset(buf, kUntouched, sizeof buf);
  ASSERT_TRUE(slot.Read(buf, &size));
  EXPECT_STREQ(buf, "Ab\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
  EXPECT_EQ(buf[12], kUntouched);

  // The longest text that is kept: 1023 units of three bytes each.
  slot.Offer(std::u16string(PageTextSlot::kMaxUnits - 1, u'\u4E2D'));
  ASSERT_TRUE(slot.Read(nullptr, &size));
  EXPECT_EQ(size, 3 * 1023 + 1);
  std::string big(static_cast<size_t>(size), kUntouched);
  ASSERT_TRUE(slot.Read(&big[0], &size));
  EXPECT_EQ(std::strlen(big.c_str()), 3u * 1023);
}

TEST(PageTextSlot, OfferAndReadOnTwoThreads) {
  // The host must always get one whole offered text, never a mix or a torn length.
  PageTextSlot slot;
  std::atomic<bool> stop{false};
  std::thread ui([&] {
    for (int i = 0; !stop.load(std::memory_order_relaxed); ++i) {
      const int length = 1 + i % 50;
      slot.Offer(std::u16string(length, static_cast<char16_t>(u'a' + (length - 1) % 26)));
    }
  });
  std::string bad;
  for (int reads = 0; reads < 5000 && bad.empty();) {
    char buf[64];
    int size = sizeof buf;
    if (!slot.Read(buf, &size)) {
      std::this_thread::yield();
      continue;
    }
    ++reads;
    const std::string got(buf);
    const bool whole = !got.empty() && got == std::string(got.size(), got[0]) &&
                       static_cast<size_t>(got[0] - 'a') == (got.size() - 1) % 26;
    if (!whole) bad = got;
  }
  stop = true;
  ui.join();
  EXPECT_EQ(bad, "");
}

}  // namespace
}  // namespace mvcef
