// One Chromium page at a fixed view size with its screencast, for the
// DevTools-level end-to-end tests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/base64.h"
#include "engine/runtime/chromium/chromium_connection.h"
#include "e2e_support.h"
#include "engine/runtime/chromium/jpeg_frame_decoder.h"
#include "engine/runtime/chromium/screencast_receiver.h"
#include "engine/runtime/chromium/view_metrics.h"

namespace mvengine {
namespace chromium {
namespace e2e {

struct Pixel {
  int b, g, r, a;
};

class PageHarness {
 public:
  static constexpr int kWidth = 800, kHeight = 600;
  // The reader thread must be gone before the members its handlers use.
  ~PageHarness() {
    if (connection_) connection_->Shutdown();
  }

  bool Open(std::string* error) {
    connection_ = ChromiumConnection::Start(Options(), error);
    if (!connection_) return false;
    target_ = connection_->CreatePage("about:blank", error);
    if (target_.empty()) return false;
    page_ = connection_->Attach(target_, error);
    if (!page_) return false;
    receiver_ = std::make_shared<ScreencastReceiver>(page_);
    page_->Subscribe([this](const std::string& method, const Json& params) {
      if (receiver_->OnEvent(method, params)) return;
      if (method == "Page.frameNavigated" && !params["frame"].contains("parentId") &&
          !receiver_->started())
        receiver_->Start(kWidth, kHeight);
      if (method == "Page.loadEventFired") {
        // As the engine does: a start sent while the document was swapped in was refused.
        if (!receiver_->started()) receiver_->Start(kWidth, kHeight);
        receiver_->RequestFrame();
        std::lock_guard<std::mutex> lock(m_);
        ++loads_;
        cv_.notify_all();
      }
    });
    for (auto& [method, params] : std::vector<std::pair<std::string, Json>>{
             {"Page.enable", Json::object()},
             {"Emulation.setDeviceMetricsOverride", DeviceMetricsParams(kWidth, kHeight, 0)},
             {"Emulation.setFocusEmulationEnabled", {{"enabled", true}}}}) {
      CommandResult r = page_->Call(method, params);
      if (!r.ok) {
        *error = method + ": " + r.error;
        return false;
      }
    }
    return true;
  }

  bool Navigate(const std::string& url) {
    int before;
    {
      std::lock_guard<std::mutex> lock(m_);
      before = loads_;
    }
    if (!page_->Call("Page.navigate", {{"url", url}}).ok) return false;
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return loads_ > before; });
  }

  // The first frame (after dropping what is already waiting) for which `accept`
  // holds, decoded; empty after `timeout`.
  std::vector<uint8_t> WaitFrame(const std::function<bool(const std::vector<uint8_t>&)>& accept,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string jpeg64;
    while (std::chrono::steady_clock::now() < deadline) {
      if (receiver_->TakeLatest(&jpeg64)) {
        std::vector<uint8_t> jpeg, bgra;
        if (mvcommon::DecodeBase64(jpeg64, &jpeg) &&
            DecodeJpegToBgra(jpeg.data(), jpeg.size(), kWidth, kHeight, &bgra) && accept(bgra))
          return bgra;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
  }

  static Pixel At(const std::vector<uint8_t>& bgra, int x, int y) {
    const uint8_t* p = bgra.data() + (static_cast<size_t>(y) * kWidth + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
  // Within JPEG tolerance of an RGB colour.
  static bool Near(const Pixel& p, int r, int g, int b) {
    auto close = [](int a, int e) { return a - e < 40 && e - a < 40; };
    return close(p.r, r) && close(p.g, g) && close(p.b, b) && p.a == 255;
  }

  Json Evaluate(const std::string& expression) {
    CommandResult r = page_->Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    return r.ok ? r.result["result"].value("value", Json()) : Json();
  }

  ChromiumConnection& connection() { return *connection_; }
  DevToolsSession& page() { return *page_; }
  ScreencastReceiver& receiver() { return *receiver_; }

 private:
  std::unique_ptr<ChromiumConnection> connection_;
  std::string target_;
  std::shared_ptr<DevToolsSession> page_;
  std::shared_ptr<ScreencastReceiver> receiver_;
  std::mutex m_;
  std::condition_variable cv_;
  int loads_ = 0;
};

inline std::string PageUrl(const std::string& name) { return "file://" + PagesDir() + "/" + name; }

}  // namespace e2e
}  // namespace chromium
}  // namespace mvengine
