// The process command line in the form Windows hands it out: one string whose splitting by
// the Windows rules (CommandLineToArgvW) gives back the arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/windows_command_line.h"

namespace mvw32 {

using mvcommon::JoinCommandLine;
using mvcommon::QuoteArgument;
// This process's arguments as the kernel keeps them (UTF-8 assumed).
std::vector<std::wstring> ProcessArguments();

}  // namespace mvw32
