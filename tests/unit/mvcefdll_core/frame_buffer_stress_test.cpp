#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "mvcefdll/frame_buffer.h"

namespace mvcef {
namespace {

// Every paint's size and every one of its pixels derive from its sequence number, so the reader
// can tell a torn frame (mixed pixels, or pixels not matching the size) from a whole one.
int WidthOf(uint32_t seq) { return 16 + static_cast<int>(seq % 17); }
int HeightOf(uint32_t seq) { return 8 + static_cast<int>(seq % 9); }

TEST(FrameBufferStress, ReaderSeesWholeFramesInOrderAndTheLastPaint) {
  constexpr uint32_t kPaints = 100000;
  FrameBuffer fb;
  std::atomic<bool> painter_done{false}, reader_ready{false};

  std::thread painter([&] {
    while (!reader_ready.load(std::memory_order_acquire)) std::this_thread::yield();
    std::vector<uint32_t> px;
    for (uint32_t seq = 0; seq < kPaints; ++seq) {
      px.assign(static_cast<size_t>(WidthOf(seq)) * HeightOf(seq), seq);
      fb.Store(px.data(), WidthOf(seq), HeightOf(seq));
    }
    painter_done.store(true, std::memory_order_release);
  });

  std::vector<uint32_t> dest(32 * 16 + 1);
  int64_t last = -1;
  uint32_t frames = 0, failures = 0;
  reader_ready.store(true, std::memory_order_release);
  for (;;) {
    // Read before polling: once the painter is done and nothing is pending, nothing will be.
    const bool done = painter_done.load(std::memory_order_acquire);
    int w = 0, h = 0;
    if (!fb.Peek(&w, &h)) {
      if (done) break;
      continue;  // spin: a yield can park the reader for a whole time slice on a busy machine
    }
    const size_t n = static_cast<size_t>(w) * h;
    dest.assign(dest.size(), 0xFFFFFFFFu);
    ASSERT_LE(n, dest.size() - 1);
    ASSERT_TRUE(fb.Take(dest.data()));
    ++frames;
    const uint32_t seq = dest[0];
    bool whole = seq < kPaints && w == WidthOf(seq) && h == HeightOf(seq) && dest[n] == 0xFFFFFFFFu;
    for (size_t i = 1; whole && i < n; ++i) whole = dest[i] == seq;
    if (!whole || static_cast<int64_t>(seq) <= last) {
      if (++failures < 5) {
        ADD_FAILURE() << "frame " << frames << ": seq " << seq << " after " << last << ", " << w
                      << "x" << h << (whole ? " (out of order)" : " (torn)");
      }
    }
    last = seq;
  }
  painter.join();

  EXPECT_EQ(failures, 0u);
  EXPECT_EQ(last, static_cast<int64_t>(kPaints - 1)) << "the last paint never reached the host";
  EXPECT_GT(frames, 1u);
  std::printf("%u of %u paints reached the reader\n", frames, kPaints);
  int w = 0, h = 0;
  EXPECT_FALSE(fb.Peek(&w, &h));
}

}  // namespace
}  // namespace mvcef
