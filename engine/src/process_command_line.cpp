#include "engine/src/process_command_line.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mvengine {

#if defined(OS_WIN)

CefRefPtr<CefCommandLine> ProcessCommandLine(const CefMainArgs& args) {
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  const wchar_t* line = GetCommandLineW();
  command_line->InitFromString(CefString(line ? line : L""));
  return command_line;
}

#else

namespace {

std::vector<std::string> ReadOwnCmdline() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos)
      end = all.size();
    parts.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

CefRefPtr<CefCommandLine> ProcessCommandLine(const CefMainArgs& args) {
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  if (args.argv && args.argc > 0) {
    command_line->InitFromArgv(args.argc, args.argv);
    return command_line;
  }
  std::vector<std::string> parts = ReadOwnCmdline();
  std::vector<const char*> argv;
  for (const std::string& p : parts)
    argv.push_back(p.c_str());
  command_line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
  return command_line;
}

#endif

}  // namespace mvengine
