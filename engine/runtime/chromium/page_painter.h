// Screencast and painting of one page (windowless: for the client; windowed: into its window): the view's size and zoom as device metrics, the
// screencast that brings frames, the decoder that turns them into pictures off the UI thread, and
// the paint pacing (at most the browser's frame rate, the newest picture wins).
//
// Threads: the UI thread, except where a method says otherwise. Frames reach the decoder on the
// DevTools reader thread and are decoded on the decoder's own thread; the UI thread only hands the
// finished picture to the client.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "engine/runtime/chromium/devtools_session.h"
#include "engine/runtime/chromium/frame_decoder.h"
#include "engine/runtime/chromium/paint_slots.h"
#include "engine/runtime/chromium/screencast_receiver.h"

namespace mvengine {
namespace chromium {

class PagePainter {
 public:
  // Posts to the UI thread, after `delay`; the owner stays alive until the task has run. False
  // once the UI thread stops.
  using Post = std::function<bool(std::function<void()>, std::chrono::milliseconds delay)>;
  // UI: one picture for the client (OnPaint).
  using Paint = std::function<void(const DecodedFrame&)>;

  PagePainter(int width, int height, int frame_rate);
  ~PagePainter();  // Stop()

  // Once, when the page's session exists: the page's frames flow to `paint` from its first
  // commit. What this is given is held until Stop.
  void Start(std::shared_ptr<DevToolsSession> session, Post post, Paint paint);
  // No picture reaches `paint` afterwards; the decoder's thread has ended.
  void Stop();

  // The page's screencast (null before Start): the page's
  // session feeds it every event on the DevTools reader thread.
  std::shared_ptr<ScreencastReceiver> receiver() const { return receiver_; }

  // The main frame committed a document: frames can be had from now on.
  void OnMainFrameCommitted();
  // The main frame finished loading: a still page sends no frame of its own, so one is taken.
  void OnMainFrameLoaded();
  void Invalidate();
  // The view's size (ignored unless both are positive), cut to what can be painted
  // (PaintableViewSize); ApplyViewMetrics makes it the page's.
  void SetViewSize(int width, int height);
  // Sends the view size and zoom as device metrics, unless a screenshot would undo them: then
  // they wait for it. A running screencast is restarted with them when asked.
  void ApplyViewMetrics(bool restart_screencast);
  // Any thread.
  void SetZoomLevel(double level);
  double zoom_level() const { return zoom_level_.load(); }
  void set_frame_rate(int rate) { frame_rate_.store(rate); }
  int frame_rate() const { return frame_rate_.load(); }
  int view_width() const { return width_; }  // as painted
  int view_height() const { return height_; }

 private:
  void ApplyHeldViewMetrics();  // a screenshot has finished
  void RequestFrame();          // a screenshot, or one more after the one under way
  void OnDecoded();
  void PaintNewest();

  std::atomic<double> zoom_level_{0};
  std::atomic<int> frame_rate_;
  // UI thread.
  int width_, height_;
  std::shared_ptr<DevToolsSession> session_;
  std::shared_ptr<ScreencastReceiver> receiver_;
  std::shared_ptr<FrameDecoder> decoder_;
  Post post_;
  Paint paint_;
  bool metrics_held_ = false;  // an override waits for screenshots to finish
  bool held_restart_ = false;
  bool frame_asked_again_ = false;  // a screenshot waits for the one under way
  bool paint_scheduled_ = false;
  PaintSlots slots_;
  DecodedFrame picture_;  // the one being painted, kept for its buffer
};

}  // namespace chromium
}  // namespace mvengine
