#include "pagebridge/process_messages.h"

namespace mvcef {

void SplitFrameId(int64_t id, int32_t* low, int32_t* high) {
  const uint64_t bits = static_cast<uint64_t>(id);
  if (low) *low = static_cast<int32_t>(static_cast<uint32_t>(bits & 0xFFFFFFFFu));
  if (high) *high = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
}

int64_t JoinFrameId(int32_t low, int32_t high) {
  const uint64_t bits = (static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) |
                        static_cast<uint64_t>(static_cast<uint32_t>(low));
  return static_cast<int64_t>(bits);
}

}  // namespace mvcef
