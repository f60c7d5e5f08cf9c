// The headers against the values Win32 documents, and the names they must leave free.
#include <imm.h>
#include <shellapi.h>
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <type_traits>

// Engine classes have members with these names; a macro would rename them.
#if defined(LoadString) || defined(GetMessage) || defined(MessageBox) || defined(GetModuleFileName) || \
    defined(ShellExecute) || defined(min) || defined(max)
#error "the stand-in must not define TCHAR-style or min/max macros"
#endif

static_assert(WM_SETFOCUS == 0x0007 && WM_KILLFOCUS == 0x0008 && WM_CANCELMODE == 0x001F, "focus messages");
static_assert(WM_KEYDOWN == 0x0100 && WM_KEYUP == 0x0101 && WM_CHAR == 0x0102 && WM_SYSKEYDOWN == 0x0104 &&
                  WM_SYSKEYUP == 0x0105 && WM_SYSCHAR == 0x0106 && WM_IME_COMPOSITION == 0x010F,
              "key messages");
static_assert(WM_MOUSEMOVE == 0x0200 && WM_LBUTTONDOWN == 0x0201 && WM_LBUTTONUP == 0x0202 &&
                  WM_LBUTTONDBLCLK == 0x0203 && WM_RBUTTONDOWN == 0x0204 && WM_RBUTTONUP == 0x0205 &&
                  WM_MBUTTONDOWN == 0x0207 && WM_MBUTTONUP == 0x0208 && WM_MOUSEWHEEL == 0x020A &&
                  WM_MOUSELEAVE == 0x02A3,
              "mouse messages");
static_assert(MK_LBUTTON == 1 && MK_RBUTTON == 2 && MK_SHIFT == 4 && MK_CONTROL == 8 && MK_MBUTTON == 0x10, "MK_");
static_assert(VK_CLEAR == 0x0C && VK_RETURN == 0x0D && VK_SHIFT == 0x10 && VK_CONTROL == 0x11 && VK_MENU == 0x12 &&
                  VK_CAPITAL == 0x14 && VK_PRIOR == 0x21 && VK_DOWN == 0x28 && VK_INSERT == 0x2D &&
                  VK_DELETE == 0x2E && VK_LWIN == 0x5B && VK_RWIN == 0x5C && VK_NUMPAD0 == 0x60 &&
                  VK_NUMPAD9 == 0x69 && VK_MULTIPLY == 0x6A && VK_ADD == 0x6B && VK_SEPARATOR == 0x6C &&
                  VK_SUBTRACT == 0x6D && VK_DECIMAL == 0x6E && VK_DIVIDE == 0x6F && VK_NUMLOCK == 0x90 &&
                  VK_LSHIFT == 0xA0 && VK_RSHIFT == 0xA1 && VK_LCONTROL == 0xA2 && VK_RCONTROL == 0xA3 &&
                  VK_LMENU == 0xA4 && VK_RMENU == 0xA5,
              "virtual keys");
static_assert(KF_EXTENDED == 0x0100, "key flags");
static_assert(SW_HIDE == 0 && SW_SHOWNORMAL == 1 && SW_SHOW == 5, "show commands");
static_assert(MB_OK == 0 && MB_OKCANCEL == 1 && MB_TOPMOST == 0x00040000 && IDOK == 1 && IDCANCEL == 2, "boxes");
static_assert(SM_CXSCREEN == 0 && SM_CYSCREEN == 1 && MAX_PATH == 260, "metrics");
static_assert(GCS_COMPSTR == 0x0008 && GCS_RESULTSTR == 0x0800, "IME indexes");
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(WORD) == 2 && sizeof(SHORT) == 2, "widths");
static_assert(sizeof(WPARAM) == sizeof(void*) && std::is_unsigned<WPARAM>::value && std::is_signed<LPARAM>::value,
              "message parameters");
static_assert(!std::is_convertible<HWND, HINSTANCE>::value && !std::is_convertible<HIMC, HWND>::value,
              "handles are distinct types");
static_assert(std::is_same<WCHAR, wchar_t>::value && std::is_same<HMODULE, HINSTANCE>::value, "aliases");

namespace {

TEST(HeaderTest, ParameterMacrosSignExtendCoordinatesAndWheelDeltas) {
  const LPARAM lp = MAKELPARAM(10, 0xFFF6);
  EXPECT_EQ(GET_X_LPARAM(lp), 10);
  EXPECT_EQ(GET_Y_LPARAM(lp), -10);
  EXPECT_EQ(LOWORD(lp), 10);
  EXPECT_EQ(HIWORD(lp), 0xFFF6);
  // Negative coordinates as a 32-bit LPARAM sign-extended to 64 bits.
  const LPARAM negative = static_cast<LPARAM>(static_cast<int32_t>(0xFF38FFEC));  // (-20, -200)
  EXPECT_EQ(GET_X_LPARAM(negative), -20);
  EXPECT_EQ(GET_Y_LPARAM(negative), -200);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(MK_SHIFT, 120)), 120);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(0, static_cast<WORD>(-240))), -240);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(MAKEWPARAM(MK_SHIFT | MK_CONTROL, 120)), MK_SHIFT | MK_CONTROL);
}

}  // namespace
