#ifndef CEF_INCLUDE_INTERNAL_CEF_PTR_H_
#define CEF_INCLUDE_INTERNAL_CEF_PTR_H_
#pragma once

#include "include/base/cef_build.h"
#include "include/base/cef_ref_counted.h"

// The engine's counted pointer. Everything it offers comes from scoped_refptr;
// note the implicit conversion to T* and the absence of a move constructor,
// which client code must not depend on either way.
template <class T>
class CefRefPtr : public scoped_refptr<T> {
 public:
  typedef scoped_refptr<T> parent;

  CefRefPtr() : parent() {}
  CefRefPtr(T* p) : parent(p) {}
  CefRefPtr(const scoped_refptr<T>& r) : parent(r) {}
  template <typename U>
  CefRefPtr(const scoped_refptr<U>& r) : parent(r) {}
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_PTR_H_
