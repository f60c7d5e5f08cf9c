// Hands finished off-screen frames from the engine's UI thread (the painter) to the host's thread
// (the reader) without a lock and without either side waiting for the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace mvcef {

// Four slots; at any moment each one has exactly one role:
//
//   free     owned by the painter, who may fill it;
//   next     the newest paint made while a frame was already pending (at most one);
//   pending  the published frame the host will get on its next take (at most one);
//   reading  the frame the host is copying out right now (at most one).
//
// The roles live in one atomic word, so a role change is a single compare-and-swap:
//
//   painter, after filling a free slot f:  pending empty -> pending = f
//                                          else          -> next = f (an older next becomes free)
//   reader, take:   reading = pending, pending = next, next = empty   (one CAS)
//   reader, done:   reading = empty
//
// At most three slots carry a role, so the painter always finds a free one and never waits. A
// slot is written only while free and read only while pending or reading, and every role change
// is a release/acquire pair on the word, which orders the pixel copies on both sides.
//
// The take promotes `next` at once: a page that stops repainting still has its last paint shown
// on the host's following poll. Frames reach the host whole and in paint order; a paint may be
// skipped only when a newer one replaces it in `next` before the host gets to it.
//
// Buffers are kept and reused: once each slot has grown to the frame size, a paint allocates
// nothing.
class FrameBuffer {
 public:
  FrameBuffer();
  ~FrameBuffer();
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  // Painter thread. BGRA, top row first, stride width * 4. A negative dimension counts as 0;
  // a frame of zero bytes is published with its sizes and copies nothing. A paint whose size
  // cannot be held in memory (or null pixels for a non-empty frame) is dropped.
  void Store(const void* pixels, int width, int height);

  // Reader thread. True and the pending frame's sizes when one is pending; otherwise false and
  // the outputs are left alone. Changes nothing.
  bool Peek(int* width, int* height) const;

  // Reader thread. Copies the pending frame (width * height * 4 bytes) into dest, or discards
  // it when dest is null, and returns true. Returns false at once when nothing is pending.
  bool Take(void* dest);

  // Reader thread. Take with the copy done by `copy`, which sees the frame's bytes (null when the
  // frame is empty) and may take its time: the painter keeps painting into other slots meanwhile.
  using CopyFn = void (*)(const void* pixels, size_t bytes, int width, int height, void* context);
  bool TakeWith(CopyFn copy, void* context);

 private:
  struct Slot {
    // Written only by the thread that owns the slot's role (see above).
    std::unique_ptr<unsigned char[]> data;
    size_t capacity = 0;
    size_t bytes = 0;
    int width = 0;
    int height = 0;
  };

  static constexpr int kSlots = 4;

  // Painter-only helper: the slot with no role in `state`.
  static int FreeSlot(uint32_t state);

  Slot slots_[kSlots];
  // Role word: three 3-bit fields (valid bit + slot index) for pending, next and reading.
  std::atomic<uint32_t> state_{0};
};

}  // namespace mvcef
