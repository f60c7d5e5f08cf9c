// Byte streams over Windows pipes: named pipes with overlapped I/O on our ends, so that a blocked
// read or write waits on the stream's stop events too (CancelIo ends it; XP has no CancelIoEx).
#include "engine/runtime/chromium/byte_stream_win.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace mvengine {
namespace chromium {

namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;

class PipeStream : public ByteStream {
 public:
  PipeStream(HANDLE read, HANDLE write)
      : read_(read),
        write_(write),
        read_done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        write_done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        stop_reading_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        stop_writing_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  ~PipeStream() override {
    if (write_ != INVALID_HANDLE_VALUE && write_ != read_) CloseHandle(write_);
    if (read_ != INVALID_HANDLE_VALUE) CloseHandle(read_);
    for (HANDLE event : {read_done_, write_done_, stop_reading_, stop_writing_})
      if (event) CloseHandle(event);
  }

  bool Write(const char* data, size_t size, std::chrono::milliseconds timeout, std::string* error) override {
    // Held for the whole write: ShutdownWrite closes the handle only once no write uses it.
    std::lock_guard<std::mutex> lock(write_mutex_);
    const bool limited = timeout.count() > 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    size_t done = 0;
    while (done < size) {
      if (write_ == INVALID_HANDLE_VALUE) {
        *error = "the stream is shut down";
        return false;
      }
      OVERLAPPED overlapped{};
      overlapped.hEvent = write_done_;
      ResetEvent(write_done_);
      const DWORD chunk = static_cast<DWORD>(size - done < kPipeBufferBytes ? size - done : kPipeBufferBytes);
      if (!WriteFile(write_, data + done, chunk, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) {
        *error = "the peer is gone (" + LastErrorText() + ")";
        return false;
      }
      DWORD wait_ms = INFINITE;
      if (limited) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        wait_ms = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
      }
      if (!Await(write_, &overlapped, stop_writing_, wait_ms)) {
        *error = WaitForSingleObject(stop_writing_, 0) == WAIT_OBJECT_0 ? "the stream is shut down"
                                                                         : "the peer stopped reading";
        return false;
      }
      DWORD written = 0;
      if (!GetOverlappedResult(write_, &overlapped, &written, FALSE)) {
        *error = "the peer is gone (" + LastErrorText() + ")";
        return false;
      }
      done += written;
    }
    return true;
  }

  long Read(char* buffer, size_t size, std::string* error) override {
    const DWORD want = static_cast<DWORD>(size < 0x7fffffff ? size : 0x7fffffff);
    for (;;) {
      if (WaitForSingleObject(stop_reading_, 0) == WAIT_OBJECT_0) return 0;
      OVERLAPPED overlapped{};
      overlapped.hEvent = read_done_;
      ResetEvent(read_done_);
      if (!ReadFile(read_, buffer, want, nullptr, &overlapped)) {
        const DWORD e = GetLastError();
        if (e == ERROR_BROKEN_PIPE || e == ERROR_PIPE_NOT_CONNECTED) return 0;
        if (e != ERROR_IO_PENDING) {
          *error = "read failed: " + LastErrorText(e);
          return -1;
        }
      }
      if (!Await(read_, &overlapped, stop_reading_, INFINITE)) return 0;
      DWORD n = 0;
      if (!GetOverlappedResult(read_, &overlapped, &n, FALSE)) {
        const DWORD e = GetLastError();
        if (e == ERROR_BROKEN_PIPE || e == ERROR_PIPE_NOT_CONNECTED || e == ERROR_OPERATION_ABORTED) return 0;
        *error = "read failed: " + LastErrorText(e);
        return -1;
      }
      if (n > 0) return static_cast<long>(n);
      // A zero-byte write of the peer completes a read with nothing: not the end.
    }
  }

  void ShutdownWrite() override {
    SetEvent(stop_writing_);
    std::lock_guard<std::mutex> lock(write_mutex_);
    // Closing our end is what the peer reads as the end of the stream.
    if (write_ != INVALID_HANDLE_VALUE && write_ != read_) CloseHandle(write_);
    write_ = INVALID_HANDLE_VALUE;
  }

  void Shutdown() override {
    SetEvent(stop_reading_);
    ShutdownWrite();
  }

 private:
  // Waits for the operation or `stop`; on a stop or timeout, cancels it and waits for the cancel
  // (the OVERLAPPED lives on the caller's stack). True when the operation completed.
  static bool Await(HANDLE handle, OVERLAPPED* overlapped, HANDLE stop, DWORD wait_ms) {
    HANDLE events[2] = {overlapped->hEvent, stop};
    if (WaitForMultipleObjects(2, events, FALSE, wait_ms) == WAIT_OBJECT_0) return true;
    CancelIo(handle);  // this thread issued it
    DWORD ignored = 0;
    GetOverlappedResult(handle, overlapped, &ignored, TRUE);
    return false;
  }

  HANDLE read_;
  HANDLE write_;  // INVALID_HANDLE_VALUE once shut down; guarded by write_mutex_ from then on
  std::mutex write_mutex_;
  const HANDLE read_done_, write_done_;  // the reader's and the writer's own
  const HANDLE stop_reading_, stop_writing_;  // set once, from any thread
};

// ASCII, so the ANSI forms serve: CreateNamedPipeA is in our list of XP SP3's kernel32.
std::string UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  char name[96];
  std::snprintf(name, sizeof name, "\\\\.\\pipe\\mvcef-%lu-%lu-%u", static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned long>(GetTickCount()), counter.fetch_add(1));
  return name;
}

HANDLE ParseHandle(const std::string& text) {
  if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(text.c_str(), nullptr, 10)));
}

}  // namespace

std::unique_ptr<ByteStream> MakePipeStream(HANDLE read, HANDLE write) {
  return std::unique_ptr<ByteStream>(new PipeStream(read, write));
}

bool MakePipe(bool we_write, bool theirs_overlapped, HANDLE* ours, HANDLE* theirs, std::string* error) {
  const std::string name = UniquePipeName();
  // One instance, made first by us and connected to at once: nobody else can take the other end.
  *ours = CreateNamedPipeA(name.c_str(),
                           (we_write ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND) | FILE_FLAG_OVERLAPPED |
                               FILE_FLAG_FIRST_PIPE_INSTANCE,
                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, kPipeBufferBytes, kPipeBufferBytes, 0,
                           nullptr);
  if (*ours == INVALID_HANDLE_VALUE) {
    *error = "cannot create a pipe: " + LastErrorText();
    return false;
  }
  *theirs = CreateFileA(name.c_str(), we_write ? GENERIC_READ : GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        theirs_overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
  if (*theirs == INVALID_HANDLE_VALUE) {
    *error = "cannot open a pipe: " + LastErrorText();
    CloseHandle(*ours);
    *ours = INVALID_HANDLE_VALUE;
    return false;
  }
  return true;
}

std::string HandlePairName(HANDLE read, HANDLE write) {
  return std::to_string(reinterpret_cast<uintptr_t>(read)) + "," + std::to_string(reinterpret_cast<uintptr_t>(write));
}

bool ParseHandlePairName(const std::string& name, HANDLE* read, HANDLE* write) {
  const size_t comma = name.find(',');
  if (comma == std::string::npos) return false;
  *read = ParseHandle(name.substr(0, comma));
  *write = ParseHandle(name.substr(comma + 1));
  return *read && *write;
}

std::string LastErrorText(DWORD error) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out + (out.empty() ? "" : " ") + "(error " + std::to_string(error) + ")";
}

bool MakeStreamPair(std::unique_ptr<ByteStream>* a, std::unique_ptr<ByteStream>* b, std::string* error) {
  HANDLE a_writes, b_reads, b_writes, a_reads;
  if (!MakePipe(true, true, &a_writes, &b_reads, error)) return false;
  if (!MakePipe(true, true, &b_writes, &a_reads, error)) {
    CloseHandle(a_writes);
    CloseHandle(b_reads);
    return false;
  }
  *a = MakePipeStream(a_reads, a_writes);
  *b = MakePipeStream(b_reads, b_writes);
  return true;
}

std::unique_ptr<ByteStream> OpenInheritedStream(const std::string& name) {
  HANDLE read, write;
  if (!ParseHandlePairName(name, &read, &write)) return nullptr;
  for (HANDLE handle : {read, write}) {
    DWORD flags = 0;
    if (!GetHandleInformation(handle, &flags) || GetFileType(handle) != FILE_TYPE_PIPE) return nullptr;
    // No process this one starts inherits them.
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
  }
  return MakePipeStream(read, write);
}

}  // namespace chromium
}  // namespace mvengine
