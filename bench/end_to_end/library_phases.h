// What the game sees: the library loaded by name and driven through its exports only. Each phase
// runs in a process of its own (the library starts its engine once per process) and prints its
// figures as records (measure.h).
#pragma once

#include <string>

namespace mvbench {

struct Settings {
  std::string library;    // libmvcefdll.so
  std::string pages_url;  // file:// folder of the bundled pages, ending in '/'
  int width = 800;
  int height = 600;
  double warmup_seconds = 3;
  double window_seconds = 10;
  int trials = 30;         // per input kind
  int bridge_calls = 200;
};

// InitializeCef to the first frame of a local page; a fresh process is needed for a fair start.
int RunStartupPhase(const Settings& settings);
// Frames per second on the animated page, input-to-frame latency, the bridge's round trip.
int RunLibraryPhase(const Settings& settings);
// The reference screencast client on the animated page.
int RunPlainPhase(const Settings& settings);

}  // namespace mvbench
