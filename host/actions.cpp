#include "host/actions.h"

#include "host/whole_number.h"

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

// Positions travel as signed 16-bit words in the messages.
constexpr long kMinPos = -32768, kMaxPos = 32767;

// Fills `action` from one item; returns what was expected when the item does not parse, else "".
std::string ParseItem(const std::string& verb, const std::string& argument, bool has_argument, Action& action) {
  if (verb == "click" || verb == "wheel") {
    const bool wheel = verb == "wheel";
    int values[3];
    if (!ParseInts(argument, wheel ? 3 : 2, kMinPos, kMaxPos, values)) {
      return wheel ? "expected wheel:X,Y,DELTA" : "expected click:X,Y";
    }
    action.kind = wheel ? Action::kWheel : Action::kClick;
    action.x = values[0];
    action.y = values[1];
    if (wheel) action.delta = values[2];
  } else if (verb == "type" || verb == "ime") {
    if (!has_argument) return "expected " + verb + ":TEXT";
    action.kind = verb == "type" ? Action::kType : Action::kIme;
    action.text = argument;
  } else if (verb == "wait") {
    if (!ParseInt(argument, 0, 600000, action.milliseconds)) return "expected wait:MILLISECONDS (0 to 600000)";
    action.kind = Action::kWait;
  } else if (verb == "load") {
    if (argument.empty()) return "expected load:URL";
    action.kind = Action::kLoad;
    action.text = argument;
  } else if (verb == "back" || verb == "forward" || verb == "reload") {
    if (has_argument) return "takes no argument";
    action.kind = verb == "back" ? Action::kBack : verb == "forward" ? Action::kForward : Action::kReload;
  } else {
    return "unknown action (click, type, ime, wheel, wait, load, back, forward, reload)";
  }
  return "";
}

}  // namespace

ActionParse ParseActions(std::string_view list) {
  ActionParse result;
  std::vector<std::string> items = SplitItems(list, result.error);
  if (!result.error.empty()) return result;

  for (const std::string& item : items) {
    if (item.empty()) continue;
    const size_t colon = item.find(':');
    const std::string verb = item.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : item.substr(colon + 1);
    Action action;
    const std::string why = ParseItem(verb, argument, colon != std::string::npos, action);
    if (!why.empty()) {
      result.error = "action \"" + item + "\": " + why;
      result.actions.clear();
      return result;
    }
    result.actions.push_back(action);
  }
  return result;
}

}  // namespace mvhost
