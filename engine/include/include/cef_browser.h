#ifndef CEF_INCLUDE_CEF_BROWSER_H_
#define CEF_INCLUDE_CEF_BROWSER_H_
#pragma once

#include <vector>

#include "include/cef_base.h"
#include "include/cef_drag_data.h"
#include "include/cef_frame.h"
#include "include/cef_navigation_entry.h"
#include "include/cef_process_message.h"
#include "include/cef_request_context.h"

class CefBrowserHost;
class CefClient;

// A browser. Methods are callable on any thread of the process that holds the
// object; navigation state getters report the last state the engine announced.
class CefBrowser : public virtual CefBase {
 public:
  virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
  virtual bool CanGoBack() = 0;
  virtual void GoBack() = 0;
  virtual bool CanGoForward() = 0;
  virtual void GoForward() = 0;
  virtual bool IsLoading() = 0;
  virtual void Reload() = 0;
  virtual void ReloadIgnoreCache() { Reload(); }
  virtual void StopLoad() {}
  virtual int GetIdentifier() = 0;
  virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
  virtual bool IsPopup() { return false; }
  virtual bool HasDocument() { return true; }
  virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
  virtual CefRefPtr<CefFrame> GetFocusedFrame() { return GetMainFrame(); }
  virtual CefRefPtr<CefFrame> GetFrame(int64 identifier) = 0;
  virtual CefRefPtr<CefFrame> GetFrame(const CefString& name) { return NULL; }
  virtual size_t GetFrameCount() = 0;
  virtual void GetFrameIdentifiers(std::vector<int64>& identifiers) = 0;
  virtual void GetFrameNames(std::vector<CefString>& names) {}
  // The message belongs to the engine afterwards.
  virtual bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) = 0;
};

class CefNavigationEntryVisitor : public virtual CefBase {
 public:
  virtual bool Visit(CefRefPtr<CefNavigationEntry> entry, bool current, int index, int total) = 0;
};

// The browser-process side of a browser. Browser process only.
class CefBrowserHost : public virtual CefBase {
 public:
  typedef cef_drag_operations_mask_t DragOperationsMask;
  typedef cef_file_dialog_mode_t FileDialogMode;
  typedef cef_mouse_button_type_t MouseButtonType;
  typedef cef_paint_element_type_t PaintElementType;

  // Asynchronous: the client's life-span handler receives OnAfterCreated on the
  // engine's UI thread. request_context may be NULL.
  static bool CreateBrowser(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client, const CefString& url,
                            const CefBrowserSettings& settings, CefRefPtr<CefRequestContext> request_context);
  // Not supported by this engine (the UI thread is the engine's own): returns NULL.
  static CefRefPtr<CefBrowser> CreateBrowserSync(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                                 const CefString& url, const CefBrowserSettings& settings,
                                                 CefRefPtr<CefRequestContext> request_context);

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual void CloseBrowser(bool force_close) = 0;
  virtual void SetFocus(bool focus) {}
  virtual void SetWindowVisibility(bool visible) {}
  virtual CefWindowHandle GetWindowHandle() = 0;
  virtual CefWindowHandle GetOpenerWindowHandle() { return kNullWindowHandle; }
  virtual CefRefPtr<CefClient> GetClient() = 0;
  virtual CefRefPtr<CefRequestContext> GetRequestContext() { return NULL; }
  virtual double GetZoomLevel() = 0;
  virtual void SetZoomLevel(double zoomLevel) = 0;
  virtual void StartDownload(const CefString& url) {}
  virtual void Print() {}
  virtual void Find(int identifier, const CefString& searchText, bool forward, bool matchCase, bool findNext) {}
  virtual void StopFinding(bool clearSelection) {}
  virtual void ShowDevTools(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                            const CefBrowserSettings& settings, const CefPoint& inspect_element_at) {}
  virtual void CloseDevTools() {}
  virtual void GetNavigationEntries(CefRefPtr<CefNavigationEntryVisitor> visitor, bool current_only) {}
  virtual void SetMouseCursorChangeDisabled(bool disabled) {}
  virtual bool IsMouseCursorChangeDisabled() { return false; }
  virtual void ReplaceMisspelling(const CefString& word) {}
  virtual void AddWordToDictionary(const CefString& word) {}
  virtual bool IsWindowRenderingDisabled() = 0;
  virtual void WasResized() {}
  virtual void WasHidden(bool hidden) {}
  virtual void NotifyScreenInfoChanged() {}
  virtual void Invalidate(PaintElementType type) {}
  virtual void SendKeyEvent(const CefKeyEvent& event) = 0;
  virtual void SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp,
                                   int clickCount) = 0;
  virtual void SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) = 0;
  virtual void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) = 0;
  virtual void SendFocusEvent(bool setFocus) = 0;
  virtual void SendCaptureLostEvent() = 0;
  virtual void NotifyMoveOrResizeStarted() {}
  virtual int GetWindowlessFrameRate() { return 0; }
  virtual void SetWindowlessFrameRate(int frame_rate) {}
  // IME for windowless browsers.
  virtual void ImeSetComposition(const CefString& text, const std::vector<CefCompositionUnderline>& underlines,
                                 const CefRange& replacement_range, const CefRange& selection_range) = 0;
  virtual void ImeCommitText(const CefString& text, const CefRange& replacement_range,
                             int relative_cursor_pos) = 0;
  virtual void ImeFinishComposingText(bool keep_selection) = 0;
  virtual void ImeCancelComposition() = 0;
  virtual CefTextInputContext GetNSTextInputContext() { return NULL; }
  virtual void HandleKeyEventBeforeTextInputClient(CefEventHandle keyEvent) {}
  virtual void HandleKeyEventAfterTextInputClient(CefEventHandle keyEvent) {}
  virtual void DragTargetDragEnter(CefRefPtr<CefDragData> drag_data, const CefMouseEvent& event,
                                   DragOperationsMask allowed_ops) {}
  virtual void DragTargetDragOver(const CefMouseEvent& event, DragOperationsMask allowed_ops) {}
  virtual void DragTargetDragLeave() {}
  virtual void DragTargetDrop(const CefMouseEvent& event) {}
  virtual void DragSourceEndedAt(int x, int y, DragOperationsMask op) {}
  virtual void DragSourceSystemDragEnded() {}
};

#endif  // CEF_INCLUDE_CEF_BROWSER_H_
