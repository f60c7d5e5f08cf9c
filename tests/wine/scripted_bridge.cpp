// The scripted engine's test controls as plain C exports of the test DLL (see scripted_bridge.h).
// Called on the host's thread; the scripted runtime runs the callbacks on its own threads.
#include "scripted_bridge.h"

#include <cstring>
#include <string>

#include "engine/runtime/scripted/scripted_runtime.h"

namespace scripted = mvengine::scripted;

namespace {

bool KindByName(const char* name, scripted::CallKind* kind) {
  for (int i = 0; i <= static_cast<int>(scripted::CallKind::kSendProcessMessage); ++i) {
    const auto k = static_cast<scripted::CallKind>(i);
    if (std::strcmp(scripted::CallKindName(k), name) == 0) {
      *kind = k;
      return true;
    }
  }
  return false;
}

void CopyText(char* out, size_t size, const std::string& text) {
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace

extern "C" {

int mvwine_install(void) {
  scripted::Install();
  return 1;
}

int mvwine_wait_browser(int timeout_ms) {
  if (!scripted::WaitForCall(scripted::CallKind::kCreateBrowser, 1, timeout_ms)) return 0;
  scripted::WaitIdle();
  return scripted::LastBrowserId();
}

int mvwine_count(const char* name) {
  scripted::CallKind kind;
  return KindByName(name, &kind) ? static_cast<int>(scripted::CountOf(kind)) : -1;
}

int mvwine_last(const char* name, MvWineCall* out) {
  std::memset(out, 0, sizeof(*out));
  scripted::CallKind kind;
  if (!KindByName(name, &kind)) return -1;
  if (scripted::CountOf(kind) == 0) return 0;
  const scripted::Call c = scripted::LastCall(kind);
  out->found = 1;
  out->browser_id = c.browser_id;
  out->flag = c.flag;
  out->number = c.number;
  out->count = c.count;
  out->delta_x = c.delta_x;
  out->delta_y = c.delta_y;
  out->mouse_x = c.mouse.x;
  out->mouse_y = c.mouse.y;
  out->mouse_modifiers = c.mouse.modifiers;
  out->key_type = c.key.type;
  out->key_modifiers = c.key.modifiers;
  out->key_windows_code = c.key.windows_key_code;
  out->key_native_code = c.key.native_key_code;
  out->key_is_system = c.key.is_system_key;
  out->key_character = c.key.character;
  out->key_unmodified_character = c.key.unmodified_character;
  out->key_focus_on_editable = c.key.focus_on_editable_field;
  out->range_from = c.range.from;
  out->range_to = c.range.to;
  out->window_windowless = c.window.windowless_rendering_enabled;
  CopyText(out->text, sizeof(out->text), c.text);
  CopyText(out->subprocess_path, sizeof(out->subprocess_path), c.settings.browser_subprocess_path);
  out->multi_threaded_message_loop = c.settings.multi_threaded_message_loop;
  out->windowless_rendering = c.settings.windowless_rendering_enabled;
  return 1;
}

void mvwine_clear(void) { scripted::ClearCalls(); }

void mvwine_wait_idle(void) { scripted::WaitIdle(); }

int mvwine_dialog(int browser_id, int confirm, const char* message_utf8, int* continued, int* success) {
  scripted::DialogOutcome outcome =
      scripted::JSDialog(browser_id, confirm ? JSDIALOGTYPE_CONFIRM : JSDIALOGTYPE_ALERT, message_utf8);
  *continued = outcome.continued() ? 1 : 0;
  *success = outcome.success() ? 1 : 0;
  return outcome.handled ? 1 : 0;
}

int mvwine_popup(int browser_id, const char* url) {
  return scripted::Popup(browser_id, url).cancelled ? 1 : 0;
}

}  // extern "C"
