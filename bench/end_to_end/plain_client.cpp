#include "plain_client.h"

#include <chrono>
#include <functional>
#include <optional>

#include <nlohmann/json.hpp>

#include "devtools_pipe.h"

namespace mvbench {

namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

class Client {
 public:
  using EventHandler = std::function<void(const Json&)>;

  Client(ChromiumPipe& pipe, EventHandler on_event) : pipe_(pipe), on_event_(std::move(on_event)) {}

  int Send(const std::string& method, const Json& params, const std::string& session) {
    Json message = {{"id", next_id_}, {"method", method}, {"params", params}};
    if (!session.empty()) message["sessionId"] = session;
    pipe_.Send(message.dump());
    return next_id_++;
  }

  // The reply's result; events that come first go to the handler.
  std::optional<Json> Call(const std::string& method, const Json& params, const std::string& session,
                           std::string* error) {
    const int id = Send(method, params, session);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      std::optional<Json> message = Next(std::chrono::milliseconds(200));
      if (!message) {
        if (pipe_.gone()) break;
        continue;
      }
      if (message->value("id", -1) != id) continue;
      if (message->contains("error")) {
        *error = method + ": " + (*message)["error"].dump();
        return std::nullopt;
      }
      return message->value("result", Json::object());
    }
    *error = method + ": no reply" + (pipe_.gone() ? " (Chromium has gone)" : "");
    return std::nullopt;
  }

  // Handles what arrives within `timeout`; false once Chromium has gone.
  bool PumpFor(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
      Next(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
      if (pipe_.gone()) return false;
    }
    return true;
  }

 private:
  // One message; an event is handed to the handler before it is returned.
  std::optional<Json> Next(std::chrono::milliseconds timeout) {
    std::optional<std::string> text = pipe_.Receive(timeout);
    if (!text) return std::nullopt;
    Json message = Json::parse(*text, nullptr, false);
    if (message.is_discarded()) return std::nullopt;
    if (message.contains("method")) on_event_(message);
    return message;
  }

  ChromiumPipe& pipe_;
  EventHandler on_event_;
  int next_id_ = 1;
};

}  // namespace

PlainRun RunPlainScreencast(const std::string& url, int width, int height, double warmup_seconds,
                            double window_seconds) {
  PlainRun run;
  std::unique_ptr<ChromiumPipe> pipe = ChromiumPipe::Launch(ChromiumExecutable(), EngineSwitches(), &run.error);
  if (!pipe) return run;
  run.command_line = pipe->command_line();

  std::string session;
  bool navigated = false;
  std::optional<Clock::time_point> first_frame;
  Clock::time_point window_start, window_end;
  std::string previous;
  long next_ack_id = 1 << 30;  // apart from the commands' ids
  std::function<void(const Json&)> on_event = [&](const Json& event) {
    const std::string method = event.value("method", std::string());
    const Json& params = event.value("params", Json::object());
    if (method == "Page.screencastFrame") {
      // Chromium sends the next frame only after this acknowledgement, so it goes first.
      Json ack = {{"id", next_ack_id++}, {"method", "Page.screencastFrameAck"},
                  {"params", {{"sessionId", params.value("sessionId", 0)}}}, {"sessionId", session}};
      pipe->Send(ack.dump());
      const Clock::time_point now = Clock::now();
      if (!first_frame) {
        first_frame = now;
        window_start = now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(warmup_seconds));
        window_end = window_start +
                     std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(window_seconds));
      }
      std::string data = params.value("data", std::string());
      if (now >= window_start && now < window_end) {
        ++run.count.frames;
        if (data != previous) ++run.count.distinct;
      }
      previous.swap(data);
    } else if (method == "Page.frameNavigated") {
      const Json& frame = params.value("frame", Json::object());
      if (!frame.contains("parentId") && frame.value("url", std::string()) != "about:blank") navigated = true;
    }
  };
  Client client(*pipe, on_event);

  std::optional<Json> created = client.Call("Target.createTarget", {{"url", "about:blank"}}, "", &run.error);
  if (!created) return run;
  std::optional<Json> attached = client.Call(
      "Target.attachToTarget", {{"targetId", created->value("targetId", std::string())}, {"flatten", true}}, "",
      &run.error);
  if (!attached) return run;
  session = attached->value("sessionId", std::string());

  // What the engine sets on every page before it loads.
  const Json metrics = {{"width", width},        {"height", height},       {"deviceScaleFactor", 1.0},
                        {"mobile", false},       {"screenWidth", width},   {"screenHeight", height}};
  for (const auto& [method, params] :
       std::vector<std::pair<std::string, Json>>{{"Page.enable", Json::object()},
                                                 {"Emulation.setFocusEmulationEnabled", {{"enabled", true}}},
                                                 {"Emulation.setLocaleOverride", {{"locale", "zh-CN"}}},
                                                 {"Emulation.setDeviceMetricsOverride", metrics},
                                                 {"Page.navigate", {{"url", url}}}}) {
    if (!client.Call(method, params, session, &run.error)) return run;
  }
  // The screencast refuses to start before the page has committed.
  const auto give_up = Clock::now() + std::chrono::seconds(20);
  while (!navigated && Clock::now() < give_up)
    if (!client.PumpFor(std::chrono::milliseconds(50))) break;
  if (!navigated) {
    run.error = "the page did not commit";
    return run;
  }
  const Json screencast = {{"format", "jpeg"},     {"quality", 90},        {"maxWidth", width},
                           {"maxHeight", height},  {"everyNthFrame", 1}};
  if (!client.Call("Page.startScreencast", screencast, session, &run.error)) return run;

  const auto no_frame_deadline = Clock::now() + std::chrono::seconds(20);
  while (!first_frame && Clock::now() < no_frame_deadline)
    if (!client.PumpFor(std::chrono::milliseconds(50))) break;
  if (!first_frame) {
    run.error = "no screencast frame";
    return run;
  }
  while (Clock::now() < window_end)
    if (!client.PumpFor(std::chrono::milliseconds(50))) {
      run.error = "Chromium went away during the count";
      return run;
    }
  run.count.seconds = window_seconds;
  client.Send("Page.stopScreencast", Json::object(), session);
  return run;
}

}  // namespace mvbench
