#ifndef CEF_INCLUDE_CEF_RESOURCE_BUNDLE_HANDLER_H_
#define CEF_INCLUDE_CEF_RESOURCE_BUNDLE_HANDLER_H_
#pragma once

#include "include/cef_base.h"

class CefResourceBundleHandler : public virtual CefBase {
 public:
  virtual bool GetLocalizedString(int string_id, CefString& string) { return false; }
  virtual bool GetDataResource(int resource_id, void*& data, size_t& data_size) { return false; }
};

#endif  // CEF_INCLUDE_CEF_RESOURCE_BUNDLE_HANDLER_H_
