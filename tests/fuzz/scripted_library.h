// The library started once per fuzzing process on the scripted engine, with one windowless
// browser whose main frame has a page context, driven from the fuzzer's thread as a game's
// thread drives it.
#pragma once

#include <windows.h>

#include "include/cef_v8.h"

namespace fuzz {

struct ScriptedLibrary {
  HWND window = nullptr;     // the handler window, owned by the calling thread
  int engine_browser = 0;    // the scripted engine's id of the browser
  CefRefPtr<CefV8Context> main_context;
};

// Starts it on first use (later calls return the same one).
ScriptedLibrary& Library();

// Lets the engine's threads finish what the last input started, then forgets the engine's
// record of calls so that it cannot grow from input to input.
void Settle();

}  // namespace fuzz
