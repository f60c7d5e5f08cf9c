// The in-process state behind the stand-in's Win32 calls. One mutex guards all of it; the
// callbacks that stand for the user (responder, shell handler, debug sink) are copied out and
// called with the mutex released, so a blocking box on the engine's UI thread never stalls
// the host thread's input calls.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <imm.h>
#include <windows.h>

#include "mvwin32/stand_in.h"

namespace mvw32 {

struct Window {
  uintptr_t parent = 0;              // 0: top level
  std::vector<uintptr_t> children;   // creation order: later ones lie above
  RECT rect{};                       // screen coordinates, right/bottom exclusive
  bool visible = false;
  DWORD thread = 0;                  // creator; capture and focus accept only its calls
  int last_show = -1;
  bool has_ime_context = true;
  uintptr_t himc = 0;                // this window's input context handle
  int ime_refs = 0;                  // ImmGetContext not yet released
  bool has_ime_result = false;
  std::wstring ime_result;
  std::vector<uint32_t> picture;     // the last one painted, as given (BGRA in memory)
  int picture_width = 0, picture_height = 0;
};

struct ThreadState {
  uintptr_t capture = 0;
  uintptr_t focus = 0;
  // Per virtual key: bit 0x80 down, bit 0x01 toggled.
  std::array<uint8_t, 256> keys{};
};

struct MessageBoxRecord {
  mvw32_message_box_info info{};
  std::string text;
  std::string caption;
};

struct ShellOpenRecord {
  mvw32_shell_open_info info{};
  std::string strings[4];  // verb, file, parameters, directory
};

// The records are there for hosts and tests to look at; a page that shows box after box, or opens
// window after window, must not grow them without end. Beyond kMaxRecords of a kind newer calls
// are not recorded (clearing makes room again), and each string keeps its first
// kMaxRecordedText bytes.
constexpr size_t kMaxRecords = 256;
constexpr size_t kMaxRecordedText = 4096;

// `text` cut to kMaxRecordedText bytes, not inside a UTF-8 character.
std::string RecordedText(std::string text);

constexpr int kDefaultScreenWidth = 1920;
constexpr int kDefaultScreenHeight = 1080;

class Model {
 public:
  // Never destroyed: threads may still call in while the process exits.
  static Model& Get();

  std::mutex mu;
  // Everything below is guarded by `mu`.
  std::map<uintptr_t, Window> windows;
  std::vector<uintptr_t> top_level;  // creation order
  std::map<uintptr_t, uintptr_t> himc_owner;
  uintptr_t next_handle = 0x10000;

  std::map<DWORD, ThreadState> threads;

  mvw32_message_box_responder responder = nullptr;
  void* responder_user = nullptr;
  std::vector<MessageBoxRecord> message_boxes;

  mvw32_shell_open_handler shell_handler = nullptr;
  void* shell_user = nullptr;
  std::vector<ShellOpenRecord> shell_opens;

  mvw32_debug_sink debug_sink = nullptr;
  void* debug_user = nullptr;

  int screen_width = kDefaultScreenWidth;
  int screen_height = kDefaultScreenHeight;

  // With `mu` held.
  Window* Find(HWND hwnd);
  ThreadState& CurrentThread();
  uintptr_t NewHandle() { return next_handle += 0x10; }
  void DestroyTree(uintptr_t id);
  void Reset();

 private:
  Model() = default;
};

inline uintptr_t Id(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }
inline HWND Handle(uintptr_t id) { return reinterpret_cast<HWND>(id); }

DWORD CurrentThreadId();

}  // namespace mvw32
