#include "engine/runtime/chromium/render_host.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <stdexcept>

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/chromium_browser.h"
#include "engine/runtime/chromium/chromium_frame.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/process_message_json.h"
#include "engine/runtime/chromium/render_process.h"
#include "engine/runtime/chromium/render_wire.h"
#include "engine/runtime/chromium/renderer_loop.h"

namespace mvengine {
namespace chromium {

namespace {

// A render process that keeps dying is not started again and again: at most this many starts in
// any such window. An occasional death (a crash, a kill) is always recovered from.
constexpr int kStartsPerWindow = 8;
constexpr std::chrono::seconds kStartWindow(60);
// How long the render process may take to release its contexts at shutdown.
constexpr int kEndGraceMs = 2000;
// Silence that makes a render process that owes an answer count as hung. Its slowest honest answer,
// the largest screenshot a page may ask for, takes a few seconds.
constexpr std::chrono::seconds kHangWait(10);

FrameInfo InfoOf(CefRefPtr<CefFrame> frame) {
  FrameInfo info;
  ChromiumFrame* f = static_cast<ChromiumFrame*>(frame.get());
  if (!f) return info;
  info.key = f->devtools_id();
  info.id = f->GetIdentifier();
  info.url = f->GetURL().ToString();
  info.name = f->GetName().ToString();
  info.parent = f->parent_devtools_id();
  return info;
}

bool AsksForContext(const std::string& body) {
  if (body.size() > 64) return false;
  const Json request = Json::parse(body, nullptr, false);
  return request.is_object() && request.value("op", std::string()) == "context";
}

Json BrowserJson(CefRefPtr<ChromiumBrowser> browser) {
  return {{"id", browser->GetIdentifier()}, {"popup", browser->IsPopup()}};
}


}  // namespace

RenderHost::RenderHost(std::string subprocess, std::vector<std::string> switches,
                       CefRefPtr<CefRenderProcessHandler> handler,
                       CefRefPtr<CefBrowserProcessHandler> launch_handler)
    : subprocess_(std::move(subprocess)),
      switches_(std::move(switches)),
      handler_(handler),
      launch_handler_(launch_handler),
      starts_(kStartsPerWindow, kStartWindow) {}

RenderHost::~RenderHost() { Stop(); }

void RenderHost::Start() { Channel(); }

std::shared_ptr<MessageChannel> RenderHost::Channel() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (channel_ || stopped_) return channel_;
  if (!starts_.Take(RestartBudget::Clock::now())) {
    DebugLog("render side: started %d times within %llds; not again for now", kStartsPerWindow,
             static_cast<long long>(kStartWindow.count()));
    return nullptr;
  }
  if (subprocess_.empty()) {
    std::unique_ptr<ByteStream> ours, theirs;
    std::string error;
    if (!MakeStreamPair(&ours, &theirs, &error)) {
      DebugLog("render side: %s; pages get no native functions", error.c_str());
      return nullptr;
    }
    channel_ = std::make_shared<MessageChannel>(std::move(ours));
    auto render_end = std::make_shared<MessageChannel>(std::move(theirs));
    CefRefPtr<CefRenderProcessHandler> handler = handler_;
    threads_.emplace_back([handler, render_end] { RendererLoop(handler, render_end).Run(); });
    pid_ = -1;
    DebugLog("render side: on a thread of this process");
  } else {
    RenderProcess process;
    std::string error;
    if (!StartRenderProcess(subprocess_, switches_, &process, &error, launch_handler_)) {
      DebugLog("render side: %s; pages get no native functions", error.c_str());
      return nullptr;
    }
    channel_ = process.channel;
    pid_ = process.pid;
    DebugLog("render side: process %ld (%s)", pid_, subprocess_.c_str());
  }
  heard_ = Clock::now();
  std::shared_ptr<MessageChannel> channel = channel_;
  const ProcessId pid = pid_;
  threads_.emplace_back([this, channel, pid] { ReadLoop(channel, pid); });
  // A render thread of this process cannot be ended, so only a process is watched.
  if (pid > 0) threads_.emplace_back([this, channel, pid] { WatchLoop(channel, pid); });
  return channel_;
}

void RenderHost::Stop() {
  std::vector<std::thread> threads;
  std::shared_ptr<MessageChannel> channel;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    channel = channel_;
    threads.swap(threads_);
  }
  watch_.notify_all();
  // The render side sees the end of its requests, releases its contexts and ends;
  // our reader sees its end and reaps it. One that does not end in time is ended.
  if (channel) {
    channel->ShutdownWrite();
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ended_.wait_for(lock, std::chrono::milliseconds(kEndGraceMs), [&] { return channel_ != channel; })) {
      KillProcess(pid_);
      channel->Shutdown();
    }
  }
  for (auto& thread : threads)
    if (thread.joinable()) thread.join();
  std::lock_guard<std::mutex> lock(mutex_);
  browsers_.clear();
}

ProcessId RenderHost::render_pid() {
  std::lock_guard<std::mutex> lock(mutex_);
  return pid_;
}

void RenderHost::ReadLoop(std::shared_ptr<MessageChannel> channel, ProcessId pid) {
  Json message;
  while (channel->Receive(&message)) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (channel_ == channel) heard_ = Clock::now();
    }
    if (!message.is_object()) continue;
    // A message the game has no memory for is lost; the channel goes on.
    try {
      OnRenderMessage(message);
    } catch (const std::bad_alloc&) {
      DebugLog("render side: a message was dropped: out of memory");
    } catch (const std::length_error&) {
      DebugLog("render side: a message was dropped: too long to hold");
    }
  }
  channel->Shutdown();
  if (pid > 0) {
    bool hung = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      hung = hung_ == channel;
      if (hung) hung_ = nullptr;
    }
    const ExitStatus exit = EndRenderProcess(pid, hung ? 0 : kEndGraceMs);
    DebugLog("render side: process %ld %s", pid, DescribeExit(exit).c_str());
  } else {
    DebugLog("render side: the render thread ended");
  }
  std::vector<Pending> owed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (channel_ == channel) {
      channel_ = nullptr;
      pid_ = -1;
    }
    owed = TakeOwed(channel.get());
  }
  ended_.notify_all();
  watch_.notify_all();
  Settle(std::move(owed));
}

std::vector<RenderHost::Pending> RenderHost::TakeOwed(const MessageChannel* channel) {
  // Requests to a render side started since are that one's to answer.
  std::vector<Pending> owed;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->second.channel != channel) {
      ++it;
      continue;
    }
    owed.push_back(std::move(it->second));
    it = pending_.erase(it);
  }
  return owed;
}

void RenderHost::Settle(std::vector<Pending> owed) {
  for (Pending& entry : owed) {
    if (!entry.again.is_null()) {
      // Answered empty, the document would live on without its bridge.
      Ask(std::move(entry.again), entry.session, entry.request_id, false);
      continue;
    }
    entry.session->Send("Fetch.fulfillRequest", FulfillParams(entry.request_id, "{}"));
  }
}

void RenderHost::WatchLoop(std::shared_ptr<MessageChannel> channel, ProcessId pid) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopped_ && channel_ == channel) {
    // The render side owes an answer from its oldest unanswered request, or since it last spoke.
    std::optional<Clock::time_point> oldest;
    for (const auto& entry : pending_)
      if (entry.second.channel == channel.get() && (!oldest || entry.second.sent < *oldest)) oldest = entry.second.sent;
    if (!oldest) {
      watch_.wait(lock);
      continue;
    }
    const Clock::time_point deadline = std::max(*oldest, heard_) + kHangWait;
    if (Clock::now() < deadline) {
      watch_.wait_until(lock, deadline);
      continue;
    }
    // Later requests go to a new render side at once, and so do documents still waiting for their
    // context. Its reader kills this one.
    DebugLog("render side: process %ld has owed an answer for %llds without a word; ending it", pid,
             static_cast<long long>(kHangWait.count()));
    channel_ = nullptr;
    pid_ = -1;
    hung_ = channel;
    std::vector<Pending> owed = TakeOwed(channel.get());
    lock.unlock();
    channel->Shutdown();
    Settle(std::move(owed));
    return;
  }
}

void RenderHost::OnRenderMessage(const Json& message) {
  const std::string type = message.value("t", std::string());
  if (type == "answer") {
    auto seq = message.find("seq");
    if (seq == message.end() || !seq->is_number_unsigned()) return;
    Pending pending;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = pending_.find(seq->get<uint64_t>());
      if (it == pending_.end()) return;
      pending = it->second;
      pending_.erase(it);
    }
    // Read in place: an answer can be tens of MiB (an image), and is Base64-encoded straight into
    // the command.
    const auto body = message.find("body");
    const std::string* text = body == message.end() ? nullptr : body->get_ptr<const std::string*>();
    std::weak_ptr<DevToolsSession> weak_session = pending.session;
    const std::string request_id = pending.request_id;
    auto on_reply = [weak_session, request_id](const CommandResult& r) {
      if (r.ok) return;
      DebugLog("bridge answer not delivered: %s", r.error.c_str());
      // An answer too long for Chromium: the page gets undefined rather than waiting for ever.
      if (r.error != kMessageTooLarge) return;
      if (auto session = weak_session.lock()) session->Send("Fetch.fulfillRequest", FulfillParams(request_id, "{}"));
    };
    pending.session->SendWithBinary("Fetch.fulfillRequest", FulfillHead(request_id),
                                    {"body", text ? std::string_view(*text) : std::string_view("{}")}, on_reply);
    return;
  }
  CefRefPtr<ChromiumBrowser> browser = BrowserById(IntOf(message, "browser"));
  if (!browser) return;
  if (type == "message") {
    CefRefPtr<CefProcessMessage> process_message = ProcessMessageFromJson(message.value("message", Json()));
    if (process_message) browser->DeliverRendererMessage(process_message);
  } else if (type == "eval") {
    const std::string frame = message.value("frame", std::string());
    const std::string script = message.value("script", std::string());
    browser->context()->ui.Post(
        [browser, frame, script] { browser->EvaluateInFrame(frame, script, [](const std::string&) {}); });
  } else if (type == "load") {
    CefRefPtr<CefFrame> frame = browser->FrameForDevToolsId(message.value("frame", std::string()));
    if (frame) frame->LoadURL(message.value("url", std::string()));
  } else if (type == "history") {
    const std::string what = message.value("do", std::string());
    if (what == "back") browser->GoBack();
    else if (what == "forward") browser->GoForward();
    else if (what == "reload") browser->Reload();
    else if (what == "stop") browser->StopLoad();
  }
}

CefRefPtr<ChromiumBrowser> RenderHost::BrowserById(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = browsers_.find(id);
  return it == browsers_.end() ? NULL : it->second;
}

void RenderHost::OnBridgeRequest(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<ChromiumFrame> frame,
                                 std::shared_ptr<DevToolsSession> session, const std::string& request_id,
                                 const std::string& body) {
  if (!frame) {
    session->Send("Fetch.fulfillRequest", FulfillParams(request_id, "{}"));
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browsers_[browser->GetIdentifier()] = browser;
  }
  Ask({{"t", "request"},
       {"browser", BrowserJson(browser)},
       {"frame", FrameInfoToJson(InfoOf(frame.get()))},
       {"main", FrameInfoToJson(InfoOf(browser->GetMainFrame()))},
       {"body", body}},
      session, request_id, AsksForContext(body));
}

void RenderHost::Ask(Json request, std::shared_ptr<DevToolsSession> session, const std::string& request_id,
                     bool ask_again) {
  std::shared_ptr<MessageChannel> channel = Channel();
  uint64_t seq = 0;
  if (channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    seq = next_seq_++;
    request["seq"] = seq;
    pending_[seq] = Pending{session, request_id, channel.get(), Clock::now(), ask_again ? request : Json()};
  }
  if (seq && channel->Send(request)) {
    watch_.notify_all();
    return;
  }
  if (seq) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.erase(seq) == 0) return;  // the reader answered it as the channel ended
  }
  // A page must never stay blocked in its request.
  session->Send("Fetch.fulfillRequest", FulfillParams(request_id, "{}"));
}

void RenderHost::ReleaseBrowser(int browser_id) {
  std::shared_ptr<MessageChannel> channel;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (browsers_.erase(browser_id) == 0) return;  // the render side never saw it
    channel = channel_;
  }
  if (channel) channel->Send({{"t", "release"}, {"browser", browser_id}});
}

void RenderHost::ReleaseFrame(int browser_id, const std::string& frame_key) {
  std::shared_ptr<MessageChannel> channel;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!browsers_.count(browser_id)) return;  // the render side never saw it
    channel = channel_;
  }
  if (channel) channel->Send({{"t", "release_frame"}, {"browser", browser_id}, {"frame", frame_key}});
}

bool RenderHost::PostMessage(CefRefPtr<ChromiumBrowser> browser, CefRefPtr<CefProcessMessage> message) {
  std::shared_ptr<MessageChannel> channel = Channel();
  if (!channel || !message) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    browsers_[browser->GetIdentifier()] = browser;
  }
  return channel->Send({{"t", "message"},
                        {"browser", BrowserJson(browser)},
                        {"main", FrameInfoToJson(InfoOf(browser->GetMainFrame()))},
                        {"message", ProcessMessageToJson(message)}});
}

}  // namespace chromium
}  // namespace mvengine
