#include "mvcefdll/source_string_visitor.h"

#include <string>

void SourceStringVistor::Visit(const CefString& string) {
  if (!handler_) return;
  const CefString::char_type* units = string.c_str();
  handler_->page_text().Offer(units ? std::u16string(reinterpret_cast<const char16_t*>(units), string.length())
                                    : std::u16string());
}
