// Windowed browsers' windows on Windows: a real child window of the game's window, painted with
// the page's frames by GDI, whose own mouse, wheel, key and IME messages go to the page. The window
// belongs to the thread that created it (the game's, which pumps its messages); frames arrive on
// the engine's UI thread and are handed over under a lock.
#include "engine/runtime/chromium/child_window.h"

#include <windows.h>
#include <imm.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/runtime/chromium/window_message_input.h"

namespace mvengine {
namespace chromium {

namespace {

const wchar_t kClassName[] = L"mvcef browser window";
// Asks the window's own thread to destroy it (DestroyWindow works only there).
const UINT kDestroyMessage = WM_USER + 0x4d56;

// The newest picture of one window, and where its input goes.
struct Picture {
  std::mutex mutex;
  std::vector<unsigned char> bgra;  // guarded by mutex
  int width = 0, height = 0;        // guarded by mutex
  CefRefPtr<CefBrowserHost> input;  // set at creation, then only read
  bool tracking_leave = false;      // the window's thread only
};

// Windows we made and have not destroyed; any thread, under the mutex.
std::mutex& WindowsMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<HWND, std::shared_ptr<Picture>>& Windows() {
  static std::map<HWND, std::shared_ptr<Picture>> windows;
  return windows;
}

std::shared_ptr<Picture> PictureOf(HWND window) {
  std::lock_guard<std::mutex> lock(WindowsMutex());
  auto it = Windows().find(window);
  return it == Windows().end() ? nullptr : it->second;
}

void PaintPicture(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  std::shared_ptr<Picture> picture = PictureOf(window);
  bool painted = false;
  if (picture) {
    std::lock_guard<std::mutex> lock(picture->mutex);
    if (picture->width > 0 && picture->height > 0) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = picture->width;
      info.bmiHeader.biHeight = -picture->height;  // top row first
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetStretchBltMode(dc, COLORONCOLOR);
      painted = StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, picture->width, picture->height,
                              picture->bgra.data(), &info, DIB_RGB_COLORS, SRCCOPY) != 0;
    }
  }
  if (!painted) FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EndPaint(window, &paint);
}

bool Held(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }
bool Toggled(int vk) { return (GetKeyState(vk) & 0x0001) != 0; }

uint32_t HeldModifiers() {
  uint32_t flags = 0;
  if (Held(VK_SHIFT)) flags |= EVENTFLAG_SHIFT_DOWN;
  if (Held(VK_CONTROL)) flags |= EVENTFLAG_CONTROL_DOWN;
  if (Held(VK_MENU)) flags |= EVENTFLAG_ALT_DOWN;
  if (Toggled(VK_CAPITAL)) flags |= EVENTFLAG_CAPS_LOCK_ON;
  if (Toggled(VK_NUMLOCK)) flags |= EVENTFLAG_NUM_LOCK_ON;
  return flags;
}

// The IME's finished text goes to the page whole; a composition in progress stays the IME's.
bool CommitImeResult(HWND window, LPARAM lParam, CefBrowserHost* input) {
  if (!(lParam & GCS_RESULTSTR)) return false;
  HIMC context = ImmGetContext(window);
  if (!context) return false;
  std::wstring text;
  const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
  if (bytes > 0) {
    text.resize(static_cast<size_t>(bytes) / sizeof(wchar_t));
    ImmGetCompositionStringW(context, GCS_RESULTSTR, &text[0], static_cast<DWORD>(bytes));
  }
  ImmReleaseContext(window, context);
  if (!text.empty()) input->ImeCommitText(text, CefRange(UINT32_MAX, UINT32_MAX), 0);
  return true;
}

// Input messages: true when handled.
bool ForwardInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<Picture> state = PictureOf(window);
  if (!state || !state->input) return false;
  CefBrowserHost* input = state->input.get();
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      input->SendFocusEvent(message == WM_SETFOCUS);
      return false;  // the default handling too
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) input->SendCaptureLostEvent();
      return true;
    case WM_MOUSELEAVE: {
      state->tracking_leave = false;
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(window, &at);
      CefMouseEvent event;
      event.x = at.x;
      event.y = at.y;
      event.modifiers = HeldModifiers();
      input->SendMouseMoveEvent(event, true);
      return true;
    }
    case WM_IME_COMPOSITION:
      // Handled here, the IME sends no WM_IME_CHAR (and so no WM_CHAR) for the same text.
      return CommitImeResult(window, lParam, input);
    default:
      break;
  }
  POINT origin = {0, 0};
  if (message == kWmMouseWheel || message == kWmMouseHWheel) ClientToScreen(window, &origin);
  const WindowInput in = TranslateWindowMessage(message, static_cast<uint64_t>(wParam),
                                                static_cast<int64_t>(lParam), HeldModifiers(), origin.x, origin.y);
  switch (in.kind) {
    case WindowInput::Kind::kNone:
      return false;
    case WindowInput::Kind::kMouseMove:
      if (!state->tracking_leave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        state->tracking_leave = TrackMouseEvent(&track) != 0;
      }
      input->SendMouseMoveEvent(in.mouse, false);
      return true;
    case WindowInput::Kind::kMouseClick:
      if (!in.mouse_up) {
        // Keys follow the click, and so does the pointer while a button is held.
        if (GetFocus() != window) SetFocus(window);
        SetCapture(window);
      }
      input->SendMouseClickEvent(in.mouse, in.button, in.mouse_up, in.click_count);
      // After the release is sent: losing capture releases what is still held.
      if (in.mouse_up && GetCapture() == window) ReleaseCapture();
      return true;
    case WindowInput::Kind::kMouseWheel:
      input->SendMouseWheelEvent(in.mouse, in.delta_x, in.delta_y);
      return true;
    case WindowInput::Kind::kKey:
      input->SendKeyEvent(in.key);
      // System keys keep their meaning to Windows (Alt+F4, the menu).
      return !in.key.is_system_key;
  }
  return false;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ForwardInput(window, message, wParam, lParam)) return 0;
  switch (message) {
    case WM_PAINT:
      PaintPicture(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case kDestroyMessage:
      DestroyWindow(window);
      return 0;
    case WM_NCDESTROY: {
      std::lock_guard<std::mutex> lock(WindowsMutex());
      Windows().erase(window);
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The module our code is in (the game's DLL), whose class the windows are of.
HINSTANCE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&WindowProc), &module);
  return module;
}

bool RegisterWindowClass(HINSTANCE instance) {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [instance] {
    WNDCLASSW window_class{};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = &WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = kClassName;
    registered = RegisterClassW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered;
}

}  // namespace

CefWindowHandle CreateChildWindow(CefWindowHandle parent, int x, int y, int width, int height,
                                  CefRefPtr<CefBrowserHost> input) {
  HWND parent_window = reinterpret_cast<HWND>(parent);
  if (!parent_window || !IsWindow(parent_window)) return kNullWindowHandle;
  const HINSTANCE instance = OwnModule();
  if (!RegisterWindowClass(instance)) return kNullWindowHandle;
  HWND window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, x, y,
                                width > 0 ? width : 0, height > 0 ? height : 0, parent_window, nullptr, instance,
                                nullptr);
  if (!window) return kNullWindowHandle;
  auto state = std::make_shared<Picture>();
  state->input = input;
  std::lock_guard<std::mutex> lock(WindowsMutex());
  Windows()[window] = state;
  return reinterpret_cast<CefWindowHandle>(window);
}

void DestroyChildWindow(CefWindowHandle handle) {
  HWND window = reinterpret_cast<HWND>(handle);
  {
    std::lock_guard<std::mutex> lock(WindowsMutex());
    if (!Windows().erase(window)) return;  // not ours, or gone with its parent
  }
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(window);
  } else {
    PostMessageW(window, kDestroyMessage, 0, 0);
  }
}

void PaintChildWindow(CefWindowHandle handle, const void* bgra, int width, int height) {
  HWND window = reinterpret_cast<HWND>(handle);
  std::shared_ptr<Picture> picture = PictureOf(window);
  if (!picture || width <= 0 || height <= 0) return;
  {
    std::lock_guard<std::mutex> lock(picture->mutex);
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    picture->bgra.resize(bytes);
    std::memcpy(picture->bgra.data(), bgra, bytes);
    picture->width = width;
    picture->height = height;
  }
  InvalidateRect(window, nullptr, FALSE);
}

}  // namespace chromium
}  // namespace mvengine
