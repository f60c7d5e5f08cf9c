#include "engine/runtime/chromium/frame_decoder.h"

#include <exception>

#include "common/base64.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/jpeg_frame_decoder.h"

namespace mvengine {
namespace chromium {

namespace {

// One buffer is decoded into, one waits, one is painted: more would only hold memory.
constexpr size_t kSpareBuffers = 2;

}  // namespace

FrameDecoder::FrameDecoder(Ready on_ready) : on_ready_(std::move(on_ready)) {}

FrameDecoder::~FrameDecoder() { Stop(); }

void FrameDecoder::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable() || stopping_) return;
  thread_ = std::thread([this] { Run(); });
}

void FrameDecoder::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ = std::string();
  has_pending_ = has_ready_ = false;
  ready_ = DecodedFrame();
  free_.clear();
}

void FrameDecoder::SetViewSize(int width, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  width_ = width;
  height_ = height;
}

void FrameDecoder::Submit(std::string&& jpeg_base64) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return;
  if (has_pending_) ++dropped_;
  pending_ = std::move(jpeg_base64);
  has_pending_ = true;
  wake_.notify_one();
}

void FrameDecoder::DecodeNotBefore(std::chrono::steady_clock::time_point at) {
  std::lock_guard<std::mutex> lock(mutex_);
  not_before_ = at;
  wake_.notify_one();
}

std::chrono::nanoseconds FrameDecoder::decode_time() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return decode_time_;
}

bool FrameDecoder::TakeDecoded(DecodedFrame* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  announced_ = false;
  if (!has_ready_) return false;
  DecodedFrame old = std::move(*out);
  *out = std::move(ready_);
  has_ready_ = false;
  if (old.pixels.capacity() > 0 && free_.size() < kSpareBuffers) free_.push_back(std::move(old));
  return true;
}

uint64_t FrameDecoder::failed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

uint64_t FrameDecoder::dropped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}

void FrameDecoder::Run() {
  std::string text;              // the frame being decoded
  std::vector<uint8_t> jpeg;     // its bytes, reused from frame to frame
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || has_pending_; });
    if (stopping_) return;
    const auto hold = not_before_;
    if (std::chrono::steady_clock::now() < hold) {
      // Frames that come meanwhile replace this one; a new time is looked at afresh.
      wake_.wait_until(lock, hold, [&] { return stopping_ || not_before_ != hold; });
      continue;
    }
    text.swap(pending_);
    has_pending_ = false;
    DecodedFrame frame;
    if (!free_.empty()) {
      frame = std::move(free_.back());
      free_.pop_back();
    }
    frame.width = width_;
    frame.height = height_;
    lock.unlock();

    const auto began = std::chrono::steady_clock::now();
    bool decoded = false;
    std::string error;
    // Nothing may leave this thread: a frame that cannot be had (corrupt, or no memory for it) is
    // dropped and the next one tried.
    try {
      decoded = mvcommon::DecodeBase64(text, &jpeg) &&
                DecodeJpegToBgra(jpeg.data(), jpeg.size(), frame.width, frame.height, &frame.pixels, &error);
      if (!decoded && error.empty()) error = "not Base64";
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "unknown failure";
    }
    text.clear();
    const auto took = std::chrono::steady_clock::now() - began;

    lock.lock();
    decode_time_ = took;
    if (!decoded) {
      ++failed_;
      DebugLog("dropped an undecodable frame: %s", error.c_str());
      if (frame.pixels.capacity() > 0 && free_.size() < kSpareBuffers) free_.push_back(std::move(frame));
      continue;
    }
    if (has_ready_) {
      ++dropped_;
      if (free_.size() < kSpareBuffers) free_.push_back(std::move(ready_));
    }
    ready_ = std::move(frame);
    has_ready_ = true;
    const bool announce = !announced_;
    announced_ = true;
    if (announce && on_ready_) {
      lock.unlock();
      on_ready_();
      lock.lock();
    }
  }
}

}  // namespace chromium
}  // namespace mvengine
