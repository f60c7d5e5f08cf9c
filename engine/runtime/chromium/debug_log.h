// Diagnostics of the Chromium runtime: one line on stderr per event when
// MVCEF_DEBUG=1, nothing otherwise.
#pragma once

namespace mvengine {
namespace chromium {

bool DebugEnabled();
// MVCEF_DEBUG=2 also traces the DevTools traffic.
bool TraceEnabled();
// Formatted by the C runtime's printf, on Windows XP's msvcrt too: sizes as %lu of unsigned long,
// never %zu or %ll.
void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace chromium
}  // namespace mvengine
