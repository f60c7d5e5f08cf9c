#include "engine/runtime/scripted/call_recorder.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace mvengine {
namespace scripted {
namespace {

struct Recorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Call> calls;  // guarded by mutex
};

Recorder& TheRecorder() {
  static Recorder* recorder = new Recorder();  // used until process exit
  return *recorder;
}

std::string Utf8(const cef_string_t& s) { return CefString(&s).ToString(); }

size_t CountIn(const std::vector<Call>& calls, CallKind kind) {
  return static_cast<size_t>(
      std::count_if(calls.begin(), calls.end(), [kind](const Call& c) { return c.kind == kind; }));
}

}  // namespace

void RecordCall(Call call) {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.calls.push_back(std::move(call));
  r.changed.notify_all();
}

std::vector<Call> Calls() {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.calls;
}

std::vector<Call> CallsOf(CallKind kind) {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::vector<Call> out;
  for (const Call& c : r.calls) {
    if (c.kind == kind)
      out.push_back(c);
  }
  return out;
}

size_t CountOf(CallKind kind) {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> lock(r.mutex);
  return CountIn(r.calls, kind);
}

void ClearCalls() {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.calls.clear();
}

bool WaitForCall(CallKind kind, size_t count, int timeout_ms) {
  Recorder& r = TheRecorder();
  std::unique_lock<std::mutex> lock(r.mutex);
  return r.changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                            [&] { return CountIn(r.calls, kind) >= count; });
}

Call LastCall(CallKind kind) {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto it = r.calls.rbegin(); it != r.calls.rend(); ++it) {
    if (it->kind == kind)
      return *it;
  }
  return Call();
}

const char* CallKindName(CallKind kind) {
  switch (kind) {
    case CallKind::kInitialize: return "Initialize";
    case CallKind::kShutdown: return "Shutdown";
    case CallKind::kExecuteProcess: return "ExecuteProcess";
    case CallKind::kCreateBrowser: return "CreateBrowser";
    case CallKind::kLoadURL: return "LoadURL";
    case CallKind::kLoadString: return "LoadString";
    case CallKind::kGetText: return "GetText";
    case CallKind::kGoBack: return "GoBack";
    case CallKind::kGoForward: return "GoForward";
    case CallKind::kCanGoBack: return "CanGoBack";
    case CallKind::kCanGoForward: return "CanGoForward";
    case CallKind::kReload: return "Reload";
    case CallKind::kReloadIgnoreCache: return "ReloadIgnoreCache";
    case CallKind::kStopLoad: return "StopLoad";
    case CallKind::kIsLoading: return "IsLoading";
    case CallKind::kSetZoomLevel: return "SetZoomLevel";
    case CallKind::kCloseBrowser: return "CloseBrowser";
    case CallKind::kSetFocus: return "SetFocus";
    case CallKind::kWasResized: return "WasResized";
    case CallKind::kWasHidden: return "WasHidden";
    case CallKind::kNotifyScreenInfoChanged: return "NotifyScreenInfoChanged";
    case CallKind::kInvalidate: return "Invalidate";
    case CallKind::kSetWindowlessFrameRate: return "SetWindowlessFrameRate";
    case CallKind::kSendMouseClickEvent: return "SendMouseClickEvent";
    case CallKind::kSendMouseMoveEvent: return "SendMouseMoveEvent";
    case CallKind::kSendMouseWheelEvent: return "SendMouseWheelEvent";
    case CallKind::kSendFocusEvent: return "SendFocusEvent";
    case CallKind::kSendCaptureLostEvent: return "SendCaptureLostEvent";
    case CallKind::kSendKeyEvent: return "SendKeyEvent";
    case CallKind::kImeSetComposition: return "ImeSetComposition";
    case CallKind::kImeCommitText: return "ImeCommitText";
    case CallKind::kImeFinishComposingText: return "ImeFinishComposingText";
    case CallKind::kImeCancelComposition: return "ImeCancelComposition";
    case CallKind::kSendProcessMessage: return "SendProcessMessage";
  }
  return "?";
}

SettingsRecord RecordOf(const cef_settings_t& s) {
  SettingsRecord r;
  r.size = s.size;
  r.single_process = s.single_process;
  r.no_sandbox = s.no_sandbox;
  r.browser_subprocess_path = Utf8(s.browser_subprocess_path);
  r.multi_threaded_message_loop = s.multi_threaded_message_loop;
  r.windowless_rendering_enabled = s.windowless_rendering_enabled;
  r.command_line_args_disabled = s.command_line_args_disabled;
  r.cache_path = Utf8(s.cache_path);
  r.user_data_path = Utf8(s.user_data_path);
  r.persist_session_cookies = s.persist_session_cookies;
  r.persist_user_preferences = s.persist_user_preferences;
  r.user_agent = Utf8(s.user_agent);
  r.product_version = Utf8(s.product_version);
  r.locale = Utf8(s.locale);
  r.log_file = Utf8(s.log_file);
  r.log_severity = s.log_severity;
  r.javascript_flags = Utf8(s.javascript_flags);
  r.resources_dir_path = Utf8(s.resources_dir_path);
  r.locales_dir_path = Utf8(s.locales_dir_path);
  r.pack_loading_disabled = s.pack_loading_disabled;
  r.remote_debugging_port = s.remote_debugging_port;
  r.uncaught_exception_stack_size = s.uncaught_exception_stack_size;
  r.context_safety_implementation = s.context_safety_implementation;
  r.ignore_certificate_errors = s.ignore_certificate_errors;
  r.background_color = s.background_color;
  r.accept_language_list = Utf8(s.accept_language_list);
  return r;
}

BrowserSettingsRecord RecordOf(const cef_browser_settings_t& s) {
  BrowserSettingsRecord r;
  r.size = s.size;
  r.windowless_frame_rate = s.windowless_frame_rate;
  r.standard_font_family = Utf8(s.standard_font_family);
  r.fixed_font_family = Utf8(s.fixed_font_family);
  r.serif_font_family = Utf8(s.serif_font_family);
  r.sans_serif_font_family = Utf8(s.sans_serif_font_family);
  r.cursive_font_family = Utf8(s.cursive_font_family);
  r.fantasy_font_family = Utf8(s.fantasy_font_family);
  r.default_font_size = s.default_font_size;
  r.default_fixed_font_size = s.default_fixed_font_size;
  r.minimum_font_size = s.minimum_font_size;
  r.minimum_logical_font_size = s.minimum_logical_font_size;
  r.default_encoding = Utf8(s.default_encoding);
  r.remote_fonts = s.remote_fonts;
  r.javascript = s.javascript;
  r.javascript_open_windows = s.javascript_open_windows;
  r.javascript_close_windows = s.javascript_close_windows;
  r.javascript_access_clipboard = s.javascript_access_clipboard;
  r.javascript_dom_paste = s.javascript_dom_paste;
  r.caret_browsing = s.caret_browsing;
  r.plugins = s.plugins;
  r.universal_access_from_file_urls = s.universal_access_from_file_urls;
  r.file_access_from_file_urls = s.file_access_from_file_urls;
  r.web_security = s.web_security;
  r.image_loading = s.image_loading;
  r.image_shrink_standalone_to_fit = s.image_shrink_standalone_to_fit;
  r.text_area_resize = s.text_area_resize;
  r.tab_to_links = s.tab_to_links;
  r.local_storage = s.local_storage;
  r.databases = s.databases;
  r.application_cache = s.application_cache;
  r.webgl = s.webgl;
  r.background_color = s.background_color;
  r.accept_language_list = Utf8(s.accept_language_list);
  return r;
}

WindowInfoRecord RecordOf(const cef_window_info_t& info) {
  WindowInfoRecord r;
#if defined(OS_WIN)
  r.ex_style = info.ex_style;
  r.style = info.style;
#endif
  r.x = static_cast<int>(info.x);
  r.y = static_cast<int>(info.y);
  r.width = static_cast<int>(info.width);
  r.height = static_cast<int>(info.height);
  r.parent_window = info.parent_window;
  r.windowless_rendering_enabled = info.windowless_rendering_enabled;
  r.transparent_painting_enabled = info.transparent_painting_enabled;
  return r;
}

MessageRecord RecordOf(CefRefPtr<CefProcessMessage> message) {
  MessageRecord r;
  if (!message)
    return r;
  r.name = message->GetName().ToString();
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  for (size_t i = 0; args && i < args->GetSize(); ++i) {
    int index = static_cast<int>(i);
    ArgRecord a;
    a.type = args->GetType(index);
    a.bool_value = args->GetBool(index);
    a.int_value = args->GetInt(index);
    a.double_value = args->GetDouble(index);
    a.string_value = args->GetString(index).ToString();
    r.args.push_back(a);
  }
  return r;
}

}  // namespace scripted
}  // namespace mvengine
