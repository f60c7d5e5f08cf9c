#include "engine/runtime/chromium/input_mapping.h"

#include "common/utf.h"

namespace mvengine {
namespace chromium {

namespace {

// Engine event flags.
constexpr uint32_t kShift = 1u << 1, kControl = 1u << 2, kAlt = 1u << 3;
constexpr uint32_t kLeftButton = 1u << 4, kMiddleButton = 1u << 5, kRightButton = 1u << 6;
constexpr uint32_t kCommand = 1u << 7;

struct NamedKey {
  int vk;
  const char* key;
  const char* code;
};

constexpr NamedKey kNamedKeys[] = {
    {0x08, "Backspace", "Backspace"}, {0x09, "Tab", "Tab"},
    {0x0D, "Enter", "Enter"},         {0x10, "Shift", "ShiftLeft"},
    {0x11, "Control", "ControlLeft"}, {0x12, "Alt", "AltLeft"},
    {0x13, "Pause", "Pause"},         {0x14, "CapsLock", "CapsLock"},
    {0x1B, "Escape", "Escape"},       {0x20, " ", "Space"},
    {0x21, "PageUp", "PageUp"},       {0x22, "PageDown", "PageDown"},
    {0x23, "End", "End"},             {0x24, "Home", "Home"},
    {0x25, "ArrowLeft", "ArrowLeft"}, {0x26, "ArrowUp", "ArrowUp"},
    {0x27, "ArrowRight", "ArrowRight"}, {0x28, "ArrowDown", "ArrowDown"},
    {0x2D, "Insert", "Insert"},       {0x2E, "Delete", "Delete"},
    {0x5B, "Meta", "MetaLeft"},       {0x5D, "ContextMenu", "ContextMenu"},
    {0x90, "NumLock", "NumLock"},     {0x91, "ScrollLock", "ScrollLock"},
};

const NamedKey* FindNamedKey(int vk) {
  for (const auto& k : kNamedKeys)
    if (k.vk == vk) return &k;
  return nullptr;
}

}  // namespace

int ProtocolModifiers(uint32_t flags) {
  int m = 0;
  if (flags & kAlt) m |= 1;
  if (flags & kControl) m |= 2;
  if (flags & kCommand) m |= 4;
  if (flags & kShift) m |= 8;
  return m;
}

int ProtocolButtons(uint32_t flags) {
  int b = 0;
  if (flags & kLeftButton) b |= 1;
  if (flags & kRightButton) b |= 2;
  if (flags & kMiddleButton) b |= 4;
  return b;
}

const char* ProtocolButtonName(int type) {
  switch (type) {
    case 0: return "left";
    case 1: return "middle";
    case 2: return "right";
    default: return "none";
  }
}

Json MouseClickParams(int x, int y, uint32_t flags, int type, bool mouse_up, int click_count) {
  const char* button = ProtocolButtonName(type);
  int buttons = ProtocolButtons(flags);
  // The mask describes the buttons held after the event.
  static const int kBit[] = {1, 4, 2};
  if (type >= 0 && type <= 2) {
    if (mouse_up) buttons &= ~kBit[type];
    else buttons |= kBit[type];
  }
  return {{"type", mouse_up ? "mouseReleased" : "mousePressed"},
          {"x", x},
          {"y", y},
          {"modifiers", ProtocolModifiers(flags)},
          {"button", button},
          {"buttons", buttons},
          {"clickCount", click_count < 1 ? 1 : click_count}};
}

Json MouseMoveParams(int x, int y, uint32_t flags, bool mouse_leave) {
  int buttons = ProtocolButtons(flags);
  const char* button = (buttons & 1) ? "left" : (buttons & 2) ? "right" : (buttons & 4) ? "middle" : "none";
  // There is no "leave" event: moving off the view ends hover the same way.
  return {{"type", "mouseMoved"},
          {"x", mouse_leave ? -1 : x},
          {"y", mouse_leave ? -1 : y},
          {"modifiers", ProtocolModifiers(flags)},
          {"button", button},
          {"buttons", buttons}};
}

Json MouseWheelParams(int x, int y, uint32_t flags, int delta_x, int delta_y) {
  return {{"type", "mouseWheel"},
          {"x", x},
          {"y", y},
          {"modifiers", ProtocolModifiers(flags)},
          {"deltaX", -delta_x},
          {"deltaY", -delta_y}};
}

std::string DomKeyForVirtualKey(int vk, bool shift) {
  if (const NamedKey* k = FindNamedKey(vk)) return k->key;
  if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(shift ? vk : vk - 'A' + 'a'));
  if (vk >= '0' && vk <= '9' && !shift) return std::string(1, static_cast<char>(vk));
  if (vk >= 0x70 && vk <= 0x7B) return "F" + std::to_string(vk - 0x70 + 1);
  return std::string();
}

std::string DomCodeForVirtualKey(int vk) {
  if (const NamedKey* k = FindNamedKey(vk)) return k->code;
  if (vk >= 'A' && vk <= 'Z') return std::string("Key") + static_cast<char>(vk);
  if (vk >= '0' && vk <= '9') return std::string("Digit") + static_cast<char>(vk);
  if (vk >= 0x60 && vk <= 0x69) return "Numpad" + std::to_string(vk - 0x60);
  if (vk >= 0x70 && vk <= 0x7B) return "F" + std::to_string(vk - 0x70 + 1);
  return std::string();
}

Json KeyEventParams(const KeyInput& key) {
  static const char* const kTypes[] = {"rawKeyDown", "keyDown", "keyUp", "char"};
  const char* type = key.type >= 0 && key.type <= 3 ? kTypes[key.type] : "keyUp";
  Json params = {{"type", type},
                 {"modifiers", ProtocolModifiers(key.modifiers)},
                 {"windowsVirtualKeyCode", key.windows_key_code},
                 {"nativeVirtualKeyCode", key.native_key_code},
                 {"isSystemKey", key.is_system_key}};
  if (key.type == 3) {
    // A host's WM_CHAR carries the character in windows_key_code and leaves
    // `character` 0; either field may hold it.
    const char16_t typed = key.character != 0 ? key.character : static_cast<char16_t>(key.windows_key_code);
    // Control characters (Backspace as WM_CHAR 8, Escape 27) must not be typed as
    // text, their key-down already did the editing; Enter's "\r" is what submits.
    if ((typed >= 0x20 && typed != 0x7F) || typed == u'\r') {
      std::string text = mvcommon::Utf16ToUtf8(std::u16string(1, typed));
      params["text"] = text;
      params["unmodifiedText"] =
          key.unmodified_character >= 0x20 ? mvcommon::Utf16ToUtf8(std::u16string(1, key.unmodified_character)) : text;
      params["key"] = text;
    }
    return params;
  }
  const bool shift = key.modifiers & kShift;
  std::string dom_key = DomKeyForVirtualKey(key.windows_key_code, shift);
  std::string dom_code = DomCodeForVirtualKey(key.windows_key_code);
  if (!dom_key.empty()) params["key"] = dom_key;
  if (!dom_code.empty()) params["code"] = dom_code;
  return params;
}

}  // namespace chromium
}  // namespace mvengine
