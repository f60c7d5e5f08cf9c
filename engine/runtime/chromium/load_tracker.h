// Navigation and load tracking of one page: what the client's load callbacks report (the status of
// a finished load, the error of a failed one), whether the page is loading, and its history.
//
// Threads: the events come in on the UI thread; IsLoading, CanGoBack/Forward and the history
// entries are read on any thread. The history and the loading state are guarded by a mutex, the
// rest is the UI thread's.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

// Chromium's longest address (url::kMaxURLChars). It drops a navigation to a longer one without a
// word and leaves a new page blank, so such an address fails here, as a load does.
constexpr size_t kMaxUrlChars = size_t(2) << 20;

struct LoadError {
  std::string frame_id;
  std::string url;   // what the failed request asked for: the frame never committed it
  int code = 0;      // the engine's net error code
  std::string text;  // Chromium's name of it, "net::ERR_..."
};

// The error of a navigation of `frame_id` to `url` that never starts (the address is longer than
// kMaxUrlChars); nothing when Chromium can be asked for it.
std::optional<LoadError> RefusedNavigation(const std::string& frame_id, const std::string& url);

// The command that loads the committed document at `href` again as a new document. A navigation to
// the same address looks like a first load to the page's scripts and replaces the history entry;
// but with a fragment in the address it only scrolls (a same-document navigation, no new document),
// so such a page is reloaded instead. Chromium's error page (a load that failed before the set-up)
// is replaced by a new load of `asked`, the address the browser was made with.
struct ProtocolCommand {
  std::string method;
  Json params;
};
ProtocolCommand LoadAgain(const std::string& href, const std::string& asked);

class LoadTracker {
 public:
  // Page.frameStartedNavigating: a document request's id is its navigation's loader id, known
  // here also when the Network domain was off as the navigation began.
  void OnNavigationStarted(const Json& params);
  // Network events of documents (others are ignored).
  void OnRequestWillBeSent(const Json& params);
  void OnResponseReceived(const Json& params);
  // The error for the client's OnLoadError, or nothing for a request that was not a document's.
  std::optional<LoadError> OnLoadingFailed(const Json& params);
  // Page.frameNavigated: the document of navigation `loader_id` replaced the frame's last one, so
  // the frame's other navigations have ended (failed ones were reported as they failed).
  void OnCommitted(const std::string& frame_id, const std::string& loader_id);
  // The frame left the page. A page may add and remove frames for as long as it runs: what is
  // kept stays bounded by the frames it has now.
  void OnFrameGone(const std::string& frame_id);

  // Page.frameStartedLoading / frameStoppedLoading; `main` for the main frame.
  void OnStartedLoading(const std::string& frame_id, bool main);
  // The HTTP status for OnLoadEnd: the document's, 200 when none came, 0 after a failure.
  int OnStoppedLoading(const std::string& frame_id, bool main);
  // The page's renderer crashed, Chromium went away, or the browser closed.
  void StopLoading();

  // Page.getNavigationHistory's answer.
  void SetHistory(const Json& result);

  bool IsLoading() const;
  // UI: a navigation of the frame has begun and neither committed nor failed.
  bool NavigationPending(const std::string& frame_id) const;
  bool CanGoBack() const;
  bool CanGoForward() const;
  // How many requests and frames the tracker holds on to (UI thread).
  size_t kept() const { return requests_.size() + status_.size() + failed_.size(); }
  // The history entry to navigate to, or -1 when there is none.
  int BackEntry() const;
  int ForwardEntry() const;

 private:
  struct DocumentRequest {
    std::string frame_id;
    std::string url;
    bool committed = false;  // its document is the frame's now; kept for its status and errors
  };
  // UI thread.
  std::map<std::string, DocumentRequest> requests_;  // by request id, until ended or its frame goes
  std::map<std::string, int> status_;                // by frame id: status of its document
  std::map<std::string, std::string> failed_;        // by frame id: error text of its last load

  mutable std::mutex mutex_;  // guards the fields below
  bool loading_ = true;
  std::vector<int> entries_;
  int index_ = -1;
};

}  // namespace chromium
}  // namespace mvengine
