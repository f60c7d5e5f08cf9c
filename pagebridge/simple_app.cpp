#include "pagebridge/simple_app.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include <windows.h>

#include "include/cef_command_line.h"
#include "pagebridge/bridge_origins.h"
#include "pagebridge/process_messages.h"
#include "pagebridge/simple_v8_handler.h"

namespace {

// "提示" in code page 936, for the ANSI message box.
const char kNoticeCaption[] = "\xCC\xE1\xCA\xBE";

const char* const kBridgeFunctions[] = {mvcef::kFnUploadImg, mvcef::kFnBatchUploadImg, mvcef::kFnInitUploadIsDone,
                                        mvcef::kFnUploadIsDone, mvcef::kFnUploadFeedbackImg};

}  // namespace

void SimpleApp::OnBeforeCommandLineProcessing(const CefString& process_type,
                                              CefRefPtr<CefCommandLine> command_line) {
  if (!command_line) return;
  command_line->AppendSwitchWithValue("--lang", "zh-CN");
  command_line->AppendSwitch("disable-gpu");
  command_line->AppendSwitch("disable-gpu-compositing");
  command_line->AppendSwitch("ppapi-out-of-process");
  command_line->AppendSwitchWithValue("ppapi-flash-version", "28.0.0.137");
  command_line->AppendSwitchWithValue("ppapi-flash-path", "Plugins\\pepflashplayer.dll");
  // A render process learns the origins from the browser process that started it; the game's own
  // command line (no process type) has no say.
  if (!process_type.empty() && command_line->HasSwitch(mvcef::kBridgeOriginsSwitch)) {
    const std::string list = command_line->GetSwitchValue(mvcef::kBridgeOriginsSwitch).ToString();
    bridge_origins_ = mvcef::ParseOriginList(list).origins;
  }
}

void SimpleApp::OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {
  if (!command_line || !bridge_origins_) return;
  std::string joined;
  for (const std::string& origin : *bridge_origins_) joined += (joined.empty() ? "" : ",") + origin;
  command_line->AppendSwitchWithValue(mvcef::kBridgeOriginsSwitch, joined);
}

void SimpleApp::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) {
  if (!context) return;
  if (bridge_origins_) {
    const std::string url = frame ? frame->GetURL().ToString() : std::string();
    if (!mvcef::BridgeAllowed(bridge_origins_, url)) {
      const std::string origin = mvcef::OriginOfUrl(url).value_or(url.substr(0, 64));
      OutputDebugStringA(("mvcef: no page bridge for " + origin).c_str());
      return;  // neither functions nor value: the frame cannot tell a game is there
    }
  }
  if (!js_handler_) js_handler_ = new SimpleV8JSHandler(upload_status_);
  if (frame) upload_status_->Reset(frame->GetIdentifier());  // a new document starts at false
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  if (!global) return;
  global->SetValue(mvcef::kUploadIsDoneValue, CefV8Value::CreateBool(false), V8_PROPERTY_ATTRIBUTE_NONE);
  for (const char* name : kBridgeFunctions) {
    global->SetValue(name, CefV8Value::CreateFunction(name, js_handler_), V8_PROPERTY_ATTRIBUTE_NONE);
  }
}

bool SimpleApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                         CefRefPtr<CefProcessMessage> message) {
  if (!message || message->GetName().ToString() != mvcef::kMsgInitUploadIsDoneEx) return false;
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (!args || !browser) return true;

  const bool done = args->GetBool(2);
  const int32_t low = args->GetInt(0);
  const int32_t high = args->GetInt(1);
  const int64_t frame_id = mvcef::JoinFrameId(low, high);

  // The page may have navigated away since it asked; then there is nothing to update.
  CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
  if (!frame) return true;
  CefRefPtr<CefV8Context> context = frame->GetV8Context();
  if (!context || !context->Enter()) return true;

  // A true waits for a poll to take it; a false (the answer to a later poll of the same burst)
  // must not erase it. The window's value shows whether one waits.
  upload_status_->Report(frame_id, done);
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  const bool written =
      global && global->SetValue(mvcef::kUploadIsDoneValue, CefV8Value::CreateBool(upload_status_->Waiting(frame_id)),
                                 V8_PROPERTY_ATTRIBUTE_NONE);
  CefRefPtr<CefV8Value> again = context->GetGlobal();
  if (again && again->HasException()) {
    char notice[256] = {0};
    std::snprintf(notice, sizeof notice, "frame_id2:%" PRId64 ",low:%d,high:%d,ret:%d", frame_id, low, high,
                  written ? 1 : 0);
    MessageBoxA(nullptr, notice, kNoticeCaption, MB_TOPMOST);
  }
  context->Exit();
  return true;
}
