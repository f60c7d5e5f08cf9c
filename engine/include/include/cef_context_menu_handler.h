#ifndef CEF_INCLUDE_CEF_CONTEXT_MENU_HANDLER_H_
#define CEF_INCLUDE_CEF_CONTEXT_MENU_HANDLER_H_
#pragma once

#include <vector>

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_menu_model.h"

class CefContextMenuParams;

class CefRunContextMenuCallback : public virtual CefBase {
 public:
  typedef cef_event_flags_t EventFlags;

  virtual void Continue(int command_id, EventFlags event_flags) = 0;
  virtual void Cancel() = 0;
};

class CefContextMenuHandler : public virtual CefBase {
 public:
  typedef cef_event_flags_t EventFlags;

  // Clearing the model shows no menu.
  virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {}
  virtual bool RunContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model,
                              CefRefPtr<CefRunContextMenuCallback> callback) {
    return false;
  }
  virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefContextMenuParams> params, int command_id,
                                    EventFlags event_flags) {
    return false;
  }
  virtual void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {}
};

// What was under the pointer when the menu was asked for.
class CefContextMenuParams : public virtual CefBase {
 public:
  typedef cef_context_menu_type_flags_t TypeFlags;
  typedef cef_context_menu_media_type_t MediaType;
  typedef cef_context_menu_media_state_flags_t MediaStateFlags;
  typedef cef_context_menu_edit_state_flags_t EditStateFlags;

  virtual int GetXCoord() = 0;
  virtual int GetYCoord() = 0;
  virtual TypeFlags GetTypeFlags() = 0;
  virtual CefString GetLinkUrl() = 0;
  virtual CefString GetUnfilteredLinkUrl() = 0;
  virtual CefString GetSourceUrl() = 0;
  virtual bool HasImageContents() = 0;
  virtual CefString GetPageUrl() = 0;
  virtual CefString GetFrameUrl() = 0;
  virtual CefString GetFrameCharset() = 0;
  virtual MediaType GetMediaType() = 0;
  virtual MediaStateFlags GetMediaStateFlags() = 0;
  virtual CefString GetSelectionText() = 0;
  virtual CefString GetMisspelledWord() = 0;
  virtual bool GetDictionarySuggestions(std::vector<CefString>& suggestions) = 0;
  virtual bool IsEditable() = 0;
  virtual bool IsSpellCheckEnabled() = 0;
  virtual EditStateFlags GetEditStateFlags() = 0;
  virtual bool IsCustomMenu() = 0;
  virtual bool IsPepperMenu() = 0;
};

#endif  // CEF_INCLUDE_CEF_CONTEXT_MENU_HANDLER_H_
