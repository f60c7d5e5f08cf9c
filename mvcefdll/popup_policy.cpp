#include "mvcefdll/popup_policy.h"

#include <cctype>
#include <string>

namespace mvcef {

bool MayOpenInShell(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string scheme;
  for (char c : url.substr(0, colon)) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!std::isalnum(u) && c != '+' && c != '-' && c != '.') return false;
    scheme.push_back(static_cast<char>(std::tolower(u)));
  }
  if (scheme == "mailto") return true;
  if (scheme != "http" && scheme != "https") return false;
  // A web address names a host; "http:foo" is not one the shell should guess at.
  return url.substr(colon + 1, 2) == "//" && url.size() > colon + 3;
}

}  // namespace mvcef
