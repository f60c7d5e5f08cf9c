#include "engine/runtime/chromium/screencast_receiver.h"

#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/view_metrics.h"

namespace mvengine {
namespace chromium {

void ScreencastReceiver::SetFrameReady(FrameReady on_ready) {
  std::lock_guard<std::mutex> lock(mutex_);
  on_ready_ = std::move(on_ready);
}

void ScreencastReceiver::SetScreenshotDone(ScreenshotDone on_done) {
  std::lock_guard<std::mutex> lock(mutex_);
  on_screenshot_done_ = std::move(on_done);
}

void ScreencastReceiver::Start(int view_width, int view_height) {
  uint64_t start;
  {
    std::lock_guard<std::mutex> lock(start_mutex_);
    start = ++starts_;
    started_ = true;
  }
  session_->Send("Page.startScreencast", ScreencastParams(view_width, view_height),
                 [weak = weak_from_this(), start](const CommandResult& r) {
                   auto self = weak.lock();
                   if (!self || r.ok) return;
                   std::lock_guard<std::mutex> lock(self->start_mutex_);
                   if (self->starts_ != start) return;  // a later Start or Stop decides
                   DebugLog("screencast not started: %s", r.error.c_str());
                   self->started_ = false;
                 });
}

void ScreencastReceiver::Stop() {
  bool was_started;
  {
    std::lock_guard<std::mutex> lock(start_mutex_);
    ++starts_;
    was_started = started_.exchange(false);
  }
  if (was_started) session_->Send("Page.stopScreencast");
}

bool ScreencastReceiver::OnEvent(const std::string& method, Json& params) {
  if (method != "Page.screencastFrame") return false;
  // Chromium sends the next frame only after this one is acknowledged.
  session_->Send("Page.screencastFrameAck", {{"sessionId", params.value("sessionId", 0)}});
  auto data = params.find("data");
  if (data == params.end() || !data->is_string()) return true;
  ++screencast_frames_;
  Store(std::move(data->get_ref<std::string&>()));
  return true;
}

bool ScreencastReceiver::OnEvent(const std::string& method, const Json& params) {
  Json copy = method == "Page.screencastFrame" ? params : Json();
  return OnEvent(method, copy);
}

void ScreencastReceiver::Store(std::string&& jpeg_base64) {
  FrameReady notify;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    latest_ = std::move(jpeg_base64);
    has_latest_ = true;
    notify = on_ready_;
  }
  ++frames_received_;
  if (notify) notify();
}

void ScreencastReceiver::RequestFrame() {
  const uint64_t seen = screencast_frames_.load();
  ++screenshots_in_flight_;
  session_->Send("Page.captureScreenshot", {{"format", "jpeg"}, {"quality", 90}},
                 [weak = weak_from_this(), seen](const CommandResult& r) {
                   auto self = weak.lock();
                   if (!self) return;
                   if (r.ok && self->screencast_frames_.load() == seen) {
                     auto data = r.result.find("data");
                     if (data != r.result.end() && data->is_string()) self->Store(data->get<std::string>());
                   }
                   ScreenshotDone done;
                   {
                     std::lock_guard<std::mutex> lock(self->mutex_);
                     done = self->on_screenshot_done_;
                   }
                   --self->screenshots_in_flight_;
                   if (done) done();
                 });
}

bool ScreencastReceiver::TakeLatest(std::string* jpeg_base64) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!has_latest_) return false;
  jpeg_base64->swap(latest_);
  latest_.clear();
  has_latest_ = false;
  return true;
}

}  // namespace chromium
}  // namespace mvengine
