// The inline page shown in a frame whose load failed.
#pragma once

#include <cstddef>
#include <string>

namespace mvcef {

// The longest part of a failed address the page shows; a longer one is cut there (never inside a
// character) and ends in "...". So the page stays small enough to hand over, and its text within
// the 1023 units the page-text read-back keeps.
constexpr size_t kErrorPageMaxUrlBytes = 900;

// url and error_text are UTF-8; the code keeps its sign.
std::string ErrorPageHtml(const std::string& failed_url, const std::string& error_text, int error_code);

}  // namespace mvcef
