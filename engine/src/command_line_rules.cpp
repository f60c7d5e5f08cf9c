#include "engine/src/command_line_rules.h"

namespace mvengine {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && IsBlank(line[i]))
    ++i;
  if (i >= n)
    return out;

  // The program name: no escapes.
  std::string program;
  if (line[i] == '"') {
    ++i;
    while (i < n && line[i] != '"')
      program.push_back(line[i++]);
    if (i < n)
      ++i;
  } else {
    while (i < n && !IsBlank(line[i]))
      program.push_back(line[i++]);
  }
  out.push_back(program);

  while (true) {
    while (i < n && IsBlank(line[i]))
      ++i;
    if (i >= n)
      break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '\\') {
        size_t backslashes = 0;
        while (i < n && line[i] == '\\') {
          ++backslashes;
          ++i;
        }
        if (i < n && line[i] == '"') {
          arg.append(backslashes / 2, '\\');
          if (backslashes % 2) {
            arg.push_back('"');
            ++i;
          }
          // An even count leaves the quote to toggle below.
        } else {
          arg.append(backslashes, '\\');
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
          quoted = false;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg.push_back(line[i++]);
      }
    }
    out.push_back(arg);
  }
  return out;
}

std::string QuoteWindowsArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
    return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      // Double the run before a quote, then escape the quote itself.
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  // A trailing run sits before the closing quote: double it.
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

size_t SwitchPrefixLength(const std::string& s, bool slash_prefix) {
  if (s.compare(0, 2, "--") == 0)
    return 2;
  if (s.compare(0, 1, "-") == 0)
    return 1;
  if (slash_prefix && s.compare(0, 1, "/") == 0)
    return 1;
  return 0;
}

bool ParseSwitch(const std::string& arg, bool slash_prefix, bool lower_case, std::string* name,
                 std::string* value) {
  size_t prefix = SwitchPrefixLength(arg, slash_prefix);
  if (prefix == 0 || prefix == arg.size())
    return false;
  std::string body = arg.substr(prefix);
  size_t eq = body.find('=');
  *name = body.substr(0, eq);
  *value = eq == std::string::npos ? std::string() : body.substr(eq + 1);
  if (name->empty())
    return false;
  if (lower_case) {
    for (char& c : *name) {
      if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return true;
}

}  // namespace mvengine
