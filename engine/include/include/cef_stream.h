#ifndef CEF_INCLUDE_CEF_STREAM_H_
#define CEF_INCLUDE_CEF_STREAM_H_
#pragma once

#include "include/cef_base.h"

class CefStreamReader : public virtual CefBase {
 public:
  virtual size_t Read(void* ptr, size_t size, size_t n) = 0;
};

#endif  // CEF_INCLUDE_CEF_STREAM_H_
