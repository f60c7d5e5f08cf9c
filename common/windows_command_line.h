// A command line as Windows programs receive it: one string whose splitting by the Windows rules
// (CommandLineToArgvW, the C runtime's) gives back the arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mvcommon {

// `first`: the program name, which Windows splits without backslash escapes.
std::wstring QuoteArgument(std::wstring_view arg, bool first);
std::wstring JoinCommandLine(const std::vector<std::wstring>& args);

}  // namespace mvcommon
