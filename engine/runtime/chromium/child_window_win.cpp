// Windowed browsers' windows on Windows: a real child window of the game's window, painted with
// the page's frames by GDI. The window belongs to the thread that created it (the game's, which
// pumps its messages); frames arrive on the engine's UI thread and are handed over under a lock.
#include "engine/runtime/chromium/child_window.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace mvengine {
namespace chromium {

namespace {

const wchar_t kClassName[] = L"mvcef browser window";
// Asks the window's own thread to destroy it (DestroyWindow works only there).
const UINT kDestroyMessage = WM_USER + 0x4d56;

// The newest picture of one window.
struct Picture {
  std::mutex mutex;
  std::vector<unsigned char> bgra;  // guarded by mutex
  int width = 0, height = 0;        // guarded by mutex
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

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

CefWindowHandle CreateChildWindow(CefWindowHandle parent, int x, int y, int width, int height) {
  HWND parent_window = reinterpret_cast<HWND>(parent);
  if (!parent_window || !IsWindow(parent_window)) return kNullWindowHandle;
  const HINSTANCE instance = OwnModule();
  if (!RegisterWindowClass(instance)) return kNullWindowHandle;
  HWND window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, x, y,
                                width > 0 ? width : 0, height > 0 ? height : 0, parent_window, nullptr, instance,
                                nullptr);
  if (!window) return kNullWindowHandle;
  std::lock_guard<std::mutex> lock(WindowsMutex());
  Windows()[window] = std::make_shared<Picture>();
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
