// What the Windows programs run under Wine report: one line per check, then "N passed, N failed";
// the exit code says whether all passed.
#pragma once

#include <cstdio>
#include <string>

namespace wine_checks {

inline int g_passed = 0, g_failed = 0;

inline void Check(bool ok, const char* name, const std::string& detail = std::string()) {
  (ok ? g_passed : g_failed)++;
  std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", name, ok || detail.empty() ? "" : ": ", ok ? "" : detail.c_str());
  std::fflush(stdout);
}

// The summary line; 0 when every check passed and there was one.
inline int Summary() {
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  std::fflush(stdout);
  return g_failed == 0 && g_passed > 0 ? 0 : 1;
}

}  // namespace wine_checks
