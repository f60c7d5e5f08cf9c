#include "text.h"

namespace mvw32 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char32_t), "the stand-in's WCHAR holds UTF-32");

std::wstring Wide(const std::u32string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
  std::u32string out;
  mvcommon::Utf8ToUtf32(utf8.data(), utf8.size(), &out);
  return Wide(out);
}

std::string Utf8FromWide(std::wstring_view wide) {
  const std::u32string text(wide.begin(), wide.end());
  std::string out;
  mvcommon::Utf32ToUtf8(text.data(), text.size(), &out);
  return out;
}

std::wstring WideFromUtf16(const uint16_t* units, size_t length) {
  if (units == nullptr) return std::wstring();
  const std::u16string text(units, units + length);
  std::u32string out;
  mvcommon::Utf16ToUtf32(text.data(), text.size(), &out);
  return Wide(out);
}

}  // namespace mvw32
