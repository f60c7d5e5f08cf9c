// Chromium's end of the DevTools pipe and the render side's end of the render channel, played by
// any bytes: messages are split exactly at the NULs, what is not JSON is dropped, nothing throws,
// and both readers end only when their stream does.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "engine/runtime/chromium/bridge_protocol.h"
#include "engine/runtime/chromium/byte_stream_posix.h"
#include "engine/runtime/chromium/chromium_browser.h"
#include "engine/runtime/chromium/devtools_transport.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/runtime/chromium/process_message_json.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace mvengine::chromium;

// The messages between NULs, empty ones left out, and the unfinished tail.
std::vector<std::string> SplitAtNuls(const std::string& bytes, std::string* tail) {
  std::vector<std::string> messages;
  size_t start = 0;
  for (size_t nul; (nul = bytes.find('\0', start)) != std::string::npos; start = nul + 1)
    if (nul > start) messages.push_back(bytes.substr(start, nul - start));
  *tail = bytes.substr(start);
  return messages;
}

// What the reader thread does with a message before any handler sees it.
void Inspect(const std::string& message) {
  const std::string_view method = LeadingEventMethod(message);
  FUZZ_CHECK(method.size() < message.size());
  ChromiumBrowser::WantsEvent(method, message);
  const Json parsed = Json::parse(message, nullptr, false);
  if (!parsed.is_object()) return;
  PausedRequestBody(parsed.value("params", Json::object()));
  ProcessMessageFromJson(parsed.value("message", Json()));
}

void FeedDevToolsTransport(const std::string& bytes) {
  int fds[2];
  FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
  DevToolsTransport transport(MakeSocketStream(fds[0], fds[0]));
  std::mutex mutex;
  std::condition_variable ended;
  bool closed = false;
  transport.SetCloseHandler([&](const std::string&) {
    std::lock_guard<std::mutex> lock(mutex);
    closed = true;
    ended.notify_all();
  });
  for (const char* session : {"", "S1"})
    transport.Subscribe(session, [](const std::string& method, Json& params) { params.dump(); });
  transport.Start();
  transport.Send("Page.enable", Json::object(), "S1", [](const CommandResult& r) { r.result.dump(); });
  FUZZ_CHECK(::write(fds[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  ::close(fds[1]);
  std::unique_lock<std::mutex> lock(mutex);
  ended.wait(lock, [&] { return closed; });
  lock.unlock();
  transport.Close();
}

void FeedRenderChannel(const std::string& bytes, size_t messages) {
  int fds[2];
  FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
  MessageChannel channel(MakeSocketStream(fds[0], fds[0]));
  FUZZ_CHECK(::write(fds[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  ::close(fds[1]);
  Json message;
  size_t received = 0;
  while (channel.Receive(&message)) ++received;
  FUZZ_CHECK(received <= messages);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Small enough for a socket's buffer: the writes below never wait for a reader.
  if (size > 64 * 1024) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  std::string tail;
  const std::vector<std::string> expected = SplitAtNuls(bytes, &tail);
  MessageSplitter splitter;
  std::vector<std::string> got;
  const size_t chunk = size > 0 ? data[0] % 13 + 1 : 1;
  for (size_t at = 0; at < size; at += chunk)
    splitter.Feed(bytes.data() + at, std::min(chunk, size - at), [&](std::string&& m) { got.push_back(m); });
  FUZZ_CHECK(got == expected);
  FUZZ_CHECK(splitter.pending_bytes() == tail.size());

  for (const std::string& message : got) Inspect(message);
  FeedDevToolsTransport(bytes);
  FeedRenderChannel(bytes, expected.size());
  return 0;
}
