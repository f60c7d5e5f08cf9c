// A recorded conversation played back as the browser's side of it, whatever order and timing the
// live engine's commands come in. Plain logic: times are milliseconds given by the caller.
//
// Rules:
// - Each live command is matched to a recorded command not yet used: the same method and session;
//   every parameter named ...Id that both carry is equal (ids are what the engine echoes from
//   earlier messages); among those, the one with the most equal parameters, the earliest on a tie.
//   A command the recording lacks gets an error reply, as Chromium gives for what it cannot do.
// - A matched command's recorded reply goes out under the live id, and the events recorded after
//   it (before the next command) follow, each as long after the live command as it was after the
//   recorded one (at most max_delay_ms). Once a command is matched, the events of recorded commands
//   before it that never came are let out too.
// - Chromium's pacing: a screencast frame waits until the engine has acknowledged the previous
//   frame of its session.
// - Messages go out in recorded order; one that is not yet due holds back those after it, one that
//   waits for its command or for an acknowledgement does not.
// - Texts the engine computed differently this time (see value_flow.h) replace the recorded ones.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "recording.h"
#include "value_flow.h"

namespace devtools_replay {

struct ReplayOptions {
  double max_delay_ms = 3000;  // no recorded pause is kept longer
  double speed = 1;            // >1 plays the recorded pauses faster
};

class Replay {
 public:
  explicit Replay(const Recording& recording, ReplayOptions options = ReplayOptions());

  struct Received {
    std::string method;
    bool matched = false;
    std::optional<Json> immediate;  // to send at once: the error reply of an unmatched command
  };
  // A command the engine sent, at `now`.
  Received OnCommand(const Json& command, double now);

  // The next message to send at `now` (then counted as sent). When there is none, `*wake` says
  // when there may be one without a new command (infinity if only a command can bring one).
  std::optional<Json> Next(double now, double* wake);

  // The last recorded command has come and every recorded message was sent (but the replies of
  // commands that never came).
  bool Finished() const;
  const ValueFlow& flow() const { return flow_; }
  size_t commands_matched() const { return matched_; }

 private:
  struct Command {
    std::string method, session;
    Json params;
    double t = 0;
    bool used = false;
    Json live_id;
    double live_t = 0;
  };
  struct Output {
    Json message;
    double t = 0;
    int anchor = -1;     // the command it answers or follows; -1 before any command
    bool reply = false;  // a reply goes out only under its command's live id
    bool released = false, sent = false;
    double due = 0;
    std::string frame_session;  // a screencast frame's session
  };

  int Match(const std::string& method, const std::string& session, const Json& params) const;
  void Release(Output& out, double now, double anchor_recorded, double anchor_live);
  bool Ready(const Output& out) const;

  ReplayOptions options_;
  std::vector<Command> commands_;
  std::vector<Output> outputs_;
  ValueFlow flow_;
  size_t matched_ = 0;
  std::map<std::string, int> frames_sent_, acks_;  // by session
};

}  // namespace devtools_replay
