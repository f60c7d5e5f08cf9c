// The process command line in the form Windows hands it out: one string whose splitting by
// the Windows rules (CommandLineToArgvW) gives back the arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mvw32 {

// `first`: the program name, which Windows splits without backslash escapes.
std::wstring QuoteArgument(std::wstring_view arg, bool first);
std::wstring JoinCommandLine(const std::vector<std::wstring>& args);
// This process's arguments as the kernel keeps them (UTF-8 assumed).
std::vector<std::wstring> ProcessArguments();

}  // namespace mvw32
