// The DevTools protocol over a byte stream: NUL-terminated JSON messages, commands matched to
// replies by id, events routed by session id.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <nlohmann/json.hpp>

#include "engine/runtime/chromium/byte_stream.h"
#include "engine/runtime/chromium/queued_writer.h"

namespace mvengine {
namespace chromium {

using Json = nlohmann::json;

// Chromium's pipe reader holds a message of at most 100 MiB with its NUL and ends the pipe, and
// with it every page, on a longer one. Commands stay a megabyte below that.
constexpr size_t kMaxDevToolsMessageBytes = (size_t(100) << 20) - (size_t(1) << 20);
// CommandResult::error of a command longer than that: never written, the channel lives on.
extern const char kMessageTooLarge[];
// Nor is a message from Chromium held past this length. A page makes such messages at will (a body
// it posts is in the event twice), and reading one costs the game about three times its length at
// once: more than a 32-bit game may find.
constexpr size_t kMaxReadMessageBytes = size_t(64) << 20;
// CommandResult::error of a command whose reply was longer than that.
extern const char kReplyTooLarge[];

struct CommandResult {
  bool ok = false;
  Json result;        // the reply's "result" when ok
  std::string error;  // the reply's error message, "timeout", or why the channel is gone
};

// What is known of a message that was not held: its length, and its first and last bytes (enough
// for a reply's id, an event's method and its session).
struct SkippedMessage {
  static constexpr size_t kEdgeBytes = 512;
  uint64_t bytes = 0;
  std::string head;  // at most kEdgeBytes
  std::string tail;  // at most kEdgeBytes
};

// Splits a byte stream into NUL-terminated messages; keeps an unfinished tail.
class MessageSplitter {
 public:
  using SkipHandler = std::function<void(const SkippedMessage&)>;
  explicit MessageSplitter(size_t max_bytes = SIZE_MAX);
  // Appends bytes and calls `on_message` for every message completed by them. A message longer
  // than `max_bytes`, or with no memory to hold it, is skipped up to its NUL, counted and told to
  // `on_skipped` (may be empty); nothing is allocated while skipping.
  void Feed(const char* data, size_t size, const std::function<void(std::string&&)>& on_message,
            const SkipHandler& on_skipped = nullptr);
  size_t pending_bytes() const { return tail_.size(); }
  uint64_t skipped() const { return skipped_; }

 private:
  void StartSkipping();
  void Keep(const char* data, size_t size);

  const size_t max_bytes_;
  std::string tail_;
  bool skipping_ = false;  // the current message is not held: only its edges are kept
  SkippedMessage skipping_message_;
  uint64_t skipped_ = 0;
};

// The method of an event as Chromium writes one ({"method":"..." first); empty for anything else.
std::string_view LeadingEventMethod(std::string_view text);

// A field of a command's params of the protocol's type `binary`: bytes sent Base64-encoded. They
// are encoded straight into the command's text, so a large body (a page-bridge answer can be tens of
// MiB) is held once more, not as Base64, a params object and its dumped copy.
struct BinaryParam {
  std::string name;
  std::string_view bytes;
};

// Builds the wire form of a command (without the terminating NUL, for which it leaves room).
// `params` is an object (or null); `binary`, when given, joins its fields.
std::string EncodeCommand(int id, const std::string& method, const Json& params,
                          const std::string& session_id, const BinaryParam* binary = nullptr);

class DevToolsTransport {
 public:
  // Both run on the reader thread and must not block (post work elsewhere). Event handlers of a
  // session run in the order they subscribed; one may take (move) parts out of `params`, which the
  // ones after it then miss.
  using EventHandler = std::function<void(const std::string& method, Json& params)>;
  using ReplyHandler = std::function<void(const CommandResult&)>;
  // Runs once when the channel is gone, with the reason.
  using CloseHandler = std::function<void(const std::string& reason)>;
  // Reader thread: whether an event is worth parsing, from its method (LeadingEventMethod) and its
  // raw text. Events it declines are dropped unparsed; replies always pass. Must not block.
  using EventFilter = std::function<bool(std::string_view method, std::string_view text)>;

  // Messages longer than `max_read_bytes` are not read: a reply's command fails (kReplyTooLarge),
  // a paused request is failed so that its page does not wait for ever, other events are lost.
  explicit DevToolsTransport(std::unique_ptr<ByteStream> stream, size_t max_read_bytes = kMaxReadMessageBytes);
  ~DevToolsTransport();  // Close()

  DevToolsTransport(const DevToolsTransport&) = delete;
  DevToolsTransport& operator=(const DevToolsTransport&) = delete;

  void Start();
  // Fails every waiter, stops the reader and closes the stream. Idempotent.
  void Close(const std::string& reason = "closed");
  // Like Close, for a peer known to be dead; callable from any thread, also from
  // a handler (the reader thread is not joined there).
  void MarkDead(const std::string& reason);
  bool alive() const { return !dead_.load(); }
  std::string close_reason() const;

  // Blocks the calling thread until the reply, the timeout or the channel's end (start-up and tests
  // only: nothing the host calls waits on Chromium). A command longer than kMaxDevToolsMessageBytes
  // is not sent (kMessageTooLarge), here and in Send.
  CommandResult Call(const std::string& method, const Json& params = Json::object(),
                     const std::string& session_id = std::string(),
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Does not wait, also not for a Chromium that reads slowly or is stopped: commands queue for the
  // writer thread. `on_reply` (may be empty) runs on the reader thread, or at once on the caller's
  // thread when the channel is already gone. A command of a session whose target detaches before
  // answering fails then (Chromium never answers it; Target.detachedFromTarget is read for this
  // even where the event filter declines it). With a `merge_key`, a command of the same session and
  // key still queued behind a busy channel is replaced by this one (its `on_reply` gets the error
  // "merged"): only the latest of a run of such commands reaches Chromium.
  void Send(const std::string& method, const Json& params = Json::object(),
            const std::string& session_id = std::string(), ReplyHandler on_reply = nullptr,
            const std::string& merge_key = std::string());
  // Send with a binary field added to `params`.
  void SendWithBinary(const std::string& method, const Json& params, const BinaryParam& binary,
                      const std::string& session_id = std::string(), ReplyHandler on_reply = nullptr);

  // Events of one session ("" = the browser-level connection). Returns a token.
  int Subscribe(const std::string& session_id, EventHandler handler);
  void Unsubscribe(int token);
  void SetCloseHandler(CloseHandler handler);
  // None set (or null): every event is parsed.
  void SetEventFilter(EventFilter filter);

 private:
  struct Waiter;
  void ReadLoop();
  void Dispatch(std::string&& text);
  void OnSkipped(const SkippedMessage& message);
  // Queues a whole message; false (reason in `error`) when the channel is gone.
  bool Enqueue(int id, std::string&& bytes, const std::string& merge_key, std::string* error);
  void Post(const std::string& method, const Json& params, const BinaryParam* binary,
            const std::string& session_id, ReplyHandler on_reply, const std::string& merge_key);
  int Register(std::shared_ptr<Waiter> waiter);
  std::shared_ptr<Waiter> TakeWaiter(int id);
  // Fails the waiters of a session that ended.
  void EndSession(const std::string& session_id);

  std::unique_ptr<ByteStream> stream_;  // closed (reset) by Close, after the reader has ended
  const size_t max_read_bytes_;
  std::thread reader_;
  std::unique_ptr<QueuedWriter> writer_;  // made with the transport, stopped by Close before the stream goes
  std::atomic<bool> dead_{false};

  mutable std::mutex mutex_;  // guards everything below
  int next_id_ = 1;
  int next_token_ = 1;
  std::map<int, std::shared_ptr<Waiter>> waiters_;
  struct Subscription {
    std::string session_id;
    std::shared_ptr<EventHandler> handler;
  };
  std::map<int, Subscription> subscriptions_;
  CloseHandler close_handler_;
  std::shared_ptr<const EventFilter> event_filter_;
  std::string close_reason_;
  bool closed_ = false;  // Close() ran (stream gone)
};

}  // namespace chromium
}  // namespace mvengine
