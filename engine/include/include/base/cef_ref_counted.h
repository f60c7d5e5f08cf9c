// scoped_refptr: the smart pointer CefRefPtr builds on. Like the SDK's, it
// converts implicitly to T* (that is how `if (p)` and `p == NULL` work) and
// has no explicit bool conversion.
#ifndef CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
#define CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
#pragma once

#include <assert.h>
#include <stddef.h>

#include "include/base/cef_atomic_ref_count.h"
#include "include/base/cef_build.h"
#include "include/base/cef_macros.h"

namespace base {

// Intrusive counting for engine-internal classes that are not CefBase.
template <class T>
class RefCountedThreadSafe {
 public:
  void AddRef() const { count_.Increment(); }
  void Release() const {
    if (!count_.Decrement())
      delete static_cast<const T*>(this);
  }
  bool HasOneRef() const { return count_.IsOne(); }

 protected:
  RefCountedThreadSafe() {}
  ~RefCountedThreadSafe() {}

 private:
  mutable AtomicRefCount count_;
  RefCountedThreadSafe(const RefCountedThreadSafe&);
  void operator=(const RefCountedThreadSafe&);
};

}  // namespace base

template <class T>
class scoped_refptr {
 public:
  typedef T element_type;

  scoped_refptr() : ptr_(NULL) {}
  scoped_refptr(T* p) : ptr_(p) {
    if (ptr_)
      ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr<T>& r) : ptr_(r.ptr_) {
    if (ptr_)
      ptr_->AddRef();
  }
  template <typename U>
  scoped_refptr(const scoped_refptr<U>& r) : ptr_(r.get()) {
    if (ptr_)
      ptr_->AddRef();
  }
  ~scoped_refptr() {
    if (ptr_)
      ptr_->Release();
  }

  T* get() const { return ptr_; }
  operator T*() const { return ptr_; }
  T& operator*() const {
    assert(ptr_ != NULL);
    return *ptr_;
  }
  T* operator->() const {
    assert(ptr_ != NULL);
    return ptr_;
  }

  scoped_refptr<T>& operator=(T* p) {
    // AddRef first so that self-assignment works.
    if (p)
      p->AddRef();
    T* old_ptr = ptr_;
    ptr_ = p;
    if (old_ptr)
      old_ptr->Release();
    return *this;
  }
  scoped_refptr<T>& operator=(const scoped_refptr<T>& r) { return *this = r.ptr_; }
  template <typename U>
  scoped_refptr<T>& operator=(const scoped_refptr<U>& r) {
    return *this = r.get();
  }

  void swap(T** pp) {
    T* p = ptr_;
    ptr_ = *pp;
    *pp = p;
  }
  void swap(scoped_refptr<T>& r) { swap(&r.ptr_); }

 protected:
  T* ptr_;
};

template <typename T>
scoped_refptr<T> make_scoped_refptr(T* t) {
  return scoped_refptr<T>(t);
}

#endif  // CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
