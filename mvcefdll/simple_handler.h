// The engine client of one browser: answers the engine's callbacks and keeps the state the
// exports need.
//
// Threads: every engine callback runs on the engine's UI thread; the exports call in on the host
// thread. Field by field:
//   browser_         written on the UI thread (OnAfterCreated/OnBeforeClose), read on the host
//                    thread through GetBrowser(); guarded by browser_flag_.
//   host_window_,
//   view_rect_       written once by the host thread before the browser exists, then read-only.
//   zoom_level_      written on the host thread, read on the UI thread at load end (atomic).
//   host_upload_done_ written on the host thread, reported and cleared on the UI thread by one
//                    atomic exchange, so a host write between report and clear is never lost.
//   close_requested_ set on the host thread, read on the UI thread; close_sent_ makes sure
//                    whichever thread sees both the close and the browser closes it, once.
//   frames_          one painter (UI thread), one reader (host thread); see FrameBuffer.
//   messages_        one producer (UI thread), one consumer (host thread); see HostMessageQueue.
//   page_text_       written on the UI thread, read and emptied on the host thread; see PageTextSlot.
//   ungestured_popups_ UI thread only (OnBeforePopup).
#pragma once

#include <atomic>

#include <windows.h>

#include "include/cef_client.h"
#include "mvcefdll/frame_buffer.h"
#include "mvcefdll/host_message_queue.h"
#include "mvcefdll/page_text.h"
#include "mvcefdll/popup_policy.h"
#include "mvcefdll/spin_flag.h"

class SimpleHandler : public CefClient,
                      public CefDisplayHandler,
                      public CefLifeSpanHandler,
                      public CefLoadHandler,
                      public CefContextMenuHandler,
                      public CefJSDialogHandler,
                      public CefKeyboardHandler,
                      public CefRenderHandler {
 public:
  SimpleHandler();
  ~SimpleHandler();

  // A new reference to the browser, or null before OnAfterCreated and after OnBeforeClose.
  CefRefPtr<CefBrowser> GetBrowser();

  // Host thread: force-closes the browser, now or, when the engine has not delivered it yet, as
  // soon as it does (it is then never shown).
  void Close();

  // Set once by the host thread before the browser is requested.
  void SetHostWindow(HWND window) { host_window_ = window; }
  HWND host_window() const { return host_window_; }
  void SetViewRect(const RECT& rect);
  CefRect view_rect() const { return view_rect_; }

  void SetZoomLevel(double level) { zoom_level_.store(level); }
  double zoom_level() const { return zoom_level_.load(); }

  void SetHostUploadDone(bool done) { host_upload_done_.store(done); }
  bool host_upload_done() const { return host_upload_done_.load(); }

  mvcef::FrameBuffer& frames() { return frames_; }
  mvcef::HostMessageQueue& messages() { return messages_; }
  mvcef::PageTextSlot& page_text() { return page_text_; }

  // CefClient
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() OVERRIDE { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() OVERRIDE { return this; }
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() OVERRIDE { return this; }
  CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() OVERRIDE { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() OVERRIDE { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() OVERRIDE { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() OVERRIDE { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) OVERRIDE;

  // CefLifeSpanHandler
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                     const CefString& target_frame_name, WindowOpenDisposition target_disposition,
                     bool user_gesture, const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     bool* no_javascript_access) OVERRIDE;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) OVERRIDE;
  bool RunModal(CefRefPtr<CefBrowser> browser) OVERRIDE { return false; }
  bool DoClose(CefRefPtr<CefBrowser> browser) OVERRIDE { return false; }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) OVERRIDE;

  // CefLoadHandler
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int httpStatusCode) OVERRIDE;
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                   const CefString& errorText, const CefString& failedUrl) OVERRIDE;

  // CefContextMenuHandler
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) OVERRIDE;

  // CefJSDialogHandler
  bool OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url, const CefString& accept_lang,
                  JSDialogType dialog_type, const CefString& message_text,
                  const CefString& default_prompt_text, CefRefPtr<CefJSDialogCallback> callback,
                  bool& suppress_message) OVERRIDE;

  // CefRenderHandler
  bool GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) OVERRIDE { return false; }
  bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) OVERRIDE;
  bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY, int& screenX,
                      int& screenY) OVERRIDE;
  bool GetScreenInfo(CefRefPtr<CefBrowser> browser, CefScreenInfo& screen_info) OVERRIDE;
  void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& dirtyRects,
               const void* buffer, int width, int height) OVERRIDE;

 private:
  HWND host_window_ = nullptr;
  CefRect view_rect_;
  std::atomic<double> zoom_level_{1.0};
  std::atomic<bool> host_upload_done_{false};

  std::atomic<bool> close_requested_{false};
  std::atomic<bool> close_sent_{false};

  mvcef::SpinFlag browser_flag_;
  CefRefPtr<CefBrowser> browser_;

  void CloseOnce(CefRefPtr<CefBrowser> browser);

  mvcef::FrameBuffer frames_;
  mvcef::HostMessageQueue messages_;
  mvcef::PageTextSlot page_text_;
  mvcef::UngesturedPopupPace ungestured_popups_;  // UI thread

  IMPLEMENT_REFCOUNTING(SimpleHandler);
};
