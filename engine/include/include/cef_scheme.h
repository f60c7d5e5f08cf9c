#ifndef CEF_INCLUDE_CEF_SCHEME_H_
#define CEF_INCLUDE_CEF_SCHEME_H_
#pragma once

#include "include/cef_base.h"

// Registers custom schemes while the engine starts. This engine registers none.
class CefSchemeRegistrar : public virtual CefBase {
 public:
  virtual bool AddCustomScheme(const CefString& scheme_name, bool is_standard, bool is_local,
                               bool is_display_isolated) = 0;
};

#endif  // CEF_INCLUDE_CEF_SCHEME_H_
