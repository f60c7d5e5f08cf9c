// C++ wrappers of the engine's C structs. Copies are deep: string members are
// duplicated, and each wrapper frees its own strings.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#pragma once

#include <cstring>

#include "include/internal/cef_string.h"
#include "include/internal/cef_string_list.h"
#include "include/internal/cef_types.h"

template <class traits>
class CefStructBase : public traits::struct_type {
 public:
  typedef typename traits::struct_type struct_type;

  CefStructBase() : attached_to_(NULL) { Init(); }
  virtual ~CefStructBase() {
    // An attached struct's strings belong to the struct it came from.
    if (!attached_to_)
      traits::clear(this);
  }
  CefStructBase(const CefStructBase& r) : traits::struct_type() {
    Init();
    *this = r;
  }
  CefStructBase(const struct_type& r) : traits::struct_type() {
    Init();
    *this = r;
  }

  void Reset() {
    traits::clear(this);
    Init();
  }

  // Takes over the memory of source; source must outlive this object or be
  // handed back through DetachTo.
  void AttachTo(struct_type& source) {
    if (!attached_to_)
      traits::clear(this);
    attached_to_ = &source;
    memcpy(static_cast<struct_type*>(this), &source, sizeof(struct_type));
  }

  void DetachTo(struct_type& target) {
    if (attached_to_ != &target)
      traits::clear(&target);
    memcpy(&target, static_cast<struct_type*>(this), sizeof(struct_type));
    Init();
  }

  void Set(const struct_type& source, bool copy) {
    if (&source == static_cast<const struct_type*>(this))
      return;
    traits::set(&source, this, copy);
  }

  CefStructBase& operator=(const CefStructBase& s) { return operator=(static_cast<const struct_type&>(s)); }
  CefStructBase& operator=(const struct_type& s) {
    Set(s, true);
    return *this;
  }

 protected:
  void Init() {
    memset(static_cast<struct_type*>(this), 0, sizeof(struct_type));
    attached_to_ = NULL;
    traits::init(this);
  }

  struct_type* attached_to_;
};

// Traits of a struct without owned members: a plain copy.
template <class T>
struct CefPlainStructTraits {
  typedef T struct_type;
  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src, struct_type* target, bool copy) { *target = *src; }
};

struct CefPointTraits : CefPlainStructTraits<cef_point_t> {};

class CefPoint : public CefStructBase<CefPointTraits> {
 public:
  typedef CefStructBase<CefPointTraits> parent;

  CefPoint() : parent() {}
  CefPoint(const cef_point_t& r) : parent(r) {}
  CefPoint(const CefPoint& r) : parent(r) {}
  CefPoint(int x, int y) : parent() { Set(x, y); }

  bool IsEmpty() const { return x <= 0 && y <= 0; }
  void Set(int x_val, int y_val) { x = x_val, y = y_val; }
};

inline bool operator==(const CefPoint& a, const CefPoint& b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(const CefPoint& a, const CefPoint& b) { return !(a == b); }

struct CefRectTraits : CefPlainStructTraits<cef_rect_t> {};

class CefRect : public CefStructBase<CefRectTraits> {
 public:
  typedef CefStructBase<CefRectTraits> parent;

  CefRect() : parent() {}
  CefRect(const cef_rect_t& r) : parent(r) {}
  CefRect(const CefRect& r) : parent(r) {}
  CefRect(int x, int y, int width, int height) : parent() { Set(x, y, width, height); }

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  void Set(int x_val, int y_val, int width_val, int height_val) {
    x = x_val, y = y_val, width = width_val, height = height_val;
  }
};

inline bool operator==(const CefRect& a, const CefRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
inline bool operator!=(const CefRect& a, const CefRect& b) { return !(a == b); }

struct CefSizeTraits : CefPlainStructTraits<cef_size_t> {};

class CefSize : public CefStructBase<CefSizeTraits> {
 public:
  typedef CefStructBase<CefSizeTraits> parent;

  CefSize() : parent() {}
  CefSize(const cef_size_t& r) : parent(r) {}
  CefSize(const CefSize& r) : parent(r) {}
  CefSize(int width, int height) : parent() { Set(width, height); }

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  void Set(int width_val, int height_val) { width = width_val, height = height_val; }
};

inline bool operator==(const CefSize& a, const CefSize& b) { return a.width == b.width && a.height == b.height; }
inline bool operator!=(const CefSize& a, const CefSize& b) { return !(a == b); }

struct CefPageRangeTraits : CefPlainStructTraits<cef_page_range_t> {};

class CefPageRange : public CefStructBase<CefPageRangeTraits> {
 public:
  typedef CefStructBase<CefPageRangeTraits> parent;

  CefPageRange() : parent() {}
  CefPageRange(const cef_page_range_t& r) : parent(r) {}
  CefPageRange(const CefPageRange& r) : parent(r) {}
  CefPageRange(int from, int to) : parent() { Set(from, to); }

  void Set(int from_val, int to_val) { from = from_val, to = to_val; }
};

inline bool operator==(const CefPageRange& a, const CefPageRange& b) { return a.from == b.from && a.to == b.to; }
inline bool operator!=(const CefPageRange& a, const CefPageRange& b) { return !(a == b); }

struct CefRangeTraits : CefPlainStructTraits<cef_range_t> {};

// A text range for the IME methods. CefRange(UINT32_MAX, UINT32_MAX), i.e.
// both ends -1, is the "invalid range".
class CefRange : public CefStructBase<CefRangeTraits> {
 public:
  typedef CefStructBase<CefRangeTraits> parent;

  CefRange() : parent() {}
  CefRange(const cef_range_t& r) : parent(r) {}
  CefRange(const CefRange& r) : parent(r) {}
  CefRange(int from, int to) : parent() { Set(from, to); }

  void Set(int from_val, int to_val) { from = from_val, to = to_val; }
};

inline bool operator==(const CefRange& a, const CefRange& b) { return a.from == b.from && a.to == b.to; }
inline bool operator!=(const CefRange& a, const CefRange& b) { return !(a == b); }

struct CefScreenInfoTraits : CefPlainStructTraits<cef_screen_info_t> {};

class CefScreenInfo : public CefStructBase<CefScreenInfoTraits> {
 public:
  typedef CefStructBase<CefScreenInfoTraits> parent;

  CefScreenInfo() : parent() {}
  CefScreenInfo(const cef_screen_info_t& r) : parent(r) {}
  CefScreenInfo(const CefScreenInfo& r) : parent(r) {}
  CefScreenInfo(float device_scale_factor, int depth, int depth_per_component, bool is_monochrome,
                const CefRect& rect, const CefRect& available_rect)
      : parent() {
    Set(device_scale_factor, depth, depth_per_component, is_monochrome, rect, available_rect);
  }

  void Set(float device_scale_factor_val, int depth_val, int depth_per_component_val, bool is_monochrome_val,
           const CefRect& rect_val, const CefRect& available_rect_val) {
    device_scale_factor = device_scale_factor_val;
    depth = depth_val;
    depth_per_component = depth_per_component_val;
    is_monochrome = is_monochrome_val;
    rect = rect_val;
    available_rect = available_rect_val;
  }
};

struct CefKeyEventTraits : CefPlainStructTraits<cef_key_event_t> {};
typedef CefStructBase<CefKeyEventTraits> CefKeyEvent;

struct CefMouseEventTraits : CefPlainStructTraits<cef_mouse_event_t> {};
typedef CefStructBase<CefMouseEventTraits> CefMouseEvent;

struct CefPopupFeaturesTraits {
  typedef cef_popup_features_t struct_type;
  static inline void init(struct_type* s) {
    s->menuBarVisible = true;
    s->statusBarVisible = true;
    s->toolBarVisible = true;
    s->locationBarVisible = true;
    s->scrollbarsVisible = true;
    s->resizable = true;
  }
  // The feature list is never filled by this engine, so there is nothing to free.
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src, struct_type* target, bool copy) {
    *target = *src;
    target->additionalFeatures = NULL;
  }
};
typedef CefStructBase<CefPopupFeaturesTraits> CefPopupFeatures;

struct CefCursorInfoTraits : CefPlainStructTraits<cef_cursor_info_t> {};
typedef CefStructBase<CefCursorInfoTraits> CefCursorInfo;

struct CefCompositionUnderlineTraits : CefPlainStructTraits<cef_composition_underline_t> {};
typedef CefStructBase<CefCompositionUnderlineTraits> CefCompositionUnderline;

struct CefSettingsTraits {
  typedef cef_settings_t struct_type;

  static inline void init(struct_type* s) { s->size = sizeof(struct_type); }

  static inline void clear(struct_type* s) {
    cef_string_clear(&s->browser_subprocess_path);
    cef_string_clear(&s->cache_path);
    cef_string_clear(&s->user_data_path);
    cef_string_clear(&s->user_agent);
    cef_string_clear(&s->product_version);
    cef_string_clear(&s->locale);
    cef_string_clear(&s->log_file);
    cef_string_clear(&s->javascript_flags);
    cef_string_clear(&s->resources_dir_path);
    cef_string_clear(&s->locales_dir_path);
    cef_string_clear(&s->accept_language_list);
  }

  static inline void set(const struct_type* src, struct_type* target, bool copy) {
    target->single_process = src->single_process;
    target->no_sandbox = src->no_sandbox;
    cef_string_set(src->browser_subprocess_path.str, src->browser_subprocess_path.length,
                   &target->browser_subprocess_path, copy);
    target->multi_threaded_message_loop = src->multi_threaded_message_loop;
    target->windowless_rendering_enabled = src->windowless_rendering_enabled;
    target->command_line_args_disabled = src->command_line_args_disabled;
    cef_string_set(src->cache_path.str, src->cache_path.length, &target->cache_path, copy);
    cef_string_set(src->user_data_path.str, src->user_data_path.length, &target->user_data_path, copy);
    target->persist_session_cookies = src->persist_session_cookies;
    target->persist_user_preferences = src->persist_user_preferences;
    cef_string_set(src->user_agent.str, src->user_agent.length, &target->user_agent, copy);
    cef_string_set(src->product_version.str, src->product_version.length, &target->product_version, copy);
    cef_string_set(src->locale.str, src->locale.length, &target->locale, copy);
    cef_string_set(src->log_file.str, src->log_file.length, &target->log_file, copy);
    target->log_severity = src->log_severity;
    cef_string_set(src->javascript_flags.str, src->javascript_flags.length, &target->javascript_flags, copy);
    cef_string_set(src->resources_dir_path.str, src->resources_dir_path.length, &target->resources_dir_path,
                   copy);
    cef_string_set(src->locales_dir_path.str, src->locales_dir_path.length, &target->locales_dir_path, copy);
    target->pack_loading_disabled = src->pack_loading_disabled;
    target->remote_debugging_port = src->remote_debugging_port;
    target->uncaught_exception_stack_size = src->uncaught_exception_stack_size;
    target->context_safety_implementation = src->context_safety_implementation;
    target->ignore_certificate_errors = src->ignore_certificate_errors;
    target->background_color = src->background_color;
    cef_string_set(src->accept_language_list.str, src->accept_language_list.length,
                   &target->accept_language_list, copy);
  }
};
typedef CefStructBase<CefSettingsTraits> CefSettings;

struct CefRequestContextSettingsTraits {
  typedef cef_request_context_settings_t struct_type;

  static inline void init(struct_type* s) { s->size = sizeof(struct_type); }
  static inline void clear(struct_type* s) {
    cef_string_clear(&s->cache_path);
    cef_string_clear(&s->accept_language_list);
  }
  static inline void set(const struct_type* src, struct_type* target, bool copy) {
    cef_string_set(src->cache_path.str, src->cache_path.length, &target->cache_path, copy);
    target->persist_session_cookies = src->persist_session_cookies;
    target->persist_user_preferences = src->persist_user_preferences;
    target->ignore_certificate_errors = src->ignore_certificate_errors;
    cef_string_set(src->accept_language_list.str, src->accept_language_list.length,
                   &target->accept_language_list, copy);
  }
};
typedef CefStructBase<CefRequestContextSettingsTraits> CefRequestContextSettings;

struct CefBrowserSettingsTraits {
  typedef cef_browser_settings_t struct_type;

  static inline void init(struct_type* s) { s->size = sizeof(struct_type); }

  static inline void clear(struct_type* s) {
    cef_string_clear(&s->standard_font_family);
    cef_string_clear(&s->fixed_font_family);
    cef_string_clear(&s->serif_font_family);
    cef_string_clear(&s->sans_serif_font_family);
    cef_string_clear(&s->cursive_font_family);
    cef_string_clear(&s->fantasy_font_family);
    cef_string_clear(&s->default_encoding);
    cef_string_clear(&s->accept_language_list);
  }

  static inline void set(const struct_type* src, struct_type* target, bool copy) {
    target->windowless_frame_rate = src->windowless_frame_rate;
    cef_string_set(src->standard_font_family.str, src->standard_font_family.length,
                   &target->standard_font_family, copy);
    cef_string_set(src->fixed_font_family.str, src->fixed_font_family.length, &target->fixed_font_family, copy);
    cef_string_set(src->serif_font_family.str, src->serif_font_family.length, &target->serif_font_family, copy);
    cef_string_set(src->sans_serif_font_family.str, src->sans_serif_font_family.length,
                   &target->sans_serif_font_family, copy);
    cef_string_set(src->cursive_font_family.str, src->cursive_font_family.length, &target->cursive_font_family,
                   copy);
    cef_string_set(src->fantasy_font_family.str, src->fantasy_font_family.length, &target->fantasy_font_family,
                   copy);
    target->default_font_size = src->default_font_size;
    target->default_fixed_font_size = src->default_fixed_font_size;
    target->minimum_font_size = src->minimum_font_size;
    target->minimum_logical_font_size = src->minimum_logical_font_size;
    cef_string_set(src->default_encoding.str, src->default_encoding.length, &target->default_encoding, copy);
    target->remote_fonts = src->remote_fonts;
    target->javascript = src->javascript;
    target->javascript_open_windows = src->javascript_open_windows;
    target->javascript_close_windows = src->javascript_close_windows;
    target->javascript_access_clipboard = src->javascript_access_clipboard;
    target->javascript_dom_paste = src->javascript_dom_paste;
    target->caret_browsing = src->caret_browsing;
    target->plugins = src->plugins;
    target->universal_access_from_file_urls = src->universal_access_from_file_urls;
    target->file_access_from_file_urls = src->file_access_from_file_urls;
    target->web_security = src->web_security;
    target->image_loading = src->image_loading;
    target->image_shrink_standalone_to_fit = src->image_shrink_standalone_to_fit;
    target->text_area_resize = src->text_area_resize;
    target->tab_to_links = src->tab_to_links;
    target->local_storage = src->local_storage;
    target->databases = src->databases;
    target->application_cache = src->application_cache;
    target->webgl = src->webgl;
    target->background_color = src->background_color;
    cef_string_set(src->accept_language_list.str, src->accept_language_list.length,
                   &target->accept_language_list, copy);
  }
};
typedef CefStructBase<CefBrowserSettingsTraits> CefBrowserSettings;

struct CefTimeTraits : CefPlainStructTraits<cef_time_t> {};

class CefTime : public CefStructBase<CefTimeTraits> {
 public:
  typedef CefStructBase<CefTimeTraits> parent;

  CefTime() : parent() {}
  CefTime(const cef_time_t& r) : parent(r) {}
  CefTime(const CefTime& r) : parent(r) {}
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
