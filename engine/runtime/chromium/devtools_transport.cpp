#include "engine/runtime/chromium/devtools_transport.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/base64.h"
#include "engine/runtime/chromium/debug_log.h"

namespace mvengine {
namespace chromium {

struct DevToolsTransport::Waiter {
  std::string session_id;
  ReplyHandler handler;  // set: asynchronous, no one waits on cv
  std::mutex m;
  std::condition_variable cv;
  bool done = false;  // guarded by m
  CommandResult result;

  void Finish(CommandResult r) {
    if (handler) {
      handler(r);
      return;
    }
    std::lock_guard<std::mutex> lock(m);
    result = std::move(r);
    done = true;
    cv.notify_all();
  }
};

const char kMessageTooLarge[] = "message too large for Chromium";
const char kReplyTooLarge[] = "reply too large to read";

namespace {
constexpr std::string_view kDetachedFromTarget = "Target.detachedFromTarget";
}  // namespace

MessageSplitter::MessageSplitter(size_t max_bytes) : max_bytes_(max_bytes) {
  // Held from the start: skipping happens when memory may be short.
  skipping_message_.head.reserve(SkippedMessage::kEdgeBytes);
  skipping_message_.tail.reserve(2 * SkippedMessage::kEdgeBytes);
}

void MessageSplitter::Feed(const char* data, size_t size, const std::function<void(std::string&&)>& on_message,
                           const SkipHandler& on_skipped) {
  const char* end = data + size;
  while (data < end) {
    const char* nul = static_cast<const char*>(std::memchr(data, '\0', end - data));
    const char* stop = nul ? nul : end;
    const size_t n = static_cast<size_t>(stop - data);
    if (!skipping_) {
      if (n > max_bytes_ - tail_.size()) {
        StartSkipping();
      } else {
        try {
          tail_.append(data, n);
        } catch (const std::bad_alloc&) {
          StartSkipping();
        } catch (const std::length_error&) {
          StartSkipping();
        }
      }
    }
    if (skipping_) Keep(data, n);
    if (!nul) return;
    if (skipping_) {
      skipping_ = false;
      ++skipped_;
      if (on_skipped) on_skipped(skipping_message_);
    } else if (!tail_.empty()) {
      std::string message;
      message.swap(tail_);
      on_message(std::move(message));
    }
    data = nul + 1;
  }
}

void MessageSplitter::StartSkipping() {
  skipping_ = true;
  skipping_message_.bytes = 0;
  skipping_message_.head.clear();
  skipping_message_.tail.clear();
  std::string held;
  held.swap(tail_);  // freed once its edges are kept
  Keep(held.data(), held.size());
}

void MessageSplitter::Keep(const char* data, size_t size) {
  constexpr size_t kEdge = SkippedMessage::kEdgeBytes;
  SkippedMessage& m = skipping_message_;
  m.bytes += size;
  if (m.head.size() < kEdge) m.head.append(data, std::min(size, kEdge - m.head.size()));
  if (size >= kEdge) {
    m.tail.assign(data + size - kEdge, kEdge);
  } else {
    m.tail.append(data, size);
    if (m.tail.size() > kEdge) m.tail.erase(0, m.tail.size() - kEdge);
  }
}

namespace {
// The string value right after `key` found at `at` (npos: nothing found).
std::string_view QuotedAfter(std::string_view text, size_t at, std::string_view key) {
  if (at == std::string_view::npos) return std::string_view();
  const size_t begin = at + key.size();
  const size_t end = text.find('"', begin);
  return end == std::string_view::npos ? std::string_view() : text.substr(begin, end - begin);
}

// The id of a reply as Chromium writes one ({"id":N first); 0 for anything else.
int LeadingReplyId(std::string_view text) {
  static constexpr std::string_view kLead = "{\"id\":";
  if (text.substr(0, kLead.size()) != kLead) return 0;
  int id = 0;
  for (size_t i = kLead.size(); i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (id > (std::numeric_limits<int>::max() - 9) / 10) return 0;
    id = id * 10 + (text[i] - '0');
  }
  return id;
}
}  // namespace

std::string_view LeadingEventMethod(std::string_view text) {
  static constexpr std::string_view kLead = "{\"method\":\"";
  return text.substr(0, kLead.size()) == kLead ? QuotedAfter(text, 0, kLead) : std::string_view();
}

std::string EncodeCommand(int id, const std::string& method, const Json& params,
                          const std::string& session_id, const BinaryParam* binary) {
  // Invalid UTF-8 from a caller must not throw out of the engine.
  auto dump = [](const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); };
  std::string wire = "{\"id\":" + std::to_string(id) + ",\"method\":" + dump(method);
  const std::string fields = params.is_null() ? std::string("{}") : dump(params);
  const std::string session = session_id.empty() ? std::string() : ",\"sessionId\":" + dump(session_id);
  const std::string name = binary ? dump(binary->name) : std::string();
  const size_t encoded = binary ? mvcommon::Base64Size(binary->bytes.size()) : 0;
  // Exact, with the NUL the sender adds: a large body is never copied to grow the text.
  wire.reserve(wire.size() + 10 + fields.size() + name.size() + 4 + encoded + session.size() + 2);
  if (!params.is_null() || binary) wire += ",\"params\":";
  if (!binary) {
    if (!params.is_null()) wire += fields;
  } else {
    wire.append(fields, 0, fields.size() - 1);  // an object's text without its closing brace
    if (fields.size() > 2) wire += ',';
    wire += name;
    wire += ":\"";
    mvcommon::AppendBase64(binary->bytes, &wire);
    wire += "\"}";
  }
  wire += session;
  wire += '}';
  return wire;
}

DevToolsTransport::DevToolsTransport(std::unique_ptr<ByteStream> stream, size_t max_read_bytes)
    : stream_(std::move(stream)), max_read_bytes_(max_read_bytes) {
  writer_.reset(new QueuedWriter(stream_.get(), [this](const std::string& reason) {
    MarkDead(dead_ ? close_reason() : "writing to Chromium: " + reason);
  }));
}

DevToolsTransport::~DevToolsTransport() { Close(); }

void DevToolsTransport::Start() {
  reader_ = std::thread([this] { ReadLoop(); });
}

std::string DevToolsTransport::close_reason() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return close_reason_;
}

void DevToolsTransport::Close(const std::string& reason) {
  MarkDead(reason);  // shuts the stream down: a blocked write fails, a blocked read ends
  if (reader_.joinable()) {
    if (reader_.get_id() == std::this_thread::get_id()) return;  // the destructor finishes
    reader_.join();
  }
  writer_->Stop();
  std::unique_ptr<ByteStream> stream;  // closed outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  closed_ = true;
  stream.swap(stream_);
}

void DevToolsTransport::MarkDead(const std::string& reason) {
  std::map<int, std::shared_ptr<Waiter>> waiters;
  CloseHandler on_close;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (dead_) return;
    dead_ = true;
    close_reason_ = reason;
    waiters.swap(waiters_);
    on_close = close_handler_;
    // Wakes the reader and any writer waiting for room.
    if (!closed_) stream_->Shutdown();
  }
  DebugLog("DevTools channel down: %s", reason.c_str());
  CommandResult failed;
  failed.error = reason;
  for (auto& entry : waiters) entry.second->Finish(failed);
  if (on_close) on_close(reason);
}

void DevToolsTransport::EndSession(const std::string& session_id) {
  if (session_id.empty()) return;
  std::vector<std::shared_ptr<Waiter>> ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = waiters_.begin(); it != waiters_.end();) {
      if (it->second->session_id != session_id) {
        ++it;
        continue;
      }
      ended.push_back(std::move(it->second));
      it = waiters_.erase(it);
    }
  }
  CommandResult failed;
  failed.error = "the target detached";
  for (auto& w : ended) w->Finish(failed);
}

void DevToolsTransport::SetCloseHandler(CloseHandler handler) {
  std::string reason;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    close_handler_ = handler;
    if (!dead_) return;
    reason = close_reason_;
  }
  if (handler) handler(reason);
}

int DevToolsTransport::Register(std::shared_ptr<Waiter> waiter) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (dead_) return 0;
  int id = next_id_++;
  waiters_[id] = std::move(waiter);
  return id;
}

std::shared_ptr<DevToolsTransport::Waiter> DevToolsTransport::TakeWaiter(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = waiters_.find(id);
  if (it == waiters_.end()) return nullptr;
  auto waiter = it->second;
  waiters_.erase(it);
  return waiter;
}

bool DevToolsTransport::Enqueue(int id, std::string&& bytes, const std::string& merge_key, std::string* error) {
  uint64_t replaced = 0;
  if (!writer_->Push(std::move(bytes), static_cast<uint64_t>(id), merge_key, &replaced)) {
    *error = dead_ ? close_reason() : std::string("the channel to Chromium is closed");
    return false;
  }
  if (replaced) {
    if (auto w = TakeWaiter(static_cast<int>(replaced))) {
      CommandResult merged;
      merged.error = "merged";
      if (w->handler) w->handler(merged);
    }
  }
  return true;
}

void DevToolsTransport::Send(const std::string& method, const Json& params,
                             const std::string& session_id, ReplyHandler on_reply, const std::string& merge_key) {
  Post(method, params, nullptr, session_id, std::move(on_reply), merge_key);
}

void DevToolsTransport::SendWithBinary(const std::string& method, const Json& params, const BinaryParam& binary,
                                       const std::string& session_id, ReplyHandler on_reply) {
  Post(method, params, &binary, session_id, std::move(on_reply), std::string());
}

void DevToolsTransport::Post(const std::string& method, const Json& params, const BinaryParam* binary,
                             const std::string& session_id, ReplyHandler on_reply, const std::string& merge_key) {
  auto waiter = std::make_shared<Waiter>();
  waiter->session_id = session_id;
  waiter->handler = on_reply ? std::move(on_reply) : [](const CommandResult&) {};
  int id = Register(waiter);
  CommandResult failed;
  if (id == 0) {
    failed.error = close_reason();
    waiter->handler(failed);
    return;
  }
  std::string error;
  std::string wire = EncodeCommand(id, method, params, session_id, binary);
  if (TraceEnabled()) DebugLog("-> %.300s", wire.c_str());
  if (wire.size() > kMaxDevToolsMessageBytes) {
    DebugLog("%s not sent: %zu bytes are more than Chromium takes", method.c_str(), wire.size());
    if (auto w = TakeWaiter(id)) {
      failed.error = kMessageTooLarge;
      w->handler(failed);
    }
    return;
  }
  const std::string key = merge_key.empty() ? merge_key : session_id + '\n' + merge_key;
  wire.push_back('\0');
  if (!Enqueue(id, std::move(wire), key, &error)) {
    if (auto w = TakeWaiter(id)) {
      failed.error = error;
      w->handler(failed);
    }
  }
}

CommandResult DevToolsTransport::Call(const std::string& method, const Json& params,
                                      const std::string& session_id,
                                      std::chrono::milliseconds timeout) {
  auto waiter = std::make_shared<Waiter>();
  waiter->session_id = session_id;
  int id = Register(waiter);
  CommandResult result;
  if (id == 0) {
    result.error = close_reason();
    return result;
  }
  std::string error;
  std::string wire = EncodeCommand(id, method, params, session_id);
  if (TraceEnabled()) DebugLog("-> %.300s", wire.c_str());
  if (wire.size() > kMaxDevToolsMessageBytes) {
    DebugLog("%s not sent: %zu bytes are more than Chromium takes", method.c_str(), wire.size());
    TakeWaiter(id);
    result.error = kMessageTooLarge;
    return result;
  }
  wire.push_back('\0');
  if (!Enqueue(id, std::move(wire), std::string(), &error)) {
    TakeWaiter(id);
    result.error = error;
    return result;
  }
  std::unique_lock<std::mutex> lock(waiter->m);
  if (!waiter->cv.wait_for(lock, timeout, [&] { return waiter->done; })) {
    lock.unlock();
    if (TakeWaiter(id)) {
      DebugLog("%s timed out after %lld ms", method.c_str(),
               static_cast<long long>(timeout.count()));
      result.error = "timeout";
      return result;
    }
    // The reply is being delivered right now.
    lock.lock();
    waiter->cv.wait(lock, [&] { return waiter->done; });
  }
  return waiter->result;
}

int DevToolsTransport::Subscribe(const std::string& session_id, EventHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  int token = next_token_++;
  subscriptions_[token] = {session_id, std::make_shared<EventHandler>(std::move(handler))};
  return token;
}

void DevToolsTransport::Unsubscribe(int token) {
  std::lock_guard<std::mutex> lock(mutex_);
  subscriptions_.erase(token);
}

void DevToolsTransport::ReadLoop() {
  MessageSplitter splitter(max_read_bytes_);
  std::vector<char> buffer(1 << 16);
  std::string error;
  long n;
  auto on_message = [this](std::string&& text) {
    // No memory for what a message needs: that message is lost, the channel and the game live on.
    try {
      Dispatch(std::move(text));
    } catch (const std::bad_alloc&) {
      DebugLog("a DevTools message was dropped: out of memory");
    } catch (const std::length_error&) {
      DebugLog("a DevTools message was dropped: too long to hold");
    }
  };
  auto on_skipped = [this](const SkippedMessage& m) { OnSkipped(m); };
  while ((n = stream_->Read(buffer.data(), buffer.size(), &error)) > 0)
    splitter.Feed(buffer.data(), static_cast<size_t>(n), on_message, on_skipped);
  MarkDead(n == 0 ? "Chromium closed the DevTools channel" : "reading from Chromium: " + error);
}

void DevToolsTransport::OnSkipped(const SkippedMessage& m) {
  DebugLog("a DevTools message of %llu bytes was dropped unread: %.100s", static_cast<unsigned long long>(m.bytes),
           m.head.c_str());
  if (const int id = LeadingReplyId(m.head)) {
    if (auto waiter = TakeWaiter(id)) {
      CommandResult failed;
      failed.error = kReplyTooLarge;
      waiter->Finish(std::move(failed));
    }
    return;
  }
  // A paused request nobody answers holds its page (a synchronous call, a navigation) for ever.
  // Its id comes first; its session, when it has one, last.
  if (LeadingEventMethod(m.head) != "Fetch.requestPaused") return;
  static constexpr std::string_view kRequestId = "\"requestId\":\"", kSessionId = "\"sessionId\":\"";
  const std::string_view head = m.head, tail = m.tail;
  const std::string_view request_id = QuotedAfter(head, head.find(kRequestId), kRequestId);
  if (request_id.empty()) return;
  std::string_view session;
  if (tail.size() >= 2 && tail.substr(tail.size() - 2) == "\"}") session = QuotedAfter(tail, tail.rfind(kSessionId), kSessionId);
  Send("Fetch.failRequest", {{"requestId", std::string(request_id)}, {"errorReason", "Failed"}}, std::string(session));
}

void DevToolsTransport::SetEventFilter(EventFilter filter) {
  std::lock_guard<std::mutex> lock(mutex_);
  event_filter_ = filter ? std::make_shared<const EventFilter>(std::move(filter)) : nullptr;
}

void DevToolsTransport::Dispatch(std::string&& text) {
  if (TraceEnabled() && text.find("\"Page.screencastFrame\"") == std::string::npos)
    DebugLog("<- %.300s", text.c_str());
  const std::string_view leading_method = LeadingEventMethod(text);
  bool wanted = true;
  if (!leading_method.empty()) {
    std::shared_ptr<const EventFilter> filter;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      filter = event_filter_;
    }
    // Parsing is most of what an event costs here: events nobody wants are not parsed.
    wanted = !filter || (*filter)(leading_method, text);
    if (!wanted && leading_method != kDetachedFromTarget) return;
  }
  Json message = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  const size_t text_bytes = text.size();
  std::string().swap(text);  // parsed: the text's memory is not needed while handlers run
  if (message.is_discarded() || !message.is_object()) {
    DebugLog("ignoring a malformed DevTools message (%lu bytes)", static_cast<unsigned long>(text_bytes));
    return;
  }
  auto id_it = message.find("id");
  if (id_it != message.end() && id_it->is_number_integer()) {
    auto waiter = TakeWaiter(id_it->get<int>());
    if (!waiter) return;  // its caller gave up
    CommandResult result;
    auto error_it = message.find("error");
    if (error_it != message.end()) {
      result.error = error_it->is_object() ? error_it->value("message", std::string("error"))
                                           : std::string("error");
    } else {
      result.ok = true;
      auto r = message.find("result");
      result.result = r != message.end() ? std::move(*r) : Json::object();
    }
    waiter->Finish(std::move(result));
    return;
  }
  auto method_it = message.find("method");
  if (method_it == message.end() || !method_it->is_string()) return;
  auto params_it = message.find("params");
  // Commands a target had not answered when it went are never answered.
  if (method_it->get_ref<const std::string&>() == kDetachedFromTarget && params_it != message.end() &&
      params_it->is_object())
    EndSession(params_it->value("sessionId", std::string()));
  if (!wanted) return;
  const std::string session = message.value("sessionId", std::string());
  std::vector<std::shared_ptr<EventHandler>> handlers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : subscriptions_)
      if (entry.second.session_id == session) handlers.push_back(entry.second.handler);
  }
  Json no_params = Json::object();
  Json& params = params_it != message.end() ? *params_it : no_params;
  const std::string method = method_it->get<std::string>();
  for (auto& handler : handlers) (*handler)(method, params);
}

}  // namespace chromium
}  // namespace mvengine
