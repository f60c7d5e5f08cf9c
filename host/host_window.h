// --window: an SDL window that shows the browser's frames and turns its input into the Win32
// messages a Windows game's window procedure would pass to the library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "host/browser_host.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace mvhost {

class HostWindow {
 public:
  static std::unique_ptr<HostWindow> Open(int width, int height, std::string& error);
  ~HostWindow();

  // The window's client origin on screen, where the handler window is placed.
  POINT origin() const;
  // Forwards every waiting event to `host`; false once the user closed the window.
  bool HandleEvents(BrowserHost& host);
  void Show(const std::vector<uint8_t>& bgra, int width, int height);

 private:
  HostWindow() = default;
  void Forward(const SDL_Event& event, BrowserHost& host);
  void ForwardKey(const SDL_Event& event, BrowserHost& host);
  void ForwardText(const char* utf8, BrowserHost& host);

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int texture_width_ = 0, texture_height_ = 0;
  MouseButtons buttons_;
  bool composing_ = false;     // an input method shows an unfinished text
  LPARAM last_key_lparam_ = 0;  // WM_CHAR carries the lParam of the key that typed it
  bool closed_ = false;
};

}  // namespace mvhost
