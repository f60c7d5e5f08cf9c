#include "mvcefdll/simple_handler.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>

#include <shellapi.h>

#include "mvcefdll/error_page.h"
#include "mvcefdll/popup_policy.h"
#include "mvcefdll/source_string_visitor.h"
#include "pagebridge/process_messages.h"

namespace {

// "提示"
const wchar_t kDialogCaption[] = {0x63D0, 0x793A, 0};

static_assert(mvcef::kMaxBatchTextUnits == mvcef::kHostFieldSize - 1, "the render side sends what the field takes");

// Only as much as the host's field can take is converted: every UTF-16 unit gives at least one
// byte, so the queue's cut at a character boundary still has all it needs.
std::string HostFieldText(const CefString& text) {
  const size_t units = std::min(text.length(), mvcef::kHostFieldSize - 1);
  return CefString(text.c_str(), units, true).ToString();
}

// Says so on the 1st, 2nd, 4th, 8th, ... drop: a flood shows without flooding the log.
void ReportDropped(size_t dropped) {
  if ((dropped & (dropped - 1)) != 0) return;
  char line[160];
  std::snprintf(line, sizeof line, "mvcef: page message queue full (%u messages); %u dropped so far",
                static_cast<unsigned>(mvcef::HostMessageQueue::kMaxMessages), static_cast<unsigned>(dropped));
  OutputDebugStringA(line);
}

void ReportUngesturedPopupRefused(size_t refused) {
  if ((refused & (refused - 1)) != 0) return;
  char line[160];
  std::snprintf(line, sizeof line, "mvcef: popups without a gesture come too fast; %u not opened so far",
                static_cast<unsigned>(refused));
  OutputDebugStringA(line);
}

}  // namespace

SimpleHandler::SimpleHandler() = default;
SimpleHandler::~SimpleHandler() = default;

CefRefPtr<CefBrowser> SimpleHandler::GetBrowser() {
  std::lock_guard<mvcef::SpinFlag> hold(browser_flag_);
  return browser_;
}

void SimpleHandler::Close() {
  // The request is published before the browser is looked at; OnAfterCreated stores the browser
  // before it looks at the request. So at least one of the two sees both.
  close_requested_.store(true);
  if (CefRefPtr<CefBrowser> browser = GetBrowser()) CloseOnce(browser);
}

void SimpleHandler::CloseOnce(CefRefPtr<CefBrowser> browser) {
  if (close_sent_.exchange(true)) return;
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (host) host->CloseBrowser(true);
}

void SimpleHandler::SetViewRect(const RECT& rect) {
  // The right and bottom edges become width and height as they are: hosts pass a rectangle at
  // (0, 0) whose right and bottom are the view's size.
  view_rect_.x = rect.left;
  view_rect_.y = rect.top;
  view_rect_.width = rect.right;
  view_rect_.height = rect.bottom;
}

bool SimpleHandler::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                             CefRefPtr<CefProcessMessage> message) {
  if (!message) return false;
  const std::string name = message->GetName().ToString();
  CefRefPtr<CefListValue> args = message->GetArgumentList();

  if (name == mvcef::kMsgBatchUploadImg) {
    std::string value;
    if (args && args->GetType(0) == VTYPE_STRING) value = HostFieldText(args->GetString(0));
    if (!messages_.Push(mvcef::kHostMsgBatchUploadImg, std::move(value))) ReportDropped(messages_.dropped());
    return true;
  }

  if (name == mvcef::kMsgInitUploadIsDone) {
    CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create(mvcef::kMsgInitUploadIsDoneEx);
    CefRefPtr<CefListValue> out = reply->GetArgumentList();
    out->SetInt(0, args ? args->GetInt(0) : 0);
    out->SetInt(1, args ? args->GetInt(1) : 0);
    // Report and clear in one step: a host write racing with this reply is kept for the next poll.
    out->SetBool(2, host_upload_done_.exchange(false));
    if (browser) browser->SendProcessMessage(PID_RENDERER, reply);
    return true;
  }
  return false;
}

bool SimpleHandler::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  const CefString& target_url, const CefString& target_frame_name,
                                  WindowOpenDisposition target_disposition, bool user_gesture,
                                  const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                                  CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                                  bool* no_javascript_access) {
  const std::string url = target_url.ToString();
  if (!mvcef::MayOpenInShell(url)) return true;
  if (!user_gesture && !ungestured_popups_.Take(mvcef::UngesturedPopupPace::Clock::now())) {
    ReportUngesturedPopupRefused(ungestured_popups_.refused());
    return true;
  }
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
  return true;  // never a popup browser of our own
}

void SimpleHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<CefBrowser> previous;
  {
    std::lock_guard<mvcef::SpinFlag> hold(browser_flag_);
    previous = browser_;
    browser_ = browser;
  }
  previous = nullptr;  // released outside the flag
  if (!browser) return;
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (!host) return;
  const CefWindowHandle window = host->GetWindowHandle();
  // A windowed browser stays hidden until its first load ends.
  if (window) ShowWindow(reinterpret_cast<HWND>(window), SW_HIDE);
  // The host closed it before it existed: nobody can reach it any more, so it must not run.
  if (close_requested_.load()) CloseOnce(browser);
}

void SimpleHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  if (!browser) return;
  CefRefPtr<CefBrowser> mine = GetBrowser();
  if (!mine || !browser->IsSame(mine)) return;
  std::lock_guard<mvcef::SpinFlag> hold(browser_flag_);
  if (browser_.get() == mine.get()) browser_ = nullptr;
}

void SimpleHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int httpStatusCode) {
  if (!browser) return;
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (host) {
    const CefWindowHandle window = host->GetWindowHandle();
    if (window && !close_requested_.load()) ShowWindow(reinterpret_cast<HWND>(window), SW_SHOWNORMAL);
    host->SetZoomLevel(zoom_level());
  }
  CefRefPtr<CefFrame> main = browser->GetMainFrame();
  if (main) main->GetText(new SourceStringVistor(this));
}

void SimpleHandler::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                                const CefString& errorText, const CefString& failedUrl) {
  if (errorCode == ERR_ABORTED || !frame) return;
  const std::string html =
      mvcef::ErrorPageHtml(failedUrl.ToString(), errorText.ToString(), static_cast<int>(errorCode));
  frame->LoadString(CefString(html), failedUrl);
}

void SimpleHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                        CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {
  if (model) model->Clear();
}

bool SimpleHandler::OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                               const CefString& accept_lang, JSDialogType dialog_type,
                               const CefString& message_text, const CefString& default_prompt_text,
                               CefRefPtr<CefJSDialogCallback> callback, bool& suppress_message) {
  const std::wstring text = message_text.ToWString();
  switch (dialog_type) {
    case JSDIALOGTYPE_ALERT:
      MessageBoxW(host_window_, text.c_str(), kDialogCaption, MB_TOPMOST);
      suppress_message = true;
      return false;
    case JSDIALOGTYPE_CONFIRM: {
      const int answer = MessageBoxW(host_window_, text.c_str(), kDialogCaption, MB_TOPMOST | MB_OKCANCEL);
      if (callback) callback->Continue(answer == IDOK, CefString());
      suppress_message = false;
      return true;
    }
    default:
      return false;  // prompts keep the engine's own handling
  }
}

bool SimpleHandler::GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) {
  rect = view_rect_;
  return true;
}

bool SimpleHandler::GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY, int& screenX,
                                   int& screenY) {
  screenX = viewX;
  screenY = viewY;
  return true;
}

bool SimpleHandler::GetScreenInfo(CefRefPtr<CefBrowser> browser, CefScreenInfo& screen_info) {
  screen_info.rect.width = GetSystemMetrics(SM_CXSCREEN);
  screen_info.rect.height = GetSystemMetrics(SM_CYSCREEN);
  screen_info.available_rect = screen_info.rect;
  return true;
}

void SimpleHandler::OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& dirtyRects,
                            const void* buffer, int width, int height) {
  if (type != PET_VIEW) return;  // drop-down widgets never reach the host
  frames_.Store(buffer, width, height);
}
