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

bool ChromiumFrame::IsValid() {
  std::lock_guard<std::mutex> lock(mutex_);
  return browser_.get() != nullptr;
}

CefRefPtr<CefBrowser> ChromiumFrame::GetBrowser() {
  std::lock_guard<std::mutex> lock(mutex_);
  return browser_.get();
}

CefString ChromiumFrame::GetURL() {
  std::lock_guard<std::mutex> lock(mutex_);
  return url_;
}

CefString ChromiumFrame::GetName() {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

CefRefPtr<CefFrame> ChromiumFrame::GetParent() {
  CefRefPtr<ChromiumBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (!browser || parent_devtools_id_.empty()) return nullptr;
  return browser->FrameForDevToolsId(parent_devtools_id_);
}

void ChromiumFrame::SetUrlAndName(const std::string& url, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  url_ = url;
  name_ = name;
}

void ChromiumFrame::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  browser_ = nullptr;
}

void ChromiumFrame::LoadURL(const CefString& url) {
  CefRefPtr<ChromiumBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (!browser) return;
  if (auto s = browser->session()) {
    Json params = {{"url", url.ToString()}};
    if (!IsMain()) params["frameId"] = devtools_id_;
    s->Send("Page.navigate", params);
  }
}

void ChromiumFrame::LoadString(const CefString& string_val, const CefString& url) {
  CefRefPtr<ChromiumBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (!browser) return;
  // The content replaces the frame's document in place; `url` only names it.
  if (auto s = browser->session())
    s->Send("Page.setDocumentContent", {{"frameId", devtools_id_}, {"html", string_val.ToString()}});
}

void ChromiumFrame::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
  CefRefPtr<ChromiumBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (!browser) return;
  std::string expression = code.ToString();
  std::string id = devtools_id_;
  browser->context()->ui.Post([browser, id, expression] {
    browser->EvaluateInFrame(id, expression, [](const std::string&) {});
  });
}

void ChromiumFrame::GetText(CefRefPtr<CefStringVisitor> visitor) {
  CefRefPtr<ChromiumBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (!browser || !visitor) return;
  std::string id = devtools_id_;
  browser->context()->ui.Post([browser, id, visitor] {
    browser->EvaluateInFrame(id, "document.body ? document.body.innerText : ''",
                             [visitor](const std::string& text) { visitor->Visit(text); });
  });
}

void ChromiumFrame::GetSource(CefRefPtr<CefStringVisitor> visitor) {
  CefRefPtr<ChromiumBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (!browser || !visitor) return;
  std::string id = devtools_id_;
  browser->context()->ui.Post([browser, id, visitor] {
    browser->EvaluateInFrame(id, "document.documentElement ? document.documentElement.outerHTML : ''",
                             [visitor](const std::string& text) { visitor->Visit(text); });
  });
}

// Contexts live on the render side only, as in a browser process of the engine.
CefRefPtr<CefV8Context> ChromiumFrame::GetV8Context() { return NULL; }

}  // namespace chromium
}  // namespace mvengine
