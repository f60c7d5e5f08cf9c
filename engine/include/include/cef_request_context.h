#ifndef CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
#define CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
#pragma once

#include "include/cef_base.h"

// Every browser of this engine uses the global context; callers pass NULL.
class CefRequestContext : public virtual CefBase {
 public:
  virtual bool IsGlobal() { return true; }
};

#endif  // CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
