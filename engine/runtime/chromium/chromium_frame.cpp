#include "engine/runtime/chromium/chromium_frame.h"

#include "engine/runtime/chromium/chromium_browser.h"
#include "include/cef_string_visitor.h"

namespace mvengine {
namespace chromium {

ChromiumFrame::ChromiumFrame(CefRefPtr<ChromiumBrowser> browser, std::string devtools_id,
                             int64 identifier, std::string parent_devtools_id)
    : browser_(browser),
      devtools_id_(std::move(devtools_id)),
      identifier_(identifier),
      parent_devtools_id_(std::move(parent_devtools_id)) {}

CefRefPtr<ChromiumBrowser> ChromiumFrame::browser() {
  std::lock_guard<std::mutex> lock(mutex_);
  return browser_;
}

bool ChromiumFrame::IsValid() { return browser() != nullptr; }

CefRefPtr<CefBrowser> ChromiumFrame::GetBrowser() { return browser().get(); }

CefString ChromiumFrame::GetURL() {
  std::lock_guard<std::mutex> lock(mutex_);
  return url_;
}

CefString ChromiumFrame::GetName() {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

CefRefPtr<CefFrame> ChromiumFrame::GetParent() {
  CefRefPtr<ChromiumBrowser> owner = browser();
  if (!owner || parent_devtools_id_.empty()) return nullptr;
  return owner->FrameForDevToolsId(parent_devtools_id_);
}

void ChromiumFrame::SetDocument(const std::string& url, const std::string& name, const std::string& origin) {
  std::lock_guard<std::mutex> lock(mutex_);
  url_ = url;
  name_ = name;
  origin_ = origin;
}

std::string ChromiumFrame::document_origin() {
  std::lock_guard<std::mutex> lock(mutex_);
  return origin_;
}

bool ChromiumFrame::TakeCommitWait() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!url_.empty() || commit_waited_) return false;
  commit_waited_ = true;
  return true;
}

void ChromiumFrame::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  browser_ = nullptr;
}

void ChromiumFrame::SendToPage(const std::string& method, const Json& params) {
  CefRefPtr<ChromiumBrowser> owner = browser();
  if (!owner) return;
  if (auto session = owner->session()) session->Send(method, params);
}

void ChromiumFrame::Evaluate(const std::string& expression, CefRefPtr<CefStringVisitor> visitor) {
  CefRefPtr<ChromiumBrowser> owner = browser();
  if (!owner) return;
  std::string id = devtools_id_;
  owner->PostToUi([owner, id, expression, visitor] {
    owner->EvaluateInFrame(id, expression, [visitor](const std::string& text) {
      if (visitor) visitor->Visit(text);
    });
  });
}

void ChromiumFrame::LoadURL(const CefString& url) {
  CefRefPtr<ChromiumBrowser> owner = browser();
  if (!owner) return;
  std::string address = url.ToString();
  if (std::optional<LoadError> refused = RefusedNavigation(devtools_id_, address)) {
    if (IsMain()) owner->NoteNavigationAsked();
    owner->PostToUi([owner, error = std::move(*refused)] { owner->RefuseNavigation(error); });
    return;
  }
  Json params = {{"url", std::move(address)}};
  if (IsMain()) {
    owner->Navigate({"Page.navigate", std::move(params)});
    return;
  }
  params["frameId"] = devtools_id_;
  SendToPage("Page.navigate", params);
}

void ChromiumFrame::LoadString(const CefString& string_val, const CefString& url) {
  // The content replaces the frame's document in place; `url` only names it.
  SendToPage("Page.setDocumentContent", {{"frameId", devtools_id_}, {"html", string_val.ToString()}});
}

void ChromiumFrame::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
  Evaluate(code.ToString(), nullptr);
}

void ChromiumFrame::Read(SharedRead ChromiumFrame::*read, const char* expression,
                         CefRefPtr<CefStringVisitor> visitor) {
  CefRefPtr<ChromiumBrowser> owner = browser();
  if (!owner || !visitor) return;
  CefRefPtr<ChromiumFrame> self(this);
  owner->PostToUi([self, read, expression, visitor] {
    (self.get()->*read).Ask([visitor](const std::string& text) { visitor->Visit(text); },
                            [self, expression](SharedRead::Visit done) {
                              CefRefPtr<ChromiumBrowser> owner = self->browser();
                              if (!owner) return false;
                              owner->EvaluateInFrame(self->devtools_id_, expression, std::move(done));
                              return true;
                            });
  });
}

void ChromiumFrame::GetText(CefRefPtr<CefStringVisitor> visitor) {
  Read(&ChromiumFrame::text_read_, "document.body ? document.body.innerText : ''", visitor);
}

void ChromiumFrame::GetSource(CefRefPtr<CefStringVisitor> visitor) {
  Read(&ChromiumFrame::source_read_, "document.documentElement ? document.documentElement.outerHTML : ''", visitor);
}

// Contexts live on the render side only, as in a browser process of the engine.
CefRefPtr<CefV8Context> ChromiumFrame::GetV8Context() { return NULL; }

}  // namespace chromium
}  // namespace mvengine
