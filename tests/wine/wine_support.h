// What the Windows programs run under Wine share: Linux paths as Wine shows them, and a game's
// message pump.
#pragma once

#include <windows.h>

#include <string>

namespace wine_support {

// A Linux path as Wine's Z: drive shows it.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
  return path;
}

// Handles every message waiting for this thread, as a game's UI thread does once a frame.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace wine_support
