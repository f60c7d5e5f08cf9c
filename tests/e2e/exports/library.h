// The library as a game binds it: dlopen of the shared object, then dlsym of every export and of
// the Win32 stand-in's control functions by name, all from the same handle. Nothing here links
// against the library or its stand-in; the headers give only types and constants.
#pragma once

#include <string>
#include <vector>

#include <mvwin32/stand_in.h>
#include <windows.h>

#include "host/library_api.h"  // the exports and the types a game declares for them

namespace exports_e2e {

// The stand-in's control functions the tests use beyond those mvhost binds.
#define EXPORTS_E2E_STAND_IN_FUNCTIONS(X)                                                        \
  X(mvw32_clear_key_state, decltype(&::mvw32_clear_key_state))                                   \
  X(mvw32_ime_context_refs, decltype(&::mvw32_ime_context_refs))                                 \
  X(mvw32_set_message_box_responder, decltype(&::mvw32_set_message_box_responder))               \
  X(mvw32_message_box_count, decltype(&::mvw32_message_box_count))                               \
  X(mvw32_get_message_box, decltype(&::mvw32_get_message_box))                                   \
  X(mvw32_get_message_box_string, decltype(&::mvw32_get_message_box_string))                     \
  X(mvw32_clear_message_boxes, decltype(&::mvw32_clear_message_boxes))                           \
  X(mvw32_set_shell_open_handler, decltype(&::mvw32_set_shell_open_handler))                     \
  X(mvw32_shell_open_count, decltype(&::mvw32_shell_open_count))                                 \
  X(mvw32_get_shell_open, decltype(&::mvw32_get_shell_open))                                     \
  X(mvw32_get_shell_open_string, decltype(&::mvw32_get_shell_open_string))                       \
  X(mvw32_clear_shell_opens, decltype(&::mvw32_clear_shell_opens))                               \
  X(mvw32_last_show_command, decltype(&::mvw32_last_show_command))                               \
  X(mvw32_window_pixel, decltype(&::mvw32_window_pixel))                                         \
  X(WindowFromPoint, decltype(&::WindowFromPoint))                                               \
  X(IsWindowVisible, decltype(&::IsWindowVisible))                                               \
  X(GetParent, decltype(&::GetParent))

struct Api {
#define EXPORTS_E2E_DECLARE(name, type) mvhost::FunctionPointer<type> name = nullptr;
  MVHOST_LIBRARY_FUNCTIONS(EXPORTS_E2E_DECLARE)
  EXPORTS_E2E_STAND_IN_FUNCTIONS(EXPORTS_E2E_DECLARE)
#undef EXPORTS_E2E_DECLARE
};

struct LoadedLibrary {
  void* handle = nullptr;  // also the HINSTANCE the host passes at start-up
  Api api;
};

// dlopen(path, RTLD_NOW | RTLD_LOCAL) and every name above; false with `error` naming what failed.
bool OpenLibrary(const std::string& path, LoadedLibrary* out, std::string* error);

}  // namespace exports_e2e
