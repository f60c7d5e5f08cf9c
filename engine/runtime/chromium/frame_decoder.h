// Turns screencast frames (Base64 JPEG) into BGRA pictures of the view's size on a thread of its
// own, so that neither the DevTools reader nor the UI thread waits for a decode. Only the newest
// frame matters: one that arrives while another waits replaces it, and a decoded picture not yet
// taken is replaced by a newer one. Frames can be held back until the painter is about to want
// them, so that frames it would drop cost no decode. Pictures and their buffers are reused.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mvengine {
namespace chromium {

struct DecodedFrame {
  std::vector<uint8_t> pixels;  // BGRA, top row first, stride width * 4
  int width = 0;
  int height = 0;
};

class FrameDecoder {
 public:
  // Runs on the decoder's thread when a decoded picture waits and none was announced since the
  // last TakeDecoded; must not block.
  using Ready = std::function<void()>;

  explicit FrameDecoder(Ready on_ready);
  ~FrameDecoder();  // Stop()

  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  void Start();
  // Ends the thread (a decode in progress finishes first) and drops what waits. Idempotent; not
  // from the Ready callback.
  void Stop();

  // Any thread: the size pictures are decoded (and scaled) to.
  void SetViewSize(int width, int height);
  // Any thread: the newest frame; `jpeg_base64` is taken, not copied.
  void Submit(std::string&& jpeg_base64);
  // Any thread: a frame waiting is not decoded before `at` (one that comes later is decoded when it
  // comes); a newer frame replaces it meanwhile. Decoding starts at once again when `at` has passed.
  void DecodeNotBefore(std::chrono::steady_clock::time_point at);
  // Any thread: how long the last decode took (0 before the first).
  std::chrono::nanoseconds decode_time() const;
  // Any thread: the newest decoded picture into `out`, or false when there is none. The buffer
  // `out` held goes back to the decoder for later pictures.
  bool TakeDecoded(DecodedFrame* out);

  // Frames that could not be decoded, and frames replaced before they were decoded or taken.
  uint64_t failed() const;
  uint64_t dropped() const;

 private:
  void Run();

  const Ready on_ready_;
  std::thread thread_;
  mutable std::mutex mutex_;  // guards the fields below
  std::condition_variable wake_;
  bool stopping_ = false;
  int width_ = 0;
  int height_ = 0;
  std::chrono::steady_clock::time_point not_before_{};
  std::chrono::nanoseconds decode_time_{0};
  std::string pending_;  // newest undecoded frame
  bool has_pending_ = false;
  DecodedFrame ready_;   // newest decoded picture
  bool has_ready_ = false;
  bool announced_ = false;         // Ready ran for ready_ and it was not taken since
  std::vector<DecodedFrame> free_;  // buffers to decode into
  uint64_t failed_ = 0;
  uint64_t dropped_ = 0;
};

}  // namespace chromium
}  // namespace mvengine
