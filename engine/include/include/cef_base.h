// CefBase, the reference-counted root of every engine interface, and
// IMPLEMENT_REFCOUNTING for the classes that implement one.
#ifndef CEF_INCLUDE_CEF_BASE_H_
#define CEF_INCLUDE_CEF_BASE_H_
#pragma once

#include "include/base/cef_atomic_ref_count.h"
#include "include/base/cef_build.h"
#include "include/base/cef_macros.h"
#include "include/internal/cef_ptr.h"
#include "include/internal/cef_types_wrappers.h"

#if defined(OS_WIN)
#include "include/internal/cef_win.h"
#elif defined(OS_LINUX)
#include "include/internal/cef_linux.h"
#endif

class CefBase {
 public:
  virtual void AddRef() const = 0;
  // True when this call destroyed the object.
  virtual bool Release() const = 0;
  virtual bool HasOneRef() const = 0;

 protected:
  virtual ~CefBase() {}
};

class CefRefCount {
 public:
  CefRefCount() : ref_count_(0) {}

  void AddRef() const { ref_count_.Increment(); }
  bool Release() const { return !ref_count_.Decrement(); }
  bool HasOneRef() const { return ref_count_.IsOne(); }

 private:
  mutable base::AtomicRefCount ref_count_;
  DISALLOW_COPY_AND_ASSIGN(CefRefCount);
};

// Leaves access at private:, as the engine SDK does.
#define IMPLEMENT_REFCOUNTING(ClassName)             \
 public:                                             \
  void AddRef() const OVERRIDE { ref_count_.AddRef(); } \
  bool Release() const OVERRIDE {                    \
    if (ref_count_.Release()) {                      \
      delete static_cast<const ClassName*>(this);    \
      return true;                                   \
    }                                                \
    return false;                                    \
  }                                                  \
  bool HasOneRef() const OVERRIDE { return ref_count_.HasOneRef(); } \
                                                     \
 private:                                            \
  CefRefCount ref_count_

#define IMPLEMENT_LOCKING(ClassName)

#endif  // CEF_INCLUDE_CEF_BASE_H_
