// The plain exports of life cycle, navigation, page data and frames. Each checks its
// preconditions and otherwise hands over to the class members or the current handler.
#include <cmath>
#include <cstring>

#include "include/cef_process_message.h"
#include "mvcefdll/library_state.h"
#include "mvcefdll/mvcefdll.h"
#include "mvcefdll/simple_handler.h"
#include "mvcefdll/zoom.h"
#include "pagebridge/process_messages.h"

using mvcef::State;

namespace {

bool HasInstance() { return State().instance != nullptr; }

SimpleHandler* Current() { return State().current.get(); }

}  // namespace

extern "C" {

int MVCEF_CALL fnmvPackCefDllInitializeCef(HINSTANCE instance, bool clientMode) {
  // The instance only marks that initialisation was asked for; an earlier one is kept rather
  // than leaked on a repeated call.
  if (!State().instance) State().instance = new CmvPackCefDll();
  if (clientMode) {
    State().instance->InitializeClientCef(instance);
  } else {
    State().instance->InitializeCef(instance);
  }
  return 1;
}

int MVCEF_CALL fnmvPackCefDllUninitializeCef() {
  mvcef::LibraryState& state = State();
  state.current = nullptr;
  state.registry.clear();
  if (state.instance) state.instance->UninitializeCef();
  return 1;
}

int MVCEF_CALL fnmvPackCefDllInitCefBrowserInApp(HWND parent, RECT rect, const char* url) {
  if (HasInstance()) State().instance->InitCefBrowserInApp(parent, rect, url);
  return 1;
}

int MVCEF_CALL fnmvPackCefDllCreateBrowser(RECT rect, const char* url, HWND handlerWindow, HWND parentWindow) {
  if (!HasInstance()) return 0;
  return State().instance->CreateBrowser(rect, url, handlerWindow, parentWindow);
}

void MVCEF_CALL fnmvPackCefDllSelectHandler(unsigned int browserId) {
  mvcef::LibraryState& state = State();
  auto it = state.registry.find(browserId);
  state.current = it != state.registry.end() ? it->second : nullptr;
}

int MVCEF_CALL fnmvPackCefDllDoClose() {
  if (HasInstance()) State().instance->DoClose();
  return 1;
}

int MVCEF_CALL fnmvPackCefDllGotoUrl(const char* url) {
  if (HasInstance()) State().instance->GotoUrl(url);
  return 0;
}

int MVCEF_CALL fnmvPackCefDllGoBack() {
  if (HasInstance()) State().instance->GoBack();
  return 1;
}

int MVCEF_CALL fnmvPackCefDllGoForward() {
  if (HasInstance()) State().instance->GoForward();
  return 1;
}

int MVCEF_CALL fnmvPackCefDllReload() {
  if (HasInstance() && Current()) State().instance->Reload();
  return 1;
}

void MVCEF_CALL fnmvPackCefDllDoZoom(int percent) {
  SimpleHandler* handler = Current();
  if (!HasInstance() || !handler) return;
  handler->SetZoomLevel(mvcef::ZoomLevelFromPercent(percent));
  // While a page loads the level waits for its load end, which applies it.
  CefRefPtr<CefBrowser> browser = handler->GetBrowser();
  if (!browser || browser->IsLoading()) return;
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (host) host->SetZoomLevel(handler->zoom_level());
}

bool MVCEF_CALL fnmvPackCefDLLGetSource(char* buffer, int* size) {
  SimpleHandler* handler = Current();
  if (!handler) return false;
  return handler->page_text().Read(buffer, size);
}

void MVCEF_CALL fnmvPackCefDllGetMsg(char* name, char* value) {
  SimpleHandler* handler = Current();
  // A message taken without a place to put it would be lost: it stays for a call that has both.
  if (!HasInstance() || !handler || !name || !value) return;
  std::string taken_name, taken_value;
  if (!handler->messages().Pop(&taken_name, &taken_value)) return;
  mvcef::CopyToHostField(taken_name, name);
  mvcef::CopyToHostField(taken_value, value);
}

bool MVCEF_CALL fnmvPackCefDllIsDirty() {
  SimpleHandler* handler = Current();
  return HasInstance() && handler && !handler->messages().Empty();
}

void MVCEF_CALL fnmvPackCefDllSetUploadIsDone(bool done) {
  SimpleHandler* handler = Current();
  if (!HasInstance() || !handler) return;
  // Hosts may pass any non-zero low byte for true; read the byte itself so that what is stored
  // and sent is a proper bool.
  unsigned char low_byte = 0;
  std::memcpy(&low_byte, &done, 1);
  const bool flag = low_byte != 0;
  handler->SetHostUploadDone(flag);
  CefRefPtr<CefBrowser> browser = handler->GetBrowser();
  if (!browser) return;
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(mvcef::kMsgSetUploadIsDone);
  message->GetArgumentList()->SetBool(0, flag);
  browser->SendProcessMessage(PID_RENDERER, message);
}

bool MVCEF_CALL fnmvPackCefDllGetBrowserHasNewFrame(int* width, int* height) {
  SimpleHandler* handler = Current();
  if (!handler) return false;
  int w = 0, h = 0;
  if (!handler->frames().Peek(&w, &h)) return false;
  if (width) *width = w;
  if (height) *height = h;
  return true;
}

void MVCEF_CALL fnmvPackCefDllGetBrowserRenderData(void* dest) {
  SimpleHandler* handler = Current();
  if (handler) handler->frames().Take(dest);
}

}  // extern "C"
