#include "mvcefdll/popup_policy.h"

#include <algorithm>
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

bool UngesturedPopupPace::Take(Clock::time_point now) {
  if (!refilled_ || now < *refilled_) refilled_ = now;
  const auto earned = (now - *refilled_) / kInterval;
  if (earned > 0) {
    tokens_ = static_cast<int>(std::min<decltype(earned)>(kBurst, tokens_ + earned));
    *refilled_ += earned * kInterval;
  }
  if (tokens_ == 0) {
    ++refused_;
    return false;
  }
  --tokens_;
  return true;
}

}  // namespace mvcef
