// The browser process's end of the render side. The render side runs in the
// sub-process executable the application names (started with the renderer
// type and a private channel), or, when it names none, on a thread of this
// process with the application's own render-process handler. Either way it
// speaks the same channel (render_wire.h).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/runtime/chromium/child_process.h"
#include "engine/runtime/chromium/devtools_session.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_process_message.h"
#include "include/cef_render_process_handler.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/runtime/chromium/restart_budget.h"

namespace mvengine {
namespace chromium {

class ChromiumBrowser;
class ChromiumFrame;

class RenderHost {
 public:
  // `subprocess` empty: the render side runs here with `handler`. Otherwise `launch_handler`
  // (the application's browser-process handler) sees each render process's command line.
  RenderHost(std::string subprocess, std::vector<std::string> switches,
             CefRefPtr<CefRenderProcessHandler> handler,
             CefRefPtr<CefBrowserProcessHandler> launch_handler = NULL);
  ~RenderHost();  // Stop()

  void Start();
  // The render side releases every context and ends; its process is reaped.
  void Stop();

  // UI: a bridge request of `frame` (Fetch.requestPaused); answered through `session`,
  // always, also when the render side is gone.
  void OnBridgeRequest(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame,
                       std::shared_ptr<DevToolsSession> session, const std::string& request_id,
                       const std::string& body);
  // Any thread: the browser closed; its documents' contexts go.
  void ReleaseBrowser(int browser_id);
  // Any thread: a frame (DevTools id) left the browser's page; its document's context goes.
  void ReleaseFrame(int browser_id, const std::string& frame_key);
  // Any thread: a message for the render side of `browser`.
  bool PostMessage(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<CefProcessMessage> message);

  // The render process, -1 when there is none (tests).
  ProcessId render_pid();

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    std::shared_ptr<DevToolsSession> session;
    std::string request_id;
    const MessageChannel* channel = nullptr;  // the render side asked
    Clock::time_point sent;
    // A document's request for its context, asked once more of the next render side when this one
    // goes without answering; null for the rest, which are answered "{}" then.
    Json again;
  };
  // Sends a request to the render side, started when none runs; answers "{}" when none can take it.
  void Ask(Json request, std::shared_ptr<DevToolsSession> session, const std::string& request_id,
           bool ask_again);
  // What the render side of `channel` still owes, taken out of pending_; mutex_ held.
  std::vector<Pending> TakeOwed(const MessageChannel* channel);
  // Pages blocked in the owed requests go on: asked again, or without an answer from native code.
  void Settle(std::vector<Pending> owed);
  // A running render side, or null; starts one when there is none (not after Stop).
  std::shared_ptr<MessageChannel> Channel();
  void ReadLoop(std::shared_ptr<MessageChannel> channel, ProcessId pid);
  // Ends a render process that owes an answer and has said nothing for kHangWait: one that hangs
  // would otherwise hold every page's requests, new documents' included.
  void WatchLoop(std::shared_ptr<MessageChannel> channel, ProcessId pid);
  void OnRenderMessage(const Json& message);
  CefRefPtr<ChromiumBrowser> BrowserById(int id);

  const std::string subprocess_;
  const std::vector<std::string> switches_;
  const CefRefPtr<CefRenderProcessHandler> handler_;
  const CefRefPtr<CefBrowserProcessHandler> launch_handler_;

  std::mutex mutex_;  // guards the fields below
  std::condition_variable ended_;  // a reader saw its render side end
  std::condition_variable watch_;  // a request was sent, the render side changed, or Stop
  bool stopped_ = false;
  RestartBudget starts_;
  std::shared_ptr<MessageChannel> channel_;  // null while no render side runs
  ProcessId pid_ = -1;
  Clock::time_point heard_;  // when the running render side last sent anything
  std::shared_ptr<MessageChannel> hung_;  // a render side found hung, until its reader kills it
  std::vector<std::thread> threads_;      // readers and the in-process renderer; joined by Stop
  uint64_t next_seq_ = 1;
  std::map<uint64_t, Pending> pending_;   // requests the render side has not answered
  std::map<int, CefRefPtr<ChromiumBrowser>> browsers_;  // browsers the render side knows
};

}  // namespace chromium
}  // namespace mvengine
