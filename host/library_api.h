// The library's calling surface as a game binds it: by name, at run time, from the handle
// dlopen returned. Nothing here links against the library.
#pragma once

#include <string>
#include <vector>

#include <mvwin32/stand_in.h>  // only for the types of the stand-in's control functions
#include <windows.h>

namespace mvhost {

// Every export of the library, with the type a game declares for it.
#define MVHOST_LIBRARY_EXPORTS(X)                                                                \
  X(fnmvPackCefDllInitializeCef, int (*)(HINSTANCE, bool))                                       \
  X(fnmvPackCefDllUninitializeCef, int (*)())                                                    \
  X(fnmvPackCefDllInitCefBrowserInApp, int (*)(HWND, RECT, const char*))                         \
  X(fnmvPackCefDllCreateBrowser, int (*)(RECT, const char*, HWND, HWND))                         \
  X(fnmvPackCefDllSelectHandler, void (*)(unsigned int))                                         \
  X(fnmvPackCefDllDoClose, int (*)())                                                            \
  X(fnmvPackCefDllGotoUrl, int (*)(const char*))                                                 \
  X(fnmvPackCefDllGoBack, int (*)())                                                             \
  X(fnmvPackCefDllGoForward, int (*)())                                                          \
  X(fnmvPackCefDllReload, int (*)())                                                             \
  X(fnmvPackCefDllDoZoom, void (*)(int))                                                         \
  X(fnmvPackCefDLLGetSource, bool (*)(char*, int*))                                              \
  X(fnmvPackCefDllGetMsg, void (*)(char*, char*))                                                \
  X(fnmvPackCefDllIsDirty, bool (*)())                                                           \
  X(fnmvPackCefDllSetUploadIsDone, void (*)(bool))                                               \
  X(fnmvPackCefDllGetBrowserHasNewFrame, bool (*)(int*, int*))                                   \
  X(fnmvPackCefDllGetBrowserRenderData, void (*)(void*))                                         \
  X(fnmvPackCefDllSendWMButtonDown, void (*)(UINT, WPARAM, LPARAM, int, int))                    \
  X(fnmvPackCefDllSendDWMButtonUp, void (*)(UINT, WPARAM, LPARAM, int, int))                     \
  X(fnmvPackCefDllSendWMMouseMove, void (*)(UINT, WPARAM, LPARAM, int, int))                     \
  X(fnmvPackCefDllSendSendWMMouseLeave, void (*)(UINT, WPARAM))                                  \
  X(fnmvPackCefDllSendWMMouseWheel, void (*)(UINT, WPARAM, LPARAM, int, int))                    \
  X(fnmvPackCefDllSendWMFocus, void (*)(UINT))                                                   \
  X(fnmvPackCefDllSendSendWMCancel, void (*)())                                                  \
  X(fnmvPackCefDllSendSendKeyEvent, void (*)(UINT, WPARAM, LPARAM))                              \
  X(fnmvPackCefDllImeComposition, void (*)(UINT, WPARAM, LPARAM))                                \
  X(fnmvPackCefDllImeCancelComposition, void (*)())

// Every name mvhost calls: the exports and the stand-in's control functions it uses.
#define MVHOST_LIBRARY_FUNCTIONS(X)                                                              \
  MVHOST_LIBRARY_EXPORTS(X)                                                                      \
  X(mvw32_create_window, decltype(&::mvw32_create_window))                                       \
  X(mvw32_destroy_window, decltype(&::mvw32_destroy_window))                                     \
  X(mvw32_move_window, decltype(&::mvw32_move_window))                                           \
  X(mvw32_set_key_state, decltype(&::mvw32_set_key_state))                                       \
  X(mvw32_set_ime_result_utf16, decltype(&::mvw32_set_ime_result_utf16))                         \
  X(mvw32_clear_ime_result, decltype(&::mvw32_clear_ime_result))

// Lets a declarator-shaped type such as int (*)(bool) stand before a member name.
template <class T>
using FunctionPointer = T;

struct LibraryApi {
#define MVHOST_DECLARE_POINTER(name, type) FunctionPointer<type> name = nullptr;
  MVHOST_LIBRARY_FUNCTIONS(MVHOST_DECLARE_POINTER)
#undef MVHOST_DECLARE_POINTER
};

// Resolves each name with `lookup` (dlsym on the library's handle in mvhost); returns the
// names it could not find.
using SymbolLookup = void* (*)(void* context, const char* name);
std::vector<std::string> BindLibrary(LibraryApi& api, SymbolLookup lookup, void* context);

// Closes the browser, shuts the engine down and destroys the handler window (if any), in the
// order a game does on exit.
void ShutDown(const LibraryApi& api, HWND window);

// The library the host loads by default: libmvcefdll.so in the folder of `executable`.
std::string DefaultLibraryPath(const std::string& executable);

}  // namespace mvhost
