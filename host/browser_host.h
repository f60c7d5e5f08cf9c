// One windowless browser of the library, driven the way a game drives it: everything is
// called on the thread that created the object (the host thread), which also owns the
// stand-in window that serves as the handler window.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/actions.h"
#include "host/library_api.h"
#include "host/win32_input.h"

namespace mvhost {

class BrowserHost {
 public:
  // `out` receives what the page sends ("message: NAME VALUE"); `log` progress and errors.
  BrowserHost(const LibraryApi& api, std::ostream& out, std::ostream& log);
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Starts the engine in client mode with the library's own handle as HINSTANCE, creates the
  // handler window at `origin` (screen coordinates) and a windowless browser of w x h.
  // False (with `error`) when the library refused to create a browser.
  bool Start(void* library_handle, const std::string& url, int width, int height, POINT origin, int zoom,
             std::string& error);
  // Closes the browser and shuts the engine down; safe to call twice.
  void Stop();

  // Takes a waiting frame and every waiting page message. True when a frame arrived.
  bool Pump();
  // Pumps until the first frame or the timeout; true on a frame.
  bool WaitForFirstFrame(double seconds);
  // Pumps for `seconds`, or until `frame_limit` frames have arrived in all (0: no limit).
  void PumpFor(double seconds, int frame_limit);

  void Play(const Action& action);

  // Input with the parameters a window procedure receives (view at the client origin).
  void SendMouse(UINT message, WPARAM wparam, LPARAM lparam);
  void SendMouseLeave(WPARAM wparam);
  // `screen_point` is the cursor in screen coordinates, as WM_MOUSEWHEEL carries it.
  void SendWheel(WPARAM wparam, POINT screen_point);
  void SendKey(UINT message, WPARAM wparam, LPARAM lparam);
  void SetKeyState(int vk, bool down, bool toggled);
  void SendFocus(bool focused);
  void CancelMode();
  // The IME has finished a text: it becomes the window's result string and the host passes
  // WM_IME_COMPOSITION with GCS_RESULTSTR on.
  void CommitImeText(const std::u16string& text);
  void CancelImeComposition();
  // The handler window follows the host window on screen.
  void MoveWindow(POINT origin);

  // The page text captured at the last load end (two-call read), or "" when there is none.
  std::string TakePageText();

  int frames_received() const { return frames_received_; }
  int frame_width() const { return frame_width_; }
  int frame_height() const { return frame_height_; }
  const std::vector<uint8_t>& frame() const { return frame_; }
  int messages_received() const { return messages_received_; }
  POINT origin() const { return origin_; }

 private:
  void TakeMessages();

  const LibraryApi& api_;
  std::ostream& out_;
  std::ostream& log_;
  HWND window_ = nullptr;
  bool started_ = false;
  int width_ = 0, height_ = 0;
  POINT origin_{0, 0};
  std::vector<uint8_t> frame_;
  int frame_width_ = 0, frame_height_ = 0;
  int frames_received_ = 0;
  int messages_received_ = 0;
};

}  // namespace mvhost
