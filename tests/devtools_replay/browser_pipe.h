// The DevTools pipe as the browser finds it when started with --remote-debugging-pipe: the end it
// reads commands from and the end it writes replies and events to, each message ending in a NUL.
//   POSIX:   descriptors 3 (read) and 4 (write).
//   Windows: --remote-debugging-io-pipes=<read>,<write>, two inherited handle values in decimal;
//            without it, the C runtime's descriptors 3 and 4, which the parent hands over in
//            STARTUPINFO's reserved fields (lpReserved2/cbReserved2) as the C runtime does.
// Real Chrome and Edge accept both on Windows; so does this.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace devtools_replay {

class BrowserPipe {
 public:
  virtual ~BrowserPipe() = default;
  // Blocks for the next bytes; false at the end of the stream or on an error.
  virtual bool Read(std::string* chunk) = 0;
  // Writes all of `bytes`; false when the reader is gone.
  virtual bool Write(const std::string& bytes) = 0;
};

// The pipe this process was started with; null with `error` when there is none.
std::unique_ptr<BrowserPipe> OpenBrowserPipe(const std::vector<std::string>& args, std::string* error);

// Splits the stream into messages; keeps an unfinished one for the next chunk.
class MessageReader {
 public:
  explicit MessageReader(BrowserPipe* pipe) : pipe_(pipe) {}
  // False at the end of the stream.
  bool Next(std::string* message);

 private:
  BrowserPipe* pipe_;
  std::string pending_;
};

}  // namespace devtools_replay
