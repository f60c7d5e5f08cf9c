#include "engine/runtime/chromium/renderer_proxies.h"

#include "engine/runtime/chromium/process_message_json.h"

namespace mvengine {
namespace chromium {

RendererFrame::RendererFrame(CefRefPtr<RendererBrowser> browser, const FrameInfo& info)
    : browser_(browser), url_(info.url), name_(info.name), parent_(info.parent), key_(info.key),
      identifier_(info.id) {}

bool RendererFrame::IsValid() {
  std::lock_guard<std::mutex> lock(mutex_);
  return browser_ != nullptr;
}

void RendererFrame::LoadURL(const CefString& url) {
  CefRefPtr<RendererBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (browser)
    browser->Send({{"t", "load"}, {"browser", browser->GetIdentifier()}, {"frame", key_}, {"url", url.ToString()}});
}

void RendererFrame::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
  CefRefPtr<RendererBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
  }
  if (browser)
    browser->Send(
        {{"t", "eval"}, {"browser", browser->GetIdentifier()}, {"frame", key_}, {"script", code.ToString()}});
}

bool RendererFrame::IsMain() {
  std::lock_guard<std::mutex> lock(mutex_);
  return parent_.empty();
}

CefString RendererFrame::GetName() {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

CefRefPtr<CefFrame> RendererFrame::GetParent() {
  CefRefPtr<RendererBrowser> browser;
  std::string parent;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browser = browser_;
    parent = parent_;
  }
  if (!browser || parent.empty()) return NULL;
  return browser->FrameByKey(parent).get();
}

CefString RendererFrame::GetURL() {
  std::lock_guard<std::mutex> lock(mutex_);
  return url_;
}

CefRefPtr<CefBrowser> RendererFrame::GetBrowser() {
  std::lock_guard<std::mutex> lock(mutex_);
  return browser_.get();
}

CefRefPtr<CefV8Context> RendererFrame::GetV8Context() {
  std::lock_guard<std::mutex> lock(mutex_);
  return context_;
}

void RendererFrame::Update(const FrameInfo& info) {
  std::lock_guard<std::mutex> lock(mutex_);
  url_ = info.url;
  name_ = info.name;
  parent_ = info.parent;
}

void RendererFrame::SetV8Context(CefRefPtr<CefV8Context> context) {
  std::lock_guard<std::mutex> lock(mutex_);
  context_ = context;
}

void RendererFrame::ClearV8Context(CefRefPtr<CefV8Context> context) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (context_ && context_->IsSame(context)) context_ = NULL;
}

void RendererFrame::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  browser_ = NULL;
}

RendererBrowser::RendererBrowser(int id, bool popup, Sender send) : id_(id), popup_(popup), send_(std::move(send)) {}

CefRefPtr<CefFrame> RendererBrowser::GetMainFrame() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = frames_.find(main_key_);
  return it == frames_.end() ? NULL : it->second.get();
}

CefRefPtr<CefFrame> RendererBrowser::GetFrame(int64 identifier) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : frames_)
    if (entry.second->GetIdentifier() == identifier) return entry.second.get();
  return NULL;
}

CefRefPtr<CefFrame> RendererBrowser::GetFrame(const CefString& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : frames_)
    if (entry.second->GetName() == name) return entry.second.get();
  return NULL;
}

size_t RendererBrowser::GetFrameCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_.size();
}

void RendererBrowser::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  std::lock_guard<std::mutex> lock(mutex_);
  identifiers.clear();
  for (auto& entry : frames_) identifiers.push_back(entry.second->GetIdentifier());
}

void RendererBrowser::GetFrameNames(std::vector<CefString>& names) {
  std::lock_guard<std::mutex> lock(mutex_);
  names.clear();
  for (auto& entry : frames_) names.push_back(entry.second->GetName());
}

bool RendererBrowser::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_BROWSER || !message) return false;
  return Send({{"t", "message"}, {"browser", id_}, {"message", ProcessMessageToJson(message)}});
}

CefRefPtr<RendererFrame> RendererBrowser::UpdateFrame(const FrameInfo& info) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (info.parent.empty()) main_key_ = info.key;
  CefRefPtr<RendererFrame>& frame = frames_[info.key];
  if (frame && frame->GetIdentifier() != info.id) {
    frame->Detach();  // a different frame now has this key
    frame = NULL;
  }
  if (frame) frame->Update(info);
  else frame = new RendererFrame(this, info);
  return frame;
}

CefRefPtr<RendererFrame> RendererBrowser::FrameByKey(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = frames_.find(key);
  return it == frames_.end() ? NULL : it->second;
}

CefRefPtr<RendererFrame> RendererBrowser::ForgetFrame(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = frames_.find(key);
  if (it == frames_.end() || key == main_key_) return NULL;
  CefRefPtr<RendererFrame> frame = it->second;
  frames_.erase(it);
  return frame;
}

void RendererBrowser::Detach() {
  std::map<std::string, CefRefPtr<RendererFrame>> frames;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    frames.swap(frames_);
    send_ = nullptr;
  }
  for (auto& entry : frames) entry.second->Detach();
}

bool RendererBrowser::Send(const Json& message) {
  Sender send;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    send = send_;
  }
  return send && send(message);
}

void RendererBrowser::History(const char* what) { Send({{"t", "history"}, {"browser", id_}, {"do", what}}); }

}  // namespace chromium
}  // namespace mvengine
