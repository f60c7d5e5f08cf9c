#ifndef CEF_INCLUDE_CEF_PRINT_HANDLER_H_
#define CEF_INCLUDE_CEF_PRINT_HANDLER_H_
#pragma once

#include "include/cef_base.h"

class CefBrowser;

// Printing is not offered by this engine; the type exists for the handler getter.
class CefPrintHandler : public virtual CefBase {
 public:
  virtual void OnPrintStart(CefRefPtr<CefBrowser> browser) {}
};

#endif  // CEF_INCLUDE_CEF_PRINT_HANDLER_H_
