// The browser and frames as the render side sees them: what the render-process
// handler gets. They know what the browser process last told them and send
// everything else back over the channel.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "engine/runtime/chromium/devtools_transport.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"
#include "engine/runtime/chromium/render_wire.h"

namespace mvengine {
namespace chromium {

class RendererBrowser;

class RendererFrame : public CefFrame {
 public:
  RendererFrame(CefRefPtr<RendererBrowser> browser, const FrameInfo& info);

  bool IsValid() override;
  void GetText(CefRefPtr<CefStringVisitor> visitor) override {}  // only the browser process reads text
  void LoadURL(const CefString& url) override;
  void LoadString(const CefString& string_val, const CefString& url) override {}
  void ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) override;
  bool IsMain() override;
  CefString GetName() override;
  int64 GetIdentifier() override { return identifier_; }
  CefRefPtr<CefFrame> GetParent() override;
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;

  const std::string& key() const { return key_; }
  void Update(const FrameInfo& info);
  void SetV8Context(CefRefPtr<CefV8Context> context);
  void ClearV8Context(CefRefPtr<CefV8Context> context);  // only if still current
  void Detach();  // the browser went away (breaks the cycle)

 private:
  std::mutex mutex_;  // guards the fields below
  CefRefPtr<RendererBrowser> browser_;
  std::string url_;
  std::string name_;
  std::string parent_;
  CefRefPtr<CefV8Context> context_;

  const std::string key_;
  const int64 identifier_;

  IMPLEMENT_REFCOUNTING(RendererFrame);
};

class RendererBrowser : public CefBrowser {
 public:
  using Sender = std::function<bool(const Json&)>;
  RendererBrowser(int id, bool popup, Sender send);

  CefRefPtr<CefBrowserHost> GetHost() override { return NULL; }  // the browser process's
  bool CanGoBack() override { return false; }
  void GoBack() override { History("back"); }
  bool CanGoForward() override { return false; }
  void GoForward() override { History("forward"); }
  bool IsLoading() override { return false; }
  void Reload() override { History("reload"); }
  void StopLoad() override { History("stop"); }
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override { return that.get() == this; }
  bool IsPopup() override { return popup_; }
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  void GetFrameNames(std::vector<CefString>& names) override;
  bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

  // Learns or refreshes a frame; the main frame is the one without a parent.
  CefRefPtr<RendererFrame> UpdateFrame(const FrameInfo& info);
  CefRefPtr<RendererFrame> FrameByKey(const std::string& key);
  // The frame left the page: it is no longer one of the browser's. Returns it, or null.
  CefRefPtr<RendererFrame> ForgetFrame(const std::string& key);
  // Frames are detached and forgotten; sends go nowhere.
  void Detach();
  bool Send(const Json& message);

 private:
  void History(const char* what);

  const int id_;
  const bool popup_;
  std::mutex mutex_;  // guards the fields below
  Sender send_;
  std::map<std::string, CefRefPtr<RendererFrame>> frames_;  // by key
  std::string main_key_;

  IMPLEMENT_REFCOUNTING(RendererBrowser);
};

}  // namespace chromium
}  // namespace mvengine
