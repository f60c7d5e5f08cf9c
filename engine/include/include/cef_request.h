#ifndef CEF_INCLUDE_CEF_REQUEST_H_
#define CEF_INCLUDE_CEF_REQUEST_H_
#pragma once

#include "include/cef_base.h"

// A navigation request; only named in signatures here.
class CefRequest : public virtual CefBase {
 public:
  virtual bool IsReadOnly() { return true; }
  virtual CefString GetURL() { return CefString(); }
  virtual CefString GetMethod() { return CefString(); }
};

#endif  // CEF_INCLUDE_CEF_REQUEST_H_
