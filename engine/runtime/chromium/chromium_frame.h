// A frame of a Chromium page as the engine's CefFrame.
#pragma once

#include <mutex>
#include <string>

#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"
#include "engine/runtime/chromium/devtools_transport.h"
#include "engine/runtime/chromium/shared_read.h"

namespace mvengine {
namespace chromium {

class ChromiumBrowser;

class ChromiumFrame : public CefFrame {
 public:
  ChromiumFrame(CefRefPtr<ChromiumBrowser> browser, std::string devtools_id, int64 identifier,
                std::string parent_devtools_id);

  // Any thread.
  bool IsValid() override;
  void GetText(CefRefPtr<CefStringVisitor> visitor) override;
  void GetSource(CefRefPtr<CefStringVisitor> visitor) override;
  void LoadURL(const CefString& url) override;
  void LoadString(const CefString& string_val, const CefString& url) override;
  void ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) override;
  bool IsMain() override { return parent_devtools_id_.empty(); }
  CefString GetName() override;
  int64 GetIdentifier() override { return identifier_; }
  CefRefPtr<CefFrame> GetParent() override;
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;  // always null: contexts are the render side's

  const std::string& devtools_id() const { return devtools_id_; }
  const std::string& parent_devtools_id() const { return parent_devtools_id_; }
  // The frame's document: its address, the frame's name, and the security origin Chromium reported
  // when it committed ("" while none was heard).
  void SetDocument(const std::string& url, const std::string& name, const std::string& origin);
  std::string document_origin();
  // True once for a frame whose document was never heard of: its first bridge request may have
  // come before its commit (the two travel by different ways) and should wait for it.
  bool TakeCommitWait();
  void Detach();  // the frame left the page, or the browser closed

 private:
  CefRefPtr<ChromiumBrowser> browser();  // null once detached
  void SendToPage(const std::string& method, const Json& params);
  // Evaluates `expression` in this frame's document on the UI thread; `visitor` (may be null) gets
  // the string result.
  void Evaluate(const std::string& expression, CefRefPtr<CefStringVisitor> visitor);
  // Reads the document's text or markup for `visitor` on the UI thread, sharing a read under way.
  void Read(SharedRead ChromiumFrame::*read, const char* expression, CefRefPtr<CefStringVisitor> visitor);

  std::mutex mutex_;  // guards the fields below
  CefRefPtr<ChromiumBrowser> browser_;  // null once detached (breaks the cycle)
  std::string url_;
  std::string name_;
  std::string origin_;
  bool commit_waited_ = false;

  // UI thread.
  SharedRead text_read_;
  SharedRead source_read_;

  const std::string devtools_id_;
  const int64 identifier_;
  const std::string parent_devtools_id_;

  IMPLEMENT_REFCOUNTING(ChromiumFrame);
};

}  // namespace chromium
}  // namespace mvengine
