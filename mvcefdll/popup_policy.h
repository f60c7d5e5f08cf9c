// Which popup URLs may be handed to the system shell. Any page can open popups, so only web and
// mail addresses go out; file:, javascript: and custom protocol handlers would let a page launch
// local programs.
#pragma once

#include <string_view>

namespace mvcef {

bool MayOpenInShell(std::string_view url);

}  // namespace mvcef
