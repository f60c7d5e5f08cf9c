// The process-wide record of engine calls (outlives each runtime so tests can
// look at it after CefShutdown).
#pragma once

#include "engine/runtime/scripted/scripted_runtime.h"

namespace mvengine {
namespace scripted {

void RecordCall(Call call);

// Copies of engine structs and messages for the record.
SettingsRecord RecordOf(const cef_settings_t& settings);
BrowserSettingsRecord RecordOf(const cef_browser_settings_t& settings);
WindowInfoRecord RecordOf(const cef_window_info_t& info);
MessageRecord RecordOf(CefRefPtr<CefProcessMessage> message);

}  // namespace scripted
}  // namespace mvengine
