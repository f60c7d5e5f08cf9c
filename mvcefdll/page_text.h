// The short text read back from a page at load end: offered on the engine's UI thread, taken once
// by the host's thread through a two-call protocol (ask for the size, then read).
#pragma once

#include <cstddef>
#include <string>

#include "mvcefdll/spin_flag.h"

namespace mvcef {

class PageTextSlot {
 public:
  // Text of this many UTF-16 units or more never reaches the host.
  static constexpr size_t kMaxUnits = 1024;

  // Engine UI thread. Shorter text replaces the held one (empty text empties it); longer text is
  // dropped and the held text stays.
  void Offer(const std::u16string& text);

  // Host thread. Sizes count the UTF-8 bytes the host receives, NUL included.
  //  - null size, or nothing held: false, nothing written.
  //  - null buffer or *size < 1: *size = the size needed; true; text kept.
  //  - *size at least the size needed: the whole text and a NUL; the held text is emptied; true.
  //  - *size too small: as Win32 does, false with *size = the size needed and the text kept for a
  //    later read; the buffer gets the longest prefix that fits without splitting a character,
  //    NUL-terminated, for hosts that ignore the result.
  bool Read(char* buffer, int* size);

 private:
  SpinFlag lock_;
  std::string utf8_;  // guarded by lock_
};

}  // namespace mvcef
