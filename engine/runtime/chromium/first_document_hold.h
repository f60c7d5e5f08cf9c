// Which document requests the browser session holds while a new page is set up.
//
// A page target made with its address does not wait for us before it loads: Chromium starts its
// navigation as the target is made, and a busy host can let its document commit before the page
// has our set-up (the bridge script above all). Its scripts then run without the bridge and once
// more when the page is loaded again. So while pages are being made, the browser session pauses
// every document request; those of a page not yet set up wait here, the rest go on at once.
// Not thread-safe: the runtime's UI thread owns it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

class FirstDocumentHold {
 public:
  // A page is being made. True when the browser session must start pausing documents.
  bool StartCreation() {
    creating_ = true;
    if (pausing_) return false;
    pausing_ = true;
    return true;
  }
  // No page is being made any more (the last one was made, failed or waits for Chromium).
  void EndCreation() { creating_ = false; }

  // A page target that may be the one being made: its documents wait until Release.
  void Await(const std::string& target_id) { waiting_[target_id]; }

  // A paused document request of frame `frame_id` (a page's main frame has the target's id).
  // True: it is held; false: it goes on now.
  bool Hold(const std::string& frame_id, const std::string& request_id) {
    auto it = waiting_.find(frame_id);
    if (it == waiting_.end()) return false;
    it->second.push_back(request_id);
    return true;
  }

  // The page is set up, is not ours or went: the requests it held, to go on now.
  std::vector<std::string> Release(const std::string& target_id) {
    auto it = waiting_.find(target_id);
    if (it == waiting_.end()) return {};
    std::vector<std::string> held = std::move(it->second);
    waiting_.erase(it);
    return held;
  }

  // True once (until the next StartCreation) when the browser session may stop pausing documents.
  bool StopPausing() {
    if (!pausing_ || creating_ || !waiting_.empty()) return false;
    pausing_ = false;
    return true;
  }

  // Chromium went: its pauses went with it.
  void Reset() { *this = FirstDocumentHold(); }

 private:
  bool creating_ = false;
  bool pausing_ = false;  // the browser session pauses documents (as asked; Chromium may refuse)
  std::map<std::string, std::vector<std::string>> waiting_;  // target id -> held request ids
};

}  // namespace chromium
}  // namespace mvengine
