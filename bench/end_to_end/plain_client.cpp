#include "plain_client.h"

#include <csetjmp>
#include <cstdio>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include <jpeglib.h>
#include <nlohmann/json.hpp>

#include "common/base64.h"
#include "devtools_pipe.h"
#include "measure.h"

namespace mvbench {

namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

Clock::duration Seconds(double s) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

double MillisecondsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Reserved for the page calls: requests there never reach the network.
const char kCallUrl[] = "https://mvbench-bridge.invalid/call";

// The page functions the bridge page uses, each one synchronous request, as the engine does it.
std::string BridgeStub() {
  return std::string(R"JS((function () {
  if (window.uploadIsDone) return;
  function post(o) {
    var x = new XMLHttpRequest();
    x.open('POST', ')JS") + kCallUrl + R"JS(', false);
    x.setRequestHeader('Content-Type', 'text/plain');
    x.send(JSON.stringify(o));
    return JSON.parse(x.responseText || '{}');
  }
  window.uploadIsDone = function () { return post({op: 'call', name: 'uploadIsDone', args: []}).value; };
  window.batchUploadImg = function (text) { post({op: 'call', name: 'batchUploadImg', args: [String(text)]}); };
})();)JS";
}

class Client {
 public:
  using FrameHandler = std::function<void(const std::string& jpeg_base64, Clock::time_point arrived)>;

  explicit Client(ChromiumPipe& pipe) : pipe_(pipe) {}

  void Send(const std::string& method, const Json& params, bool on_page = true) {
    Json message = {{"id", next_id_++}, {"method", method}, {"params", params}};
    if (on_page && !session_.empty()) message["sessionId"] = session_;
    pipe_.Send(message.dump());
  }

  // The reply's result; events that come first are handled.
  std::optional<Json> Call(const std::string& method, const Json& params, std::string* error, bool on_page = true) {
    const int id = next_id_;
    Send(method, params, on_page);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline && !pipe_.gone()) {
      std::optional<Json> message = Next(std::chrono::milliseconds(200));
      if (!message || message->value("id", -1) != id) continue;
      if (message->contains("error")) {
        *error = method + ": " + (*message)["error"].dump();
        return std::nullopt;
      }
      return message->value("result", Json::object());
    }
    *error = method + ": no reply" + (pipe_.gone() ? " (Chromium has gone)" : "");
    return std::nullopt;
  }

  // Handles what arrives until `done` holds or `seconds` pass; false on timeout or if Chromium went.
  bool PumpUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = Clock::now() + Seconds(seconds);
    while (!done()) {
      if (pipe_.gone() || Clock::now() >= deadline) return false;
      Next(std::chrono::milliseconds(5));
    }
    return true;
  }
  void PumpFor(double seconds) {
    const auto end = Clock::now() + Seconds(seconds);
    PumpUntil([end] { return Clock::now() >= end; }, seconds + 1);
  }

  // A page target of the view's size with what the engine sets on every page, plus the page calls.
  bool OpenPage(int width, int height, std::string* error) {
    std::optional<Json> created = Call("Target.createTarget", {{"url", "about:blank"}}, error, false);
    if (!created) return false;
    std::optional<Json> attached = Call(
        "Target.attachToTarget", {{"targetId", created->value("targetId", std::string())}, {"flatten", true}},
        error, false);
    if (!attached) return false;
    session_ = attached->value("sessionId", std::string());
    const Json metrics = {{"width", width},   {"height", height},     {"deviceScaleFactor", 1.0},
                          {"mobile", false},  {"screenWidth", width}, {"screenHeight", height}};
    const Json call_pattern = {{"urlPattern", std::string(kCallUrl)}, {"requestStage", "Request"}};
    for (const auto& [method, params] : std::vector<std::pair<std::string, Json>>{
             {"Page.enable", Json::object()},
             {"Emulation.setFocusEmulationEnabled", {{"enabled", true}}},
             {"Emulation.setLocaleOverride", {{"locale", "zh-CN"}}},
             {"Emulation.setDeviceMetricsOverride", metrics},
             {"Page.addScriptToEvaluateOnNewDocument", {{"source", BridgeStub()}}},
             {"Fetch.enable", {{"patterns", Json::array({call_pattern})}}}})
      if (!Call(method, params, error)) return false;
    return true;
  }

  // Loads `url` and waits until its document has committed (frames come only after that).
  bool Navigate(const std::string& url, std::string* error) {
    std::optional<Json> r = Call("Page.navigate", {{"url", url}}, error);
    if (!r) return false;
    if (r->contains("errorText")) {
      *error = "Page.navigate: " + r->value("errorText", std::string());
      return false;
    }
    awaited_loader_ = r->value("loaderId", std::string());
    committed_ = false;
    if (!PumpUntil([this] { return committed_; }, 20)) {
      *error = "the page did not commit: " + url;
      return false;
    }
    return true;
  }

  bool StartScreencast(int width, int height, std::string* error) {
    const Json params = {{"format", "jpeg"},    {"quality", 90},       {"maxWidth", width},
                         {"maxHeight", height}, {"everyNthFrame", 1}};
    // Just after a navigation that changed renderer the page may not count as active yet.
    for (int attempt = 0;; ++attempt) {
      if (Call("Page.startScreencast", params, error)) return true;
      if (attempt == 40 || error->find("Not attached to an active page") == std::string::npos) return false;
      PumpFor(0.05);
    }
  }

  void OnFrame(FrameHandler handler) { on_frame_ = std::move(handler); }
  const std::optional<Clock::time_point>& first_frame_at() const { return first_frame_at_; }
  const std::string& last_frame() const { return last_frame_; }
  const std::string& bridge_text() const { return bridge_text_; }

 private:
  std::optional<Json> Next(std::chrono::milliseconds timeout) {
    std::optional<std::string> text = pipe_.Receive(timeout);
    if (!text) return std::nullopt;
    Json message = Json::parse(*text, nullptr, false);
    if (message.is_discarded()) return std::nullopt;
    if (message.contains("method")) HandleEvent(message.value("method", std::string()), message.value("params", Json::object()));
    return message;
  }

  void HandleEvent(const std::string& method, const Json& params) {
    if (method == "Page.screencastFrame") {
      // Chromium sends the next frame only after this acknowledgement, so it goes first.
      const Clock::time_point arrived = Clock::now();
      Send("Page.screencastFrameAck", {{"sessionId", params.value("sessionId", 0)}});
      if (!first_frame_at_) first_frame_at_ = arrived;
      last_frame_ = params.value("data", std::string());
      if (on_frame_) on_frame_(last_frame_, arrived);
    } else if (method == "Page.frameNavigated") {
      const Json& frame = params.value("frame", Json::object());
      if (!frame.contains("parentId") && frame.value("loaderId", std::string()) == awaited_loader_) committed_ = true;
    } else if (method == "Fetch.requestPaused") {
      AnswerCall(params);
    }
  }

  void AnswerCall(const Json& paused) {
    const Json& request = paused.value("request", Json::object());
    const Json call = Json::parse(request.value("postData", std::string("{}")), nullptr, false);
    Json answer = Json::object();
    if (!call.is_discarded() && call.value("name", std::string()) == "uploadIsDone") answer["value"] = false;
    if (!call.is_discarded() && call.value("name", std::string()) == "batchUploadImg") {
      const Json& args = call.value("args", Json::array());
      if (!args.empty() && args[0].is_string()) bridge_text_ = args[0].get<std::string>();
    }
    Send("Fetch.fulfillRequest",
         {{"requestId", paused.value("requestId", std::string())},
          {"responseCode", 200},
          {"responseHeaders",
           Json::array({{{"name", "Content-Type"}, {"value", "text/plain"}},
                        {{"name", "Access-Control-Allow-Origin"}, {"value", "*"}}})},
          {"body", mvcommon::EncodeBase64(answer.dump())}});
  }

  ChromiumPipe& pipe_;
  std::string session_;
  int next_id_ = 1;
  std::string awaited_loader_;
  bool committed_ = false;
  FrameHandler on_frame_;
  std::optional<Clock::time_point> first_frame_at_;
  std::string last_frame_;
  std::string bridge_text_;
};

// Hands frames to a measurement's handler while the measurement runs, which owns what it captures.
class FrameHandlerScope {
 public:
  FrameHandlerScope(Client& client, Client::FrameHandler handler) : client_(client) {
    client_.OnFrame(std::move(handler));
  }
  ~FrameHandlerScope() { client_.OnFrame(nullptr); }

 private:
  Client& client_;
};

bool CountFrames(Client& client, const PlainPlan& plan, FrameCount* count, std::string* error) {
  std::optional<Clock::time_point> first;
  Clock::time_point start, end;
  std::string previous;
  FrameHandlerScope scope(client, [&](const std::string& data, Clock::time_point at) {
    if (!first) {
      first = at;
      start = at + Seconds(plan.warmup_seconds);
      end = start + Seconds(plan.window_seconds);
    }
    if (at >= start && at < end) {
      ++count->frames;
      if (data != previous) {
        ++count->distinct;
        count->distinct_at.push_back(std::chrono::duration<double>(at - start).count());
      }
    }
    previous = data;
  });
  if (!client.PumpUntil([&] { return first.has_value(); }, 20)) {
    *error = "no screencast frame of the animated page";
    return false;
  }
  const double budget = plan.warmup_seconds + plan.window_seconds + 5;
  double cpu_at_start = 0;
  if (!client.PumpUntil([&] { return Clock::now() >= start; }, budget) ||
      (cpu_at_start = ProcessCpuSeconds(), !client.PumpUntil([&] { return Clock::now() >= end; }, budget))) {
    *error = "Chromium went away during the count";
    return false;
  }
  count->cpu_seconds = ProcessCpuSeconds() - cpu_at_start;
  count->seconds = plan.window_seconds;
  return true;
}

bool MeasureLatency(Client& client, const PlainPlan& plan, PlainRun* run, std::string* error) {
  Shade shown = Shade::kOther;
  auto read = [&](const std::string& data) {
    int bgr[3];
    if (CentreColour(data, bgr)) shown = Classify(bgr);
  };
  // A still page may have sent its one frame already.
  read(client.last_frame());
  FrameHandlerScope scope(client, [&](const std::string& data, Clock::time_point) { read(data); });
  if (!client.PumpUntil([&] { return shown == Shade::kReady; }, 20)) {
    *error = "the input page never showed its first colour";
    return false;
  }
  const int cx = plan.width / 2, cy = plan.height / 2;
  long presses = 0;
  // Mouse and key presses take turns, so that a change in the machine's load meets both alike.
  for (int trial = 0; trial < 2 * (kWarmupPresses + plan.trials); ++trial) {
    const bool mouse = trial % 2 == 0;
    client.PumpFor(QuietSeconds(trial));
    const Shade expected = ShadeAfterPresses(++presses);
    const Clock::time_point sent = Clock::now();
    if (mouse) {
      for (const char* type : {"mousePressed", "mouseReleased"})
        client.Send("Input.dispatchMouseEvent", {{"type", type}, {"x", cx}, {"y", cy}, {"button", "left"},
                                                 {"buttons", type[5] == 'P' ? 1 : 0}, {"clickCount", 1}});
    } else {
      for (const char* type : {"rawKeyDown", "keyUp"})
        client.Send("Input.dispatchKeyEvent", {{"type", type}, {"windowsVirtualKeyCode", 32},
                                               {"nativeVirtualKeyCode", 32}, {"code", "Space"}, {"key", " "}});
    }
    if (!client.PumpUntil([&] { return shown == expected; }, 5)) {
      *error = std::string("no frame showed the answer to a press (") + (mouse ? "mouse" : "key") + ")";
      return false;
    }
    if (trial >= 2 * kWarmupPresses) (mouse ? run->mouse_ms : run->key_ms).push_back(MillisecondsSince(sent));
  }
  return true;
}

}  // namespace

bool CentreColour(const std::string& jpeg_base64, int bgr[3]) {
  std::string jpeg;
  if (!mvcommon::DecodeBase64(jpeg_base64, &jpeg)) return false;
  if (jpeg.empty()) return false;
  struct Errors {
    jpeg_error_mgr base;
    jmp_buf escape;
    bool damaged = false;
  } errors;
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Errors*>(c->err)->escape, 1); };
  // Chromium's frames are whole: a warning (a cut file, say) means our own decoding went wrong.
  errors.base.emit_message = [](j_common_ptr c, int level) {
    if (level < 0) reinterpret_cast<Errors*>(c->err)->damaged = true;
  };
  std::vector<unsigned char> pixels;
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  pixels.resize(static_cast<size_t>(w) * h * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.data() + static_cast<size_t>(cinfo.output_scanline) * w * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (errors.damaged || w < 16 || h < 16) return false;
  long sum[3] = {0, 0, 0};
  for (int y = h / 2 - 4; y < h / 2 + 4; ++y)
    for (int x = w / 2 - 4; x < w / 2 + 4; ++x)
      for (int c = 0; c < 3; ++c) sum[c] += pixels[(static_cast<size_t>(y) * w + x) * 3 + c];
  for (int c = 0; c < 3; ++c) bgr[c] = static_cast<int>(sum[c] / 64);
  return true;
}

PlainRun RunPlainClient(const PlainPlan& plan) {
  PlainRun run;
  std::string error;
  const Clock::time_point launched = Clock::now();
  std::unique_ptr<ChromiumPipe> pipe = ChromiumPipe::Launch(ChromiumExecutable(), EngineSwitches(), &error);
  if (!pipe) {
    run.errors.push_back(error);
    return run;
  }
  run.command_line = pipe->command_line();
  Client client(*pipe);
  // The still input page first, so that its first frame also times a fresh Chromium's start.
  if (!client.OpenPage(plan.width, plan.height, &error) || !client.Navigate(plan.input_url, &error) ||
      !client.StartScreencast(plan.width, plan.height, &error)) {
    run.errors.push_back(error);
    return run;
  }
  if (client.PumpUntil([&] { return client.first_frame_at().has_value(); }, 20))
    run.start_seconds = std::chrono::duration<double>(*client.first_frame_at() - launched).count();
  else
    run.errors.push_back("no first frame of the input page");

  error.clear();
  if (!MeasureLatency(client, plan, &run, &error)) run.errors.push_back(error);

  error.clear();
  run.counted = client.Navigate(plan.animated_url, &error) && CountFrames(client, plan, &run.count, &error);
  if (!run.counted) run.errors.push_back(error);

  error.clear();
  if (client.Navigate(plan.bridge_url, &error) &&
      client.PumpUntil([&] { return client.bridge_text().rfind("bridge-rtt ", 0) == 0; }, 60))
    run.bridge = client.bridge_text();
  else
    run.errors.push_back(error.empty() ? "the bridge page sent no figures" : error);
  return run;
}

}  // namespace mvbench
