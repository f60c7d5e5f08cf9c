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
  void Offer(std::u16string text);

  // Host thread.
  //  - null size, or nothing held: false.
  //  - null buffer or *size < 1: *size = held length in UTF-16 units + 1; true; text kept.
  //  - otherwise: the text as UTF-8, cut to at most *size - 1 bytes without splitting a
  //    character, then NUL; the held text is emptied; true.
  // The UTF-8 form can be longer than the size the first call reports.
  bool Read(char* buffer, int* size);

 private:
  SpinFlag lock_;
  std::u16string text_;  // guarded by lock_
};

}  // namespace mvcef
