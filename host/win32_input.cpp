#include "host/win32_input.h"

namespace mvhost {

WPARAM MouseKeyState(MouseButtons buttons, bool shift, bool control) {
  WPARAM state = 0;
  if (buttons.left) state |= MK_LBUTTON;
  if (buttons.right) state |= MK_RBUTTON;
  if (buttons.middle) state |= MK_MBUTTON;
  if (shift) state |= MK_SHIFT;
  if (control) state |= MK_CONTROL;
  return state;
}

LPARAM PointLParam(int x, int y) { return MAKELPARAM(static_cast<int16_t>(x), static_cast<int16_t>(y)); }

WPARAM WheelWParam(WPARAM key_state, int delta) {
  return MAKEWPARAM(key_state & 0xFFFF, static_cast<int16_t>(delta));
}

LPARAM KeyLParam(const KeyFlags& f) {
  uint32_t value = f.repeat & 0xFFFF;
  value |= (f.scan_code & 0xFF) << 16;
  if (f.extended) value |= 1u << 24;
  if (f.alt_down) value |= 1u << 29;
  if (f.was_down) value |= 1u << 30;
  if (f.releasing) value |= 1u << 31;
  // Win32 hands lParam over as a signed pointer-sized value built from these 32 bits.
  return static_cast<LPARAM>(static_cast<int32_t>(value));
}

namespace {

constexpr int kVkPacket = 0xE7;
constexpr unsigned kLeftShiftScan = 0x2A;

// Make codes of the letter rows, a to z.
constexpr unsigned char kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                           0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                           0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

struct SymbolKey {
  char16_t plain, shifted;
  int vk;
  unsigned scan;
};
constexpr SymbolKey kSymbols[] = {
    {u'1', u'!', '1', 0x02},  {u'2', u'@', '2', 0x03},  {u'3', u'#', '3', 0x04},   {u'4', u'$', '4', 0x05},
    {u'5', u'%', '5', 0x06},  {u'6', u'^', '6', 0x07},  {u'7', u'&', '7', 0x08},   {u'8', u'*', '8', 0x09},
    {u'9', u'(', '9', 0x0A},  {u'0', u')', '0', 0x0B},  {u'-', u'_', 0xBD, 0x0C},  {u'=', u'+', 0xBB, 0x0D},
    {u'[', u'{', 0xDB, 0x1A}, {u']', u'}', 0xDD, 0x1B}, {u'\\', u'|', 0xDC, 0x2B}, {u';', u':', 0xBA, 0x27},
    {u'\'', u'"', 0xDE, 0x28}, {u'`', u'~', 0xC0, 0x29}, {u',', u'<', 0xBC, 0x33},  {u'.', u'>', 0xBE, 0x34},
    {u'/', u'?', 0xBF, 0x35},
};

}  // namespace

PhysicalKey KeyForCharacter(char16_t c) {
  if (c >= u'a' && c <= u'z') return {c - u'a' + 'A', kLetterScan[c - u'a'], false, false};
  if (c >= u'A' && c <= u'Z') return {c, kLetterScan[c - u'A'], false, true};
  if (c == u' ') return {VK_SPACE, 0x39, false, false};
  if (c == u'\t') return {VK_TAB, 0x0F, false, false};
  if (c == u'\n' || c == u'\r') return {VK_RETURN, 0x1C, false, false};
  for (const SymbolKey& s : kSymbols) {
    if (c == s.plain) return {s.vk, s.scan, false, false};
    if (c == s.shifted) return {s.vk, s.scan, false, true};
  }
  return {};
}

std::vector<KeyStep> TypingSteps(std::u16string_view text) {
  std::vector<KeyStep> steps;
  auto state = [&](int vk, bool down) {
    KeyStep s;
    s.kind = KeyStep::kKeyState;
    s.vk = vk;
    s.down = down;
    steps.push_back(s);
  };
  auto message = [&](UINT msg, WPARAM wparam, LPARAM lparam) {
    KeyStep s;
    s.message = {msg, wparam, lparam};
    steps.push_back(s);
  };
  const LPARAM shift_down = KeyLParam({kLeftShiftScan});
  const LPARAM shift_up = KeyLParam({kLeftShiftScan, false, false, true, true});

  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const PhysicalKey key = KeyForCharacter(c);
    if (key.vk == 0) {
      // A surrogate pair is one character: both units travel between one key-down and key-up.
      size_t units = 1;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        units = 2;
      const LPARAM down = KeyLParam({0});
      message(WM_KEYDOWN, kVkPacket, down);
      for (size_t k = 0; k < units; ++k) message(WM_CHAR, text[i + k], down);
      message(WM_KEYUP, kVkPacket, KeyLParam({0, false, false, true, true}));
      i += units - 1;
      continue;
    }
    if (key.shift) {
      state(VK_LSHIFT, true);  // the generic VK_SHIFT reads as down with either side
      message(WM_KEYDOWN, VK_SHIFT, shift_down);
    }
    const LPARAM down = KeyLParam({key.scan_code, key.extended});
    message(WM_KEYDOWN, key.vk, down);
    // Enter types a carriage return, whatever ended the line in the text.
    message(WM_CHAR, key.vk == VK_RETURN ? u'\r' : c, down);
    message(WM_KEYUP, key.vk, KeyLParam({key.scan_code, key.extended, false, true, true}));
    if (key.shift) {
      state(VK_LSHIFT, false);
      message(WM_KEYUP, VK_SHIFT, shift_up);
    }
  }
  return steps;
}

}  // namespace mvhost
