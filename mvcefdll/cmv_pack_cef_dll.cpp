// Browser creation, navigation and closing. The members hold no state of their own: every
// object of the class acts on the library-wide registry and current handler.
#include <cstring>
#include <string>

#include <windows.h>

#include "include/cef_browser.h"
#include "mvcefdll/library_state.h"
#include "mvcefdll/mvcefdll.h"
#include "mvcefdll/simple_handler.h"

namespace {

// Straight from the caller's text: an address may be a hundred megabytes.
CefString FromUtf8(const char* text) {
  CefString out;
  if (text) cef_string_utf8_to_utf16(text, std::strlen(text), out.GetWritableStruct());
  return out;
}

CefRefPtr<CefBrowser> CurrentBrowser() {
  CefRefPtr<SimpleHandler> current = mvcef::State().current;
  return current ? current->GetBrowser() : nullptr;
}

void AsChild(CefWindowInfo& info, HWND parent, const RECT& rect) {
#if defined(_WIN32)
  info.SetAsChild(parent, rect);
#else
  info.SetAsChild(reinterpret_cast<CefWindowHandle>(parent),
                  CefRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
#endif
}

}  // namespace

CmvPackCefDll::CmvPackCefDll() {}

CmvPackCefDll& CmvPackCefDll::operator=(const CmvPackCefDll&) { return *this; }

int CmvPackCefDll::CreateBrowser(RECT rect, const char* url, HWND handlerWindow, HWND parentWindow) {
  mvcef::LibraryState& state = mvcef::State();
  // After shutdown the engine cannot create browsers; 0 tells the host none was made.
  if (state.engine == mvcef::EngineState::kShutDown) return 0;

  CefRefPtr<SimpleHandler> handler = new SimpleHandler();

  CefWindowInfo window_info;
  if (parentWindow) {
    AsChild(window_info, parentWindow, rect);
  } else {
    window_info.SetAsWindowless(kNullWindowHandle, false);
  }
  CefBrowserSettings settings;
  settings.windowless_frame_rate = 30;

  handler->SetHostWindow(handlerWindow);
  handler->SetViewRect(rect);
  if (!CefBrowserHost::CreateBrowser(window_info, handler.get(), FromUtf8(url), settings, NULL)) {
    // No browser will come: an id would name a browser that never exists.
    OutputDebugStringA("mvcef: no browser created: the engine is not running (not started, browser gone, or shut down)");
    return 0;
  }

  const uint32_t id = state.next_browser_id++;
  state.registry[id] = handler;
  state.current = handler;
  return static_cast<int>(id);
}

void CmvPackCefDll::InitCefBrowserInApp(HWND parent, RECT rect, const char* url) {
  if (mvcef::State().engine == mvcef::EngineState::kShutDown) return;
  CefWindowInfo window_info;
  AsChild(window_info, parent, rect);
  CefRefPtr<SimpleHandler> handler = new SimpleHandler();
  CefBrowserSettings settings;
  // Only the engine holds this handler; nothing in the library reaches or closes the browser.
  CefBrowserHost::CreateBrowser(window_info, handler.get(), FromUtf8(url), settings, NULL);
}

void CmvPackCefDll::GotoUrl(const char* url) {
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (!browser) return;
  CefRefPtr<CefFrame> frame = browser->GetMainFrame();
  if (frame) frame->LoadURL(FromUtf8(url));
}

void CmvPackCefDll::GoBack() {
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (browser && browser->CanGoBack()) browser->GoBack();
}

void CmvPackCefDll::GoForward() {
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (browser && browser->CanGoForward()) browser->GoForward();
}

void CmvPackCefDll::Reload() {
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (browser) browser->Reload();
}

void CmvPackCefDll::DoClose() {
  mvcef::LibraryState& state = mvcef::State();
  CefRefPtr<SimpleHandler> current = state.current;
  if (!current) return;
  for (auto it = state.registry.begin(); it != state.registry.end(); ++it) {
    if (it->second.get() == current.get()) {
      state.registry.erase(it);
      break;
    }
  }
  state.current = nullptr;
  // Also before the engine has delivered the browser: no export could reach it afterwards.
  current->Close();
}
