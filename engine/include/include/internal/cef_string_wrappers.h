// CefStringBase: an owning (or attached) wrapper around one of the C string
// structs. CefString is the UTF-16 instantiation.
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_WRAPPERS_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_WRAPPERS_H_
#pragma once

#include <memory.h>

#include <cstring>
#include <string>

#include "include/base/cef_string16.h"
#include "include/internal/cef_string_types.h"

struct CefStringTraitsWide {
  typedef wchar_t char_type;
  typedef cef_string_wide_t struct_type;
  typedef cef_string_userfree_wide_t userfree_struct_type;

  static void clear(struct_type* s) { cef_string_wide_clear(s); }
  static int set(const char_type* src, size_t src_size, struct_type* output, int copy) {
    return cef_string_wide_set(src, src_size, output, copy);
  }
  static int compare(const struct_type* s1, const struct_type* s2) { return cef_string_wide_cmp(s1, s2); }
  static userfree_struct_type userfree_alloc() { return cef_string_userfree_wide_alloc(); }
  static void userfree_free(userfree_struct_type ufs) { cef_string_userfree_wide_free(ufs); }

  static bool from_ascii(const char* str, size_t len, struct_type* s) {
    return cef_string_ascii_to_wide(str, len, s) ? true : false;
  }
  static std::string to_string(const struct_type* s) {
    cef_string_utf8_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_wide_to_utf8(s->str, s->length, &cstr);
    std::string str;
    if (cstr.length > 0)
      str = std::string(cstr.str, cstr.length);
    cef_string_utf8_clear(&cstr);
    return str;
  }
  static bool from_string(const std::string& str, struct_type* s) {
    return cef_string_utf8_to_wide(str.c_str(), str.length(), s) ? true : false;
  }
  static std::wstring to_wstring(const struct_type* s) { return std::wstring(s->str, s->length); }
  static bool from_wstring(const std::wstring& str, struct_type* s) {
    return cef_string_wide_set(str.c_str(), str.length(), s, true) ? true : false;
  }
#if defined(WCHAR_T_IS_UTF32)
  static base::string16 to_string16(const struct_type* s) {
    cef_string_utf16_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_wide_to_utf16(s->str, s->length, &cstr);
    base::string16 str;
    if (cstr.length > 0)
      str = base::string16(cstr.str, cstr.length);
    cef_string_utf16_clear(&cstr);
    return str;
  }
  static bool from_string16(const base::string16& str, struct_type* s) {
    return cef_string_utf16_to_wide(str.c_str(), str.length(), s) ? true : false;
  }
#else
  static base::string16 to_string16(const struct_type* s) { return base::string16(s->str, s->length); }
  static bool from_string16(const base::string16& str, struct_type* s) {
    return cef_string_wide_set(str.c_str(), str.length(), s, true) ? true : false;
  }
#endif
};

struct CefStringTraitsUTF8 {
  typedef char char_type;
  typedef cef_string_utf8_t struct_type;
  typedef cef_string_userfree_utf8_t userfree_struct_type;

  static void clear(struct_type* s) { cef_string_utf8_clear(s); }
  static int set(const char_type* src, size_t src_size, struct_type* output, int copy) {
    return cef_string_utf8_set(src, src_size, output, copy);
  }
  static int compare(const struct_type* s1, const struct_type* s2) { return cef_string_utf8_cmp(s1, s2); }
  static userfree_struct_type userfree_alloc() { return cef_string_userfree_utf8_alloc(); }
  static void userfree_free(userfree_struct_type ufs) { cef_string_userfree_utf8_free(ufs); }

  static bool from_ascii(const char* str, size_t len, struct_type* s) {
    return cef_string_utf8_copy(str, len, s) ? true : false;
  }
  static std::string to_string(const struct_type* s) { return std::string(s->str, s->length); }
  static bool from_string(const std::string& str, struct_type* s) {
    return cef_string_utf8_copy(str.c_str(), str.length(), s) ? true : false;
  }
  static std::wstring to_wstring(const struct_type* s) {
    cef_string_wide_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_utf8_to_wide(s->str, s->length, &cstr);
    std::wstring str;
    if (cstr.length > 0)
      str = std::wstring(cstr.str, cstr.length);
    cef_string_wide_clear(&cstr);
    return str;
  }
  static bool from_wstring(const std::wstring& str, struct_type* s) {
    return cef_string_wide_to_utf8(str.c_str(), str.length(), s) ? true : false;
  }
  static base::string16 to_string16(const struct_type* s) {
    cef_string_utf16_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_utf8_to_utf16(s->str, s->length, &cstr);
    base::string16 str;
    if (cstr.length > 0)
      str = base::string16(reinterpret_cast<const base::char16*>(cstr.str), cstr.length);
    cef_string_utf16_clear(&cstr);
    return str;
  }
  static bool from_string16(const base::string16& str, struct_type* s) {
    return cef_string_utf16_to_utf8(reinterpret_cast<const char16*>(str.c_str()), str.length(), s) ? true
                                                                                                    : false;
  }
};

struct CefStringTraitsUTF16 {
  typedef char16 char_type;
  typedef cef_string_utf16_t struct_type;
  typedef cef_string_userfree_utf16_t userfree_struct_type;

  static void clear(struct_type* s) { cef_string_utf16_clear(s); }
  static int set(const char_type* src, size_t src_size, struct_type* output, int copy) {
    return cef_string_utf16_set(src, src_size, output, copy);
  }
  static int compare(const struct_type* s1, const struct_type* s2) { return cef_string_utf16_cmp(s1, s2); }
  static userfree_struct_type userfree_alloc() { return cef_string_userfree_utf16_alloc(); }
  static void userfree_free(userfree_struct_type ufs) { cef_string_userfree_utf16_free(ufs); }

  static bool from_ascii(const char* str, size_t len, struct_type* s) {
    return cef_string_ascii_to_utf16(str, len, s) ? true : false;
  }
  static std::string to_string(const struct_type* s) {
    cef_string_utf8_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_utf16_to_utf8(s->str, s->length, &cstr);
    std::string str;
    if (cstr.length > 0)
      str = std::string(cstr.str, cstr.length);
    cef_string_utf8_clear(&cstr);
    return str;
  }
  static bool from_string(const std::string& str, struct_type* s) {
    return cef_string_utf8_to_utf16(str.c_str(), str.length(), s) ? true : false;
  }
#if defined(WCHAR_T_IS_UTF32)
  static std::wstring to_wstring(const struct_type* s) {
    cef_string_wide_t cstr;
    memset(&cstr, 0, sizeof(cstr));
    cef_string_utf16_to_wide(s->str, s->length, &cstr);
    std::wstring str;
    if (cstr.length > 0)
      str = std::wstring(cstr.str, cstr.length);
    cef_string_wide_clear(&cstr);
    return str;
  }
  static bool from_wstring(const std::wstring& str, struct_type* s) {
    return cef_string_wide_to_utf16(str.c_str(), str.length(), s) ? true : false;
  }
#else
  static std::wstring to_wstring(const struct_type* s) { return std::wstring(s->str, s->length); }
  static bool from_wstring(const std::wstring& str, struct_type* s) {
    return cef_string_utf16_set(str.c_str(), str.length(), s, true) ? true : false;
  }
#endif
  static base::string16 to_string16(const struct_type* s) { return base::string16(s->str, s->length); }
  static bool from_string16(const base::string16& str, struct_type* s) {
    return cef_string_utf16_set(str.c_str(), str.length(), s, true) ? true : false;
  }
};

template <class traits>
class CefStringBase {
 public:
  typedef typename traits::char_type char_type;
  typedef typename traits::struct_type struct_type;
  typedef typename traits::userfree_struct_type userfree_struct_type;

  CefStringBase() : string_(NULL), owner_(false) {}
  CefStringBase(const CefStringBase& str) : string_(NULL), owner_(false) { FromString(str.c_str(), str.length(), true); }
  CefStringBase(const std::string& src) : string_(NULL), owner_(false) { FromString(src); }
  CefStringBase(const char* src) : string_(NULL), owner_(false) {
    if (src)
      FromString(std::string(src));
  }
  CefStringBase(const std::wstring& src) : string_(NULL), owner_(false) { FromWString(src); }
  CefStringBase(const wchar_t* src) : string_(NULL), owner_(false) {
    if (src)
      FromWString(std::wstring(src));
  }
#if defined(WCHAR_T_IS_UTF32)
  CefStringBase(const base::string16& src) : string_(NULL), owner_(false) { FromString16(src); }
  CefStringBase(const char16* src) : string_(NULL), owner_(false) {
    if (src)
      FromString16(base::string16(src));
  }
#endif
  CefStringBase(const char_type* src, size_t src_len, bool copy) : string_(NULL), owner_(false) {
    if (src && src_len > 0)
      FromString(src, src_len, copy);
  }
  // Refers to a writable C struct without owning it, so that
  // `CefString(&settings.cache_path) = path;` fills the struct. The struct must
  // outlive this object.
  CefStringBase(struct_type* src) : string_(src), owner_(false) {}
  // Copies the contents of a read-only C struct.
  CefStringBase(const struct_type* src) : string_(NULL), owner_(false) {
    if (!src)
      return;
    FromString(src->str, src->length, true);
  }

  virtual ~CefStringBase() { ClearAndFree(); }

  const char_type* c_str() const { return (string_ ? string_->str : NULL); }
  size_t length() const { return (string_ ? string_->length : 0); }
  size_t size() const { return length(); }
  bool empty() const { return (string_ == NULL || string_->length == 0); }

  int compare(const CefStringBase& str) const {
    if (empty() && str.empty())
      return 0;
    if (empty())
      return -1;
    if (str.empty())
      return 1;
    return traits::compare(string_, str.GetStruct());
  }

  void clear() {
    if (string_)
      traits::clear(string_);
  }

  void swap(CefStringBase& str) {
    struct_type* tmp_string = string_;
    bool tmp_owner = owner_;
    string_ = str.string_;
    owner_ = str.owner_;
    str.string_ = tmp_string;
    str.owner_ = tmp_owner;
  }

  bool IsOwner() const { return owner_; }
  const struct_type* GetStruct() const { return string_; }
  struct_type* GetWritableStruct() {
    AllocIfNeeded();
    return string_;
  }

  void ClearAndFree() {
    if (!string_)
      return;
    if (owner_) {
      clear();
      delete string_;
    }
    string_ = NULL;
    owner_ = false;
  }

  // Points at an external struct; with owner true this object frees it.
  void Attach(struct_type* str, bool owner) {
    ClearAndFree();
    string_ = str;
    owner_ = owner;
  }
  void AttachToUserFree(userfree_struct_type str) {
    ClearAndFree();
    if (!str)
      return;
    AllocIfNeeded();
    owner_ = true;
    memcpy(string_, str, sizeof(struct_type));
    // The userfree struct's buffer now belongs to this object.
    memset(str, 0, sizeof(struct_type));
    traits::userfree_free(str);
  }
  void Detach() {
    string_ = NULL;
    owner_ = false;
  }
  userfree_struct_type DetachToUserFree() {
    if (empty())
      return NULL;
    userfree_struct_type str = traits::userfree_alloc();
    memcpy(str, string_, sizeof(struct_type));
    memset(string_, 0, sizeof(struct_type));
    ClearAndFree();
    return str;
  }

  bool FromString(const char_type* src, size_t src_len, bool copy) {
    if (src == NULL || src_len == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::set(src, src_len, string_, copy) ? true : false;
  }
  bool FromASCII(const char* str) {
    size_t len = str ? strlen(str) : 0;
    if (len == 0) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_ascii(str, len, string_);
  }

  std::string ToString() const {
    if (empty())
      return std::string();
    return traits::to_string(string_);
  }
  bool FromString(const std::string& str) {
    if (str.empty()) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_string(str, string_);
  }
  std::wstring ToWString() const {
    if (empty())
      return std::wstring();
    return traits::to_wstring(string_);
  }
  bool FromWString(const std::wstring& str) {
    if (str.empty()) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_wstring(str, string_);
  }
  base::string16 ToString16() const {
    if (empty())
      return base::string16();
    return traits::to_string16(string_);
  }
  bool FromString16(const base::string16& str) {
    if (str.empty()) {
      clear();
      return true;
    }
    AllocIfNeeded();
    return traits::from_string16(str, string_);
  }

  bool operator<(const CefStringBase& str) const { return (compare(str) < 0); }
  bool operator<=(const CefStringBase& str) const { return (compare(str) <= 0); }
  bool operator>(const CefStringBase& str) const { return (compare(str) > 0); }
  bool operator>=(const CefStringBase& str) const { return (compare(str) >= 0); }
  bool operator==(const CefStringBase& str) const { return (compare(str) == 0); }
  bool operator!=(const CefStringBase& str) const { return (compare(str) != 0); }

  CefStringBase& operator=(const CefStringBase& str) {
    if (this != &str)
      FromString(str.c_str(), str.length(), true);
    return *this;
  }
  operator std::string() const { return ToString(); }
  CefStringBase& operator=(const std::string& str) {
    FromString(str);
    return *this;
  }
  CefStringBase& operator=(const char* str) {
    FromString(std::string(str ? str : ""));
    return *this;
  }
  operator std::wstring() const { return ToWString(); }
  CefStringBase& operator=(const std::wstring& str) {
    FromWString(str);
    return *this;
  }
  CefStringBase& operator=(const wchar_t* str) {
    FromWString(std::wstring(str ? str : L""));
    return *this;
  }
#if defined(WCHAR_T_IS_UTF32)
  operator base::string16() const { return ToString16(); }
  CefStringBase& operator=(const base::string16& str) {
    FromString16(str);
    return *this;
  }
  CefStringBase& operator=(const char16* str) {
    FromString16(base::string16(str ? str : base::string16().c_str()));
    return *this;
  }
#endif

 private:
  void AllocIfNeeded() {
    if (string_ == NULL) {
      string_ = new struct_type;
      memset(string_, 0, sizeof(struct_type));
      owner_ = true;
    }
  }

  struct_type* string_;
  bool owner_;
};

typedef CefStringBase<CefStringTraitsWide> CefStringWide;
typedef CefStringBase<CefStringTraitsUTF8> CefStringUTF8;
typedef CefStringBase<CefStringTraitsUTF16> CefStringUTF16;

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_WRAPPERS_H_
