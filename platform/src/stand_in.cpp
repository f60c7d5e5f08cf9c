// The control functions of <mvwin32/stand_in.h>.
#include "mvwin32/stand_in.h"

#include <cstring>
#include <string>
#include <vector>

#include "model.h"
#include "text.h"

using mvw32::Id;
using mvw32::Model;
using mvw32::Window;

namespace {

bool Valid(const RECT& r) { return r.right >= r.left && r.bottom >= r.top; }

void Shift(Model& m, uintptr_t id, LONG dx, LONG dy) {
  Window& w = m.windows[id];
  w.rect.left += dx;
  w.rect.right += dx;
  w.rect.top += dy;
  w.rect.bottom += dy;
  for (uintptr_t child : w.children) Shift(m, child, dx, dy);
}

size_t CopyString(const std::string& s, char* buffer, size_t size) {
  if (buffer != nullptr && size > 0) {
    const size_t n = s.size() < size - 1 ? s.size() : size - 1;
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
  }
  return s.size();
}

BOOL SetImeResult(HWND hwnd, std::wstring text) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hwnd);
  if (w == nullptr) return FALSE;
  w->ime_result = std::move(text);
  w->has_ime_result = true;
  return TRUE;
}

// A callback that stands for the user, and the pointer it is given; no user without a callback.
template <typename Callback>
void SetCallback(Callback Model::*callback, void* Model::*user, Callback value, void* value_user) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  m.*callback = value;
  m.*user = value != nullptr ? value_user : nullptr;
}

// The message-box and shell-open records are read and cleared alike.
template <typename Record>
using Records = std::vector<Record> Model::*;

template <typename Record>
size_t RecordCount(Records<Record> records) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  return (m.*records).size();
}

template <typename Record, typename Info>
BOOL GetRecordInfo(Records<Record> records, size_t index, Info* info) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  if (index >= (m.*records).size() || info == nullptr) return FALSE;
  *info = (m.*records)[index].info;
  return TRUE;
}

// `pick` gives the string for a field of a record, or null for no such field.
template <typename Record, typename Pick>
size_t GetRecordString(Records<Record> records, size_t index, int field, char* buffer, size_t size, Pick pick) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const std::string* s = index < (m.*records).size() ? pick((m.*records)[index], field) : nullptr;
  return s != nullptr ? CopyString(*s, buffer, size) : static_cast<size_t>(-1);
}

template <typename Record>
void ClearRecords(Records<Record> records) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  (m.*records).clear();
}

}  // namespace

extern "C" {

HWND mvw32_create_window(HWND parent, RECT screen_rect, BOOL visible) {
  if (!Valid(screen_rect)) return nullptr;
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  if (parent != nullptr && m.Find(parent) == nullptr) return nullptr;
  const uintptr_t id = m.NewHandle();
  Window w;
  w.parent = Id(parent);
  w.rect = screen_rect;
  w.visible = visible != FALSE;
  w.thread = mvw32::CurrentThreadId();
  w.himc = m.NewHandle();
  m.himc_owner[w.himc] = id;
  m.windows.emplace(id, std::move(w));
  if (parent != nullptr) {
    m.windows[Id(parent)].children.push_back(id);
  } else {
    m.top_level.push_back(id);
  }
  return mvw32::Handle(id);
}

BOOL mvw32_destroy_window(HWND hwnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  if (m.Find(hwnd) == nullptr) return FALSE;
  m.DestroyTree(Id(hwnd));
  return TRUE;
}

BOOL mvw32_move_window(HWND hwnd, RECT screen_rect) {
  if (!Valid(screen_rect)) return FALSE;
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hwnd);
  if (w == nullptr) return FALSE;
  const LONG dx = screen_rect.left - w->rect.left;
  const LONG dy = screen_rect.top - w->rect.top;
  for (uintptr_t child : w->children) Shift(m, child, dx, dy);
  w->rect = screen_rect;
  return TRUE;
}

int mvw32_last_show_command(HWND hwnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = m.Find(hwnd);
  return w != nullptr ? w->last_show : -1;
}

BOOL mvw32_paint_window(HWND hwnd, const void* bgra, int width, int height) {
  if (bgra == nullptr || width <= 0 || height <= 0 || width > (1 << 14) || height > (1 << 14)) return FALSE;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint32_t> picture(count);
  std::memcpy(picture.data(), bgra, count * sizeof(uint32_t));
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hwnd);
  if (w == nullptr) return FALSE;
  w->picture.swap(picture);
  w->picture_width = width;
  w->picture_height = height;
  return TRUE;
}

BOOL mvw32_window_pixel(HWND hwnd, int x, int y, uint32_t* argb) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = m.Find(hwnd);
  if (w == nullptr || argb == nullptr || w->picture.empty()) return FALSE;
  const long width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  if (x < 0 || y < 0 || x >= width || y >= height) return FALSE;
  // Nearest pixel of the picture stretched over the window.
  const long px = x * w->picture_width / width, py = y * w->picture_height / height;
  *argb = w->picture[static_cast<size_t>(py) * static_cast<size_t>(w->picture_width) + static_cast<size_t>(px)];
  return TRUE;
}

void mvw32_set_key_state(int vk, BOOL down, BOOL toggled) {
  if (vk < 0 || vk > 0xFF) return;
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  m.CurrentThread().keys[vk] = static_cast<uint8_t>((down ? 0x80 : 0) | (toggled ? 0x01 : 0));
}

void mvw32_clear_key_state(void) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  m.CurrentThread().keys.fill(0);
}

BOOL mvw32_set_ime_context(HWND hwnd, BOOL has_context) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hwnd);
  if (w == nullptr) return FALSE;
  w->has_ime_context = has_context != FALSE;
  return TRUE;
}

BOOL mvw32_set_ime_result_utf16(HWND hwnd, const uint16_t* text, size_t length) {
  if (text == nullptr && length != 0) return FALSE;
  return SetImeResult(hwnd, mvw32::WideFromUtf16(text, length));
}

BOOL mvw32_set_ime_result_wide(HWND hwnd, const wchar_t* text) {
  if (text == nullptr) return FALSE;
  return SetImeResult(hwnd, text);
}

BOOL mvw32_clear_ime_result(HWND hwnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hwnd);
  if (w == nullptr) return FALSE;
  w->ime_result.clear();
  w->has_ime_result = false;
  return TRUE;
}

int mvw32_ime_context_refs(HWND hwnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = m.Find(hwnd);
  return w != nullptr ? w->ime_refs : -1;
}

void mvw32_set_message_box_responder(mvw32_message_box_responder responder, void* user) {
  SetCallback(&Model::responder, &Model::responder_user, responder, user);
}

size_t mvw32_message_box_count(void) { return RecordCount(&Model::message_boxes); }

BOOL mvw32_get_message_box(size_t index, mvw32_message_box_info* info) {
  return GetRecordInfo(&Model::message_boxes, index, info);
}

size_t mvw32_get_message_box_string(size_t index, int field, char* buffer, size_t size) {
  return GetRecordString(&Model::message_boxes, index, field, buffer, size,
                         [](const mvw32::MessageBoxRecord& box, int f) -> const std::string* {
                           return f == 0 ? &box.text : f == 1 ? &box.caption : nullptr;
                         });
}

void mvw32_clear_message_boxes(void) { ClearRecords(&Model::message_boxes); }

void mvw32_set_shell_open_handler(mvw32_shell_open_handler handler, void* user) {
  SetCallback(&Model::shell_handler, &Model::shell_user, handler, user);
}

size_t mvw32_shell_open_count(void) { return RecordCount(&Model::shell_opens); }

BOOL mvw32_get_shell_open(size_t index, mvw32_shell_open_info* info) {
  return GetRecordInfo(&Model::shell_opens, index, info);
}

size_t mvw32_get_shell_open_string(size_t index, int field, char* buffer, size_t size) {
  return GetRecordString(&Model::shell_opens, index, field, buffer, size,
                         [](const mvw32::ShellOpenRecord& open, int f) -> const std::string* {
                           return f >= 0 && f <= 3 ? &open.strings[f] : nullptr;
                         });
}

void mvw32_clear_shell_opens(void) { ClearRecords(&Model::shell_opens); }

void mvw32_set_debug_sink(mvw32_debug_sink sink, void* user) {
  SetCallback(&Model::debug_sink, &Model::debug_user, sink, user);
}

void mvw32_set_screen_size(int width, int height) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  m.screen_width = width;
  m.screen_height = height;
}

void mvw32_reset(void) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  m.Reset();
}

}  // extern "C"
