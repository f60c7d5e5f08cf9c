#include "pagebridge/bridge_origins.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace mvcef {
namespace {

constexpr std::string_view kFileOrigin = "file://";
constexpr std::string_view kSeparators = ", ;\t\r\n";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool IsAddressChar(char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; }

bool IsSchemeChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DefaultPort(std::string_view scheme) { return scheme == "https" ? 443 : 80; }

// "host" or "host:port" of an http(s) address, in normal form.
std::optional<std::string> NormalOrigin(const std::string& scheme, std::string_view authority) {
  std::string_view host = authority, port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos || close < 2) return std::nullopt;
    if (!std::all_of(authority.begin() + 1, authority.begin() + close, IsAddressChar)) return std::nullopt;
    host = authority.substr(0, close + 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      port = after.substr(1);
    }
  } else {
    const size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
      host = authority.substr(0, colon);
      port = authority.substr(colon + 1);
    }
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsNameChar)) return std::nullopt;
  }
  std::string origin = scheme + "://" + Lower(host);
  if (port.empty()) return authority.back() == ':' ? std::nullopt : std::optional<std::string>(origin);
  if (port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit)) return std::nullopt;
  const int number = std::stoi(std::string(port));
  if (number < 1 || number > 65535) return std::nullopt;
  if (number != DefaultPort(scheme)) origin += ":" + std::to_string(number);
  return origin;
}

// The scheme in lower case and what follows its "://"; nullopt without them.
std::optional<std::pair<std::string, std::string_view>> SplitScheme(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  const std::string scheme = Lower(url.substr(0, colon));
  if (!std::all_of(scheme.begin(), scheme.end(), IsSchemeChar)) return std::nullopt;
  const std::string_view rest = url.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return std::make_pair(scheme, std::string_view());
  return std::make_pair(scheme, rest.substr(2));
}

bool IsWebScheme(const std::string& scheme) { return scheme == "http" || scheme == "https"; }

std::optional<std::string> OriginOfEntry(std::string_view entry) {
  const std::string lower = Lower(entry);
  if (lower == "file://" || lower == "file:///") return std::string(kFileOrigin);
  const auto split = SplitScheme(entry);
  if (!split || !IsWebScheme(split->first)) return std::nullopt;
  std::string_view authority = split->second;
  if (!authority.empty() && authority.back() == '/') authority.remove_suffix(1);
  // Nothing but the origin: no path, query, fragment, user name or pattern.
  if (authority.empty() || authority.find_first_of("/?#@*\\") != std::string_view::npos) return std::nullopt;
  return NormalOrigin(split->first, authority);
}

}  // namespace

OriginList ParseOriginList(std::string_view setting) {
  OriginList list;
  size_t at = 0;
  while (at < setting.size()) {
    const size_t start = setting.find_first_not_of(kSeparators, at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(setting.find_first_of(kSeparators, start), setting.size());
    const std::string_view entry = setting.substr(start, end - start);
    if (std::optional<std::string> origin = OriginOfEntry(entry)) {
      if (std::find(list.origins.begin(), list.origins.end(), *origin) == list.origins.end())
        list.origins.push_back(*origin);
    } else {
      list.rejected.emplace_back(entry);
    }
    at = end;
  }
  return list;
}

std::optional<std::string> OriginOfUrl(std::string_view url) {
  const auto split = SplitScheme(url);
  if (!split) return std::nullopt;
  if (split->first == "file") return std::string(kFileOrigin);
  if (!IsWebScheme(split->first) || split->second.empty()) return std::nullopt;
  std::string_view authority = split->second.substr(0, split->second.find_first_of("/?#\\"));
  const size_t user_end = authority.rfind('@');
  if (user_end != std::string_view::npos) authority.remove_prefix(user_end + 1);
  if (authority.empty()) return std::nullopt;
  return NormalOrigin(split->first, authority);
}

bool BridgeAllowed(const std::optional<std::vector<std::string>>& allowed, std::string_view url) {
  if (!allowed) return true;
  const std::optional<std::string> origin = OriginOfUrl(url);
  return origin && std::find(allowed->begin(), allowed->end(), *origin) != allowed->end();
}

}  // namespace mvcef
