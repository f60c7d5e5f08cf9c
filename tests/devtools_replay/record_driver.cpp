// Records one scenario: record_driver SCENARIO OUTPUT.jsonl
// Runs the scenario of scenarios.h through the library's exports with the recorder as the browser
// (it starts the real Chromium and writes the conversation to OUTPUT). Exits 0 when the scenario
// saw what it should; OUTPUT is then a recording the stand-in can replay.
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "tests/devtools_replay/recording.h"
#include "tests/devtools_replay/scenarios.h"

using namespace devtools_replay;

// A text field of `object`, or "" (a screencast frame's params.sessionId is a number).
static std::string TextOf(const Json& object, const char* key) {
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Chromium's own pages, attached at start-up, have been let go (each one's session detached).
// Recorded before the scenario's first page, that release replays in the same order for a host
// that creates its browser later than this one does.
static bool StartUpSettled(const std::string& output) {
  Recording recording;
  std::string error;
  if (!ReadRecording(output, &recording, &error)) return false;
  std::set<std::string> attached, detached;
  for (const RecordedMessage& m : recording.messages) {
    if (m.from_engine || m.message.contains("sessionId")) continue;
    const std::string method = m.message.value("method", std::string());
    const std::string session = TextOf(m.message.value("params", Json::object()), "sessionId");
    if (method == "Target.attachedToTarget") attached.insert(session);
    if (method == "Target.detachedFromTarget") detached.insert(session);
  }
  return !attached.empty() && attached == detached;
}

// Chromium makes windows of its own (type "browser_ui") at start-up and with every page. The engine
// only lets them go, but when it does depends on Chromium's answers, and on replay those releases
// would let out the recorded messages around them early. Recordings leave them out.
static bool DropChromiumWindows(const std::string& output, std::string* error) {
  Recording recording;
  if (!ReadRecording(output, &recording, error)) return false;
  std::set<std::string> windows;
  for (const RecordedMessage& m : recording.messages)
    if (m.message.value("method", std::string()) == "Target.attachedToTarget" &&
        m.message["params"]["targetInfo"].value("type", std::string()) == "browser_ui")
      windows.insert(TextOf(m.message["params"], "sessionId"));
  std::ofstream out(output, std::ios::trunc);
  for (const std::string& note : recording.notes) out << note << "\n";
  for (const RecordedMessage& m : recording.messages) {
    const Json& params = m.message.value("params", Json::object());
    if (windows.count(TextOf(m.message, "sessionId")) || windows.count(TextOf(params, "sessionId")))
      continue;
    out << RecordingLine(m.t, m.from_engine, m.message.dump(-1, ' ', false, Json::error_handler_t::replace)) << "\n";
  }
  out.close();
  if (!out) *error = "cannot write " + output;
  return static_cast<bool>(out);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s quads|blank|bridge|windowed OUTPUT.jsonl\n", argv[0]);
    return 2;
  }
  const std::string scenario = argv[1], output = argv[2];
  std::ofstream(output, std::ios::trunc) << "{\"scenario\":\"" << scenario << "\",\"view\":\"" << kViewWidth << "x"
                                         << kViewHeight << "\",\"made_by\":\"tests/devtools_replay/record.sh\"}\n";
  ::setenv("MVCEF_CHROMIUM", MVCEF_RECORDER_PATH, 1);
  ::setenv("MVCEF_RECORD_TO", output.c_str(), 1);

  InstallLayout layout;
  exports_e2e::LoadedLibrary library;
  std::string error;
  if (!layout.Create(ReadFileBytes(DataFile("recorded_rc1_0.png")), &error) ||
      !StartLibrary(layout, &library, &error)) {
    std::fprintf(stderr, "record_driver: %s\n", error.c_str());
    return 1;
  }
  if (!exports_e2e::PollUntil([&] { return StartUpSettled(output); }, 10)) {
    std::fprintf(stderr, "record_driver: Chromium's own pages were not let go\n");
    library.api.fnmvPackCefDllUninitializeCef();
    return 1;
  }
  bool ok = false;
  {
    Host host(library.api);
    if (scenario == "quads") {
      Frame frame;
      ok = RunQuads(host, &frame, exports_e2e::kFirstFrameSeconds);
      if (!ok) std::fprintf(stderr, "record_driver: no frame with the quads:%s\n", QuadMismatches(frame).c_str());
    } else if (scenario == "blank") {
      Frame frame;
      ok = RunBlank(host, &frame, exports_e2e::kFirstFrameSeconds);
      if (!ok) std::fprintf(stderr, "record_driver: no white frame\n");
    } else if (scenario == "bridge") {
      std::vector<std::string> messages;
      ok = RunBridge(host, &messages, exports_e2e::kFirstFrameSeconds);
      if (!ok) std::fprintf(stderr, "record_driver: the page did not report done\n");
    } else if (scenario == "windowed") {
      ok = RunWindowed(host, exports_e2e::kFirstFrameSeconds);
      if (!ok) std::fprintf(stderr, "record_driver: no child window showing the quads\n");
    } else {
      std::fprintf(stderr, "record_driver: no scenario %s\n", scenario.c_str());
    }
  }
  library.api.fnmvPackCefDllUninitializeCef();
  if (ok && !DropChromiumWindows(output, &error)) {
    std::fprintf(stderr, "record_driver: %s\n", error.c_str());
    return 1;
  }
  return ok ? 0 : 1;
}
