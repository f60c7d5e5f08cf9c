// One read of a frame's document (its text or its markup), or of a page's history, shared by
// everyone who asks while another is under way.
//
// The system asks for the main frame's text at the end of every frame's load, so a page that loads
// frames without pause would have the game ask faster than the page's renderer answers: reads
// would heap up in Chromium and each answer would be older than the last. Here one read is under
// way at a time; whoever asks meanwhile waits for the next one, sent once it answers. So every
// visitor gets what the document held after it asked, and at most two reads are ever pending.
// Not thread-safe: the UI thread owns it.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mvengine {
namespace chromium {

class SharedRead {
 public:
  using Visit = std::function<void(const std::string& text)>;
  // Starts one read, whose `done` must then be called once, on this thread, with its text. False
  // when none can start (the frame went): those waiting for it are let go unvisited.
  using Start = std::function<bool(Visit done)>;

  void Ask(Visit visit, const Start& start) {
    next_.push_back(std::move(visit));
    if (!under_way_) StartNext(start);
  }

 private:
  void StartNext(const Start& start) {
    std::vector<Visit> batch;
    batch.swap(next_);
    under_way_ = true;
    const bool started = start([this, batch = std::move(batch), start](const std::string& text) {
      for (const Visit& visit : batch) visit(text);
      under_way_ = false;
      if (!next_.empty()) StartNext(start);
    });
    if (!started) under_way_ = false;
  }

  bool under_way_ = false;
  std::vector<Visit> next_;  // those who asked while a read was under way
};

}  // namespace chromium
}  // namespace mvengine
