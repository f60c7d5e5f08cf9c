#include "engine/runtime/chromium/message_channel.h"

#include <new>

#include "engine/runtime/chromium/debug_log.h"

namespace mvengine {
namespace chromium {

namespace {

// Image data URIs travel here; a message past this is a broken peer, not data.
constexpr size_t kMaxMessage = size_t(512) << 20;

}  // namespace

MessageChannel::MessageChannel(std::unique_ptr<ByteStream> stream, size_t max_queued_bytes)
    : stream_(std::move(stream)),
      writer_(stream_.get(), [](const std::string& reason) { DebugLog("render channel: %s", reason.c_str()); },
              max_queued_bytes) {}

MessageChannel::~MessageChannel() {
  // A write blocked on a peer that does not read ends here.
  stream_->Shutdown();
  writer_.Stop();
}

bool MessageChannel::Send(const Json& message) {
  // Text from pages may hold lone surrogates: never let them throw here.
  std::string line = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  line.push_back('\0');  // JSON text never holds a raw NUL
  return writer_.Push(std::move(line));
}

bool MessageChannel::Receive(Json* message) {
  for (;;) {
    while (!ready_.empty()) {
      Json parsed;
      try {
        parsed = Json::parse(ready_.front(), nullptr, false);
      } catch (const std::bad_alloc&) {
        parsed = Json(Json::value_t::discarded);
      }
      ready_.pop_front();
      if (parsed.is_discarded()) {
        DebugLog("render channel: a message that is not JSON (or too big to hold) was dropped");
        continue;
      }
      *message = std::move(parsed);
      return true;
    }
    if (splitter_.pending_bytes() > kMaxMessage) {
      DebugLog("render channel: a message over %lu bytes; closing", static_cast<unsigned long>(kMaxMessage));
      return false;
    }
    char chunk[64 * 1024];
    std::string error;
    const long n = stream_->Read(chunk, sizeof chunk, &error);
    if (n <= 0) return false;
    splitter_.Feed(chunk, static_cast<size_t>(n), [this](std::string&& text) { ready_.push_back(std::move(text)); });
  }
}

void MessageChannel::ShutdownWrite() { writer_.Finish(); }

void MessageChannel::Shutdown() { stream_->Shutdown(); }

}  // namespace chromium
}  // namespace mvengine
