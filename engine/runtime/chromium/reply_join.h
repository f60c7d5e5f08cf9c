// Runs one task once every reply of a group of commands has come, answered or failed: Chromium
// answers commands that reach the renderer later than those it answers itself, so the last one
// sent is not always the last one answered.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

class ReplyJoin : public std::enable_shared_from_this<ReplyJoin> {
 public:
  // `done` runs on the thread of the last reply (the reader thread), or in Seal.
  static std::shared_ptr<ReplyJoin> Make(std::function<void()> done) {
    return std::shared_ptr<ReplyJoin>(new ReplyJoin(std::move(done)));
  }

  // The handler to send a command of the group with; it runs `inner` first.
  DevToolsTransport::ReplyHandler Wrap(DevToolsTransport::ReplyHandler inner = nullptr) {
    left_.fetch_add(1);
    std::shared_ptr<ReplyJoin> self = shared_from_this();
    return [self, inner](const CommandResult& r) {
      if (inner) inner(r);
      self->Arrive();
    };
  }

  // The group is complete: nothing is wrapped after this.
  void Seal() { Arrive(); }

 private:
  explicit ReplyJoin(std::function<void()> done) : done_(std::move(done)) {}
  void Arrive() {
    if (left_.fetch_sub(1) == 1 && done_) done_();
  }

  std::atomic<int> left_{1};  // wrapped replies still to come, plus one until Seal
  std::function<void()> done_;
};

}  // namespace chromium
}  // namespace mvengine
