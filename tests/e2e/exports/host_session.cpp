#include "tests/e2e/exports/host_session.h"

#include <imm.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/stand_in_string.h"

namespace exports_e2e {
namespace {

using Clock = std::chrono::steady_clock;

// Host buffers for GetMsg are 256 bytes; the guard behind them shows a write past the end.
constexpr size_t kField = 256;
constexpr size_t kGuard = 64;
constexpr char kGuardByte = 0x5A;

std::mutex& AnswersMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, int>& Answers() {
  static std::map<std::string, int> answers;
  return answers;
}

// Boxes wait unanswered while held (guarded by AnswersMutex).
bool boxes_held = false;
int boxes_waiting = 0;
std::condition_variable& BoxesReleased() {
  static std::condition_variable released;
  return released;
}

int AnswerBox(void*, HWND, const char* text, const char*, UINT) {
  std::unique_lock<std::mutex> lock(AnswersMutex());
  ++boxes_waiting;
  BoxesReleased().wait(lock, [] { return !boxes_held; });
  --boxes_waiting;
  auto it = Answers().find(text ? text : "");
  return it == Answers().end() ? IDOK : it->second;
}

// Success without starting anything: tests read the stand-in's record of the call instead.
int RecordOnlyShell(void*, HWND, const char*, const char*, const char*, const char*, int) { return 42; }

LoadedLibrary*& Started() {
  static LoadedLibrary* library = nullptr;
  return library;
}

std::string FileUrl(const std::string& path) { return "file://" + path; }

}  // namespace

bool PollUntil(const std::function<bool()>& done, double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string PagesDir() { return MVCEF_EXPORTS_PAGES_DIR; }
std::string PageUrl(const std::string& file) { return FileUrl(PagesDir() + "/" + file); }
std::string SharedPageUrl(const std::string& file) { return FileUrl(std::string(MVCEF_TEST_PAGES_DIR) + "/" + file); }

std::string InstallRoot() {
  std::string path = MVCEF_LIBRARY_PATH;
  for (int up = 0; up < 2; ++up) path = path.substr(0, path.rfind('/'));
  return path;
}

bool StartLibrary(LoadedLibrary* library, std::string* error) {
  if (!OpenLibrary(MVCEF_LIBRARY_PATH, library, error)) return false;
  library->api.mvw32_set_message_box_responder(&AnswerBox, nullptr);
  library->api.mvw32_set_shell_open_handler(&RecordOnlyShell, nullptr);
  if (library->api.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(library->handle), true) != 1) {
    *error = "fnmvPackCefDllInitializeCef did not return 1";
    return false;
  }
  Started() = library;
  return true;
}

LoadedLibrary* StartedLibrary() { return Started(); }

void SetMessageBoxAnswer(const std::string& text, int button) {
  std::lock_guard<std::mutex> lock(AnswersMutex());
  Answers()[text] = button;
}

HeldMessageBoxes::HeldMessageBoxes() {
  std::lock_guard<std::mutex> lock(AnswersMutex());
  boxes_held = true;
}

HeldMessageBoxes::~HeldMessageBoxes() {
  {
    std::lock_guard<std::mutex> lock(AnswersMutex());
    boxes_held = false;
  }
  BoxesReleased().notify_all();
}

int HeldMessageBoxes::waiting() const {
  std::lock_guard<std::mutex> lock(AnswersMutex());
  return boxes_waiting;
}

void ClearMessageBoxAnswers() {
  std::lock_guard<std::mutex> lock(AnswersMutex());
  Answers().clear();
}

namespace {
std::string BoxString(const Api& api, size_t index, int field) {
  return mvtest::StandInString(api.mvw32_get_message_box_string, index, field);
}
std::string ShellString(const Api& api, size_t index, int field) {
  return mvtest::StandInString(api.mvw32_get_shell_open_string, index, field);
}

// Every record the stand-in holds, oldest first: `get(index, &info)` reads one, `entry(index, info)`
// makes it what the tests compare.
template <typename Info, typename Get, typename Entry>
auto Records(size_t count, Get get, Entry entry) {
  std::vector<decltype(entry(size_t(), Info()))> records;
  for (size_t i = 0; i < count; ++i) {
    Info info{};
    if (get(i, &info)) records.push_back(entry(i, info));
  }
  return records;
}
}  // namespace

std::vector<ShownBox> MessageBoxes(const Api& api) {
  return Records<mvw32_message_box_info>(
      api.mvw32_message_box_count(), api.mvw32_get_message_box, [&](size_t i, const mvw32_message_box_info& info) {
        return ShownBox{info.owner, info.type, info.result, BoxString(api, i, 0), BoxString(api, i, 1)};
      });
}

std::vector<ShellOpen> ShellOpens(const Api& api) {
  return Records<mvw32_shell_open_info>(
      api.mvw32_shell_open_count(), api.mvw32_get_shell_open, [&](size_t i, const mvw32_shell_open_info& info) {
        return ShellOpen{info.hwnd, info.show_command, ShellString(api, i, 0), ShellString(api, i, 1)};
      });
}

Rgb Frame::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height || bgra.size() < static_cast<size_t>(width) * height * 4)
    return Rgb{-1000, -1000, -1000};
  const uint8_t* p = bgra.data() + (static_cast<size_t>(y) * width + x) * 4;
  return Rgb{p[2], p[1], p[0]};
}

bool Frame::Near(int x, int y, Rgb c, int tolerance) const {
  const Rgb p = At(x, y);
  return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
}

std::string Describe(Rgb c) {
  std::ostringstream out;
  out << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
  return out.str();
}

void Reports::Add(const std::string& value) {
  raw_.push_back(value);
  const size_t eq = value.find('=');
  if (eq == std::string::npos) return;
  const std::string head = value.substr(0, eq);
  const std::string body = value.substr(eq + 1);
  const size_t hash = head.find('#');
  if (hash == std::string::npos) {
    values_[head].push_back(body);
    return;
  }
  const std::string key = head.substr(0, hash);
  size_t index = 0, count = 0;
  if (std::sscanf(head.c_str() + hash + 1, "%zu/%zu", &index, &count) != 2 || index >= count || count > 100000)
    return;
  auto& parts = pieces_[key];
  if (parts.size() != count) parts.assign(count, std::nullopt);
  parts[index] = body;
  std::string whole;
  for (const auto& part : parts) {
    if (!part) return;
    whole += *part;
  }
  values_[key].push_back(whole);
  pieces_.erase(key);
}

std::vector<std::string> Reports::Values(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

std::optional<std::string> Reports::Last(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::string Reports::Summary() const {
  std::ostringstream out;
  out << raw_.size() << " message(s):";
  for (const auto& [key, values] : values_) {
    out << "\n  " << key << ":";
    for (const std::string& v : values) out << " [" << v.substr(0, 120) << (v.size() > 120 ? "..." : "") << "]";
  }
  return out.str();
}

LPARAM PointLParam(int x, int y) {
  return static_cast<LPARAM>(static_cast<uint32_t>((static_cast<uint32_t>(y) & 0xFFFF) << 16 |
                                                   (static_cast<uint32_t>(x) & 0xFFFF)));
}

LPARAM KeyLParam(unsigned scan_code, bool releasing) {
  uint32_t value = 1 | (scan_code & 0xFF) << 16;
  if (releasing) value |= 1u << 30 | 1u << 31;
  // As a 32-bit Windows program receives it, sign-extended into the wider LPARAM.
  return static_cast<LPARAM>(static_cast<int32_t>(value));
}

Host::~Host() {
  CloseAll();
  for (HWND w : windows_) api_.mvw32_destroy_window(w);
}

HWND Host::NewWindow(RECT screen) {
  HWND w = api_.mvw32_create_window(nullptr, screen, TRUE);
  if (w) windows_.push_back(w);
  return w;
}

int Host::NewBrowser(const std::string& url, int width, int height, HWND window, int zoom_percent) {
  const int id = api_.fnmvPackCefDllCreateBrowser(RECT{0, 0, width, height}, url.c_str(), window, nullptr);
  if (id != 0) browsers_.push_back(id);
  if (zoom_percent > 0) api_.fnmvPackCefDllDoZoom(zoom_percent);
  return id;
}

int Host::NewBrowserWithBridge(const std::string& url, int width, int height, HWND window,
                               const std::function<bool(const Reports&)>& ready, int zoom_percent) {
  const int id = NewBrowser(url, width, height, window, zoom_percent);
  if (id == 0) {
    ADD_FAILURE() << "no browser created for " << url;
    return 0;
  }
  // Load end shows in the page text, which a query with no buffer leaves in place. A page
  // reports while it loads; a short grace covers reports sent from its load handlers.
  std::optional<Clock::time_point> loaded;
  bool is_ready = false;
  PollUntil(
      [&] {
        TakeMessages();
        if ((is_ready = ready(reports_))) return true;
        int size = 0;
        if (!loaded && api_.fnmvPackCefDLLGetSource(nullptr, &size)) loaded = Clock::now();
        return loaded && Clock::now() - *loaded > std::chrono::seconds(3);
      },
      kFirstFrameSeconds);
  if (is_ready) return id;
  ADD_FAILURE() << "browser " << id << (loaded ? " loaded " : " did not load ") << url
                << " without the page bridge answering; reports: " << reports_.Summary();
  return 0;
}

bool Host::TakeFrame(Frame* frame) {
  int width = 0, height = 0;
  if (!api_.fnmvPackCefDllGetBrowserHasNewFrame(&width, &height)) return false;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;  // the most a side is painted
  frame->width = width;
  frame->height = height;
  frame->bgra.assign(static_cast<size_t>(width) * height * 4, 0);
  api_.fnmvPackCefDllGetBrowserRenderData(frame->bgra.data());
  return true;
}

bool Host::WaitForFrame(const std::function<bool(const Frame&)>& accept, Frame* frame, double seconds) {
  return PollUntil([&] { return TakeFrame(frame) && accept(*frame); }, seconds);
}

void Host::TakeMessages() {
  std::vector<char> name(kField + kGuard), value(kField + kGuard);
  // Bounded, so a queue that never drains cannot hold the test here.
  for (int taken = 0; taken < 10000 && api_.fnmvPackCefDllIsDirty(); ++taken) {
    std::fill(name.begin(), name.end(), kGuardByte);
    std::fill(value.begin(), value.end(), kGuardByte);
    api_.fnmvPackCefDllGetMsg(name.data(), value.data());
    for (const std::vector<char>* field : {&name, &value}) {
      bool guard_intact = true;
      for (size_t i = kField; i < field->size(); ++i) guard_intact &= (*field)[i] == kGuardByte;
      if (!guard_intact || std::memchr(field->data(), '\0', kField) == nullptr) ++overruns_;
    }
    name[kField - 1] = value[kField - 1] = '\0';
    names_.emplace_back(name.data());
    reports_.Add(value.data());
  }
}

bool Host::WaitForReport(const std::string& key, const std::function<bool(const std::string&)>& accept,
                         double seconds) {
  return PollUntil(
      [&] {
        TakeMessages();
        for (const std::string& v : reports_.Values(key))
          if (accept(v)) return true;
        return false;
      },
      seconds);
}

bool Host::WaitForReport(const std::string& key, double seconds) {
  return WaitForReport(key, [](const std::string&) { return true; }, seconds);
}

std::optional<std::string> Host::TakePageText(int* announced_size) {
  int size = 0;
  if (!api_.fnmvPackCefDLLGetSource(nullptr, &size) || size <= 0) return std::nullopt;
  if (announced_size) *announced_size = size;
  // Exactly the size announced, with a guard behind it that must stay untouched. A newer text
  // captured in between makes the read fail and keep it: the next poll takes that one.
  std::vector<char> buffer(static_cast<size_t>(size) + kGuard, kGuardByte);
  int capacity = size;
  if (!api_.fnmvPackCefDLLGetSource(buffer.data(), &capacity)) return std::nullopt;
  for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
    if (buffer[i] != kGuardByte) ++overruns_;
  if (std::memchr(buffer.data(), '\0', static_cast<size_t>(size)) == nullptr) return std::nullopt;
  return std::string(buffer.data());
}

bool Host::WaitForPageText(const std::function<bool(const std::string&)>& accept, std::string* text,
                           double seconds) {
  return PollUntil(
      [&] {
        std::optional<std::string> taken = TakePageText();
        if (!taken) return false;
        *text = *taken;
        return accept(*taken);
      },
      seconds);
}

void Host::Click(int x, int y, int offset_x, int offset_y) {
  const LPARAM at = PointLParam(x + offset_x, y + offset_y);
  api_.fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, 0, at, offset_x, offset_y);
  api_.fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, at, offset_x, offset_y);
  api_.fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, at, offset_x, offset_y);
}

namespace {

// Make codes of a US keyboard.
unsigned ScanCode(char c) {
  static const char* const kRows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
  static const unsigned kFirst[] = {0x02, 0x10, 0x1E, 0x2C};
  if (c == ' ') return 0x39;
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (int row = 0; row < 4; ++row)
    if (const char* at = std::strchr(kRows[row], lower)) return kFirst[row] + static_cast<unsigned>(at - kRows[row]);
  return 0;
}

constexpr unsigned kLeftShiftScan = 0x2A;

}  // namespace

void Host::Type(const std::string& ascii) {
  for (char c : ascii) {
    const bool shift = std::isupper(static_cast<unsigned char>(c)) != 0;
    const WPARAM vk = static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(c)));
    const unsigned scan = ScanCode(c);
    if (shift) {
      api_.mvw32_set_key_state(VK_LSHIFT, TRUE, FALSE);
      api_.fnmvPackCefDllSendSendKeyEvent(WM_KEYDOWN, VK_SHIFT, KeyLParam(kLeftShiftScan, false));
    }
    api_.fnmvPackCefDllSendSendKeyEvent(WM_KEYDOWN, vk, KeyLParam(scan, false));
    api_.fnmvPackCefDllSendSendKeyEvent(WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)),
                                        KeyLParam(scan, false));
    api_.fnmvPackCefDllSendSendKeyEvent(WM_KEYUP, vk, KeyLParam(scan, true));
    if (shift) {
      api_.mvw32_set_key_state(VK_LSHIFT, FALSE, FALSE);
      api_.fnmvPackCefDllSendSendKeyEvent(WM_KEYUP, VK_SHIFT, KeyLParam(kLeftShiftScan, true));
    }
  }
}

void Host::CommitIme(HWND window, const std::u16string& text, LPARAM flags) {
  api_.mvw32_set_ime_result_utf16(window, reinterpret_cast<const uint16_t*>(text.data()), text.size());
  api_.fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, flags);
  api_.mvw32_clear_ime_result(window);
}

void Host::CloseAll() {
  for (int id : browsers_) {
    api_.fnmvPackCefDllSelectHandler(static_cast<unsigned>(id));
    api_.fnmvPackCefDllDoClose();
  }
  browsers_.clear();
}

}  // namespace exports_e2e
