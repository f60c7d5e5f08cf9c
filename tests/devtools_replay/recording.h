// A recorded DevTools conversation: every message between the engine and the browser, with its
// direction and the time since the browser started, one JSON object a line:
//   {"t":1234.5,"from":"engine","message":{...}}   command to the browser
//   {"t":1240.1,"from":"browser","message":{...}}  its reply, or an event
// Lines that are not such objects (a first line describing the scenario) are kept as notes.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace devtools_replay {

// Messages keep their keys in the order they were sent.
using Json = nlohmann::ordered_json;

struct RecordedMessage {
  double t = 0;             // milliseconds since the browser started
  bool from_engine = false; // a command; otherwise a reply or event of the browser
  Json message;
};

struct Recording {
  std::vector<std::string> notes;
  std::vector<RecordedMessage> messages;
};

// False with `error` (file and line) when the file cannot be read or a message line is not JSON.
bool ReadRecording(const std::string& path, Recording* out, std::string* error);

// One line of the file, without its line break.
std::string RecordingLine(double t, bool from_engine, const std::string& message_text);

}  // namespace devtools_replay
