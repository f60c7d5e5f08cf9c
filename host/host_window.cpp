#include "host/host_window.h"

#include <SDL2/SDL.h>

#include "common/utf.h"
#include "host/sdl_keys.h"
#include "host/win32_input.h"

namespace mvhost {

std::unique_ptr<HostWindow> HostWindow::Open(int width, int height, std::string& error) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error = std::string("no display for --window: ") + SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<HostWindow> w(new HostWindow());
  w->window_ = SDL_CreateWindow("mvhost", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
  if (w->window_) w->renderer_ = SDL_CreateRenderer(w->window_, -1, 0);
  if (!w->window_ || !w->renderer_) {
    error = std::string("cannot open a window: ") + SDL_GetError();
    return nullptr;
  }
  SDL_StartTextInput();
  return w;
}

HostWindow::~HostWindow() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  SDL_Quit();
}

POINT HostWindow::origin() const {
  int x = 0, y = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  return POINT{x, y};
}

void HostWindow::Show(const std::vector<uint8_t>& bgra, int width, int height) {
  if (width <= 0 || height <= 0 || bgra.size() < static_cast<size_t>(width) * height * 4) return;
  if (!texture_ || texture_width_ != width || texture_height_ != height) {
    if (texture_) SDL_DestroyTexture(texture_);
    // ARGB8888 lies in memory as B, G, R, A on little-endian machines: the frame's own order.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    texture_width_ = width;
    texture_height_ = height;
    if (!texture_) return;
  }
  SDL_UpdateTexture(texture_, nullptr, bgra.data(), width * 4);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

bool HostWindow::HandleEvents(BrowserHost& host) {
  SDL_Event event;
  while (!closed_ && SDL_PollEvent(&event)) Forward(event, host);
  return !closed_;
}

void HostWindow::Forward(const SDL_Event& event, BrowserHost& host) {
  const SDL_Keymod mods = SDL_GetModState();
  const bool shift = mods & KMOD_SHIFT, control = mods & KMOD_CTRL;
  switch (event.type) {
    case SDL_QUIT:
      closed_ = true;
      break;
    case SDL_MOUSEMOTION:
      host.SendMouse(WM_MOUSEMOVE, MouseKeyState(buttons_, shift, control),
                     PointLParam(event.motion.x, event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      UINT message;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT:
          buttons_.left = down;
          message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
          break;
        case SDL_BUTTON_RIGHT:
          buttons_.right = down;
          message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
          break;
        case SDL_BUTTON_MIDDLE:
          buttons_.middle = down;
          message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
          break;
        default:
          return;  // X buttons: the library takes none
      }
      // wParam holds the buttons as they are after the change, as Windows reports them.
      host.SendMouse(message, MouseKeyState(buttons_, shift, control), PointLParam(event.button.x, event.button.y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      int notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) break;
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      const POINT origin = host.origin();
      host.SendWheel(WheelWParam(MouseKeyState(buttons_, shift, control), notches * WHEEL_DELTA),
                     POINT{origin.x + x, origin.y + y});
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      ForwardKey(event, host);
      break;
    case SDL_TEXTEDITING:
      if (composing_ && event.edit.text[0] == '\0') host.CancelImeComposition();
      composing_ = event.edit.text[0] != '\0';
      break;
    case SDL_TEXTINPUT:
      ForwardText(event.text.text, host);
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          closed_ = true;
          break;
        case SDL_WINDOWEVENT_LEAVE:
          host.SendMouseLeave(MouseKeyState(buttons_, shift, control));
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          host.SendFocus(true);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          // A button held while focus goes elsewhere would never see its release.
          if (buttons_.left || buttons_.right || buttons_.middle) host.CancelMode();
          buttons_ = MouseButtons();
          host.SendFocus(false);
          break;
        case SDL_WINDOWEVENT_MOVED:
          host.MoveWindow(POINT{event.window.data1, event.window.data2});
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          SDL_RenderPresent(renderer_);
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
}

void HostWindow::ForwardKey(const SDL_Event& event, BrowserHost& host) {
  const bool down = event.type == SDL_KEYDOWN;
  const SDL_Keymod mods = static_cast<SDL_Keymod>(event.key.keysym.mod);
  const Win32Key key = Win32KeyForScancode(event.key.keysym.scancode, mods & KMOD_NUM);
  if (key.vk == 0) return;

  // The key state is what GetKeyState reports while the library handles the message.
  if (key.side_vk) {
    host.SetKeyState(key.side_vk, down, false);
  } else if (key.vk == VK_CAPITAL) {
    host.SetKeyState(VK_CAPITAL, down, mods & KMOD_CAPS);
  } else if (key.vk == VK_NUMLOCK) {
    host.SetKeyState(VK_NUMLOCK, down, mods & KMOD_NUM);
  } else {
    host.SetKeyState(key.vk, down, false);
  }
  const bool alt = (mods & KMOD_ALT) != 0;
  KeyFlags flags;
  flags.scan_code = key.scan_code;
  flags.extended = key.extended;
  flags.alt_down = alt;
  flags.was_down = down ? event.key.repeat != 0 : true;
  flags.releasing = !down;
  const LPARAM lparam = KeyLParam(flags);
  host.SendKey(KeyMessage(key.vk, down, alt), key.vk, lparam);
  if (!down) return;
  last_key_lparam_ = lparam;
  // SDL reports no text for these; Windows types them as characters all the same.
  const char16_t c = ControlCharacter(key.vk, (mods & KMOD_CTRL) != 0);
  if (c != 0) host.SendKey(alt ? WM_SYSCHAR : WM_CHAR, c, lparam);
}

void HostWindow::ForwardText(const char* utf8, BrowserHost& host) {
  const std::u16string text = mvcommon::Utf8ToUtf16(utf8);
  if (text.empty()) return;
  const bool one_character =
      text.size() == 1 || (text.size() == 2 && text[0] >= 0xD800 && text[0] <= 0xDBFF);
  if (composing_ || !one_character) {
    // What an input method finished arrives in one piece, as its result string.
    host.CommitImeText(text);
    composing_ = false;
    return;
  }
  for (char16_t unit : text) host.SendKey(WM_CHAR, unit, last_key_lparam_);
}

}  // namespace mvhost
