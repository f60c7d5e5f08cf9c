// A client that records what the engine calls, for the runtime's end-to-end tests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "include/cef_client.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_jsdialog_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_handler.h"
#include "include/cef_string_visitor.h"

namespace mvengine {
namespace chromium {
namespace e2e {

class TestClient : public CefClient,
                   public CefLifeSpanHandler,
                   public CefLoadHandler,
                   public CefRenderHandler,
                   public CefJSDialogHandler,
                   public CefContextMenuHandler {
 public:
  TestClient(int width, int height) : width_(width), height_(height) {}

  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() override { return this; }
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }

  // --- recorded state (all guarded by m)
  std::mutex m;
  std::condition_variable cv;
  CefRefPtr<CefBrowser> browser;
  std::vector<std::string> events;       // "created", "start:<url>", "end:<url>", "error:<code>", ...
  std::vector<std::thread::id> threads;  // thread of every callback
  std::vector<uint8_t> last_frame;
  int frames = 0;
  int width_, height_;
  std::vector<std::string> dialogs;  // "<type>:<message>"
  bool confirm_answer = true;
  std::vector<std::string> popups;
  std::vector<std::string> failed_urls;  // of each OnLoadError
  int menu_items_seen = -1;
  bool closed = false;

  bool WaitFor(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    std::unique_lock<std::mutex> lock(m);
    return cv.wait_for(lock, timeout, condition);
  }
  size_t CountEvents(const std::string& prefix) {
    size_t n = 0;
    for (auto& e : events) n += e.compare(0, prefix.size(), prefix) == 0;
    return n;
  }

  // --- CefLifeSpanHandler
  bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url,
                     const CefString&, WindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo&,
                     CefRefPtr<CefClient>&, CefBrowserSettings&, bool*) override {
    Record("popup:" + target_url.ToString());
    std::lock_guard<std::mutex> lock(m);
    popups.push_back(target_url.ToString());
    return true;
  }
  void OnAfterCreated(CefRefPtr<CefBrowser> b) override {
    {
      std::lock_guard<std::mutex> lock(m);
      browser = b;
    }
    Record("created");
  }
  bool DoClose(CefRefPtr<CefBrowser>) override {
    Record("doclose");
    return false;
  }
  void OnBeforeClose(CefRefPtr<CefBrowser>) override {
    Record("beforeclose");
    std::lock_guard<std::mutex> lock(m);
    closed = true;
    browser = nullptr;
  }

  // --- CefLoadHandler
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame) override {
    Record(std::string(frame->IsMain() ? "start:" : "substart:") + frame->GetURL().ToString());
  }
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int status) override {
    Record(std::string(frame->IsMain() ? "end:" : "subend:") + frame->GetURL().ToString());
  }
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, ErrorCode code, const CefString& text,
                   const CefString& url) override {
    {
      std::lock_guard<std::mutex> lock(m);
      failed_urls.push_back(url.ToString());
    }
    Record("error:" + std::to_string(static_cast<int>(code)) + ":" + text.ToString());  // wakes waiters
  }

  // --- CefRenderHandler
  bool GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override {
    rect = CefRect(0, 0, width_, height_);
    return true;
  }
  void OnPaint(CefRefPtr<CefBrowser>, PaintElementType type, const RectList&, const void* buffer, int width,
               int height) override {
    std::lock_guard<std::mutex> lock(m);
    threads.push_back(std::this_thread::get_id());
    if (type != PET_VIEW || width != width_ || height != height_) {
      events.push_back("badpaint");
    } else {
      const uint8_t* p = static_cast<const uint8_t*>(buffer);
      last_frame.assign(p, p + static_cast<size_t>(width) * height * 4);
      ++frames;
    }
    cv.notify_all();
  }

  // --- CefJSDialogHandler
  bool OnJSDialog(CefRefPtr<CefBrowser>, const CefString&, const CefString&, JSDialogType type,
                  const CefString& message, const CefString&, CefRefPtr<CefJSDialogCallback> callback,
                  bool&) override {
    bool answer;
    {
      std::lock_guard<std::mutex> lock(m);
      dialogs.push_back(std::to_string(static_cast<int>(type)) + ":" + message.ToString());
      answer = confirm_answer;
    }
    Record("dialog");
    callback->Continue(type == JSDIALOGTYPE_ALERT ? true : answer, CefString());
    return true;
  }

  // --- CefContextMenuHandler
  void OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams>,
                           CefRefPtr<CefMenuModel> model) override {
    int count = model->GetCount();
    model->Clear();
    std::lock_guard<std::mutex> lock(m);
    menu_items_seen = count;
    cv.notify_all();
  }

  // The pixel (B, G, R) of the last frame.
  bool PixelNear(int x, int y, int r, int g, int b) {
    std::lock_guard<std::mutex> lock(m);
    if (last_frame.empty()) return false;
    const uint8_t* p = last_frame.data() + (static_cast<size_t>(y) * width_ + x) * 4;
    auto close = [](int a, int e) { return a - e < 40 && e - a < 40; };
    return close(p[2], r) && close(p[1], g) && close(p[0], b);
  }

 private:
  void Record(const std::string& event) {
    std::lock_guard<std::mutex> lock(m);
    events.push_back(event);
    threads.push_back(std::this_thread::get_id());
    cv.notify_all();
  }
  IMPLEMENT_REFCOUNTING(TestClient);
};

// Collects the text a frame reports.
class TextVisitor : public CefStringVisitor {
 public:
  void Visit(const CefString& string) override {
    std::lock_guard<std::mutex> lock(m);
    text = string.ToString();
    done = true;
    cv.notify_all();
  }
  std::string Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> lock(m);
    cv.wait_for(lock, timeout, [&] { return done; });
    return text;
  }
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::string text;
  IMPLEMENT_REFCOUNTING(TextVisitor);
};

}  // namespace e2e
}  // namespace chromium
}  // namespace mvengine
