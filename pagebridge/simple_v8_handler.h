// Serves the functions the page bridge installs on every window. Runs on the renderer thread and
// keeps no state: every call stands alone.
#pragma once

#include "include/cef_v8.h"

class SimpleV8JSHandler : public CefV8Handler {
 public:
  SimpleV8JSHandler() {}

  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) OVERRIDE;

 private:
  IMPLEMENT_REFCOUNTING(SimpleV8JSHandler);
};
