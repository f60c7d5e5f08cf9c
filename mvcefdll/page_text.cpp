#include "mvcefdll/page_text.h"

#include <cstring>
#include <mutex>
#include <utility>

#include "common/utf.h"

namespace mvcef {

void PageTextSlot::Offer(const std::u16string& text) {
  if (text.size() >= kMaxUnits) return;
  // Converted here, once, so that the size the host is told is the size it receives.
  std::string utf8 = mvcommon::Utf16ToUtf8(text);
  {
    std::lock_guard<SpinFlag> hold(lock_);
    utf8_.swap(utf8);
  }
  // The previous text is freed here, outside the lock.
}

bool PageTextSlot::Read(char* buffer, int* size) {
  if (size == nullptr) return false;
  const bool query = buffer == nullptr || *size < 1;

  std::string out;  // what goes into the host's buffer, copied there outside the lock
  int needed = 0;
  bool whole = false;
  {
    std::lock_guard<SpinFlag> hold(lock_);
    if (utf8_.empty()) return false;
    // At most 3 bytes per unit below kMaxUnits units: the size always fits an int.
    needed = static_cast<int>(utf8_.size() + 1);
    whole = !query && *size >= needed;
    if (whole) {
      out.swap(utf8_);
    } else if (!query) {
      out.assign(utf8_, 0, mvcommon::Utf8PrefixLength(utf8_, static_cast<size_t>(*size) - 1));
    }
  }
  if (query) {
    *size = needed;
    return true;
  }
  std::memcpy(buffer, out.data(), out.size());
  buffer[out.size()] = '\0';
  if (!whole) *size = needed;
  return whole;
}

}  // namespace mvcef
