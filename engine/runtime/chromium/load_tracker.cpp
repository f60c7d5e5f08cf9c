#include "engine/runtime/chromium/load_tracker.h"

#include "engine/runtime/chromium/net_error.h"

namespace mvengine {
namespace chromium {

namespace {

bool IsDocument(const Json& params) { return params.value("type", std::string()) == "Document"; }

}  // namespace

std::optional<LoadError> RefusedNavigation(const std::string& frame_id, const std::string& url) {
  if (url.size() <= kMaxUrlChars) return std::nullopt;
  static const char kInvalidUrl[] = "net::ERR_INVALID_URL";
  return LoadError{frame_id, url, NetErrorCode(kInvalidUrl), kInvalidUrl};
}

ProtocolCommand LoadAgain(const std::string& href, const std::string& asked) {
  // Chromium's error page is no address to load: the failed one is tried again, and its failure
  // is heard this time.
  if (href.rfind("chrome-error:", 0) == 0 && !asked.empty()) return {"Page.navigate", {{"url", asked}}};
  if (href.find('#') != std::string::npos) return {"Page.reload", Json::object()};
  return {"Page.navigate", {{"url", href}}};
}

void LoadTracker::OnNavigationStarted(const Json& params) {
  // A same-document navigation makes no request.
  const std::string type = params.value("navigationType", std::string());
  if (type == "sameDocument" || type == "historySameDocument") return;
  const std::string id = params.value("loaderId", std::string());
  if (id.empty()) return;
  // The Network domain's own account, when it came first, knows of redirects: it stays.
  requests_.emplace(id, DocumentRequest{params.value("frameId", std::string()), params.value("url", std::string())});
}

bool LoadTracker::NavigationPending(const std::string& frame_id) const {
  for (const auto& entry : requests_)
    if (entry.second.frame_id == frame_id && !entry.second.committed) return true;
  return false;
}

void LoadTracker::OnRequestWillBeSent(const Json& params) {
  if (!IsDocument(params)) return;
  const Json& request = params.value("request", Json::object());
  requests_[params.value("requestId", std::string())] = {
      params.value("frameId", std::string()),
      request.value("url", std::string()) + request.value("urlFragment", std::string())};
}

void LoadTracker::OnResponseReceived(const Json& params) {
  if (!IsDocument(params)) return;
  const Json& response = params.value("response", Json::object());
  status_[params.value("frameId", std::string())] = response.value("status", 200);
}

std::optional<LoadError> LoadTracker::OnLoadingFailed(const Json& params) {
  if (!IsDocument(params)) return std::nullopt;
  auto request = requests_.find(params.value("requestId", std::string()));
  if (request == requests_.end()) return std::nullopt;
  LoadError error;
  error.frame_id = request->second.frame_id;
  error.url = request->second.url;
  requests_.erase(request);
  const bool canceled = params.value("canceled", false);
  error.text = params.value("errorText", std::string());
  error.code = canceled ? -3 : NetErrorCode(error.text);
  if (error.code == 0) error.code = -2;  // ERR_FAILED
  if (canceled && error.text.empty()) error.text = "net::ERR_ABORTED";
  failed_[error.frame_id] = error.text;
  return error;
}

void LoadTracker::OnCommitted(const std::string& frame_id, const std::string& loader_id) {
  for (auto it = requests_.begin(); it != requests_.end();)
    it = it->second.frame_id == frame_id && it->first != loader_id ? requests_.erase(it) : std::next(it);
  const auto committed = requests_.find(loader_id);
  if (committed != requests_.end()) committed->second.committed = true;
}

void LoadTracker::OnFrameGone(const std::string& frame_id) {
  for (auto it = requests_.begin(); it != requests_.end();)
    it = it->second.frame_id == frame_id ? requests_.erase(it) : std::next(it);
  status_.erase(frame_id);
  failed_.erase(frame_id);
}

void LoadTracker::OnStartedLoading(const std::string& frame_id, bool main) {
  failed_.erase(frame_id);
  if (!main) return;
  std::lock_guard<std::mutex> lock(mutex_);
  loading_ = true;
}

int LoadTracker::OnStoppedLoading(const std::string& frame_id, bool main) {
  if (main) {
    std::lock_guard<std::mutex> lock(mutex_);
    loading_ = false;
  }
  if (failed_.count(frame_id)) return 0;
  auto status = status_.find(frame_id);
  return status != status_.end() ? status->second : 200;
}

void LoadTracker::StopLoading() {
  std::lock_guard<std::mutex> lock(mutex_);
  loading_ = false;
}

void LoadTracker::SetHistory(const Json& result) {
  std::vector<int> entries;
  for (const auto& entry : result.value("entries", Json::array())) entries.push_back(entry.value("id", 0));
  std::lock_guard<std::mutex> lock(mutex_);
  entries_ = std::move(entries);
  index_ = result.value("currentIndex", -1);
}

bool LoadTracker::IsLoading() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return loading_;
}

bool LoadTracker::CanGoBack() const { return BackEntry() >= 0; }

bool LoadTracker::CanGoForward() const { return ForwardEntry() >= 0; }

int LoadTracker::BackEntry() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index_ > 0 && index_ < static_cast<int>(entries_.size()) ? entries_[index_ - 1] : -1;
}

int LoadTracker::ForwardEntry() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index_ >= 0 && index_ + 1 < static_cast<int>(entries_.size()) ? entries_[index_ + 1] : -1;
}

}  // namespace chromium
}  // namespace mvengine
