// What a game does around the exports, shared by the end-to-end programs: start the library once
// per process, keep a handler window per browser, poll frames, page messages and page text, and
// pass Win32 input. Every call comes from the test's main thread, as the host contract asks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/exports/library.h"
#include "tests/support/file_bytes.h"

namespace exports_e2e {

// Chromium shares two cores with other tests: waits are generous but bounded.
constexpr double kWaitSeconds = 20;
// The first frame of a process also waits for Chromium to start.
constexpr double kFirstFrameSeconds = 45;

// Calls `done` until it returns true or `seconds` have passed; true if it did.
bool PollUntil(const std::function<bool()>& done, double seconds = kWaitSeconds);

std::string PageUrl(const std::string& file);         // file:// URL of tests/pages/exports/<file>
std::string SharedPageUrl(const std::string& file);   // file:// URL of tests/pages/<file>
std::string PagesDir();                               // tests/pages/exports
// The library's folder's parent is the install root P (P/bin/libmvcefdll.so); P/data is the game's.
std::string InstallRoot();
using mvtest::ReadFileBytes;

// Loads the library, answers message boxes and shell opens from the tables below (nothing reaches
// a real shell), and starts the engine in client mode with the dlopen handle. Once per process.
bool StartLibrary(LoadedLibrary* library, std::string* error);
// The process's library after StartLibrary; null before.
LoadedLibrary* StartedLibrary();

// In a test that starts the library itself: skips when an earlier test of the process already did.
#define START_LIBRARY_OR_SKIP(library)                                                        \
  do {                                                                                        \
    if (StartedLibrary()) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";    \
    ASSERT_TRUE(AdoptOrphans());                                                              \
    std::string error;                                                                        \
    ASSERT_TRUE(StartLibrary(&(library), &error)) << error;                                   \
  } while (0)

// The button a message box with this text gets (IDOK when not set); thread-safe, since boxes are
// answered on the engine's thread.
void SetMessageBoxAnswer(const std::string& text, int button);
void ClearMessageBoxAnswers();

// While one lives, message boxes stay open, as a modal box waits for the player: the engine's
// thread that shows one waits in it.
class HeldMessageBoxes {
 public:
  HeldMessageBoxes();
  ~HeldMessageBoxes();
  HeldMessageBoxes(const HeldMessageBoxes&) = delete;
  HeldMessageBoxes& operator=(const HeldMessageBoxes&) = delete;
  int waiting() const;  // boxes open now
};

struct ShownBox {
  HWND owner = nullptr;
  UINT type = 0;
  int result = 0;
  std::string text, caption;
};
std::vector<ShownBox> MessageBoxes(const Api& api);

struct ShellOpen {
  HWND window = nullptr;
  int show = 0;
  std::string verb, file;
};
std::vector<ShellOpen> ShellOpens(const Api& api);

struct Rgb {
  int r = 0, g = 0, b = 0;
};

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra;  // top row first, no padding
  Rgb At(int x, int y) const;
  // Frames travel as JPEG from Chromium: colours are near, not exact.
  bool Near(int x, int y, Rgb colour, int tolerance = 48) const;
};
std::string Describe(Rgb colour);

// What pages report through batchUploadImg ("key=value"; long values arrive as numbered pieces,
// "key#i/n=piece", see tests/pages/exports/report.js), gathered in arrival order.
class Reports {
 public:
  void Add(const std::string& value);
  std::vector<std::string> Values(const std::string& key) const;
  std::optional<std::string> Last(const std::string& key) const;
  const std::vector<std::string>& raw() const { return raw_; }
  std::string Summary() const;

 private:
  std::vector<std::string> raw_;
  std::map<std::string, std::vector<std::string>> values_;
  std::map<std::string, std::vector<std::optional<std::string>>> pieces_;
};

// Builds the Win32 message parameters a window procedure receives.
LPARAM PointLParam(int x, int y);
LPARAM KeyLParam(unsigned scan_code, bool releasing);

// One test's browsers and handler windows. Exports act on the current handler, as they do for a
// game; the destructor closes every browser this host created.
class Host {
 public:
  explicit Host(const Api& api) : api_(api) {}
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  const Api& api() const { return api_; }

  // A visible top-level handler window covering `screen`, owned by the calling thread.
  HWND NewWindow(RECT screen);
  // A windowless browser of width x height in `window`; `zoom_percent` <= 0 leaves the library's
  // own zoom. Returns the browser id (0: none).
  int NewBrowser(const std::string& url, int width, int height, HWND window, int zoom_percent = 100);

  // NewBrowser for a page that reports through the bridge: waits until `ready` holds for the
  // reports. A page that loads without the bridge is a fault of the library: the test fails
  // (nothing is retried). Returns the browser's id, 0 if its page never got ready.
  int NewBrowserWithBridge(const std::string& url, int width, int height, HWND window,
                           const std::function<bool(const Reports&)>& ready, int zoom_percent = 100);

  // One poll of the current handler's frame buffer.
  bool TakeFrame(Frame* frame);
  // Takes frames until one satisfies `accept` (the last one taken is left in `frame`).
  bool WaitForFrame(const std::function<bool(const Frame&)>& accept, Frame* frame,
                    double seconds = kWaitSeconds);

  // Moves every waiting page message of the current handler into reports(); checks each field
  // came NUL-terminated within its 256 bytes.
  void TakeMessages();
  bool WaitForReport(const std::string& key, const std::function<bool(const std::string&)>& accept,
                     double seconds = kWaitSeconds);
  bool WaitForReport(const std::string& key, double seconds = kWaitSeconds);
  Reports& reports() { return reports_; }
  // Every message name seen; the library names them all "batchUploadImg".
  const std::vector<std::string>& message_names() const { return names_; }
  int overruns() const { return overruns_; }

  // Page text: the size the library announces (UTF-8 bytes + 1), then the text itself read into
  // a buffer of exactly that size.
  std::optional<std::string> TakePageText(int* announced_size = nullptr);
  bool WaitForPageText(const std::function<bool(const std::string&)>& accept, std::string* text,
                       double seconds = kWaitSeconds);

  // A left click at view coordinates, passed through a window whose client area holds the view
  // at (offset_x, offset_y).
  void Click(int x, int y, int offset_x = 0, int offset_y = 0);
  // Key down, character and key up per character of printable ASCII, Shift held for capitals.
  void Type(const std::string& ascii);
  // Commits `text` (UTF-16) as an input method's result string in `window`.
  void CommitIme(HWND window, const std::u16string& text, LPARAM flags);

  // Selects each browser this host created and closes it.
  void CloseAll();

 private:
  const Api& api_;
  std::vector<HWND> windows_;
  std::vector<int> browsers_;
  Reports reports_;
  std::vector<std::string> names_;
  int overruns_ = 0;
};

}  // namespace exports_e2e
