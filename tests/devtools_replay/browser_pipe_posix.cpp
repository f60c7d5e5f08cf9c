#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "browser_pipe.h"

namespace devtools_replay {

namespace {

class DescriptorPipe : public BrowserPipe {
 public:
  bool Read(std::string* chunk) override {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(3, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      chunk->assign(buffer, static_cast<size_t>(n));
      return true;
    }
  }
  bool Write(const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(4, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<BrowserPipe> OpenBrowserPipe(const std::vector<std::string>&, std::string* error) {
  if (::fcntl(3, F_GETFD) < 0 || ::fcntl(4, F_GETFD) < 0) {
    if (error) *error = "descriptors 3 and 4 are not open";
    return nullptr;
  }
  return std::unique_ptr<BrowserPipe>(new DescriptorPipe());
}

}  // namespace devtools_replay
