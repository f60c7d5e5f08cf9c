#include "recording.h"

#include <cstdio>
#include <fstream>

namespace devtools_replay {

bool ReadRecording(const std::string& path, Recording* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    Json parsed = Json::parse(line, nullptr, false);
    if (parsed.is_discarded()) {
      if (error) *error = path + ":" + std::to_string(number) + ": not JSON";
      return false;
    }
    const auto from = parsed.find("from");
    const auto message = parsed.find("message");
    if (!parsed.is_object() || from == parsed.end() || message == parsed.end() || !message->is_object()) {
      out->notes.push_back(line);
      continue;
    }
    RecordedMessage m;
    m.t = parsed.value("t", 0.0);
    m.from_engine = *from == "engine";
    m.message = std::move(*message);
    out->messages.push_back(std::move(m));
  }
  return true;
}

std::string RecordingLine(double t, bool from_engine, const std::string& message_text) {
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", t);
  return std::string("{\"t\":") + time + ",\"from\":\"" + (from_engine ? "engine" : "browser") +
         "\",\"message\":" + message_text + "}";
}

}  // namespace devtools_replay
