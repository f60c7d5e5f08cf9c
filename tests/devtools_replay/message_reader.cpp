#include "browser_pipe.h"

namespace devtools_replay {

bool MessageReader::Next(std::string* message) {
  for (;;) {
    const size_t end = pending_.find('\0');
    if (end != std::string::npos) {
      message->assign(pending_, 0, end);
      pending_.erase(0, end + 1);
      return true;
    }
    std::string chunk;
    if (!pipe_->Read(&chunk)) return false;
    pending_ += chunk;
  }
}

}  // namespace devtools_replay
