// The input exports: the host's Win32 mouse, focus, key and IME messages become the engine's
// events for the current handler's browser. Host thread only (the thread owning the handler
// window), which is also whose capture, focus and key state the Win32 calls see.
#include <string>
#include <vector>

#include <windows.h>
// imm.h needs the types of windows.h first.
#include <imm.h>

#include "include/cef_browser.h"
#include "mvcefdll/input_rules.h"
#include "mvcefdll/library_state.h"
#include "mvcefdll/mvcefdll.h"
#include "mvcefdll/simple_handler.h"

namespace {

SimpleHandler* Current() { return mvcef::State().current.get(); }

CefRefPtr<CefBrowserHost> CurrentHost() {
  SimpleHandler* handler = Current();
  CefRefPtr<CefBrowser> browser = handler ? handler->GetBrowser() : nullptr;
  return browser ? browser->GetHost() : nullptr;
}

bool KeyHeld(int vk) { return (static_cast<unsigned short>(GetKeyState(vk)) & 0x8000u) != 0; }
bool KeyToggled(int vk) { return (static_cast<unsigned short>(GetKeyState(vk)) & 0x0001u) != 0; }

uint32_t LiveMouseModifiers(WPARAM wParam) {
  return mvcef::MouseModifiers(wParam, KeyHeld(VK_MENU), KeyToggled(VK_NUMLOCK), KeyToggled(VK_CAPITAL));
}

CefMouseEvent MouseEventAt(int x, int y, uint32_t modifiers) {
  CefMouseEvent event;
  event.x = x;
  event.y = y;
  event.modifiers = modifiers;
  return event;
}

// The IME's finished text; nothing when it has none. The ANSI length bounds the UTF-16 length,
// so n + 2 units always hold the whole string and its terminator.
bool ReadImeResult(HIMC context, CefString* text) {
  const LONG n = ImmGetCompositionStringA(context, GCS_RESULTSTR, nullptr, 0);
  if (n <= 0) return false;
  std::vector<WCHAR> buffer(static_cast<size_t>(n) + 2, 0);
  ImmGetCompositionStringW(context, GCS_RESULTSTR, buffer.data(),
                           static_cast<DWORD>(buffer.size() * sizeof(WCHAR)));
  buffer.back() = 0;  // whatever the IME wrote, the text ends inside the buffer
  *text = CefString(std::wstring(buffer.data()));
  return true;
}

}  // namespace

extern "C" {

void MVCEF_CALL fnmvPackCefDllSendWMButtonDown(UINT message, WPARAM wParam, LPARAM lParam, int offsetX,
                                               int offsetY) {
  SimpleHandler* handler = Current();
  if (!mvcef::State().instance || !handler) return;
  // Capture and focus follow the press even before the browser exists.
  SetCapture(handler->host_window());
  SetFocus(handler->host_window());
  const cef_mouse_button_type_t button = mvcef::ButtonForPress(message);
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (!host) return;
  host->SendMouseClickEvent(MouseEventAt(mvcef::LessOffset(mvcef::XFromLParam(lParam), offsetX),
                                         mvcef::LessOffset(mvcef::YFromLParam(lParam), offsetY), LiveMouseModifiers(wParam)),
                            button, false, 1);
}

void MVCEF_CALL fnmvPackCefDllSendDWMButtonUp(UINT message, WPARAM wParam, LPARAM lParam, int offsetX,
                                              int offsetY) {
  SimpleHandler* handler = Current();
  if (!handler) return;
  if (GetCapture() == handler->host_window()) ReleaseCapture();
  const cef_mouse_button_type_t button = mvcef::ButtonForRelease(message);
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (!host) return;
  // A release carries no modifiers at all.
  host->SendMouseClickEvent(
      MouseEventAt(mvcef::LessOffset(mvcef::XFromLParam(lParam), offsetX), mvcef::LessOffset(mvcef::YFromLParam(lParam), offsetY), 0), button, true, 1);
}

void MVCEF_CALL fnmvPackCefDllSendWMMouseMove(UINT message, WPARAM wParam, LPARAM lParam, int offsetX,
                                              int offsetY) {
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (!host) return;
  host->SendMouseMoveEvent(MouseEventAt(mvcef::LessOffset(mvcef::XFromLParam(lParam), offsetX), mvcef::LessOffset(mvcef::YFromLParam(lParam), offsetY),
                                        LiveMouseModifiers(wParam)),
                           false);
}

void MVCEF_CALL fnmvPackCefDllSendSendWMMouseLeave(UINT message, WPARAM wParam) {
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (!host) return;
  host->SendMouseMoveEvent(MouseEventAt(0, 0, LiveMouseModifiers(wParam)), true);
}

void MVCEF_CALL fnmvPackCefDllSendWMMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, int offsetX,
                                               int offsetY) {
  SimpleHandler* handler = Current();
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (!handler || !host) return;
  // Wheel positions are screen coordinates; only a wheel over the handler window itself counts.
  POINT point = {mvcef::LessOffset(mvcef::XFromLParam(lParam), offsetX), mvcef::LessOffset(mvcef::YFromLParam(lParam), offsetY)};
  if (WindowFromPoint(point) != handler->host_window()) return;
  ScreenToClient(handler->host_window(), &point);
  const int delta = mvcef::WheelDelta(wParam);
  const CefMouseEvent event = MouseEventAt(point.x, point.y, LiveMouseModifiers(wParam));
  if (KeyHeld(VK_SHIFT)) {
    host->SendMouseWheelEvent(event, delta, 0);
  } else {
    host->SendMouseWheelEvent(event, 0, delta);
  }
}

void MVCEF_CALL fnmvPackCefDllSendWMFocus(UINT message) {
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (host) host->SendFocusEvent(mvcef::FocusGained(message));
}

void MVCEF_CALL fnmvPackCefDllSendSendWMCancel() {
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (host) host->SendCaptureLostEvent();
}

void MVCEF_CALL fnmvPackCefDllSendSendKeyEvent(UINT message, WPARAM wParam, LPARAM lParam) {
  CefKeyEvent event;
  event.type = mvcef::KeyEventTypeFor(message);
  event.is_system_key = mvcef::IsSystemKeyMessage(message) ? 1 : 0;
  event.windows_key_code = static_cast<int>(wParam);
  event.native_key_code = static_cast<int>(lParam);
  event.modifiers = mvcef::KeyModifiers(mvcef::ReadKeyState(GetKeyState), wParam, lParam);
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (host) host->SendKeyEvent(event);
}

void MVCEF_CALL fnmvPackCefDllImeComposition(UINT message, WPARAM wParam, LPARAM lParam) {
  SimpleHandler* handler = Current();
  if (!handler || !handler->GetBrowser()) return;
  const HWND window = handler->host_window();
  const HIMC context = ImmGetContext(window);
  if (!context) return;
  CefString text;
  // Commit-only: text still being composed stays in the IME's own window.
  if ((lParam & GCS_RESULTSTR) && ReadImeResult(context, &text)) {
    CefRefPtr<CefBrowserHost> host = CurrentHost();
    if (host) host->ImeCommitText(text, CefRange(0xFFFFFFFF, 0xFFFFFFFF), 0);
  }
  ImmReleaseContext(window, context);
}

void MVCEF_CALL fnmvPackCefDllImeCancelComposition() {
  CefRefPtr<CefBrowserHost> host = CurrentHost();
  if (host) host->ImeCancelComposition();
}

}  // extern "C"
