#ifndef CEF_INCLUDE_CEF_FRAME_H_
#define CEF_INCLUDE_CEF_FRAME_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_dom.h"
#include "include/cef_request.h"
#include "include/cef_stream.h"
#include "include/cef_string_visitor.h"

class CefBrowser;
class CefV8Context;

// A frame of a browser. Browser-side and render-side frame objects are
// distinct but share the identifier.
class CefFrame : public virtual CefBase {
 public:
  virtual bool IsValid() = 0;
  virtual void Undo() {}
  virtual void Redo() {}
  virtual void Cut() {}
  virtual void Copy() {}
  virtual void Paste() {}
  virtual void Delete() {}
  virtual void SelectAll() {}
  virtual void ViewSource() {}
  virtual void GetSource(CefRefPtr<CefStringVisitor> visitor) {}
  // Asynchronous: the visitor receives the frame's display text on the UI thread.
  virtual void GetText(CefRefPtr<CefStringVisitor> visitor) = 0;
  virtual void LoadRequest(CefRefPtr<CefRequest> request) {}
  virtual void LoadURL(const CefString& url) = 0;
  // <windows.h> renames this to LoadStringW/LoadStringA on Windows; callers
  // see the same macro, so the call still binds.
  virtual void LoadString(const CefString& string_val, const CefString& url) = 0;
  virtual void ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {}
  virtual bool IsMain() = 0;
  virtual bool IsFocused() { return false; }
  virtual CefString GetName() { return CefString(); }
  virtual int64 GetIdentifier() = 0;
  virtual CefRefPtr<CefFrame> GetParent() { return NULL; }
  virtual CefString GetURL() { return CefString(); }
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  // Render process only; NULL elsewhere or before the frame has a context.
  virtual CefRefPtr<CefV8Context> GetV8Context() = 0;
  virtual void VisitDOM(CefRefPtr<CefDOMVisitor> visitor) {}
};

#endif  // CEF_INCLUDE_CEF_FRAME_H_
