#ifndef CEF_INCLUDE_CEF_STRING_VISITOR_H_
#define CEF_INCLUDE_CEF_STRING_VISITOR_H_
#pragma once

#include "include/cef_base.h"

// Receives a string computed asynchronously by the engine.
class CefStringVisitor : public virtual CefBase {
 public:
  virtual void Visit(const CefString& string) = 0;
};

#endif  // CEF_INCLUDE_CEF_STRING_VISITOR_H_
