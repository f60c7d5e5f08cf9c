#include "model.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace mvw32 {
namespace {

// Drops the thread's capture, focus and key state when it ends, so a later thread that the
// kernel gives the same id starts clean.
struct ThreadExit {
  DWORD id = 0;
  ~ThreadExit() {
    if (id == 0) return;
    Model& m = Model::Get();
    std::lock_guard<std::mutex> lock(m.mu);
    m.threads.erase(id);
  }
};
thread_local ThreadExit thread_exit;

}  // namespace

DWORD CurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
  return id;
}

Model& Model::Get() {
  static Model* const model = new Model();
  return *model;
}

Window* Model::Find(HWND hwnd) {
  auto it = windows.find(Id(hwnd));
  return it == windows.end() ? nullptr : &it->second;
}

ThreadState& Model::CurrentThread() {
  const DWORD id = CurrentThreadId();
  thread_exit.id = id;
  return threads[id];
}

void Model::DestroyTree(uintptr_t id) {
  auto it = windows.find(id);
  if (it == windows.end()) return;
  const std::vector<uintptr_t> children = it->second.children;
  for (uintptr_t child : children) DestroyTree(child);
  it = windows.find(id);
  Window& w = it->second;
  if (w.parent != 0) {
    auto& siblings = windows[w.parent].children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
  } else {
    top_level.erase(std::remove(top_level.begin(), top_level.end(), id), top_level.end());
  }
  himc_owner.erase(w.himc);
  for (auto& [tid, state] : threads) {
    if (state.capture == id) state.capture = 0;
    if (state.focus == id) state.focus = 0;
  }
  windows.erase(it);
}

void Model::Reset() {
  windows.clear();
  top_level.clear();
  himc_owner.clear();
  for (auto& [tid, state] : threads) state = ThreadState{};
  responder = nullptr;
  responder_user = nullptr;
  message_boxes.clear();
  shell_handler = nullptr;
  shell_user = nullptr;
  shell_opens.clear();
  debug_sink = nullptr;
  debug_user = nullptr;
  screen_width = kDefaultScreenWidth;
  screen_height = kDefaultScreenHeight;
}

std::string RecordedText(std::string text) {
  if (text.size() <= kMaxRecordedText) return text;
  size_t n = kMaxRecordedText;
  for (int back = 0; back < 3 && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0u) == 0x80u; ++back) --n;
  text.resize(n);
  text.shrink_to_fit();
  return text;
}

}  // namespace mvw32
