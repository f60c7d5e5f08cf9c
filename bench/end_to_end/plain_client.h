// The reference: a plain screencast client of the page, speaking the DevTools protocol the way the
// engine does (same Chromium, switches, view metrics and screencast parameters) but doing nothing
// with a frame beyond acknowledging and counting it.
#pragma once

#include <string>
#include <vector>

namespace mvbench {

struct FrameCount {
  long frames = 0;    // frames that arrived within the window
  long distinct = 0;  // of those, frames that differ from the one before
  double seconds = 0;
};

struct PlainRun {
  std::string error;  // empty when the count is valid
  FrameCount count;
  std::vector<std::string> command_line;
};

PlainRun RunPlainScreencast(const std::string& url, int width, int height, double warmup_seconds,
                            double window_seconds);

}  // namespace mvbench
