#include "mvcefdll/frame_buffer.h"

#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>

namespace mvcef {
namespace {

// Role fields inside the state word: bit 2 says the role is taken, bits 0-1 name the slot.
enum Role : int { kPending = 0, kNext = 1, kReading = 2 };

constexpr uint32_t kFieldBits = 3;
constexpr uint32_t kTaken = 4;

constexpr uint32_t FieldMask(Role r) { return 7u << (r * kFieldBits); }
constexpr bool Has(uint32_t s, Role r) { return ((s >> (r * kFieldBits)) & kTaken) != 0; }
constexpr int Index(uint32_t s, Role r) { return static_cast<int>((s >> (r * kFieldBits)) & 3u); }
constexpr uint32_t With(uint32_t s, Role r, int slot) {
  return (s & ~FieldMask(r)) | ((kTaken | static_cast<uint32_t>(slot)) << (r * kFieldBits));
}

// Bytes of a width x height BGRA frame, or false when that does not fit this address space.
bool FrameBytes(int width, int height, size_t* bytes) {
  // Both factors are below 2^31, so the product of the three stays below 2^64.
  const uint64_t total = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u;
  if (total > static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) return false;
  *bytes = static_cast<size_t>(total);
  return true;
}

}  // namespace

FrameBuffer::FrameBuffer() = default;
FrameBuffer::~FrameBuffer() = default;

int FrameBuffer::FreeSlot(uint32_t state) {
  unsigned used = 0;
  for (Role r : {kPending, kNext, kReading}) {
    if (Has(state, r)) used |= 1u << Index(state, r);
  }
  for (int i = 0; i < kSlots; ++i) {
    if (!(used & (1u << i))) return i;
  }
  return -1;  // unreachable: three roles cannot cover four slots
}

void FrameBuffer::Store(const void* pixels, int width, int height) {
  const int w = width > 0 ? width : 0;
  const int h = height > 0 ? height : 0;
  size_t bytes = 0;
  if (!FrameBytes(w, h, &bytes)) return;
  if (bytes != 0 && pixels == nullptr) return;

  uint32_t s = state_.load(std::memory_order_acquire);
  // The reader only moves slots between its own roles and frees `reading`, so a slot that is
  // free now stays ours until we hand it over below.
  const int f = FreeSlot(s);
  Slot& slot = slots_[f];
  if (slot.capacity < bytes) {
    slot.data.reset();
    slot.capacity = 0;
    slot.data.reset(new (std::nothrow) unsigned char[bytes]);
    if (!slot.data) return;  // out of memory: this paint is lost, the previous ones are intact
    slot.capacity = bytes;
  }
  if (bytes != 0) std::memcpy(slot.data.get(), pixels, bytes);
  slot.bytes = bytes;
  slot.width = w;
  slot.height = h;

  for (;;) {
    const uint32_t n = Has(s, kPending) ? With(s, kNext, f) : With(s, kPending, f);
    if (state_.compare_exchange_weak(s, n, std::memory_order_acq_rel, std::memory_order_acquire)) {
      return;
    }
  }
}

bool FrameBuffer::Peek(int* width, int* height) const {
  const uint32_t s = state_.load(std::memory_order_acquire);
  if (!Has(s, kPending)) return false;
  // Only this (the reader's) thread can take the pending role away, so the slot is stable.
  const Slot& slot = slots_[Index(s, kPending)];
  if (width) *width = slot.width;
  if (height) *height = slot.height;
  return true;
}

bool FrameBuffer::Take(void* dest) {
  return TakeWith(
      [](const void* pixels, size_t bytes, int, int, void* dest) {
        if (dest != nullptr && bytes != 0) std::memcpy(dest, pixels, bytes);
      },
      dest);
}

bool FrameBuffer::TakeWith(CopyFn copy, void* context) {
  uint32_t s = state_.load(std::memory_order_acquire);
  uint32_t n = 0;
  do {
    if (!Has(s, kPending)) return false;
    n = With(0, kReading, Index(s, kPending));
    if (Has(s, kNext)) n = With(n, kPending, Index(s, kNext));
  } while (!state_.compare_exchange_weak(s, n, std::memory_order_acq_rel,
                                         std::memory_order_acquire));

  const Slot& slot = slots_[Index(n, kReading)];
  if (copy != nullptr) {
    copy(slot.bytes != 0 ? slot.data.get() : nullptr, slot.bytes, slot.width, slot.height, context);
  }
  // Hands the slot back to the painter; release orders our copy before its next write.
  state_.fetch_and(~FieldMask(kReading), std::memory_order_release);
  return true;
}

}  // namespace mvcef
