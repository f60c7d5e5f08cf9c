#ifndef CEF_INCLUDE_CEF_REQUEST_HANDLER_H_
#define CEF_INCLUDE_CEF_REQUEST_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

// Not offered by this engine; the type exists for CefClient's getter.
class CefRequestHandler : public virtual CefBase {
 public:
};

#endif  // CEF_INCLUDE_CEF_REQUEST_HANDLER_H_
