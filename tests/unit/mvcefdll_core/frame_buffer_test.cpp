#include "mvcefdll/frame_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mvcef {
namespace {

// A frame whose bytes depend on its id and on their position, so frames never compare equal by
// accident and a shifted or partial copy shows.
std::vector<uint8_t> MakeFrame(int id, int width, int height) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(id * 37 + i * 11 + (i >> 8));
  return px;
}

constexpr uint8_t kUntouched = 0xCD;

TEST(FrameBuffer, NothingPendingBeforeFirstPaint) {
  FrameBuffer fb;
  int w = -7, h = -9;
  EXPECT_FALSE(fb.Peek(&w, &h));
  EXPECT_EQ(w, -7);
  EXPECT_EQ(h, -9);
  std::vector<uint8_t> dest(64, kUntouched);
  EXPECT_FALSE(fb.Take(dest.data()));
  EXPECT_EQ(dest, std::vector<uint8_t>(64, kUntouched));
}

TEST(FrameBuffer, WholeFrameOnceThenNothing) {
  FrameBuffer fb;
  const auto frame = MakeFrame(1, 800, 600);
  ASSERT_EQ(frame.size(), 1920000u);
  fb.Store(frame.data(), 800, 600);

  int w = 0, h = 0;
  ASSERT_TRUE(fb.Peek(&w, &h));
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  int w2 = 0, h2 = 0;
  ASSERT_TRUE(fb.Peek(&w2, &h2)) << "peeking must not consume";
  EXPECT_EQ(w2, 800);
  EXPECT_EQ(h2, 600);

  std::vector<uint8_t> dest(frame.size() + 16, kUntouched);
  ASSERT_TRUE(fb.Take(dest.data()));
  EXPECT_EQ(0, std::memcmp(dest.data(), frame.data(), frame.size()));
  for (size_t i = frame.size(); i < dest.size(); ++i) ASSERT_EQ(dest[i], kUntouched) << "overrun at " << i;

  w = h = -1;
  EXPECT_FALSE(fb.Peek(&w, &h));
  EXPECT_EQ(w, -1);
  EXPECT_FALSE(fb.Take(dest.data()));
}

TEST(FrameBuffer, ZeroAndNegativeSizesPublishWithoutBytes) {
  struct Case {
    int width, height, want_w, want_h;
  } cases[] = {{0, 600, 0, 600}, {800, 0, 800, 0}, {0, 0, 0, 0}, {-5, 10, 0, 10}, {10, -1, 10, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    FrameBuffer fb;
    const auto any = MakeFrame(3, 4, 4);
    fb.Store(any.data(), c.width, c.height);
    int w = -1, h = -1;
    ASSERT_TRUE(fb.Peek(&w, &h));
    EXPECT_EQ(w, c.want_w);
    EXPECT_EQ(h, c.want_h);
    std::vector<uint8_t> dest(16, kUntouched);
    EXPECT_TRUE(fb.Take(dest.data()));
    EXPECT_EQ(dest, std::vector<uint8_t>(16, kUntouched));
    EXPECT_FALSE(fb.Peek(&w, &h));
  }
  FrameBuffer fb;
  fb.Store(nullptr, 0, 0);  // an empty paint needs no pixels
  EXPECT_TRUE(fb.Peek(nullptr, nullptr));
}

TEST(FrameBuffer, UnstorablePaintsAreDropped) {
  FrameBuffer fb;
  fb.Store(nullptr, 4, 4);
  fb.Store(MakeFrame(1, 1, 1).data(), INT_MAX, INT_MAX);  // more bytes than any address space
  EXPECT_FALSE(fb.Peek(nullptr, nullptr));

  const auto a = MakeFrame(1, 2, 2);
  fb.Store(a.data(), 2, 2);
  fb.Store(nullptr, 4, 4);  // must not disturb the pending frame or queue anything behind it
  std::vector<uint8_t> dest(a.size());
  ASSERT_TRUE(fb.Take(dest.data()));
  EXPECT_EQ(dest, a);
  EXPECT_FALSE(fb.Peek(nullptr, nullptr));
}

// Scripts of paints (a letter) and takes ('.' expects nothing pending) against the frames the host
// receives, in order.
TEST(FrameBuffer, DeliveryOrder) {
  struct Case {
    const char* script;  // paint: A-Z; take: '>' followed by the expected letter or '.'
  } cases[] = {
      {"AB>A>B>."},            // the paint behind a pending frame follows on the next poll
      {"ABC>A>C>."},           // only the newest paint behind a pending frame is kept
      {"A>AB>BC>C>."},         // one by one
      {"A>ABC>B>C>."},         // the take promotes the waiting paint
      {"A>ABCD>B>D>."},        // the waiting paint is replaced, the pending one is not
      {"AB>AC>B>C>."},         // a paint after a promoting take waits behind the promoted one
      {"AB>ACD>B>D>."},
      {"AB>A>BCDE>C>E>."},
      {">.A>A>.B>B"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    FrameBuffer fb;
    // Each letter paints its own size, so Peek is checked too.
    auto size_of = [](char id) { return std::pair<int, int>(1 + (id - 'A') % 5, 2 + (id - 'A') % 3); };
    std::string got, want;
    for (const char* p = c.script; *p; ++p) {
      if (*p != '>') {
        const auto [w, h] = size_of(*p);
        const auto px = MakeFrame(*p, w, h);
        fb.Store(px.data(), w, h);
        continue;
      }
      const char expected = *++p;
      want += expected;
      int w = 0, h = 0;
      if (!fb.Peek(&w, &h)) {
        std::vector<uint8_t> dest(8, kUntouched);
        EXPECT_FALSE(fb.Take(dest.data()));
        got += '.';
        continue;
      }
      std::vector<uint8_t> dest(static_cast<size_t>(w) * h * 4 + 4, kUntouched);
      ASSERT_TRUE(fb.Take(dest.data()));
      char which = '?';
      for (char id = 'A'; id <= 'Z'; ++id) {
        const auto [iw, ih] = size_of(id);
        const auto px = MakeFrame(id, iw, ih);
        if (iw == w && ih == h && std::memcmp(dest.data(), px.data(), px.size()) == 0) which = id;
      }
      EXPECT_EQ(dest.back(), kUntouched);
      got += which;
    }
    EXPECT_EQ(got, want);
  }
}

TEST(FrameBuffer, NullDestinationDiscardsThePendingFrame) {
  FrameBuffer fb;
  const auto a = MakeFrame(1, 3, 3), b = MakeFrame(2, 5, 1);
  fb.Store(a.data(), 3, 3);
  EXPECT_TRUE(fb.Take(nullptr));
  EXPECT_FALSE(fb.Peek(nullptr, nullptr));

  fb.Store(a.data(), 3, 3);
  fb.Store(b.data(), 5, 1);
  EXPECT_TRUE(fb.Take(nullptr));
  int w = 0, h = 0;
  ASSERT_TRUE(fb.Peek(&w, &h));
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 1);
  std::vector<uint8_t> dest(b.size());
  ASSERT_TRUE(fb.Take(dest.data()));
  EXPECT_EQ(dest, b);
}

// Paints that arrive while the host is still copying a frame (run here from inside the copy) must
// neither touch that frame nor get lost or reordered behind it.
TEST(FrameBuffer, FrameBeingCopiedStaysIntactWhilePaintsArrive) {
  struct Copy {
    FrameBuffer* fb;
    std::vector<std::vector<uint8_t>> paints;  // painted from inside the copy
    std::vector<uint8_t> seen, seen_after;
    int width = 0, height = 0;
  };
  auto during_copy = [](const void* pixels, size_t bytes, int width, int height, void* context) {
    auto* c = static_cast<Copy*>(context);
    const auto* p = static_cast<const uint8_t*>(pixels);
    c->seen.assign(p, p + bytes);
    c->width = width;
    c->height = height;
    for (const auto& px : c->paints) c->fb->Store(px.data(), 4, 4);
    c->seen_after.assign(p, p + bytes);
  };

  for (int inside = 0; inside <= 6; ++inside) {
    SCOPED_TRACE(std::to_string(inside) + " paints during the copy");
    FrameBuffer fb;
    const auto a = MakeFrame(100, 4, 4);
    fb.Store(a.data(), 4, 4);
    Copy c{&fb, {}, {}, {}};
    for (int i = 0; i < inside; ++i) c.paints.push_back(MakeFrame(i, 4, 4));
    ASSERT_TRUE(fb.TakeWith(during_copy, &c));
    EXPECT_EQ(c.seen, a);
    EXPECT_EQ(c.seen_after, a) << "a paint wrote into the frame being copied";
    EXPECT_EQ(c.width, 4);
    EXPECT_EQ(c.height, 4);

    // The first paint made during the copy comes next, then the newest one.
    std::vector<uint8_t> dest(a.size());
    if (inside >= 1) {
      ASSERT_TRUE(fb.Take(dest.data()));
      EXPECT_EQ(dest, c.paints.front());
    }
    if (inside >= 2) {
      ASSERT_TRUE(fb.Take(dest.data()));
      EXPECT_EQ(dest, c.paints.back());
    }
    EXPECT_FALSE(fb.Take(dest.data()));
  }

  // A copy in progress while a frame is already pending behind it and the painter goes on.
  FrameBuffer fb;
  const auto a = MakeFrame(100, 4, 4), b = MakeFrame(101, 4, 4);
  fb.Store(a.data(), 4, 4);
  fb.Store(b.data(), 4, 4);
  Copy c{&fb, {MakeFrame(1, 4, 4), MakeFrame(2, 4, 4), MakeFrame(3, 4, 4)}, {}, {}};
  ASSERT_TRUE(fb.TakeWith(during_copy, &c));
  EXPECT_EQ(c.seen_after, a);
  std::vector<uint8_t> dest(a.size());
  ASSERT_TRUE(fb.Take(dest.data()));
  EXPECT_EQ(dest, b);
  ASSERT_TRUE(fb.Take(dest.data()));
  EXPECT_EQ(dest, c.paints.back());
  EXPECT_FALSE(fb.Take(dest.data()));
}

TEST(FrameBuffer, ReusedSlotsKeepFramesApartAcrossSizes) {
  // Slots are recycled; a smaller frame in a slot that once held a larger one must not bring the
  // old bytes along, and a larger one must grow the slot.
  FrameBuffer fb;
  const int sizes[][2] = {{64, 64}, {2, 2}, {1, 1}, {128, 3}, {3, 128}, {64, 64}, {1, 7}, {200, 200}};
  int id = 0;
  for (int round = 0; round < 3; ++round) {
    for (const auto& s : sizes) {
      const auto px = MakeFrame(++id, s[0], s[1]);
      fb.Store(px.data(), s[0], s[1]);
      int w = 0, h = 0;
      ASSERT_TRUE(fb.Peek(&w, &h));
      ASSERT_EQ(w, s[0]);
      ASSERT_EQ(h, s[1]);
      std::vector<uint8_t> dest(px.size() + 8, kUntouched);
      ASSERT_TRUE(fb.Take(dest.data()));
      ASSERT_EQ(0, std::memcmp(dest.data(), px.data(), px.size())) << "frame " << id;
      ASSERT_EQ(dest[px.size()], kUntouched);
    }
  }
}

}  // namespace
}  // namespace mvcef
