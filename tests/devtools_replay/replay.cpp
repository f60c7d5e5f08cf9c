#include "replay.h"

#include <algorithm>
#include <limits>

namespace devtools_replay {

namespace {

std::string SessionOf(const Json& message) {
  auto it = message.find("sessionId");
  return it != message.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool IsIdName(const std::string& key) {
  return key.size() > 2 && key.compare(key.size() - 2, 2, "Id") == 0;
}

// How many scalar parameters agree at the same place.
int Agreement(const Json& a, const Json& b) {
  if (a.is_object() && b.is_object()) {
    int n = 0;
    for (auto it = a.begin(); it != a.end(); ++it) {
      auto other = b.find(it.key());
      if (other != b.end()) n += Agreement(it.value(), *other);
    }
    return n;
  }
  if (a.is_array() && b.is_array() && a.size() == b.size()) {
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += Agreement(a[i], b[i]);
    return n;
  }
  return !a.is_structured() && a == b ? 1 : 0;
}

}  // namespace

Replay::Replay(const Recording& recording, ReplayOptions options) : options_(options) {
  std::map<std::string, int> command_by_id;  // recorded ids, as text
  int last_command = -1;
  for (const RecordedMessage& m : recording.messages) {
    if (m.from_engine) {
      Command c;
      c.method = m.message.value("method", std::string());
      c.session = SessionOf(m.message);
      c.params = m.message.value("params", Json::object());
      c.t = m.t;
      last_command = static_cast<int>(commands_.size());
      if (m.message.contains("id")) command_by_id[m.message["id"].dump()] = last_command;
      commands_.push_back(std::move(c));
      continue;
    }
    Output out;
    out.message = m.message;
    out.t = m.t;
    out.anchor = last_command;
    if (m.message.contains("id")) {
      auto it = command_by_id.find(m.message["id"].dump());
      out.reply = true;
      out.anchor = it == command_by_id.end() ? -2 : it->second;  // -2: a reply to nothing recorded
    } else if (m.message.value("method", std::string()) == "Page.screencastFrame") {
      out.frame_session = SessionOf(m.message);
    }
    outputs_.push_back(std::move(out));
  }
  // What Chromium says before any command comes at once.
  for (Output& out : outputs_)
    if (out.anchor == -1) Release(out, 0, out.t, 0);
}

int Replay::Match(const std::string& method, const std::string& session, const Json& params) const {
  int best = -1, best_agreement = -1;
  for (size_t i = 0; i < commands_.size(); ++i) {
    const Command& c = commands_[i];
    if (c.used || c.method != method || c.session != session) continue;
    const Json recorded = flow_.Apply(c.params);
    bool same_ids = true;
    if (recorded.is_object() && params.is_object())
      for (auto it = recorded.begin(); it != recorded.end() && same_ids; ++it) {
        auto live = params.find(it.key());
        if (IsIdName(it.key()) && live != params.end() && *live != it.value()) same_ids = false;
      }
    if (!same_ids) continue;
    const int agreement = Agreement(recorded, params);
    if (agreement > best_agreement) {
      best = static_cast<int>(i);
      best_agreement = agreement;
    }
  }
  return best;
}

void Replay::Release(Output& out, double now, double anchor_recorded, double anchor_live) {
  double pause = std::max(0.0, out.t - anchor_recorded) / std::max(options_.speed, 1e-3);
  out.released = true;
  out.due = std::max(now, anchor_live + std::min(pause, options_.max_delay_ms));
}

Replay::Received Replay::OnCommand(const Json& command, double now) {
  Received r;
  r.method = command.value("method", std::string());
  const std::string session = SessionOf(command);
  if (r.method == "Page.screencastFrameAck") ++acks_[session];
  const Json params = command.value("params", Json::object());
  const int k = Match(r.method, session, params);
  if (k < 0) {
    r.immediate = Json{{"id", command.value("id", Json())},
                       {"error", {{"code", -32000}, {"message", "not in the recording: " + r.method}}}};
    if (!session.empty()) (*r.immediate)["sessionId"] = session;
    return r;
  }
  r.matched = true;
  ++matched_;
  Command& c = commands_[k];
  c.used = true;
  c.live_id = command.value("id", Json());
  c.live_t = now;
  flow_.Learn(c.params, params);
  for (Output& out : outputs_) {
    if (out.released || out.anchor < -1) continue;
    if (out.anchor == k) {
      Release(out, now, c.t, now);
    } else if (out.anchor < k && !out.reply && !commands_[out.anchor].used) {
      // Its command was skipped (or comes later than recorded): the engine has moved past it.
      Release(out, now, out.t, now);
    }
  }
  return r;
}

bool Replay::Ready(const Output& out) const {
  if (!out.released || out.sent) return false;
  if (out.frame_session.empty()) return true;
  auto sent = frames_sent_.find(out.frame_session);
  auto acked = acks_.find(out.frame_session);
  return (sent == frames_sent_.end() ? 0 : sent->second) <= (acked == acks_.end() ? 0 : acked->second);
}

std::optional<Json> Replay::Next(double now, double* wake) {
  *wake = std::numeric_limits<double>::infinity();
  for (Output& out : outputs_) {
    if (!Ready(out)) continue;
    if (out.due > now) {
      *wake = out.due;  // the first ready one holds back the rest
      return std::nullopt;
    }
    out.sent = true;
    if (!out.frame_session.empty()) ++frames_sent_[out.frame_session];
    Json message = flow_.Apply(out.message);
    if (out.reply) message["id"] = commands_[out.anchor].live_id;
    return message;
  }
  return std::nullopt;
}

bool Replay::Finished() const {
  // The engine has not come to the end of the conversation yet.
  if (!commands_.empty() && !commands_.back().used) return false;
  for (const Output& out : outputs_) {
    if (out.sent || out.anchor < -1) continue;
    if (out.reply && !commands_[out.anchor].used) continue;
    return false;
  }
  return true;
}

}  // namespace devtools_replay
