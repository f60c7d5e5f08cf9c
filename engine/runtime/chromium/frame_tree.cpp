#include "engine/runtime/chromium/frame_tree.h"

#include "engine/runtime/chromium/chromium_browser.h"

namespace mvengine {
namespace chromium {

CefRefPtr<ChromiumFrame> FrameTree::Ensure(const std::string& id, const std::string& parent_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return EnsureLocked(id, parent_id);
}

CefRefPtr<ChromiumFrame> FrameTree::EnsureLocked(const std::string& id, const std::string& parent_id) {
  if (id.empty() || closed_) return nullptr;
  auto it = frames_.find(id);
  if (it != frames_.end()) return it->second;
  CefRefPtr<ChromiumFrame> frame(new ChromiumFrame(browser_, id, next_identifier_++, parent_id));
  frames_[id] = frame;
  if (parent_id.empty()) main_id_ = id;
  return frame;
}

CefRefPtr<ChromiumFrame> FrameTree::Navigated(const Json& info, const std::string& from) {
  const std::string id = info.value("id", std::string());
  std::string parent = info.value("parentId", std::string());
  std::lock_guard<std::mutex> lock(mutex_);
  if (!from.empty() && parent.empty()) {
    auto known = frames_.find(id);
    parent = known != frames_.end() && !known->second->parent_devtools_id().empty()
                 ? known->second->parent_devtools_id()
                 : main_id_;
  }
  CefRefPtr<ChromiumFrame> frame = EnsureLocked(id, parent);
  if (frame)
    frame->SetDocument(info.value("url", std::string()) + info.value("urlFragment", std::string()),
                       info.value("name", std::string()), info.value("securityOrigin", std::string()));
  return frame;
}

void FrameTree::Detached(const std::string& id) {
  CefRefPtr<ChromiumFrame> frame;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = frames_.find(id);
    if (it == frames_.end() || id == main_id_) return;
    frame = it->second;
    frames_.erase(it);
    contexts_.erase(id);
  }
  frame->Detach();
}

void FrameTree::ContextCreated(const Json& params, const std::string& from) {
  const Json& context = params.value("context", Json::object());
  const Json& aux = context.value("auxData", Json::object());
  if (!aux.value("isDefault", false)) return;
  std::lock_guard<std::mutex> lock(mutex_);
  contexts_[aux.value("frameId", std::string())] = Context{context.value("id", 0), from};
}

void FrameTree::ContextDestroyed(const Json& params, const std::string& from) {
  const int id = params.value("executionContextId", 0);
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = contexts_.begin(); it != contexts_.end();)
    it = it->second.id == id && it->second.session == from ? contexts_.erase(it) : std::next(it);
}

void FrameTree::ContextsCleared(const std::string& from) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = contexts_.begin(); it != contexts_.end();)
    it = it->second.session == from ? contexts_.erase(it) : std::next(it);
}

void FrameTree::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  Reset();
}

void FrameTree::Reset() {
  std::map<std::string, CefRefPtr<ChromiumFrame>> frames;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    frames.swap(frames_);
    contexts_.clear();
    main_id_.clear();
  }
  for (auto& entry : frames) entry.second->Detach();
}

CefRefPtr<ChromiumFrame> FrameTree::Find(const std::string& id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = frames_.find(id);
  return it != frames_.end() ? it->second : nullptr;
}

CefRefPtr<ChromiumFrame> FrameTree::Main() const { return Find(main_id()); }

std::string FrameTree::main_id() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return main_id_;
}

CefRefPtr<ChromiumFrame> FrameTree::FindByIdentifier(int64 identifier) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : frames_)
    if (entry.second->GetIdentifier() == identifier) return entry.second;
  return nullptr;
}

CefRefPtr<ChromiumFrame> FrameTree::FindByName(const CefString& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : frames_)
    if (entry.second->GetName() == name) return entry.second;
  return nullptr;
}

size_t FrameTree::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_.size();
}

std::vector<int64> FrameTree::Identifiers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<int64> out;
  for (auto& entry : frames_) out.push_back(entry.second->GetIdentifier());
  return out;
}

std::vector<CefString> FrameTree::Names() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<CefString> out;
  for (auto& entry : frames_) out.push_back(entry.second->GetName());
  return out;
}

bool FrameTree::DefaultContext(const std::string& id, int* context_id, std::string* session) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = contexts_.find(id);
  if (it == contexts_.end()) return false;
  *context_id = it->second.id;
  *session = it->second.session;
  return true;
}

}  // namespace chromium
}  // namespace mvengine
