#include "engine/runtime/chromium/page_painter.h"

#include "engine/runtime/chromium/view_metrics.h"

namespace mvengine {
namespace chromium {

PagePainter::PagePainter(int width, int height, int frame_rate)
    : frame_rate_(frame_rate), width_(800), height_(600) {
  SetViewSize(width, height);
}

PagePainter::~PagePainter() { Stop(); }

void PagePainter::Start(std::shared_ptr<DevToolsSession> session, Post post, Paint paint) {
  session_ = std::move(session);
  post_ = std::move(post);
  paint_ = std::move(paint);
  receiver_ = std::make_shared<ScreencastReceiver>(session_);
  decoder_ = std::make_shared<FrameDecoder>([post = post_, this] {
    // `this` is only touched on the UI thread, where the owner (and so the painter) lives on.
    post([this] { OnDecoded(); }, std::chrono::milliseconds(0));
  });
  decoder_->SetViewSize(width_, height_);
  decoder_->Start();
  // Frames go from the reader thread straight to the decoder: moved, never copied.
  std::weak_ptr<ScreencastReceiver> weak_receiver = receiver_;
  std::shared_ptr<FrameDecoder> decoder = decoder_;
  receiver_->SetFrameReady([weak_receiver, decoder] {
    std::string frame;
    if (auto receiver = weak_receiver.lock())
      if (receiver->TakeLatest(&frame)) decoder->Submit(std::move(frame));
  });
  receiver_->SetScreenshotDone([post = post_, this] {
    post(
        [this] {
          ApplyHeldViewMetrics();
          if (frame_asked_again_) RequestFrame();
        },
        std::chrono::milliseconds(0));
  });
}

void PagePainter::Stop() {
  if (receiver_) {
    receiver_->SetFrameReady(nullptr);
    receiver_->SetScreenshotDone(nullptr);
    receiver_->Stop();
  }
  if (decoder_) decoder_->Stop();
  receiver_.reset();
  decoder_.reset();
  post_ = nullptr;
  paint_ = nullptr;
  session_.reset();
}

void PagePainter::OnMainFrameCommitted() {
  // Frames need a page that has committed; earlier the screencast refuses.
  if (receiver_ && !receiver_->started()) receiver_->Start(width_, height_);
}

void PagePainter::OnMainFrameLoaded() {
  if (!receiver_) return;
  // Refused if it was asked for while the document was swapped in.
  if (!receiver_->started()) receiver_->Start(width_, height_);
  RequestFrame();
}

void PagePainter::Invalidate() {
  if (receiver_) RequestFrame();
}

void PagePainter::RequestFrame() {
  // One screenshot at a time: each is a full picture Chromium makes and sends on the channel every
  // browser shares, and a page changing its address without pause ends a load each time. One asked
  // for meanwhile follows the one under way, so the last state is still taken.
  frame_asked_again_ = receiver_->screenshots_in_flight() > 0;
  if (!frame_asked_again_) receiver_->RequestFrame();
}

void PagePainter::SetViewSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  // Chromium is never asked for more than it can paint, nor the game for more than it can hold.
  const ViewSize size = PaintableViewSize(width, height);
  width_ = size.width;
  height_ = size.height;
  if (decoder_) decoder_->SetViewSize(width_, height_);
}

void PagePainter::SetZoomLevel(double level) { zoom_level_.store(level); }

void PagePainter::ApplyViewMetrics(bool restart_screencast) {
  if (!session_) return;
  if (receiver_ && receiver_->screenshots_in_flight() > 0) {
    // The screenshot would put the old metrics back as it finishes.
    metrics_held_ = true;
    held_restart_ = held_restart_ || restart_screencast;
    return;
  }
  session_->Send("Emulation.setDeviceMetricsOverride", DeviceMetricsParams(width_, height_, zoom_level_.load()));
  if (restart_screencast && receiver_ && receiver_->started()) {
    // The screencast keeps the old metrics until restarted.
    receiver_->Stop();
    receiver_->Start(width_, height_);
    RequestFrame();
  }
}

void PagePainter::ApplyHeldViewMetrics() {
  if (!metrics_held_ || !session_ || (receiver_ && receiver_->screenshots_in_flight() > 0)) return;
  metrics_held_ = false;
  const bool restart = held_restart_;
  held_restart_ = false;
  ApplyViewMetrics(restart);
}

void PagePainter::OnDecoded() {
  if (!decoder_ || paint_scheduled_) return;
  const auto delay = slots_.Wait(std::chrono::steady_clock::now());
  if (delay.count() == 0) {
    PaintNewest();
    return;
  }
  // Too soon: paint the newest picture when the slot opens (pictures in between are dropped).
  paint_scheduled_ = true;
  post_(
      [this] {
        paint_scheduled_ = false;
        PaintNewest();
      },
      delay);
}

void PagePainter::PaintNewest() {
  if (!decoder_ || !decoder_->TakeDecoded(&picture_)) return;
  slots_.Painted(std::chrono::steady_clock::now(), frame_rate_.load());
  // Frames that would wait for the next slot anyway are decoded only just before it.
  decoder_->DecodeNotBefore(slots_.DecodeFrom(decoder_->decode_time()));
  if (paint_) paint_(picture_);
}

}  // namespace chromium
}  // namespace mvengine
