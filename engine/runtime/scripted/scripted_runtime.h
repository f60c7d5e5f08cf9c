// The scripted runtime: an in-process engine for tests.
//
// It has a real UI thread and a real renderer thread (one task queue each).
// Every CefClient callback runs on the UI thread; the render-process handler
// (OnContextCreated, OnProcessMessageReceived, ...) and V8 function calls run
// on the renderer thread. The render side lives in the same process and uses
// the CefApp given to CefInitialize (its GetRenderProcessHandler()).
//
// It records every engine call the system makes (CallKind below) and lets a
// test deliver engine callbacks on the right thread and wait for them.
//
// Typical test:
//
//   mvengine::scripted::Install();                  // before CefInitialize
//   ... system code calls CefInitialize, CefBrowserHost::CreateBrowser ...
//   ASSERT_TRUE(scripted::WaitForCall(scripted::CallKind::kCreateBrowser));
//   scripted::WaitIdle();                           // OnAfterCreated has run
//   int id = scripted::LastBrowserId();
//   scripted::Paint(id, PET_VIEW, pixels.data(), 800, 600);
//   scripted::LoadEnd(id);
//   EXPECT_EQ(1u, scripted::CountOf(scripted::CallKind::kGetText));
//   ...
//   scripted::Reset();                               // in TearDown
//
// Every function here may be called from the test thread. The delivery
// helpers block until the callback ran on its thread; never call them from
// inside an engine callback of the other thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_v8.h"

namespace mvengine {
namespace scripted {

// ---------------------------------------------------------------------------
// Selection and reset

// Makes the next CefInitialize / CefExecuteProcess use the scripted runtime
// (browser and sub-process sides) and allows a new CefInitialize after
// CefShutdown. Every CefInitialize gets a fresh runtime.
void Install();

// Between tests: shuts a running scripted engine down (CefShutdown), clears
// the record, the hooks and the faked API hash. The runtime stays installed.
void Reset();

// True between a successful CefInitialize and CefShutdown.
bool IsRunning();

// What cef_api_hash(0) reports; a value other than the headers' makes
// CefInitialize return false and CefExecuteProcess 0. NULL restores.
void SetApiHash(const char* hash);

// Exit code the scripted sub-process side returns from CefExecuteProcess
// (for a command line with a "type" switch); default 0.
void SetSubprocessExitCode(int exit_code);

// ---------------------------------------------------------------------------
// The record of engine calls

enum class CallKind {
  kInitialize,          // CefInitialize reached the runtime: settings, has_application
  kShutdown,            // CefShutdown
  kExecuteProcess,      // CefExecuteProcess with a type: text = type
  kCreateBrowser,       // window, browser_settings, text = url, client
  kLoadURL,             // frame_id, text = url
  kLoadString,          // frame_id, text = string, url
  kGetText,             // frame_id
  kGoBack,
  kGoForward,
  kCanGoBack,           // flag = the answer given
  kCanGoForward,        // flag = the answer given
  kReload,
  kReloadIgnoreCache,
  kStopLoad,
  kIsLoading,           // flag = the answer given
  kSetZoomLevel,        // zoom (exact)
  kCloseBrowser,        // flag = force_close
  kSetFocus,            // flag
  kWasResized,
  kWasHidden,           // flag
  kNotifyScreenInfoChanged,
  kInvalidate,          // number = paint element type
  kSetWindowlessFrameRate,  // number
  kSendMouseClickEvent,     // mouse, number = button type, flag = mouseUp, count = clickCount
  kSendMouseMoveEvent,      // mouse, flag = mouseLeave
  kSendMouseWheelEvent,     // mouse, delta_x, delta_y
  kSendFocusEvent,          // flag = setFocus
  kSendCaptureLostEvent,
  kSendKeyEvent,            // key
  kImeSetComposition,       // text, underlines, range = replacement, selection
  kImeCommitText,           // text, range = replacement, count = relative_cursor_pos
  kImeFinishComposingText,  // flag = keep_selection
  kImeCancelComposition,
  kSendProcessMessage,      // process = sender side, target, message (deep copy)
};

const char* CallKindName(CallKind kind);

// cef_settings_t with strings as UTF-8.
struct SettingsRecord {
  size_t size = 0;
  int single_process = 0;
  int no_sandbox = 0;
  std::string browser_subprocess_path;
  int multi_threaded_message_loop = 0;
  int windowless_rendering_enabled = 0;
  int command_line_args_disabled = 0;
  std::string cache_path;
  std::string user_data_path;
  int persist_session_cookies = 0;
  int persist_user_preferences = 0;
  std::string user_agent;
  std::string product_version;
  std::string locale;
  std::string log_file;
  int log_severity = 0;
  std::string javascript_flags;
  std::string resources_dir_path;
  std::string locales_dir_path;
  int pack_loading_disabled = 0;
  int remote_debugging_port = 0;
  int uncaught_exception_stack_size = 0;
  int context_safety_implementation = 0;
  int ignore_certificate_errors = 0;
  uint32_t background_color = 0;
  std::string accept_language_list;
};

// cef_browser_settings_t with strings as UTF-8; the cef_state_t members as int.
struct BrowserSettingsRecord {
  size_t size = 0;
  int windowless_frame_rate = 0;
  std::string standard_font_family, fixed_font_family, serif_font_family, sans_serif_font_family,
      cursive_font_family, fantasy_font_family;
  int default_font_size = 0, default_fixed_font_size = 0, minimum_font_size = 0, minimum_logical_font_size = 0;
  std::string default_encoding;
  int remote_fonts = 0, javascript = 0, javascript_open_windows = 0, javascript_close_windows = 0,
      javascript_access_clipboard = 0, javascript_dom_paste = 0, caret_browsing = 0, plugins = 0,
      universal_access_from_file_urls = 0, file_access_from_file_urls = 0, web_security = 0, image_loading = 0,
      image_shrink_standalone_to_fit = 0, text_area_resize = 0, tab_to_links = 0, local_storage = 0,
      databases = 0, application_cache = 0, webgl = 0;
  uint32_t background_color = 0;
  std::string accept_language_list;
};

// cef_window_info_t. style/ex_style exist only on Windows and stay 0 elsewhere.
struct WindowInfoRecord {
  uint32_t ex_style = 0;
  uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  CefWindowHandle parent_window = kNullWindowHandle;
  int windowless_rendering_enabled = 0;
  int transparent_painting_enabled = 0;
};

// One argument of a process message.
struct ArgRecord {
  CefValueType type = VTYPE_INVALID;
  bool bool_value = false;
  int int_value = 0;
  double double_value = 0;
  std::string string_value;  // UTF-8
};

struct MessageRecord {
  std::string name;  // UTF-8
  std::vector<ArgRecord> args;
};

struct Call {
  Call() = default;
  explicit Call(CallKind what, int browser = 0, CefProcessId side = PID_BROWSER)
      : kind(what), browser_id(browser), process(side) {}

  CallKind kind = CallKind::kInitialize;
  int browser_id = 0;                 // 0 when the call is not about a browser
  CefProcessId process = PID_BROWSER;  // the side that made the call
  int64 frame_id = 0;
  std::string text;                   // url / string / IME text / process type (UTF-8)
  std::string url;                    // kLoadString
  bool flag = false;
  double zoom = 0;
  int number = 0;
  int count = 0;
  int delta_x = 0, delta_y = 0;
  cef_mouse_event_t mouse = {};
  cef_key_event_t key = {};
  cef_range_t range = {};
  cef_range_t selection = {};
  std::vector<cef_composition_underline_t> underlines;
  CefProcessId target = PID_BROWSER;  // kSendProcessMessage
  MessageRecord message;              // kSendProcessMessage
  WindowInfoRecord window;            // kCreateBrowser
  BrowserSettingsRecord browser_settings;  // kCreateBrowser
  const CefClient* client = nullptr;  // kCreateBrowser: identity only (holds no reference)
  SettingsRecord settings;            // kInitialize
  bool has_application = false;       // kInitialize
};

std::vector<Call> Calls();                  // a snapshot, in call order
std::vector<Call> CallsOf(CallKind kind);
size_t CountOf(CallKind kind);
void ClearCalls();
// Waits until at least `count` calls of `kind` are recorded (counting those
// already there). False on timeout.
bool WaitForCall(CallKind kind, size_t count = 1, int timeout_ms = 5000);
// The last call of `kind`; a default Call when there is none.
Call LastCall(CallKind kind);

// ---------------------------------------------------------------------------
// Threads

bool OnUiThread();
bool OnRendererThread();
// Run `task` on that thread and return after it ran (inline when already there).
// Do nothing when no scripted engine is running.
void RunOnUi(const std::function<void()>& task);
void RunOnRenderer(const std::function<void()>& task);
// Returns once both queues are empty and idle, including tasks queued by
// tasks (an OnAfterCreated posted by CreateBrowser, a message hop, ...).
void WaitIdle();

// ---------------------------------------------------------------------------
// Browsers (ids are 1, 2, 3, ... per CefInitialize)

std::vector<int> BrowserIds();
int LastBrowserId();                                 // 0 when none
CefRefPtr<CefBrowser> GetBrowser(int browser_id);        // browser-side object
CefRefPtr<CefBrowser> GetRenderBrowser(int browser_id);  // render-side object (same id)
CefRefPtr<CefClient> GetClient(int browser_id);
bool IsClosed(int browser_id);                       // CloseBrowser was called

// The window handle a windowed browser gets (GetHost()->GetWindowHandle());
// called on the creating thread with the new browser's id. Default: a distinct
// non-null value per browser. Windowless browsers have kNullWindowHandle.
void SetWindowHandleProvider(std::function<CefWindowHandle(int browser_id)> provider);

// The main frame of browsers created from now on gets this identifier
// (default: 1000 * browser id + 1). Any 64-bit value works, including ones
// whose low 32 bits have the top bit set.
void SetNextMainFrameId(int64 frame_id);
// Replaces a browser's main frame by a new one with this identifier.
void SetMainFrameId(int browser_id, int64 frame_id);
int64 MainFrameId(int browser_id);
void AddFrame(int browser_id, int64 frame_id, const std::string& name);

// What CanGoBack / CanGoForward / IsLoading answer.
void SetCanGoBack(int browser_id, bool value);
void SetCanGoForward(int browser_id, bool value);
void SetIsLoading(int browser_id, bool value);
// What GetText delivers (asynchronously, on the UI thread) for any frame.
void SetPageText(int browser_id, const CefString& text);

// ---------------------------------------------------------------------------
// Deliveries: each runs the client's callback on the UI thread (or the render
// handler's on the renderer thread) and returns after it ran.

// OnPaint through the client's render handler; false without one.
bool Paint(int browser_id, cef_paint_element_type_t type, const void* bgra, int width, int height,
           const std::vector<CefRect>& dirty_rects = std::vector<CefRect>());
// GetViewRect through the render handler; false without one.
bool GetViewRect(int browser_id, CefRect* rect);
// GetScreenPoint through the render handler.
bool GetScreenPoint(int browser_id, int view_x, int view_y, int* screen_x, int* screen_y);

void LoadingStateChange(int browser_id, bool is_loading, bool can_go_back, bool can_go_forward);
void LoadStart(int browser_id, int64 frame_id = 0);  // frame 0: the main frame
void LoadEnd(int browser_id, int http_status_code = 200, int64 frame_id = 0);
void LoadError(int browser_id, cef_errorcode_t error_code, const std::string& error_text,
               const std::string& failed_url, int64 frame_id = 0);
void AddressChange(int browser_id, const std::string& url, int64 frame_id = 0);
void TitleChange(int browser_id, const std::string& title);
bool ConsoleMessage(int browser_id, const std::string& message, const std::string& source, int line);

// What a JavaScript dialog's callback received; shared with the callback, so
// a Continue that comes later (from another thread) shows up too.
class DialogOutcome {
 public:
  DialogOutcome();
  bool handled = false;           // OnJSDialog's result
  bool suppress_message = false;  // the out parameter after the call
  bool has_handler = false;       // the client had a JS dialog handler
  bool WaitContinued(int timeout_ms = 5000);  // true once Continue ran
  bool continued();
  int continue_count();
  bool success();
  std::string user_input();  // UTF-8
  // Internal: called by the callback.
  void RecordContinue(bool success, const std::string& user_input);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

DialogOutcome JSDialog(int browser_id, cef_jsdialog_type_t type, const std::string& message,
                       const std::string& default_prompt = std::string(),
                       const std::string& origin_url = "http://example.test/",
                       const std::string& accept_lang = "en-US");

struct PopupOutcome {
  bool has_handler = false;
  bool cancelled = false;  // OnBeforePopup's result
};
PopupOutcome Popup(int browser_id, const std::string& target_url,
                   cef_window_open_disposition_t disposition = WOD_NEW_FOREGROUND_TAB, bool user_gesture = true,
                   int64 frame_id = 0);

struct ContextMenuOutcome {
  bool has_handler = false;
  int items_before = 0;
  int items_after = 0;   // after OnBeforeContextMenu
  int clear_calls = 0;   // CefMenuModel::Clear calls
  bool run_handled = false;  // RunContextMenu's result
};
// OnBeforeContextMenu then RunContextMenu with a model holding the usual
// page items (back, forward, reload, ...).
ContextMenuOutcome ContextMenu(int browser_id, int64 frame_id = 0);

// OnPreKeyEvent then (when not consumed) OnKeyEvent; the result of the last one.
bool KeyboardEvent(int browser_id, const CefKeyEvent& event);

// A message from the render process (client's OnProcessMessageReceived on the
// UI thread, source PID_RENDERER). Returns the handler's result.
bool DeliverToBrowser(int browser_id, CefRefPtr<CefProcessMessage> message);
// A message from the browser process (render-process handler on the renderer
// thread, source PID_BROWSER). Returns the handler's result.
bool DeliverToRenderer(int browser_id, CefRefPtr<CefProcessMessage> message);

// ---------------------------------------------------------------------------
// Render side: V8 contexts

// Creates the V8 context of a frame's new document and runs OnContextCreated
// on the renderer thread (frame 0: the main frame). The render-side frame's
// GetV8Context() returns it from then on.
CefRefPtr<CefV8Context> CreateContext(int browser_id, int64 frame_id = 0);
// OnContextReleased, then the context turns invalid.
void ReleaseContext(int browser_id, int64 frame_id = 0);
CefRefPtr<CefV8Context> GetContext(int browser_id, int64 frame_id = 0);

struct FunctionResult {
  bool found = false;               // the global has a function of that name
  CefRefPtr<CefV8Value> value;      // return value (undefined when none); NULL when it threw
  std::string exception;            // UTF-8; empty when it did not throw
};
// Calls the function installed on the context's global (window.name) with
// `arguments`, on the renderer thread with the context current, as a page's
// script would.
FunctionResult CallFunction(CefRefPtr<CefV8Context> context, const std::string& name,
                            const CefV8ValueList& arguments = CefV8ValueList());
// A property of the context's global (undefined when missing), read on the
// renderer thread.
CefRefPtr<CefV8Value> GetGlobalProperty(CefRefPtr<CefV8Context> context, const std::string& name);
// Every write of `name` on the context's global throws `message` from now on
// (SetValue returns false, HasException() is true).
void FailGlobalWrites(CefRefPtr<CefV8Context> context, const std::string& name,
                      const std::string& message = "write refused");

// Convenience readers (values from CallFunction / GetGlobalProperty).
std::string StringOf(CefRefPtr<CefV8Value> value);  // UTF-8; empty unless a string

}  // namespace scripted
}  // namespace mvengine
