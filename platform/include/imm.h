/* IMM32 for platforms without Win32: a window's input context and its result string. */
#ifndef MVWIN32_IMM_H_
#define MVWIN32_IMM_H_

#include <windows.h>

struct HIMC__ {
  int unused;
};
typedef struct HIMC__* HIMC;

/* dwIndex of ImmGetCompositionString */
#define GCS_COMPREADSTR 0x0001
#define GCS_COMPREADATTR 0x0002
#define GCS_COMPREADCLAUSE 0x0004
#define GCS_COMPSTR 0x0008
#define GCS_COMPATTR 0x0010
#define GCS_COMPCLAUSE 0x0020
#define GCS_CURSORPOS 0x0080
#define GCS_DELTASTART 0x0100
#define GCS_RESULTREADSTR 0x0200
#define GCS_RESULTREADCLAUSE 0x0400
#define GCS_RESULTSTR 0x0800
#define GCS_RESULTCLAUSE 0x1000

#define CS_INSERTCHAR 0x2000
#define CS_NOMOVECARET 0x4000

#define IMM_ERROR_NODATA (-1)
#define IMM_ERROR_GENERAL (-2)

MVW32_EXTERN_C_BEGIN

/* Null when the window has no input context. Each non-null result is paired with one
 * ImmReleaseContext on the same window. */
MVW32_API HIMC WINAPI ImmGetContext(HWND hWnd);
MVW32_API BOOL WINAPI ImmReleaseContext(HWND hWnd, HIMC hIMC);
/* Sizes are in bytes and no terminator is written. The A form's "ANSI" code page is UTF-8;
 * the W form copies wchar_t units. With a null buffer or zero length: the size needed. */
MVW32_API LONG WINAPI ImmGetCompositionStringA(HIMC hIMC, DWORD dwIndex, LPVOID lpBuf, DWORD dwBufLen);
MVW32_API LONG WINAPI ImmGetCompositionStringW(HIMC hIMC, DWORD dwIndex, LPVOID lpBuf, DWORD dwBufLen);

MVW32_EXTERN_C_END

#endif /* MVWIN32_IMM_H_ */
