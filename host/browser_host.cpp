#include "host/browser_host.h"

#include <imm.h>

#include <chrono>
#include <ostream>
#include <thread>

#include "common/utf.h"

namespace mvhost {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(4);
// Lets the page see one input before the next, as a user's pace would.
constexpr double kActionGapSeconds = 0.05;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

BrowserHost::BrowserHost(const LibraryApi& api, std::ostream& out, std::ostream& log)
    : api_(api), out_(out), log_(log) {}

BrowserHost::~BrowserHost() { Stop(); }

bool BrowserHost::Start(void* library_handle, const std::string& url, int width, int height, POINT origin,
                        int zoom, std::string& error) {
  width_ = width;
  height_ = height;
  origin_ = origin;
  api_.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(library_handle), true);
  started_ = true;

  window_ = api_.mvw32_create_window(nullptr, RECT{origin.x, origin.y, origin.x + width, origin.y + height}, TRUE);
  if (!window_) {
    error = "the library's window model refused a handler window";
    return false;
  }
  // A windowless view: left and top 0, right and bottom the view's size.
  const int id = api_.fnmvPackCefDllCreateBrowser(RECT{0, 0, width, height}, url.c_str(), window_, nullptr);
  if (id == 0) {
    error = "the browser engine did not start: the library created no browser";
    return false;
  }
  // Without this the library shows pages at its own default level, 120 %.
  api_.fnmvPackCefDllDoZoom(zoom);
  log_ << "mvhost: browser " << id << " (" << width << "x" << height << ") loading " << url << "\n";
  return true;
}

void BrowserHost::Stop() {
  if (!started_) return;
  started_ = false;
  ShutDown(api_, window_);
  window_ = nullptr;
}

void BrowserHost::TakeMessages() {
  // The library writes each field with its NUL into a 256-byte buffer.
  char name[256];
  char value[256];
  // Bounded, so a queue that never drains cannot hold the host in this loop.
  for (int taken = 0; taken < 1000 && api_.fnmvPackCefDllIsDirty(); ++taken) {
    name[0] = value[0] = '\0';
    api_.fnmvPackCefDllGetMsg(name, value);
    name[255] = value[255] = '\0';
    ++messages_received_;
    out_ << "message: " << name << " " << value << std::endl;
    // A page that hands over a text waits for the game to say the upload is done.
    if (std::string(name) == "batchUploadImg") api_.fnmvPackCefDllSetUploadIsDone(true);
  }
}

bool BrowserHost::Pump() {
  TakeMessages();
  int width = 0, height = 0;
  if (!api_.fnmvPackCefDllGetBrowserHasNewFrame(&width, &height)) return false;
  if (width < 0 || height < 0 || width > 16384 || height > 16384) {
    api_.fnmvPackCefDllGetBrowserRenderData(nullptr);  // drops a frame no buffer could hold
    return false;
  }
  frame_.assign(static_cast<size_t>(width) * height * 4, 0);
  api_.fnmvPackCefDllGetBrowserRenderData(frame_.data());
  frame_width_ = width;
  frame_height_ = height;
  ++frames_received_;
  return true;
}

bool BrowserHost::WaitForFirstFrame(double seconds) {
  const Clock::time_point start = Clock::now();
  while (frames_received_ == 0) {
    if (Pump()) break;
    if (SecondsSince(start) >= seconds) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  log_ << "mvhost: first frame " << frame_width_ << "x" << frame_height_ << " after " << SecondsSince(start)
       << " s\n";
  return true;
}

void BrowserHost::PumpFor(double seconds, int frame_limit) {
  const Clock::time_point start = Clock::now();
  for (;;) {
    Pump();
    if (frame_limit > 0 && frames_received_ >= frame_limit) return;
    if (SecondsSince(start) >= seconds) return;
    std::this_thread::sleep_for(kPollInterval);
  }
}

void BrowserHost::SendMouse(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      api_.fnmvPackCefDllSendWMButtonDown(message, wparam, lparam, 0, 0);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      api_.fnmvPackCefDllSendDWMButtonUp(message, wparam, lparam, 0, 0);
      break;
    default:
      api_.fnmvPackCefDllSendWMMouseMove(message, wparam, lparam, 0, 0);
      break;
  }
}

void BrowserHost::SendMouseLeave(WPARAM wparam) { api_.fnmvPackCefDllSendSendWMMouseLeave(WM_MOUSELEAVE, wparam); }

void BrowserHost::SendWheel(WPARAM wparam, POINT screen_point) {
  api_.fnmvPackCefDllSendWMMouseWheel(WM_MOUSEWHEEL, wparam, PointLParam(screen_point.x, screen_point.y), 0, 0);
}

void BrowserHost::SendKey(UINT message, WPARAM wparam, LPARAM lparam) {
  api_.fnmvPackCefDllSendSendKeyEvent(message, wparam, lparam);
}

void BrowserHost::SetKeyState(int vk, bool down, bool toggled) {
  api_.mvw32_set_key_state(vk, down ? TRUE : FALSE, toggled ? TRUE : FALSE);
}

void BrowserHost::SendFocus(bool focused) { api_.fnmvPackCefDllSendWMFocus(focused ? WM_SETFOCUS : WM_KILLFOCUS); }

void BrowserHost::CancelMode() { api_.fnmvPackCefDllSendSendWMCancel(); }

void BrowserHost::CommitImeText(const std::u16string& text) {
  if (!window_) return;
  api_.mvw32_set_ime_result_utf16(window_, reinterpret_cast<const uint16_t*>(text.data()), text.size());
  api_.fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
  api_.mvw32_clear_ime_result(window_);
}

void BrowserHost::CancelImeComposition() { api_.fnmvPackCefDllImeCancelComposition(); }

void BrowserHost::MoveWindow(POINT origin) {
  if (!window_) return;
  origin_ = origin;
  api_.mvw32_move_window(window_, RECT{origin.x, origin.y, origin.x + width_, origin.y + height_});
}

void BrowserHost::Play(const Action& action) {
  switch (action.kind) {
    case Action::kClick: {
      const LPARAM at = PointLParam(action.x, action.y);
      SendMouse(WM_MOUSEMOVE, 0, at);
      SendMouse(WM_LBUTTONDOWN, MouseKeyState({true, false, false}, false, false), at);
      SendMouse(WM_LBUTTONUP, 0, at);
      break;
    }
    case Action::kType:
      for (const KeyStep& step : TypingSteps(mvcommon::Utf8ToUtf16(action.text))) {
        if (step.kind == KeyStep::kKeyState)
          SetKeyState(step.vk, step.down, false);
        else
          SendKey(step.message.message, step.message.wparam, step.message.lparam);
      }
      break;
    case Action::kIme:
      CommitImeText(mvcommon::Utf8ToUtf16(action.text));
      break;
    case Action::kWheel:
      SendMouse(WM_MOUSEMOVE, 0, PointLParam(action.x, action.y));
      SendWheel(WheelWParam(0, action.delta), POINT{origin_.x + action.x, origin_.y + action.y});
      break;
    case Action::kWait:
      PumpFor(action.milliseconds / 1000.0, 0);
      return;
    case Action::kBack:
      api_.fnmvPackCefDllGoBack();
      break;
    case Action::kForward:
      api_.fnmvPackCefDllGoForward();
      break;
    case Action::kReload:
      api_.fnmvPackCefDllReload();
      break;
    case Action::kLoad:
      api_.fnmvPackCefDllGotoUrl(action.text.c_str());
      break;
  }
  PumpFor(kActionGapSeconds, 0);
}

std::string BrowserHost::TakePageText() {
  // The size counts the UTF-8 bytes with their NUL. A text captured between the two calls can
  // need more: the read then fails, keeps the text and says the size it needs.
  int size = 0;
  if (!api_.fnmvPackCefDLLGetSource(nullptr, &size)) return std::string();
  for (int attempt = 0; attempt < 3 && size > 0; ++attempt) {
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    if (api_.fnmvPackCefDLLGetSource(buffer.data(), &size)) return std::string(buffer.data());
  }
  return std::string();
}

}  // namespace mvhost
