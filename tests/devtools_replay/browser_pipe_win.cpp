#include <windows.h>
#include <io.h>

#include <cctype>
#include <cstdlib>

#include "browser_pipe.h"

namespace devtools_replay {

namespace {

class HandlePipe : public BrowserPipe {
 public:
  HandlePipe(HANDLE read, HANDLE write) : read_(read), write_(write) {}
  bool Read(std::string* chunk) override {
    char buffer[65536];
    DWORD n = 0;
    if (!ReadFile(read_, buffer, sizeof buffer, &n, nullptr) || n == 0) return false;
    chunk->assign(buffer, n);
    return true;
  }
  bool Write(const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD n = 0;
      if (!WriteFile(write_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) || n == 0)
        return false;
      done += n;
    }
    return true;
  }

 private:
  HANDLE read_, write_;
};

// The value of --name=value, the switch's name in any case (Chromium ignores it on Windows).
bool SwitchValue(const std::vector<std::string>& args, const std::string& name, std::string* value) {
  const std::string prefix = "--" + name + "=";
  for (const std::string& arg : args) {
    if (arg.size() < prefix.size()) continue;
    bool same = true;
    for (size_t i = 0; i < prefix.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(arg[i])) == prefix[i];
    if (same) {
      *value = arg.substr(prefix.size());
      return true;
    }
  }
  return false;
}

HANDLE ParseHandle(const std::string& text) {
  if (text.empty()) return INVALID_HANDLE_VALUE;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (*end != '\0' || value == 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

}  // namespace

std::unique_ptr<BrowserPipe> OpenBrowserPipe(const std::vector<std::string>& args, std::string* error) {
  std::string io_pipes;
  if (SwitchValue(args, "remote-debugging-io-pipes", &io_pipes)) {
    const size_t comma = io_pipes.find(',');
    HANDLE read = ParseHandle(io_pipes.substr(0, comma == std::string::npos ? io_pipes.size() : comma));
    HANDLE write = comma == std::string::npos ? INVALID_HANDLE_VALUE : ParseHandle(io_pipes.substr(comma + 1));
    DWORD flags;
    if (read == INVALID_HANDLE_VALUE || write == INVALID_HANDLE_VALUE || !GetHandleInformation(read, &flags) ||
        !GetHandleInformation(write, &flags)) {
      if (error) *error = "--remote-debugging-io-pipes=" + io_pipes + " names no two open handles";
      return nullptr;
    }
    return std::unique_ptr<BrowserPipe>(new HandlePipe(read, write));
  }
  const intptr_t read = _get_osfhandle(3), write = _get_osfhandle(4);
  if (read == -1 || write == -1) {
    if (error) *error = "no --remote-debugging-io-pipes and the C runtime's descriptors 3 and 4 are not open";
    return nullptr;
  }
  return std::unique_ptr<BrowserPipe>(
      new HandlePipe(reinterpret_cast<HANDLE>(read), reinterpret_cast<HANDLE>(write)));
}

}  // namespace devtools_replay
