// USER32: windows, capture, focus, key state, hit tests, metrics, message boxes.
#include <windows.h>

#include <string>
#include <utility>

#include "model.h"
#include "text.h"

using mvw32::Id;
using mvw32::Model;
using mvw32::Window;

namespace {

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// Deepest visible window under `p` among `ids` (creation order: the last lies on top).
uintptr_t HitTest(Model& m, const std::vector<uintptr_t>& ids, POINT p) {
  for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
    const Window& w = m.windows[*it];
    if (!w.visible || !Contains(w.rect, p)) continue;
    const uintptr_t child = HitTest(m, w.children, p);
    return child != 0 ? child : *it;
  }
  return 0;
}

// Win32 refuses capture and focus for windows of other threads.
bool OwnedByCaller(const Window* w) { return w != nullptr && w->thread == mvw32::CurrentThreadId(); }

// Fills `*out` from hWnd's window with the model locked; FALSE for an unknown window or a null `out`.
template <typename Out, typename Fill>
BOOL FillFromWindow(HWND hwnd, Out* out, Fill fill) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = m.Find(hwnd);
  if (w == nullptr || out == nullptr) return FALSE;
  fill(*w, *out);
  return TRUE;
}

// Puts `hwnd` in a capture or focus slot; returns the window it held before.
HWND Exchange(uintptr_t& slot, HWND hwnd) { return mvw32::Handle(std::exchange(slot, Id(hwnd))); }

int ShowBox(HWND owner, std::string text, std::string caption, UINT type, bool ansi) {
  Model& m = Model::Get();
  mvw32_message_box_responder responder;
  void* user;
  {
    std::lock_guard<std::mutex> lock(m.mu);
    if (owner != nullptr && m.Find(owner) == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    responder = m.responder;
    user = m.responder_user;
  }
  const int result = responder != nullptr ? responder(user, owner, text.c_str(), caption.c_str(), type) : IDOK;
  mvw32::MessageBoxRecord record;
  record.info.owner = owner;
  record.info.type = type;
  record.info.result = result;
  record.info.ansi = ansi ? TRUE : FALSE;
  record.text = mvw32::RecordedText(std::move(text));
  record.caption = mvw32::RecordedText(std::move(caption));
  record.info.text_length = record.text.size();
  record.info.caption_length = record.caption.size();
  std::lock_guard<std::mutex> lock(m.mu);
  if (m.message_boxes.size() < mvw32::kMaxRecords) m.message_boxes.push_back(std::move(record));
  return result;
}

}  // namespace

extern "C" {

SHORT WINAPI GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 0xFF) return 0;
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const auto& keys = m.CurrentThread().keys;
  bool down = (keys[nVirtKey] & 0x80) != 0;
  // The generic modifier reads as down while either side is.
  const auto either = [&](int left, int right) { return ((keys[left] | keys[right]) & 0x80) != 0; };
  if (nVirtKey == VK_SHIFT) down = down || either(VK_LSHIFT, VK_RSHIFT);
  if (nVirtKey == VK_CONTROL) down = down || either(VK_LCONTROL, VK_RCONTROL);
  if (nVirtKey == VK_MENU) down = down || either(VK_LMENU, VK_RMENU);
  const uint16_t bits = static_cast<uint16_t>((down ? 0x8000 : 0) | (keys[nVirtKey] & 0x01));
  return static_cast<SHORT>(bits);
}

HWND WINAPI SetCapture(HWND hWnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  if (!OwnedByCaller(m.Find(hWnd))) return nullptr;
  return Exchange(m.CurrentThread().capture, hWnd);
}

HWND WINAPI GetCapture(void) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  return mvw32::Handle(m.CurrentThread().capture);
}

BOOL WINAPI ReleaseCapture(void) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  m.CurrentThread().capture = 0;
  return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  if (hWnd != nullptr && !OwnedByCaller(m.Find(hWnd))) {
    SetLastError(m.Find(hWnd) == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return Exchange(m.CurrentThread().focus, hWnd);
}

HWND WINAPI GetFocus(void) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  return mvw32::Handle(m.CurrentThread().focus);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hWnd);
  if (w == nullptr) return FALSE;
  const bool was_visible = w->visible;
  w->visible = nCmdShow != SW_HIDE;
  w->last_show = nCmdShow;
  return was_visible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  // Visible only when the window and every ancestor are.
  for (Window* w = m.Find(hWnd); w != nullptr; w = w->parent != 0 ? &m.windows[w->parent] : nullptr) {
    if (!w->visible) return FALSE;
    if (w->parent == 0) return TRUE;
  }
  return FALSE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  return m.Find(hWnd) != nullptr ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND hWnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = m.Find(hWnd);
  return w != nullptr ? mvw32::Handle(w->parent) : nullptr;
}

HWND WINAPI WindowFromPoint(POINT Point) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  return mvw32::Handle(HitTest(m, m.top_level, Point));
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  return FillFromWindow(hWnd, lpPoint, [](const Window& w, POINT& p) {
    p.x -= w.rect.left;
    p.y -= w.rect.top;
  });
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  return FillFromWindow(hWnd, lpPoint, [](const Window& w, POINT& p) {
    p.x += w.rect.left;
    p.y += w.rect.top;
  });
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  return FillFromWindow(hWnd, lpRect, [](const Window& w, RECT& r) { r = w.rect; });
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  return FillFromWindow(hWnd, lpRect, [](const Window& w, RECT& r) {
    r = RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
  });
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = m.Find(hWnd);
  if (w == nullptr) return 0;
  if (lpdwProcessId != nullptr) *lpdwProcessId = GetCurrentProcessId();
  return w->thread;
}

int WINAPI GetSystemMetrics(int nIndex) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  switch (nIndex) {
    case SM_CXSCREEN:
      return m.screen_width;
    case SM_CYSCREEN:
      return m.screen_height;
    default:
      return 0;
  }
}

int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  return ShowBox(hWnd, mvw32::Utf8FromWide(lpText != nullptr ? lpText : L""),
                 mvw32::Utf8FromWide(lpCaption != nullptr ? lpCaption : L""), uType, false);
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  return ShowBox(hWnd, lpText != nullptr ? lpText : "", lpCaption != nullptr ? lpCaption : "", uType, true);
}

}  // extern "C"
