// The reference: a plain client of the same Chromium, speaking the DevTools protocol the way the
// engine does (same executable, switches, view metrics, screencast parameters, a synchronous
// request answered through the Fetch domain for page calls) but doing no more than each figure
// needs: frames are acknowledged and counted, decoded only where a colour must be read.
#pragma once

#include <string>
#include <vector>

namespace mvbench {

struct FrameCount {
  long frames = 0;    // frames that arrived within the window
  long distinct = 0;  // of those, frames that differ from the one before
  double seconds = 0;
  double cpu_seconds = 0;  // used by the counting process itself (not Chromium) within the window
  std::vector<double> distinct_at;  // arrival of each distinct frame, seconds into the window
};

struct PlainPlan {
  std::string animated_url, input_url, bridge_url;
  int width = 800, height = 600;
  double warmup_seconds = 3, window_seconds = 10;
  int trials = 30;
};

struct PlainRun {
  std::vector<std::string> errors;  // each part that failed says why
  bool counted = false;
  FrameCount count;
  std::vector<double> mouse_ms, key_ms;
  std::string bridge;  // the bridge page's figures
  double start_seconds = -1;  // Chromium launched to the input page's first frame
  std::vector<std::string> command_line;
};

PlainRun RunPlainClient(const PlainPlan& plan);

// The centre colour (blue, green, red, each the mean of an 8x8 square) of a base64 JPEG; false if
// it does not decode.
bool CentreColour(const std::string& jpeg_base64, int bgr[3]);

}  // namespace mvbench
