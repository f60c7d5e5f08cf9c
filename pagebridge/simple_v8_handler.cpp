#include "pagebridge/simple_v8_handler.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include <windows.h>

#include "include/cef_process_message.h"
#include "pagebridge/data_uri.h"
#include "pagebridge/file_bytes.h"
#include "pagebridge/image_paths.h"
#include "pagebridge/process_messages.h"

namespace {

// Images are found relative to the running executable (marovekcef in a render process).
std::optional<std::string> ExecutablePath() {
  char path[MAX_PATH] = {0};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;  // unknown or truncated
  return std::string(path, length);
}

CefRefPtr<CefBrowser> CurrentBrowser() {
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  return context ? context->GetBrowser() : nullptr;
}

bool UploadImg(const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval) {
  if (arguments.empty() || !arguments[0]) return false;
  const int kind = arguments[0]->GetIntValue();
  std::optional<std::string> folder;
  if (arguments.size() >= 2 && arguments[1]) folder = arguments[1]->GetStringValue().ToString();

  std::optional<std::vector<unsigned char>> bytes;
  if (std::optional<std::string> exe = ExecutablePath()) {
    const std::optional<std::string> path =
        mvcef::ScreenshotFilePath(*exe, mvcef::kPathSeparator, kind, folder ? &*folder : nullptr);
    if (path) bytes = mvcef::ReadWholeFile(*path, mvcef::kMaxImageFileBytes);
  }
  // A screenshot that cannot be read (or encoded: memory is finite in a 32-bit process) still
  // gives the page an image to show.
  std::string uri;
  try {
    if (bytes) uri = mvcef::MakeDataUri(mvcef::kPngDataUriPrefix, *bytes);
  } catch (const std::exception&) {
    uri.clear();
  }
  retval = CefV8Value::CreateString(uri.empty() ? mvcef::PlaceholderImageUri() : uri);
  return true;
}

bool BatchUploadImg(const CefV8ValueList& arguments) {
  if (arguments.empty() || !arguments[0]) return false;
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(mvcef::kMsgBatchUploadImg);
  const CefString text = arguments[0]->GetStringValue();
  message->GetArgumentList()->SetString(
      0, text.length() <= mvcef::kMaxBatchTextUnits ? text : CefString(text.c_str(), mvcef::kMaxBatchTextUnits, true));
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (browser) browser->SendProcessMessage(PID_BROWSER, message);
  return true;
}

bool UploadIsDone(mvcef::UploadStatusBook& book, CefRefPtr<CefV8Value>& retval) {
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (!browser) return true;
  // Always the main frame's flag, also when an iframe asks.
  CefRefPtr<CefFrame> main = browser->GetMainFrame();
  if (!main) return true;
  const int64 main_id = main->GetIdentifier();
  // What earlier polls fetched: a true is this poll's alone.
  const bool done = book.Take(main_id);
  retval = CefV8Value::CreateBool(done);
  if (done) {
    CefRefPtr<CefV8Context> main_context = main->GetV8Context();
    CefRefPtr<CefV8Value> global = main_context ? main_context->GetGlobal() : nullptr;
    if (global)
      global->SetValue(mvcef::kUploadIsDoneValue, CefV8Value::CreateBool(book.Waiting(main_id)),
                       V8_PROPERTY_ATTRIBUTE_NONE);
  }

  int32_t low = 0, high = 0;
  mvcef::SplitFrameId(main_id, &low, &high);
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(mvcef::kMsgInitUploadIsDone);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, low);
  args->SetInt(1, high);
  browser->SendProcessMessage(PID_BROWSER, message);
  return true;
}

bool UploadFeedbackImg(const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval) {
  if (arguments.empty() || !arguments[0] || arguments[0]->GetIntValue() != 0) return false;
  std::optional<std::string> path;
  if (std::optional<std::string> exe = ExecutablePath()) path = mvcef::FeedbackPath(*exe, mvcef::kPathSeparator);
  OutputDebugStringA(path ? path->c_str() : "");
  if (!path) return false;
  const std::optional<std::vector<unsigned char>> bytes = mvcef::ReadWholeFile(*path, mvcef::kMaxImageFileBytes);
  if (!bytes) return false;

  std::string uri;
  try {
    uri = mvcef::MakeDataUri(mvcef::kJpegDataUriPrefix, *bytes);
  } catch (const std::exception&) {
    return false;  // too large to encode: as if unreadable
  }
  char line[256] = {0};
  std::snprintf(line, sizeof line, "base64 size = %d", static_cast<int>(uri.size()));
  OutputDebugStringA(line);
  retval = CefV8Value::CreateString(uri);
  if (!retval || retval->IsNull()) OutputDebugStringA("create string null");
  return true;
}

}  // namespace

bool SimpleV8JSHandler::Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                                const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                                CefString& exception) {
  if (name == mvcef::kFnUploadImg) return UploadImg(arguments, retval);
  if (name == mvcef::kFnBatchUploadImg) return BatchUploadImg(arguments);
  if (name == mvcef::kFnUploadIsDone) return UploadIsDone(*book_, retval);
  if (name == mvcef::kFnUploadFeedbackImg) return UploadFeedbackImg(arguments, retval);
  return false;  // initUploadIsDone and anything else
}
