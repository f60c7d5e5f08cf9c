// The host's "upload done" as a page sees it through uploadIsDone(): each true the browser side
// reports for a frame waits for exactly one poll of that frame. Polls and replies travel apart, so
// a poll's own reply can come after later polls (a burst in one script task) and replies carrying
// false can follow a true that no poll has returned yet; neither may lose or repeat it.
// Renderer thread only.
#pragma once

#include <cstdint>
#include <map>

namespace mvcef {

class UploadStatusBook {
 public:
  // A new document in the frame: nothing waits for it.
  void Reset(int64_t frame_id) { waiting_.erase(frame_id); }
  // A reply for the frame. True waits for a poll; false changes nothing.
  void Report(int64_t frame_id, bool done) {
    if (done) ++waiting_[frame_id];
  }
  // A poll: true when a reported true waits, which this poll then takes.
  bool Take(int64_t frame_id);
  // Whether a true waits: what the frame's uploadIsDoneValue shows.
  bool Waiting(int64_t frame_id) const { return waiting_.count(frame_id) != 0; }

 private:
  std::map<int64_t, uint64_t> waiting_;  // only frames with a true waiting
};

}  // namespace mvcef
