// The screenshot path of any folder argument a page can pass, for executables of both platforms:
// whatever the rule accepts must stay inside the screenshot folder as either platform reads a
// path, and plain sub-folder names must keep working.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_check.h"
#include "pagebridge/image_paths.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Walks what was appended to the screenshot folder as Windows or POSIX could resolve it: a
// component of dots and spaces that starts with two dots may go up (Windows trims trailing dots
// and spaces), and a drive or stream (':') names another place. False when it leaves the folder.
bool StaysInside(std::string_view appended) {
  if (appended.find(':') != std::string_view::npos || appended.find('\0') != std::string_view::npos) return false;
  int depth = 0;
  size_t start = 0;
  while (start <= appended.size()) {
    size_t end = start;
    while (end < appended.size() && !IsSeparator(appended[end])) ++end;
    const std::string_view component = appended.substr(start, end - start);
    const bool up = component.substr(0, 2) == ".." && component.find_first_not_of(". ") == std::string_view::npos;
    if (up && --depth < 0) return false;
    if (!up && !component.empty() && component != ".") ++depth;
    start = end + 1;
  }
  return true;
}

bool IsPlainName(std::string_view folder) {
  if (folder.empty() || IsSeparator(folder.front()) || IsSeparator(folder.back())) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    const char c = folder[i];
    const bool name = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!name && !(IsSeparator(c) && !IsSeparator(folder[i - 1]))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::pair<const char*, char> layouts[] = {{"C:\\Game\\mvcef\\marovekcef.exe", '\\'},
                                                  {"/opt/game/mvcef/marovekcef", '/'}};
  const auto& [exe, sep] = layouts[in.ConsumeBool() ? 1 : 0];
  const int kind = in.ConsumeIntegralInRange<int>(0, 4);
  const std::string folder = in.ConsumeRemainingBytesAsString();
  const std::optional<std::string> path = mvcef::ScreenshotFilePath(exe, sep, kind, &folder);
  const std::string screenshots = *mvcef::ScreenshotFolder(exe, sep);
  if (path) {
    FUZZ_CHECK(path->compare(0, screenshots.size(), screenshots) == 0);
    FUZZ_CHECK(path->size() < mvcef::kMaxPath);
    FUZZ_CHECK(StaysInside(std::string_view(*path).substr(screenshots.size())));
  }
  if (kind >= 1 && kind <= 3 && IsPlainName(folder) && screenshots.size() + folder.size() + 12 < mvcef::kMaxPath)
    FUZZ_CHECK(path.has_value());
  return 0;
}
