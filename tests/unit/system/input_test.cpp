// The host's mouse, focus, key and IME messages, passed through the input exports to the current
// browser, with the handler window's capture, focus and input context on the host's thread.
#include <imm.h>

#include <string>
#include <vector>

#include "tests/unit/system/systest_support.h"

namespace {

using scripted::CallKind;

constexpr uint32_t kShift = EVENTFLAG_SHIFT_DOWN, kCtrl = EVENTFLAG_CONTROL_DOWN, kAlt = EVENTFLAG_ALT_DOWN,
                   kCaps = EVENTFLAG_CAPS_LOCK_ON, kNum = EVENTFLAG_NUM_LOCK_ON, kLeftButton = EVENTFLAG_LEFT_MOUSE_BUTTON,
                   kMiddleButton = EVENTFLAG_MIDDLE_MOUSE_BUTTON, kRightButton = EVENTFLAG_RIGHT_MOUSE_BUTTON,
                   kPad = EVENTFLAG_IS_KEY_PAD, kLeft = EVENTFLAG_IS_LEFT, kRight = EVENTFLAG_IS_RIGHT;

LPARAM Point(int x, int y) { return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y))); }

class InputTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    InitClient();
    window_ = MakeWindow({100, 100, 900, 700});
    ASSERT_NE(window_, nullptr);
    id_ = CreateWindowless(800, 600, "http://example.test/", window_);
    engine_ = EngineBrowser();
    scripted::ClearCalls();
  }

  // Sets exactly these keys: held ones down, toggled ones toggled.
  static void Keys(const std::vector<int>& held, const std::vector<int>& toggled = {}) {
    mvw32_clear_key_state();
    for (int vk : held) mvw32_set_key_state(vk, TRUE, FALSE);
    for (int vk : toggled) mvw32_set_key_state(vk, FALSE, TRUE);
  }

  // The handler keeps its window but loses its browser, as after the engine closed it.
  void LoseBrowser() {
    CefRefPtr<SimpleHandler> handler = Current();
    scripted::RunOnUi([&] { handler->OnBeforeClose(scripted::GetBrowser(engine_)); });
    ASSERT_FALSE(handler->GetBrowser());
    scripted::ClearCalls();
  }

  // Every input export but press and release, with an IME result waiting for the composition:
  // for a handler that cannot pass them on, none may reach the engine or keep an input context.
  void ExpectOtherInputReachesNothing() {
    fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, 0, Point(1, 1), 0, 0);
    fnmvPackCefDllSendSendWMMouseLeave(WM_MOUSELEAVE, 0);
    fnmvPackCefDllSendWMMouseWheel(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), Point(150, 150), 0, 0);
    fnmvPackCefDllSendWMFocus(WM_SETFOCUS);
    fnmvPackCefDllSendSendWMCancel();
    fnmvPackCefDllSendSendKeyEvent(WM_KEYDOWN, 'A', 0);
    mvw32_set_ime_result_wide(window_, L"x");
    fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    fnmvPackCefDllImeCancelComposition();
    EXPECT_TRUE(scripted::Calls().empty());
    EXPECT_EQ(mvw32_ime_context_refs(window_), 0);
  }

  scripted::Call Only(CallKind kind) {
    const std::vector<scripted::Call> calls = scripted::Calls();
    EXPECT_EQ(calls.size(), 1u) << scripted::CallKindName(kind);
    for (const scripted::Call& c : calls) EXPECT_EQ(c.kind, kind) << scripted::CallKindName(c.kind);
    scripted::ClearCalls();
    return calls.empty() ? scripted::Call() : calls.back();
  }

  HWND window_ = nullptr;
  unsigned id_ = 0;
  int engine_ = 0;
};

TEST_F(InputTest, ButtonTypesFollowTheMessage) {
  const struct {
    UINT message;
    bool release;
    cef_mouse_button_type_t button;
  } cases[] = {
      {WM_LBUTTONDOWN, false, MBT_LEFT},   {WM_RBUTTONDOWN, false, MBT_RIGHT}, {WM_MBUTTONDOWN, false, MBT_MIDDLE},
      {WM_LBUTTONDBLCLK, false, MBT_MIDDLE}, {0, false, MBT_MIDDLE},           {WM_LBUTTONUP, false, MBT_MIDDLE},
      {WM_LBUTTONUP, true, MBT_LEFT},      {WM_RBUTTONUP, true, MBT_RIGHT},    {WM_MBUTTONUP, true, MBT_MIDDLE},
      {WM_LBUTTONDOWN, true, MBT_MIDDLE},  {0x1234, true, MBT_MIDDLE},
  };
  for (const auto& c : cases) {
    if (c.release) {
      fnmvPackCefDllSendDWMButtonUp(c.message, 0, Point(1, 2), 0, 0);
    } else {
      fnmvPackCefDllSendWMButtonDown(c.message, 0, Point(1, 2), 0, 0);
    }
    const scripted::Call click = Only(CallKind::kSendMouseClickEvent);
    EXPECT_EQ(click.number, c.button) << std::hex << c.message;
    EXPECT_EQ(click.flag, c.release) << std::hex << c.message;
    EXPECT_EQ(click.count, 1) << std::hex << c.message;
    EXPECT_EQ(click.browser_id, engine_);
  }
}

TEST_F(InputTest, CoordinatesAreSignedWordsLessTheOffsets) {
  const struct {
    LPARAM lparam;
    int offset_x, offset_y;
    int x, y;
  } cases[] = {
      {Point(10, 0xFFF6), 5, 5, 5, -15},
      {Point(0x8000, 0x7FFF), 0, 0, -32768, 32767},
      {Point(300, 200), -20, 40, 320, 160},
      {static_cast<LPARAM>(0xFFFF0000u | 7u), 0, 0, 7, -1},
  };
  for (const auto& c : cases) {
    fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, 0, c.lparam, c.offset_x, c.offset_y);
    fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, c.lparam, c.offset_x, c.offset_y);
    fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, 0, c.lparam, c.offset_x, c.offset_y);
    const std::vector<scripted::Call> calls = scripted::Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const scripted::Call& call : calls) {
      EXPECT_EQ(call.mouse.x, c.x) << scripted::CallKindName(call.kind);
      EXPECT_EQ(call.mouse.y, c.y) << scripted::CallKindName(call.kind);
    }
    EXPECT_FALSE(calls[2].flag) << "a move is no leave";
    scripted::ClearCalls();
  }
}

TEST_F(InputTest, PressAndMoveModifiersComeFromWParamAndTheLiveLocks) {
  const struct {
    WPARAM wparam;
    std::vector<int> held, toggled;
    uint32_t expected;
  } cases[] = {
      {0, {}, {}, 0},
      {MK_SHIFT | MK_CONTROL, {}, {}, kShift | kCtrl},
      {MK_LBUTTON, {}, {}, kLeftButton},
      {MK_RBUTTON | MK_MBUTTON, {}, {}, kRightButton | kMiddleButton},
      {0, {}, {VK_CAPITAL}, kCaps},
      {0, {}, {VK_CAPITAL, VK_NUMLOCK}, kCaps | kNum},
      {0, {VK_MENU}, {}, kAlt},
      // Shift and Ctrl count only as wParam reports them.
      {0, {VK_SHIFT, VK_CONTROL}, {}, 0},
      // Held lock keys count only when toggled.
      {0, {VK_CAPITAL, VK_NUMLOCK}, {}, 0},
      {0, {}, {VK_MENU, VK_SHIFT}, 0},
      {MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_RBUTTON | MK_MBUTTON, {VK_MENU}, {VK_CAPITAL, VK_NUMLOCK},
       kShift | kCtrl | kAlt | kLeftButton | kRightButton | kMiddleButton | kCaps | kNum},
  };
  for (const auto& c : cases) {
    Keys(c.held, c.toggled);
    fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, c.wparam, Point(3, 4), 0, 0);
    EXPECT_EQ(Only(CallKind::kSendMouseClickEvent).mouse.modifiers, c.expected) << std::hex << c.wparam;
    fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, c.wparam, Point(3, 4), 0, 0);
    EXPECT_EQ(Only(CallKind::kSendMouseMoveEvent).mouse.modifiers, c.expected) << std::hex << c.wparam;
    fnmvPackCefDllSendSendWMMouseLeave(WM_MOUSELEAVE, c.wparam);
    const scripted::Call leave = Only(CallKind::kSendMouseMoveEvent);
    EXPECT_EQ(leave.mouse.modifiers, c.expected) << std::hex << c.wparam;
    EXPECT_TRUE(leave.flag);
    EXPECT_EQ(leave.mouse.x, 0);
    EXPECT_EQ(leave.mouse.y, 0);
    // A release carries none, whatever is held.
    fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, c.wparam, Point(3, 4), 0, 0);
    EXPECT_EQ(Only(CallKind::kSendMouseClickEvent).mouse.modifiers, 0u) << std::hex << c.wparam;
  }
}

TEST_F(InputTest, WheelOnlyOverTheHandlerWindowItself) {
  HWND child = MakeWindow({500, 500, 600, 600}, window_);
  HWND other = MakeWindow({1000, 100, 1200, 300});
  ASSERT_TRUE(child && other);
  const WPARAM up = MAKEWPARAM(0, 120), down = MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120));
  const struct {
    WPARAM wparam;
    int screen_x, screen_y, offset_x, offset_y;
    bool shift;
    bool sent;
    int x, y, dx, dy;
    uint32_t modifiers;
  } cases[] = {
      {up, 150, 160, 0, 0, false, true, 50, 60, 0, 120, 0},
      {up, 150, 160, 0, 0, true, true, 50, 60, 120, 0, 0},
      {down, 160, 170, 10, 30, false, true, 50, 40, 0, -120, kCtrl},
      {down, 160, 170, 10, 30, true, true, 50, 40, -120, 0, kCtrl},
      // MK_SHIFT alone does not turn the wheel; the live Shift key does.
      {MAKEWPARAM(MK_SHIFT, 240), 899, 699, 0, 0, false, true, 799, 599, 0, 240, kShift},
      {up, 550, 550, 0, 0, false, false},    // over the child window
      {up, 1100, 200, 0, 0, false, false},   // over another window
      {up, 5000, 5000, 0, 0, false, false},  // over no window
      {up, 950, 750, 0, 0, false, false},    // just outside
      {up, 550, 550, 60, 60, false, true, 390, 390, 0, 120, 0},  // the offsets move it off the child
  };
  for (const auto& c : cases) {
    Keys(c.shift ? std::vector<int>{VK_SHIFT} : std::vector<int>{});
    fnmvPackCefDllSendWMMouseWheel(WM_MOUSEWHEEL, c.wparam, Point(c.screen_x, c.screen_y), c.offset_x, c.offset_y);
    const std::string label = std::to_string(c.screen_x) + "," + std::to_string(c.screen_y);
    if (!c.sent) {
      EXPECT_TRUE(scripted::Calls().empty()) << label;
      scripted::ClearCalls();
      continue;
    }
    const scripted::Call wheel = Only(CallKind::kSendMouseWheelEvent);
    EXPECT_EQ(wheel.mouse.x, c.x) << label;
    EXPECT_EQ(wheel.mouse.y, c.y) << label;
    EXPECT_EQ(wheel.delta_x, c.dx) << label;
    EXPECT_EQ(wheel.delta_y, c.dy) << label;
    EXPECT_EQ(wheel.mouse.modifiers, c.modifiers) << label;
  }
}

TEST_F(InputTest, FocusAndCaptureLoss) {
  const struct {
    UINT message;
    bool focus;
  } cases[] = {{0x0007, true}, {0x0008, false}, {0, false}, {0x0107, false}, {0x10007, false}};
  for (const auto& c : cases) {
    fnmvPackCefDllSendWMFocus(c.message);
    EXPECT_EQ(Only(CallKind::kSendFocusEvent).flag, c.focus) << c.message;
  }
  EXPECT_EQ(GetFocus(), nullptr) << "the handler window's own focus is not touched";
  fnmvPackCefDllSendSendWMCancel();
  Only(CallKind::kSendCaptureLostEvent);
}

TEST_F(InputTest, PressCapturesAndFocusesReleaseGivesBackOnlyItsOwnCapture) {
  HWND other = MakeWindow({0, 0, 50, 50});
  fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), window_);
  EXPECT_EQ(GetFocus(), window_);
  fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), window_);

  // Another window took the capture in between: the release leaves it there.
  fnmvPackCefDllSendWMButtonDown(WM_RBUTTONDOWN, 0, Point(1, 1), 0, 0);
  SetCapture(other);
  fnmvPackCefDllSendDWMButtonUp(WM_RBUTTONUP, 0, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), other);
  EXPECT_EQ(scripted::CountOf(CallKind::kSendMouseClickEvent), 4u) << "the events go out all the same";
}

TEST_F(InputTest, WithoutABrowserPressAndReleaseStillMoveCaptureAndFocus) {
  LoseBrowser();
  fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, 0, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), window_);
  EXPECT_EQ(GetFocus(), window_);
  fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);

  ExpectOtherInputReachesNothing();
}

TEST_F(InputTest, WithoutACurrentHandlerNothingIsTouched) {
  fnmvPackCefDllSelectHandler(0);
  Keys({VK_SHIFT});
  fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, 0, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  SetCapture(window_);
  fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, Point(1, 1), 0, 0);
  EXPECT_EQ(GetCapture(), window_) << "a release without a handler releases nothing";
  ExpectOtherInputReachesNothing();
}

TEST_F(InputTest, KeyTypeAndSystemFlagPerMessage) {
  const struct {
    UINT message;
    cef_key_event_type_t type;
    int system;
  } cases[] = {
      {WM_KEYDOWN, KEYEVENT_RAWKEYDOWN, 0}, {WM_KEYUP, KEYEVENT_KEYUP, 0},       {WM_CHAR, KEYEVENT_CHAR, 0},
      {WM_SYSKEYDOWN, KEYEVENT_RAWKEYDOWN, 1}, {WM_SYSKEYUP, KEYEVENT_KEYUP, 1}, {WM_SYSCHAR, KEYEVENT_CHAR, 1},
      {WM_DEADCHAR, KEYEVENT_CHAR, 0},      {0x0400, KEYEVENT_CHAR, 0},          {0, KEYEVENT_CHAR, 0},
  };
  const LPARAM lparam = static_cast<LPARAM>(0xC01E0001u);
  for (const auto& c : cases) {
    fnmvPackCefDllSendSendKeyEvent(c.message, 'B', lparam);
    const scripted::Call key = Only(CallKind::kSendKeyEvent);
    EXPECT_EQ(key.key.type, c.type) << std::hex << c.message;
    EXPECT_EQ(key.key.is_system_key, c.system) << std::hex << c.message;
    EXPECT_EQ(key.key.windows_key_code, 'B');
    EXPECT_EQ(key.key.native_key_code, static_cast<int>(lparam));
    EXPECT_EQ(key.key.character, 0);
    EXPECT_EQ(key.key.unmodified_character, 0);
    EXPECT_EQ(key.key.focus_on_editable_field, 0);
    EXPECT_EQ(key.key.modifiers, 0u);
  }
}

TEST_F(InputTest, KeyModifiersKeypadAndSides) {
  const LPARAM plain = 0x001C0001, extended = 0x011C0001;
  const struct {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    std::vector<int> held, toggled;
    uint32_t expected;
  } cases[] = {
      {WM_KEYDOWN, VK_RETURN, plain, {}, {}, 0},
      {WM_KEYDOWN, VK_RETURN, extended, {}, {}, kPad},
      {WM_KEYDOWN, VK_LEFT, extended, {}, {}, 0},
      {WM_KEYDOWN, VK_LEFT, plain, {}, {}, kPad},
      {WM_KEYUP, VK_DOWN, plain, {}, {}, kPad},
      {WM_KEYDOWN, VK_PRIOR, plain, {}, {}, kPad},
      {WM_KEYDOWN, VK_HOME, extended, {}, {}, 0},
      {WM_KEYDOWN, VK_INSERT, plain, {}, {}, kPad},
      {WM_KEYDOWN, VK_DELETE, extended, {}, {}, 0},
      {WM_KEYDOWN, VK_NUMPAD1, plain, {}, {VK_NUMLOCK}, kPad | kNum},
      {WM_KEYDOWN, VK_NUMPAD9, extended, {}, {}, kPad},
      {WM_KEYDOWN, VK_CLEAR, plain, {}, {}, kPad},
      {WM_KEYDOWN, VK_DIVIDE, extended, {}, {}, kPad},
      {WM_KEYDOWN, VK_NUMLOCK, extended, {}, {VK_NUMLOCK}, kPad | kNum},
      {WM_KEYDOWN, VK_SEPARATOR, plain, {}, {}, 0},
      {WM_CHAR, 'a', plain, {}, {}, kPad},  // 0x61, the code of VK_NUMPAD1
      {WM_CHAR, 'l', plain, {}, {}, 0},     // 0x6C, the code of VK_SEPARATOR
      {WM_CHAR, 'A', plain, {VK_SHIFT}, {VK_CAPITAL}, kShift | kCaps},
      {WM_KEYDOWN, VK_SHIFT, plain, {VK_SHIFT, VK_LSHIFT}, {}, kShift | kLeft},
      {WM_KEYDOWN, VK_SHIFT, plain, {VK_SHIFT, VK_RSHIFT}, {}, kShift | kRight},
      {WM_KEYDOWN, VK_SHIFT, plain, {}, {}, 0},
      {WM_KEYDOWN, VK_CONTROL, extended, {VK_CONTROL, VK_RCONTROL}, {}, kCtrl | kRight},
      {WM_KEYDOWN, VK_CONTROL, plain, {VK_CONTROL, VK_LCONTROL}, {}, kCtrl | kLeft},
      {WM_SYSKEYDOWN, VK_MENU, plain, {VK_MENU, VK_LMENU}, {}, kAlt | kLeft},
      {WM_SYSKEYDOWN, VK_MENU, extended, {VK_MENU, VK_RMENU}, {}, kAlt | kRight},
      {WM_KEYDOWN, VK_LWIN, extended, {}, {}, kLeft},
      {WM_KEYDOWN, VK_RWIN, extended, {}, {}, kRight},
      // A held side key holds its key too; the side flag goes only with the key itself.
      {WM_KEYDOWN, 'X', plain, {VK_LSHIFT, VK_RCONTROL}, {}, kShift | kCtrl},
      {WM_KEYDOWN, 'X', plain, {VK_SHIFT, VK_CONTROL, VK_MENU}, {VK_CAPITAL, VK_NUMLOCK}, kShift | kCtrl | kAlt | kCaps | kNum},
  };
  for (const auto& c : cases) {
    Keys(c.held, c.toggled);
    fnmvPackCefDllSendSendKeyEvent(c.message, c.wparam, c.lparam);
    const scripted::Call key = Only(CallKind::kSendKeyEvent);
    EXPECT_EQ(key.key.modifiers, c.expected) << "wParam 0x" << std::hex << c.wparam << " lParam 0x" << c.lparam;
    EXPECT_EQ(key.key.native_key_code, static_cast<int>(c.lparam));
  }
}

std::string Utf8(const std::u16string& text) { return CefString(reinterpret_cast<const char16*>(text.c_str()), text.size(), true).ToString(); }

TEST_F(InputTest, TheImeResultIsCommittedWhole) {
  std::u16string many;
  for (int i = 0; i < 600; ++i) many += (i % 3) ? u"\u4E2D" : u"x";
  const std::u16string texts[] = {u"abc", u"ab\u4E2D\u6587c", u"\U0001F600 \u4E2Dz", many};
  for (const std::u16string& text : texts) {
    ASSERT_TRUE(mvw32_set_ime_result_utf16(window_, reinterpret_cast<const uint16_t*>(text.data()), text.size()));
    for (LPARAM flags : {static_cast<LPARAM>(GCS_RESULTSTR), static_cast<LPARAM>(GCS_RESULTSTR | GCS_COMPSTR)}) {
      fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, flags);
      const scripted::Call commit = Only(CallKind::kImeCommitText);
      EXPECT_EQ(commit.text, Utf8(text));
      EXPECT_EQ(static_cast<uint32_t>(commit.range.from), 0xFFFFFFFFu);
      EXPECT_EQ(static_cast<uint32_t>(commit.range.to), 0xFFFFFFFFu);
      EXPECT_EQ(commit.count, 0);
      EXPECT_EQ(mvw32_ime_context_refs(window_), 0) << "every context taken is released";
    }
  }
}

TEST_F(InputTest, NothingIsCommittedWithoutAResultOrAContext) {
  mvw32_set_ime_result_wide(window_, L"abc");
  fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_COMPSTR | GCS_COMPATTR | GCS_CURSORPOS);
  EXPECT_TRUE(scripted::Calls().empty()) << "no composition text is shown in the page";
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0);

  mvw32_clear_ime_result(window_);
  fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
  EXPECT_TRUE(scripted::Calls().empty());
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0);

  mvw32_set_ime_result_wide(window_, L"abc");
  ASSERT_TRUE(mvw32_set_ime_context(window_, FALSE));
  fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
  EXPECT_TRUE(scripted::Calls().empty());
  EXPECT_EQ(mvw32_ime_context_refs(window_), 0) << "nothing taken, nothing released";
}

TEST_F(InputTest, CancelCompositionNeedsABrowser) {
  fnmvPackCefDllImeCancelComposition();
  EXPECT_EQ(Only(CallKind::kImeCancelComposition).browser_id, engine_);
  LoseBrowser();
  fnmvPackCefDllImeCancelComposition();
  EXPECT_TRUE(scripted::Calls().empty());
}

}  // namespace
