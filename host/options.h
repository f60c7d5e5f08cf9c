// mvhost's command line.
#pragma once

#include <string>
#include <vector>

#include "host/actions.h"

namespace mvhost {

struct HostOptions {
  std::string library;       // empty: libmvcefdll.so next to mvhost
  std::string page;          // URL or file; empty: the bundled demo page
  int width = 800, height = 600;
  int frames = 0;            // stop after this many frames; 0: no frame limit
  double seconds = -1;       // run this long after the actions; negative: the mode's default
  std::string out;           // PNG of the last frame; empty: none
  int zoom = 100;            // percent
  std::vector<Action> actions;
  bool window = false;
  double start_timeout = 30;  // seconds to wait for the first frame
  bool help = false;
};

struct OptionsParse {
  HostOptions options;
  std::string error;  // empty when the command line is valid
};

OptionsParse ParseCommandLine(int argc, char* const* argv);
std::string UsageText(const std::string& program);

}  // namespace mvhost
