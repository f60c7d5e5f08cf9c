// The calling surface the game binds by name: 27 plain functions (cdecl on 32-bit Windows) and
// the class CmvPackCefDll (thiscall). Every function is safe to call in any state: a missing
// precondition makes it do nothing and return its fixed result.
#pragma once

#include <windows.h>

#if defined(_WIN32)
// The plain functions' export names come from mvcefdll.def.
#define MVCEF_EXPORT
#define MVCEF_CALL __cdecl
#if defined(_MSC_VER)
// Microsoft's compiler exports the members under the names its callers link.
#define MVCEF_CLASS_EXPORT __declspec(dllexport)
#else
// GCC's members reach those names through aliases in mvcefdll.def.
#define MVCEF_CLASS_EXPORT
#endif
#else
#define MVCEF_EXPORT __attribute__((visibility("default")))
#define MVCEF_CLASS_EXPORT MVCEF_EXPORT
#define MVCEF_CALL
#endif

class MVCEF_CLASS_EXPORT CmvPackCefDll {
 public:
  CmvPackCefDll();
  CmvPackCefDll& operator=(const CmvPackCefDll&);

  void InitializeCef(HINSTANCE instance);
  void InitializeClientCef(HINSTANCE instance);
  void UninitializeCef();
  void InitCefBrowserInApp(HWND parent, RECT rect, const char* url);
  int CreateBrowser(RECT rect, const char* url, HWND handlerWindow, HWND parentWindow);
  void GotoUrl(const char* url);
  void GoBack();
  void GoForward();
  void Reload();
  void DoClose();
};

extern "C" {
// Life cycle and browsers.
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllInitializeCef(HINSTANCE instance, bool clientMode);
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllUninitializeCef();
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllInitCefBrowserInApp(HWND parent, RECT rect, const char* url);
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllCreateBrowser(RECT rect, const char* url, HWND handlerWindow,
                                                        HWND parentWindow);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSelectHandler(unsigned int browserId);
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllDoClose();

// Navigation and page data.
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllGotoUrl(const char* url);
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllGoBack();
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllGoForward();
MVCEF_EXPORT int MVCEF_CALL fnmvPackCefDllReload();
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllDoZoom(int percent);
MVCEF_EXPORT bool MVCEF_CALL fnmvPackCefDLLGetSource(char* buffer, int* size);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllGetMsg(char* name, char* value);
MVCEF_EXPORT bool MVCEF_CALL fnmvPackCefDllIsDirty();
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSetUploadIsDone(bool done);

// Frames of windowless browsers.
MVCEF_EXPORT bool MVCEF_CALL fnmvPackCefDllGetBrowserHasNewFrame(int* width, int* height);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllGetBrowserRenderData(void* dest);

// Input, with the parameters the host's window procedure received.
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendWMButtonDown(UINT message, WPARAM wParam, LPARAM lParam,
                                                            int offsetX, int offsetY);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendDWMButtonUp(UINT message, WPARAM wParam, LPARAM lParam,
                                                           int offsetX, int offsetY);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendWMMouseMove(UINT message, WPARAM wParam, LPARAM lParam,
                                                           int offsetX, int offsetY);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendSendWMMouseLeave(UINT message, WPARAM wParam);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendWMMouseWheel(UINT message, WPARAM wParam, LPARAM lParam,
                                                            int offsetX, int offsetY);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendWMFocus(UINT message);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendSendWMCancel();
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllSendSendKeyEvent(UINT message, WPARAM wParam, LPARAM lParam);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllImeComposition(UINT message, WPARAM wParam, LPARAM lParam);
MVCEF_EXPORT void MVCEF_CALL fnmvPackCefDllImeCancelComposition();
}
