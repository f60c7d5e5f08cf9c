/* Control of the Win32 stand-in, for hosts and tests on platforms without Win32.
 *
 * The stand-in keeps an in-process model of what the system asks Win32 about: windows with
 * screen rectangles, parents and visibility, each owned by the thread that created it;
 * per-thread capture, focus and key state; per-window IME state; and the places where Win32
 * would reach the user (message boxes, the shell, the debugger), which a host or test can
 * replace and which keep a record of every call. Every function here is thread-safe.
 * See docs/platform.md. */
#ifndef MVWIN32_STAND_IN_H_
#define MVWIN32_STAND_IN_H_

#include <stddef.h>
#include <stdint.h>

#include <windows.h>

MVW32_EXTERN_C_BEGIN

/* ---- Windows --------------------------------------------------------------------------- */

/* A window covering `screen_rect` (screen coordinates, right/bottom exclusive), child of
 * `parent` (null: top level), owned by the calling thread. Later windows lie above their
 * earlier siblings. Returns null when `parent` is not a window or the rectangle is inverted.
 * Handles are never reused. */
MVW32_API HWND mvw32_create_window(HWND parent, RECT screen_rect, BOOL visible);
/* Destroys the window and its descendants, dropping them as capture or focus of any thread. */
MVW32_API BOOL mvw32_destroy_window(HWND hwnd);
/* Moves the window to `screen_rect`; descendants move by the same offset. */
MVW32_API BOOL mvw32_move_window(HWND hwnd, RECT screen_rect);
/* The last nCmdShow passed to ShowWindow for this window, or -1 if none. */
MVW32_API int mvw32_last_show_command(HWND hwnd);
/* Shows `bgra` (width x height, top row first) in the window, scaled to its size as StretchDIBits
 * would; the window keeps a copy until painted again or destroyed. */
MVW32_API BOOL mvw32_paint_window(HWND hwnd, const void* bgra, int width, int height);
/* The pixel the window shows at (x, y) of its client area, as 0xAARRGGBB; FALSE when it was
 * never painted or the point is outside it. */
MVW32_API BOOL mvw32_window_pixel(HWND hwnd, int x, int y, uint32_t* argb);

/* ---- Keyboard (calling thread) --------------------------------------------------------- */

MVW32_API void mvw32_set_key_state(int vk, BOOL down, BOOL toggled);
MVW32_API void mvw32_clear_key_state(void);

/* ---- IME ------------------------------------------------------------------------------- */

/* Windows start with an input context; without one ImmGetContext returns null. */
MVW32_API BOOL mvw32_set_ime_context(HWND hwnd, BOOL has_context);
/* The result string that ImmGetCompositionString(GCS_RESULTSTR) reports, until replaced or
 * cleared. The UTF-16 form takes `length` code units (unpaired surrogates become U+FFFD);
 * the wide form a NUL-terminated string. */
MVW32_API BOOL mvw32_set_ime_result_utf16(HWND hwnd, const uint16_t* text, size_t length);
MVW32_API BOOL mvw32_set_ime_result_wide(HWND hwnd, const wchar_t* text);
MVW32_API BOOL mvw32_clear_ime_result(HWND hwnd);
/* ImmGetContext calls on this window not yet matched by ImmReleaseContext (-1: no window). */
MVW32_API int mvw32_ime_context_refs(HWND hwnd);

/* ---- Message boxes --------------------------------------------------------------------- */

/* Answers a box: returns the button id (IDOK, IDCANCEL, ...). `text` and `caption` are UTF-8
 * for MessageBoxW and the caller's raw bytes for MessageBoxA. Called on the thread that shows
 * the box, with no lock of the stand-in held; it may block. */
typedef int (*mvw32_message_box_responder)(void* user, HWND owner, const char* text, const char* caption,
                                           UINT type);
/* Null restores the default, which answers IDOK at once. */
MVW32_API void mvw32_set_message_box_responder(mvw32_message_box_responder responder, void* user);

typedef struct mvw32_message_box_info {
  HWND owner;
  UINT type;
  int result;   /* what MessageBoxA/W returned */
  BOOL ansi;    /* shown by MessageBoxA: text and caption are raw bytes */
  size_t text_length;
  size_t caption_length;
} mvw32_message_box_info;

/* Boxes shown (answered) so far, oldest first. The record holds at most 256 boxes (later ones are
 * answered but not recorded until it is cleared) and the first 4096 bytes of each string; the
 * shell-open record is bounded the same way. Lengths and copies are of what was kept. */
MVW32_API size_t mvw32_message_box_count(void);
MVW32_API BOOL mvw32_get_message_box(size_t index, mvw32_message_box_info* info);
/* Copies the text (field 0) or caption (field 1) of box `index` into `buffer`, cut to
 * `size` - 1 bytes and NUL-terminated; returns the full length in bytes ((size_t)-1: no such
 * box or field). */
MVW32_API size_t mvw32_get_message_box_string(size_t index, int field, char* buffer, size_t size);
MVW32_API void mvw32_clear_message_boxes(void);

/* ---- Shell ----------------------------------------------------------------------------- */

/* Opens `file` for ShellExecuteA; returns its result code (above 32: success). Null strings
 * arrive as "". Called with no lock of the stand-in held. */
typedef int (*mvw32_shell_open_handler)(void* user, HWND hwnd, const char* verb, const char* file,
                                        const char* parameters, const char* directory, int show_command);
/* Null restores the default: `xdg-open <file>` started directly (no shell) from PATH, for the
 * verbs null and "open"; waits at most about a second for it to finish. */
MVW32_API void mvw32_set_shell_open_handler(mvw32_shell_open_handler handler, void* user);
/* The default handler, for a replacement that wants to pass some calls on. */
MVW32_API int mvw32_default_shell_open(void* user, HWND hwnd, const char* verb, const char* file,
                                       const char* parameters, const char* directory, int show_command);

typedef struct mvw32_shell_open_info {
  HWND hwnd;
  int show_command;
  int result;
} mvw32_shell_open_info;

MVW32_API size_t mvw32_shell_open_count(void);
MVW32_API BOOL mvw32_get_shell_open(size_t index, mvw32_shell_open_info* info);
/* Field 0 verb, 1 file, 2 parameters, 3 directory; copying as mvw32_get_message_box_string. */
MVW32_API size_t mvw32_get_shell_open_string(size_t index, int field, char* buffer, size_t size);
MVW32_API void mvw32_clear_shell_opens(void);

/* ---- Debug output ---------------------------------------------------------------------- */

/* Receives each OutputDebugString text as UTF-8. Null restores the default, which writes to
 * stderr only when MVCEF_DEBUG=1. */
typedef void (*mvw32_debug_sink)(void* user, const char* text);
MVW32_API void mvw32_set_debug_sink(mvw32_debug_sink sink, void* user);

/* ---- Screen and reset ------------------------------------------------------------------ */

/* GetSystemMetrics(SM_CXSCREEN/SM_CYSCREEN); 1920 x 1080 until set. */
MVW32_API void mvw32_set_screen_size(int width, int height);

/* Back to the start: no windows, no capture, focus or key state on any thread, empty records,
 * default responder, handler and sink, default screen size. */
MVW32_API void mvw32_reset(void);

MVW32_EXTERN_C_END

#endif /* MVWIN32_STAND_IN_H_ */
