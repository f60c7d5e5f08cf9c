#!/usr/bin/env python3
"""Lays out the engine release's public headers for the SDK compile check, outside the repository.

Usage: prepare_cef_headers.py GIT_DIR OUT_DIR [REF]
Takes include/ of branch REF (default 2623) from a clone of the engine's public repository, adds
the IME declarations of branch 2883 that the system calls, and writes the generated
include/cef_version.h of the 2623 release. Nothing of this may be committed to our repository.
"""
import io
import subprocess
import sys
import tarfile
from pathlib import Path

VERSION_HEADER = """// Generated for the 3.2623.1401.gb90a3be release (the git branch does not carry it).
#ifndef CEF_INCLUDE_CEF_VERSION_H_
#define CEF_INCLUDE_CEF_VERSION_H_
#define CEF_VERSION "3.2623.1401.gb90a3be"
#define CEF_VERSION_MAJOR 3
#define CEF_COMMIT_NUMBER 1401
#define CEF_COMMIT_HASH "b90a3be1860b0647e8a62c218ff7c054390365b1"
#define CHROME_VERSION_MAJOR 49
#define CHROME_VERSION_MINOR 0
#define CHROME_VERSION_BUILD 2623
#define CHROME_VERSION_PATCH 110
#define DO_MAKE_STRING(p) #p
#define MAKE_STRING(p) DO_MAKE_STRING(p)
#ifdef __cplusplus
extern "C" {
#endif
#include "include/internal/cef_export.h"
#if defined(OS_WIN)
#define CEF_API_HASH_PLATFORM "64b27477b82b44b51ce817522f744fca6768cbbb"
#else
#define CEF_API_HASH_PLATFORM "87a195efc055fb9f39c84f5ce8199cc8766290e3"
#endif
CEF_EXPORT const char* cef_api_hash(int entry);
CEF_EXPORT int cef_version_info(int entry);
#ifdef __cplusplus
}
#endif
#endif  // CEF_INCLUDE_CEF_VERSION_H_
"""

# (file, text after which to insert, text to insert); each anchor must occur exactly once.
BACKPORT = [
    ("include/internal/cef_types.h", "} cef_response_filter_status_t;\n", """
// Backported from 2883: IME ranges and composition underlines.
typedef struct _cef_range_t {
  int from;
  int to;
} cef_range_t;

typedef struct _cef_composition_underline_t {
  cef_range_t range;
  cef_color_t color;
  cef_color_t background_color;
  int thick;
} cef_composition_underline_t;
"""),
    ("include/internal/cef_types_wrappers.h", "typedef CefStructBase<CefPdfPrintSettingsTraits> CefPdfPrintSettings;\n", """
// Backported from 2883.
struct CefRangeTraits {
  typedef cef_range_t struct_type;
  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src, struct_type* target, bool copy) { *target = *src; }
};

class CefRange : public CefStructBase<CefRangeTraits> {
 public:
  typedef CefStructBase<CefRangeTraits> parent;
  CefRange() : parent() {}
  CefRange(const cef_range_t& r) : parent(r) {}  // NOLINT(runtime/explicit)
  CefRange(const CefRange& r) : parent(r) {}  // NOLINT(runtime/explicit)
  CefRange(int from, int to) : parent() { Set(from, to); }
  void Set(int from_val, int to_val) { from = from_val, to = to_val; }
};

inline bool operator==(const CefRange& a, const CefRange& b) { return a.from == b.from && a.to == b.to; }
inline bool operator!=(const CefRange& a, const CefRange& b) { return !(a == b); }

struct CefCompositionUnderlineTraits {
  typedef cef_composition_underline_t struct_type;
  static inline void init(struct_type* s) {
    s->range = {0, 0};
    s->color = 0;
    s->background_color = 0;
    s->thick = 0;
  }
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src, struct_type* target, bool copy) {
    target->range = src->range;
    target->color = src->color;
    target->background_color = src->background_color;
    target->thick = src->thick;
  }
};

typedef CefStructBase<CefCompositionUnderlineTraits> CefCompositionUnderline;
"""),
    ("include/cef_browser.h", "  virtual void SetWindowlessFrameRate(int frame_rate) =0;\n", """
  // Backported from 2883: IME input for windowless browsers.
  virtual void ImeSetComposition(const CefString& text,
                                 const std::vector<CefCompositionUnderline>& underlines,
                                 const CefRange& replacement_range,
                                 const CefRange& selection_range) =0;
  virtual void ImeCommitText(const CefString& text,
                             const CefRange& replacement_range,
                             int relative_cursor_pos) =0;
  virtual void ImeFinishComposingText(bool keep_selection) =0;
  virtual void ImeCancelComposition() =0;
"""),
    ("include/cef_render_handler.h", """  virtual void OnScrollOffsetChanged(CefRefPtr<CefBrowser> browser,
                                     double x,
                                     double y) {}
""", """
  // Backported from 2883.
  virtual void OnImeCompositionRangeChanged(CefRefPtr<CefBrowser> browser,
                                            const CefRange& selected_range,
                                            const RectList& character_bounds) {}
"""),
]


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__)
        return 2
    git_dir, out = sys.argv[1], Path(sys.argv[2])
    ref = sys.argv[3] if len(sys.argv) == 4 else "2623"
    archive = subprocess.run(["git", "--git-dir", git_dir, "archive", "--format=tar", ref, "include"],
                             check=True, capture_output=True).stdout
    out.mkdir(parents=True, exist_ok=True)
    with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
        tar.extractall(out)
    for name, anchor, addition in BACKPORT:
        path = out / name
        text = path.read_text()
        if text.count(anchor) != 1:
            print("%s: the insertion point occurs %d times" % (name, text.count(anchor)))
            return 1
        path.write_text(text.replace(anchor, anchor + addition))
    (out / "include/cef_version.h").write_text(VERSION_HEADER)
    print("engine headers of %s with the IME backport in %s" % (ref, out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
