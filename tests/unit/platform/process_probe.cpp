// Reports, on stdout, what the stand-in says about this process, so tests can start it with
// arguments and environments of their choosing.
//   process_probe ... command-line    -> GetCommandLineW as UTF-8
//   process_probe debug <text>        -> OutputDebugStringA(text) through the default sink
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "text.h"

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "debug") == 0) {
    OutputDebugStringA(argv[2]);
    return 0;
  }
  const std::string out = mvw32::Utf8FromWide(GetCommandLineW());
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
