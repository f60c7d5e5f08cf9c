// The scripted input of --action: a list such as "click:120,40;type:hello;wait:500;back".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mvhost {

struct Action {
  enum Kind { kClick, kType, kIme, kWheel, kWait, kBack, kForward, kReload, kLoad } kind = kWait;
  int x = 0, y = 0;
  int delta = 0;         // wheel distance, 120 a notch, positive away from the user
  int milliseconds = 0;  // wait
  std::string text;      // type, ime (UTF-8), load (URL)
  bool operator==(const Action& o) const {
    return kind == o.kind && x == o.x && y == o.y && delta == o.delta && milliseconds == o.milliseconds &&
           text == o.text;
  }
};

struct ActionParse {
  std::vector<Action> actions;
  std::string error;  // empty when the whole list parsed
};

// Items are separated by ';'. Inside text a backslash takes the next character literally, so
// "type:a\;b" types a;b. Empty items are skipped.
ActionParse ParseActions(std::string_view list);

}  // namespace mvhost
