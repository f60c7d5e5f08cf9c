#include "host/actions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace mvhost {
namespace {

// Splits at unescaped ';' and removes the escapes.
std::vector<std::string> SplitItems(std::string_view list, std::string& error) {
  std::vector<std::string> items(1);
  for (size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    if (c == '\\') {
      if (i + 1 == list.size()) {
        error = "a backslash ends the action list";
        return {};
      }
      items.back() += list[++i];
    } else if (c == ';') {
      items.emplace_back();
    } else {
      items.back() += c;
    }
  }
  return items;
}

bool ParseInt(std::string_view text, long low, long high, int& out) {
  if (text.empty()) return false;
  std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(copy.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

// "a,b,c" into exactly `count` integers.
bool ParseInts(std::string_view text, size_t count, long low, long high, int* out) {
  for (size_t k = 0; k < count; ++k) {
    const size_t comma = text.find(',');
    const bool last = k + 1 == count;
    if (last != (comma == std::string_view::npos)) return false;
    if (!ParseInt(text.substr(0, comma), low, high, out[k])) return false;
    if (!last) text.remove_prefix(comma + 1);
  }
  return true;
}

}  // namespace

ActionParse ParseActions(std::string_view list) {
  ActionParse result;
  std::vector<std::string> items = SplitItems(list, result.error);
  if (!result.error.empty()) return result;
  // Positions travel as signed 16-bit words in the messages.
  constexpr long kMinPos = -32768, kMaxPos = 32767;

  for (const std::string& item : items) {
    if (item.empty()) continue;
    const size_t colon = item.find(':');
    const std::string verb = item.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : item.substr(colon + 1);
    const bool has_argument = colon != std::string::npos;
    Action action;
    auto fail = [&](const std::string& why) {
      result.error = "action \"" + item + "\": " + why;
      result.actions.clear();
    };

    if (verb == "click") {
      int xy[2];
      if (!ParseInts(argument, 2, kMinPos, kMaxPos, xy)) {
        fail("expected click:X,Y");
        return result;
      }
      action.kind = Action::kClick;
      action.x = xy[0];
      action.y = xy[1];
    } else if (verb == "wheel") {
      int values[3];
      if (!ParseInts(argument, 3, kMinPos, kMaxPos, values)) {
        fail("expected wheel:X,Y,DELTA");
        return result;
      }
      action.kind = Action::kWheel;
      action.x = values[0];
      action.y = values[1];
      action.delta = values[2];
    } else if (verb == "type" || verb == "ime") {
      if (!has_argument) {
        fail("expected " + verb + ":TEXT");
        return result;
      }
      action.kind = verb == "type" ? Action::kType : Action::kIme;
      action.text = argument;
    } else if (verb == "wait") {
      if (!ParseInt(argument, 0, 600000, action.milliseconds)) {
        fail("expected wait:MILLISECONDS (0 to 600000)");
        return result;
      }
      action.kind = Action::kWait;
    } else if (verb == "load") {
      if (argument.empty()) {
        fail("expected load:URL");
        return result;
      }
      action.kind = Action::kLoad;
      action.text = argument;
    } else if (verb == "back" || verb == "forward" || verb == "reload") {
      if (has_argument) {
        fail("takes no argument");
        return result;
      }
      action.kind = verb == "back" ? Action::kBack : verb == "forward" ? Action::kForward : Action::kReload;
    } else {
      fail("unknown action (click, type, ime, wheel, wait, load, back, forward, reload)");
      return result;
    }
    result.actions.push_back(action);
  }
  return result;
}

}  // namespace mvhost
