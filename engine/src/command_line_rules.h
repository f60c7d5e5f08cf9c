// Pure rules behind CefCommandLine, on UTF-8 strings (every delimiter is ASCII).
#pragma once

#include <string>
#include <vector>

namespace mvengine {

// Splits like CommandLineToArgvW: the program name ends at the first blank
// (or closing quote) and takes no escapes; afterwards 2n backslashes before a
// quote give n backslashes and toggle quoting, 2n+1 give n and a literal
// quote, other backslashes are literal, and "" inside quotes is a literal
// quote that also ends the quoted part.
std::vector<std::string> SplitWindowsCommandLine(const std::string& line);

// Quotes an argument so SplitWindowsCommandLine gives it back unchanged
// (as a non-program argument).
std::string QuoteWindowsArgument(const std::string& arg);

// "--name=value", "-name" (and "/name" when slash_prefix) are switches;
// the name loses its prefix and, with lower_case, is lower-cased (ASCII).
bool ParseSwitch(const std::string& arg, bool slash_prefix, bool lower_case, std::string* name,
                 std::string* value);

// Length of the switch prefix of s ("--", "-", or "/" when slash_prefix), 0 if none.
size_t SwitchPrefixLength(const std::string& s, bool slash_prefix);

}  // namespace mvengine
