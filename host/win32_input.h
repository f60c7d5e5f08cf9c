// The Win32 messages a Windows host's window procedure would receive for mouse, wheel and
// keyboard input, built from plain values so that scripted and real input take one road.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace mvhost {

struct WinMessage {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  bool operator==(const WinMessage& o) const {
    return message == o.message && wparam == o.wparam && lparam == o.lparam;
  }
};

struct MouseButtons {
  bool left = false, right = false, middle = false;
};

// The MK_* key state that mouse messages carry in wParam.
WPARAM MouseKeyState(MouseButtons buttons, bool shift, bool control);
// A client or screen position as mouse messages carry it: signed 16-bit x low, y high.
LPARAM PointLParam(int x, int y);
// WM_MOUSEWHEEL's wParam: the key state low, the signed wheel distance high.
WPARAM WheelWParam(WPARAM key_state, int delta);

struct KeyFlags {
  unsigned scan_code = 0;   // the keyboard's make code (8 bits)
  bool extended = false;    // right-hand Ctrl/Alt, arrow block, keypad Enter and divide
  bool alt_down = false;    // context code: Alt held
  bool was_down = false;    // previous key state: auto-repeat or release
  bool releasing = false;   // transition state: key up
  unsigned repeat = 1;
};
// Key messages' lParam: repeat count, scan code, extended, context, previous and transition bits.
LPARAM KeyLParam(const KeyFlags& flags);

// A key on a US keyboard: virtual key, make code, and whether Shift must be held.
struct PhysicalKey {
  int vk = 0;
  unsigned scan_code = 0;
  bool extended = false;
  bool shift = false;
};
// The US-layout key that types `c` (printable ASCII, tab, line feed as Enter); vk 0 for none.
PhysicalKey KeyForCharacter(char16_t c);

// One step of typing: either a change of the host thread's key state (what GetKeyState will
// report) or a key message for the library.
struct KeyStep {
  enum Kind { kKeyState, kMessage } kind = kMessage;
  int vk = 0;        // kKeyState
  bool down = false;  // kKeyState
  WinMessage message; // kMessage
};

// What Windows delivers while a user types `text`: for each character WM_KEYDOWN, one WM_CHAR
// per UTF-16 unit and WM_KEYUP, with Shift pressed around capitals and symbols. Characters
// without a key on the layout come as VK_PACKET, the way injected Unicode input arrives.
std::vector<KeyStep> TypingSteps(std::u16string_view text);

}  // namespace mvhost
