// Linux forms of CefMainArgs and CefWindowInfo.
#ifndef CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
#define CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
#pragma once

#include "include/base/cef_build.h"

#if defined(OS_LINUX)

#include "include/internal/cef_string.h"
#include "include/internal/cef_types_linux.h"
#include "include/internal/cef_types_wrappers.h"

#define CefCursorHandle cef_cursor_handle_t
#define CefEventHandle cef_event_handle_t
#define CefWindowHandle cef_window_handle_t
#define CefTextInputContext void*

struct CefMainArgsTraits : CefPlainStructTraits<cef_main_args_t> {};

class CefMainArgs : public CefStructBase<CefMainArgsTraits> {
 public:
  typedef CefStructBase<CefMainArgsTraits> parent;

  CefMainArgs() : parent() {}
  explicit CefMainArgs(const cef_main_args_t& r) : parent(r) {}
  explicit CefMainArgs(const CefMainArgs& r) : parent(r) {}
  CefMainArgs(int argc_arg, char** argv_arg) : parent() {
    argc = argc_arg;
    argv = argv_arg;
  }
};

struct CefWindowInfoTraits : CefPlainStructTraits<cef_window_info_t> {};

class CefWindowInfo : public CefStructBase<CefWindowInfoTraits> {
 public:
  typedef CefStructBase<CefWindowInfoTraits> parent;

  CefWindowInfo() : parent() {}
  explicit CefWindowInfo(const cef_window_info_t& r) : parent(r) {}
  explicit CefWindowInfo(const CefWindowInfo& r) : parent(r) {}

  void SetAsChild(CefWindowHandle parent, const CefRect& windowRect) {
    parent_window = parent;
    x = windowRect.x;
    y = windowRect.y;
    width = windowRect.width;
    height = windowRect.height;
  }

  void SetAsWindowless(CefWindowHandle parent, bool transparent) {
    windowless_rendering_enabled = true;
    parent_window = parent;
    transparent_painting_enabled = transparent;
  }
};

#endif  // OS_LINUX

#endif  // CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
