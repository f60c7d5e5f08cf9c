#include "screencast_receiver.h"

#include "view_metrics.h"

namespace mvengine {
namespace chromium {

void ScreencastReceiver::SetFrameReady(FrameReady on_ready) {
  std::lock_guard<std::mutex> lock(mutex_);
  on_ready_ = std::move(on_ready);
}

void ScreencastReceiver::Start(int view_width, int view_height) {
  started_ = true;
  session_->Send("Page.startScreencast", ScreencastParams(view_width, view_height));
}

void ScreencastReceiver::Stop() {
  if (started_.exchange(false)) session_->Send("Page.stopScreencast");
}

bool ScreencastReceiver::OnEvent(const std::string& method, const Json& params) {
  if (method != "Page.screencastFrame") return false;
  // Chromium sends the next frame only after this one is acknowledged.
  session_->Send("Page.screencastFrameAck", {{"sessionId", params.value("sessionId", 0)}});
  auto data = params.find("data");
  if (data == params.end() || !data->is_string()) return true;
  ++screencast_frames_;
  Store(data->get<std::string>());
  return true;
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
  session_->Send("Page.captureScreenshot", {{"format", "jpeg"}, {"quality", 90}},
                 [weak = weak_from_this(), seen](const CommandResult& r) {
                   auto self = weak.lock();
                   if (!self || !r.ok || self->screencast_frames_.load() != seen) return;
                   auto data = r.result.find("data");
                   if (data != r.result.end() && data->is_string())
                     self->Store(data->get<std::string>());
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
