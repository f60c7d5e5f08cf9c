// Which frames get the page bridge when the game narrows it to its own sites (the environment
// variable MVCEF_BRIDGE_ORIGINS, read when the engine starts). Origins are compared in one
// normal form: "scheme://host" or "scheme://host:port", scheme and host in lower case, the
// scheme's default port left out; every file: page is the one origin "file://".
#ifndef MVCEF_PAGEBRIDGE_BRIDGE_ORIGINS_H_
#define MVCEF_PAGEBRIDGE_BRIDGE_ORIGINS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mvcef {

inline constexpr char kBridgeOriginsVariable[] = "MVCEF_BRIDGE_ORIGINS";
// How the browser process hands the list to the render process (its normal forms, joined by ',').
inline constexpr char kBridgeOriginsSwitch[] = "mvcef-bridge-origins";

struct OriginList {
  std::vector<std::string> origins;   // normal forms, in the order given, without repeats
  std::vector<std::string> rejected;  // entries that are no origin, as written
};

// The setting's entries, separated by commas, semicolons or white space. An entry is
// "http://host", "https://host" with an optional ":port" (1 to 65535) and an optional final "/",
// or "file://" (also "file:///") for the game's local pages. Hosts are names of letters, digits,
// '-' and '.', or an IPv6 address in brackets; international names in their "xn--" form, as the
// address bar shows them encoded. Anything else (a path, a query, user names, wildcards, other
// schemes) is rejected: it never widens the list.
OriginList ParseOriginList(std::string_view setting);

// The normal-form origin of a frame's address as the engine reports it; nullopt for addresses
// that have none the list can name (about:blank, data:, blob:, javascript:, malformed ones).
std::optional<std::string> OriginOfUrl(std::string_view url);

// Whether a frame at `url` gets the bridge: always without a list, otherwise only when its
// origin is listed. An address without an origin never does then.
bool BridgeAllowed(const std::optional<std::vector<std::string>>& allowed, std::string_view url);

}  // namespace mvcef

#endif  // MVCEF_PAGEBRIDGE_BRIDGE_ORIGINS_H_
