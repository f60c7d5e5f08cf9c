#include "mvcefdll/page_text.h"

#include <cstring>
#include <mutex>
#include <utility>

#include "common/utf.h"

namespace mvcef {

void PageTextSlot::Offer(std::u16string text) {
  if (text.size() >= kMaxUnits) return;
  {
    std::lock_guard<SpinFlag> hold(lock_);
    text_.swap(text);
  }
  // The previous text is freed here, outside the lock.
}

bool PageTextSlot::Read(char* buffer, int* size) {
  if (size == nullptr) return false;
  if (buffer == nullptr || *size < 1) {
    size_t units = 0;
    {
      std::lock_guard<SpinFlag> hold(lock_);
      units = text_.size();
    }
    if (units == 0) return false;
    *size = static_cast<int>(units + 1);  // below kMaxUnits + 1
    return true;
  }

  std::u16string taken;
  {
    std::lock_guard<SpinFlag> hold(lock_);
    taken.swap(text_);
  }
  if (taken.empty()) return false;
  const std::string utf8 = mvcommon::Utf16ToUtf8(taken);
  const size_t n = mvcommon::Utf8PrefixLength(utf8, static_cast<size_t>(*size) - 1);
  std::memcpy(buffer, utf8.data(), n);
  buffer[n] = '\0';
  return true;
}

}  // namespace mvcef
