// The scripted engine's controls, exported by the test build of mvcefdll.dll as plain C so that
// a Windows host loaded under Wine drives the same engine the library runs on (the library and
// the host each carry their own C++ runtime, so nothing of C++ crosses).
#pragma once

#include <stdint.h>

extern "C" {

struct MvWineCall {
  int found;  // 0: no call of that kind was recorded
  int browser_id;
  int flag;
  int number;
  int count;
  int delta_x, delta_y;
  int mouse_x, mouse_y;
  uint32_t mouse_modifiers;
  int key_type;
  uint32_t key_modifiers;
  int key_windows_code, key_native_code, key_is_system;
  int key_character, key_unmodified_character, key_focus_on_editable;
  int range_from, range_to;
  int window_windowless;
  char text[1024];                 // UTF-8
  char subprocess_path[1024];      // kInitialize: UTF-8
  int multi_threaded_message_loop; // kInitialize
  int windowless_rendering;        // kInitialize
};

typedef int (*MvWineInstallFn)(void);
typedef int (*MvWineWaitBrowserFn)(int timeout_ms);
typedef int (*MvWineCountFn)(const char* kind);
typedef int (*MvWineLastFn)(const char* kind, MvWineCall* out);
typedef void (*MvWineClearFn)(void);
typedef void (*MvWineWaitIdleFn)(void);
// Runs an alert (0) or confirm (1) through the client; *continued / *success say what its
// callback got. Returns the client's result (handled).
typedef int (*MvWineDialogFn)(int browser_id, int confirm, const char* message_utf8, int* continued,
                              int* success);
// Offers a popup to the client; returns 1 when it was cancelled.
typedef int (*MvWinePopupFn)(int browser_id, const char* url);
}
