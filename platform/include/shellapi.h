/* SHELL32 for platforms without Win32: ShellExecuteA through a replaceable shell-open handler. */
#ifndef MVWIN32_SHELLAPI_H_
#define MVWIN32_SHELLAPI_H_

#include <windows.h>

/* Results at or below 32 are errors, as in Win32. */
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

MVW32_EXTERN_C_BEGIN

/* Strings are UTF-8. The default handler opens `lpFile` with xdg-open (verb null or "open"). */
MVW32_API HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                         LPCSTR lpDirectory, INT nShowCmd);

MVW32_EXTERN_C_END

#endif /* MVWIN32_SHELLAPI_H_ */
