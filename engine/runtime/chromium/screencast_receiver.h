// Page.startScreencast frames of one page: acknowledged as they arrive, the
// newest kept for whoever paints next (older unpainted ones are dropped).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <memory>
#include <string>

#include "engine/runtime/chromium/devtools_session.h"

namespace mvengine {
namespace chromium {

// Held by shared_ptr: screenshot replies find it through a weak reference.
class ScreencastReceiver : public std::enable_shared_from_this<ScreencastReceiver> {
 public:
  // Runs on the reader thread when a new frame is waiting; must not block.
  using FrameReady = std::function<void()>;
  // Runs on the reader thread when a RequestFrame screenshot has finished
  // (answered or failed); must not block.
  using ScreenshotDone = std::function<void()>;

  explicit ScreencastReceiver(std::shared_ptr<DevToolsSession> session)
      : session_(std::move(session)) {}

  void SetFrameReady(FrameReady on_ready);
  void SetScreenshotDone(ScreenshotDone on_done);
  // Sends Page.startScreencast for the view size (without waiting). Chromium
  // refuses it while a navigation swaps the page's document in ("Not attached to
  // an active page"): then started() turns false again, for a later Start.
  void Start(int view_width, int view_height);
  void Stop();
  bool started() const { return started_.load(); }

  // A static page sends no screencast frames, and one painted while the page was
  // still loading may be the last: takes a screenshot now, which becomes the
  // latest frame unless a screencast frame overtakes it.
  // Chromium puts back the device metrics it found when the screenshot began as
  // it finishes: an override sent meanwhile is undone. Owners hold overrides
  // back while screenshots_in_flight() is not 0 (see SetScreenshotDone).
  void RequestFrame();
  int screenshots_in_flight() const { return screenshots_in_flight_.load(); }

  // Feed every event of the session here (reader thread). True if it was a frame, whose data is
  // then taken out of `params` (the const form copies it).
  bool OnEvent(const std::string& method, Json& params);
  bool OnEvent(const std::string& method, const Json& params);

  // The newest frame not yet taken, as base64 JPEG; false when there is none.
  bool TakeLatest(std::string* jpeg_base64);
  uint64_t frames_received() const { return frames_received_.load(); }

 private:
  const std::shared_ptr<DevToolsSession> session_;
  std::atomic<bool> started_{false};
  std::atomic<uint64_t> frames_received_{0};
  std::atomic<uint64_t> screencast_frames_{0};
  std::mutex start_mutex_;  // guards starts_ and writes of started_
  uint64_t starts_ = 0;     // Start and Stop calls, to match a refusal to its Start
  std::atomic<int> screenshots_in_flight_{0};
  std::mutex mutex_;  // guards the fields below
  std::string latest_;
  bool has_latest_ = false;
  FrameReady on_ready_;
  ScreenshotDone on_screenshot_done_;
  void Store(std::string&& jpeg_base64);
};

}  // namespace chromium
}  // namespace mvengine
