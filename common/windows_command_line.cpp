#include "common/windows_command_line.h"

namespace mvcommon {

std::wstring QuoteArgument(std::wstring_view arg, bool first) {
  const bool plain = !arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos;
  if (plain) return std::wstring(arg);
  std::wstring out = L"\"";
  if (first) {
    // No escapes exist for the program name; a quote in it cannot be carried.
    for (wchar_t c : arg) {
      if (c != L'"') out += c;
    }
    return out + L"\"";
  }
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(2 * backslashes + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  // Backslashes before the closing quote are doubled so it still closes.
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& args) {
  std::wstring line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) line += L' ';
    line += QuoteArgument(args[i], i == 0);
  }
  return line;
}

}  // namespace mvcommon
