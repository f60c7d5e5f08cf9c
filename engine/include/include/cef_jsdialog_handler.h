#ifndef CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
#define CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefJSDialogCallback : public virtual CefBase {
 public:
  // success is OK/Cancel; user_input is the prompt's text.
  virtual void Continue(bool success, const CefString& user_input) = 0;
};

class CefJSDialogHandler : public virtual CefBase {
 public:
  typedef cef_jsdialog_type_t JSDialogType;

  // Return true when the callback will be (or was) run; false shows the
  // engine's default dialog (none in this engine: the dialog is dismissed).
  virtual bool OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url, const CefString& accept_lang,
                          JSDialogType dialog_type, const CefString& message_text,
                          const CefString& default_prompt_text, CefRefPtr<CefJSDialogCallback> callback,
                          bool& suppress_message) {
    return false;
  }
  virtual bool OnBeforeUnloadDialog(CefRefPtr<CefBrowser> browser, const CefString& message_text, bool is_reload,
                                    CefRefPtr<CefJSDialogCallback> callback) {
    return false;
  }
  virtual void OnResetDialogState(CefRefPtr<CefBrowser> browser) {}
  virtual void OnDialogClosed(CefRefPtr<CefBrowser> browser) {}
};

#endif  // CEF_INCLUDE_CEF_JSDIALOG_HANDLER_H_
