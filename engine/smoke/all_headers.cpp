// Compiles every public engine header together, with the checks that a
#include <cstddef>
// client of the engine relies on.
#include "include/cef_app.h"
#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_client.h"
#include "include/cef_command_line.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_dialog_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_dom.h"
#include "include/cef_download_handler.h"
#include "include/cef_drag_data.h"
#include "include/cef_drag_handler.h"
#include "include/cef_find_handler.h"
#include "include/cef_focus_handler.h"
#include "include/cef_frame.h"
#include "include/cef_geolocation_handler.h"
#include "include/cef_jsdialog_handler.h"
#include "include/cef_keyboard_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_menu_model.h"
#include "include/cef_navigation_entry.h"
#include "include/cef_print_handler.h"
#include "include/cef_process_message.h"
#include "include/cef_render_handler.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_request.h"
#include "include/cef_request_context.h"
#include "include/cef_request_handler.h"
#include "include/cef_resource_bundle_handler.h"
#include "include/cef_scheme.h"
#include "include/cef_stream.h"
#include "include/cef_string_visitor.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"
#include "include/cef_version.h"

#include <type_traits>

// Client code must not be able to copy these implicitly (the SDK's copy
// constructors are explicit), but can copy them directly.
static_assert(!std::is_convertible<const CefWindowInfo&, CefWindowInfo>::value, "explicit copy");
static_assert(std::is_constructible<CefWindowInfo, const CefWindowInfo&>::value, "direct copy");
static_assert(!std::is_convertible<const CefMainArgs&, CefMainArgs>::value, "explicit copy");

// C struct layouts fixed by the engine's C interface.
static_assert(sizeof(cef_key_event_t) == 28, "key event");
static_assert(sizeof(cef_mouse_event_t) == 12, "mouse event");
static_assert(sizeof(cef_screen_info_t) == 48, "screen info");
static_assert(sizeof(cef_range_t) == 8, "range");
static_assert(sizeof(cef_composition_underline_t) == 20, "underline");
#if defined(OS_WIN) && defined(ARCH_CPU_X86)
static_assert(sizeof(cef_settings_t) == 192, "settings");
static_assert(sizeof(CefSettings) == 200, "settings wrapper");
static_assert(sizeof(cef_browser_settings_t) == 200, "browser settings");
static_assert(sizeof(cef_window_info_t) == 56, "window info");
static_assert(sizeof(cef_popup_features_t) == 68, "popup features");
static_assert(sizeof(CefString) == 12, "string");
static_assert(offsetof(cef_settings_t, ignore_certificate_errors) == 172, "settings offset");
#elif defined(OS_LINUX) && defined(ARCH_CPU_X86_64)
static_assert(sizeof(cef_settings_t) == 336, "settings");
static_assert(sizeof(cef_browser_settings_t) == 304, "browser settings");
static_assert(sizeof(cef_window_info_t) == 40, "window info");
static_assert(sizeof(cef_popup_features_t) == 72, "popup features");
static_assert(sizeof(CefString) == 24, "string");
static_assert(offsetof(cef_settings_t, ignore_certificate_errors) == 304, "settings offset");
static_assert(std::is_same<CefWindowHandle, unsigned long>::value, "X11 window id");
#endif

namespace {

// One counter for an object implementing several interfaces.
class SmokeHandler : public CefClient, public CefLifeSpanHandler, public CefRenderHandler {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() OVERRIDE { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() OVERRIDE { return this; }
  bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) OVERRIDE { return false; }
  void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& dirtyRects,
               const void* buffer, int width, int height) OVERRIDE {}
  IMPLEMENT_REFCOUNTING(SmokeHandler);
};

class SmokeApp : public CefApp, public CefRenderProcessHandler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() OVERRIDE { return this; }
  IMPLEMENT_REFCOUNTING(SmokeApp);
};

}  // namespace

bool mvengine_header_smoke_uses() {
  CefRefPtr<SmokeHandler> handler = new SmokeHandler();
  CefRefPtr<CefClient> client = handler.get();
  CefRefPtr<CefBrowser> none = NULL;
  CefRefPtr<CefV8Value> also_none = nullptr;
  CefRefPtr<SmokeApp> app(new SmokeApp());
  CefWindowInfo info;
  CefWindowInfo copy(info);
  CefString s = "x";
  return (client && !none && !also_none && app && s == "x" && copy.windowless_rendering_enabled == 0);
}
