// What the recordings were made of, driven through the library's exports as a game drives them.
// The same steps record a conversation with Chromium (record_driver.cpp) and check its replay by
// the stand-in (replay_e2e_test.cpp). Each needs a library started for it, once per process.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/exports/host_session.h"

namespace devtools_replay {

using exports_e2e::Frame;
using exports_e2e::Host;

// A small view keeps the recorded frames small.
constexpr int kViewWidth = 320, kViewHeight = 240;

// A temporary install layout around the built library: P/bin/libmvcefdll.so, P/mvcef/marovekcef
// and P/data/screenshot/rc1_0.png with the given bytes (what uploadImg(1) answers). Removed again
// with this object.
class InstallLayout {
 public:
  ~InstallLayout();
  bool Create(const std::string& screenshot_png, std::string* error);
  std::string library() const { return root_ + "/bin/libmvcefdll.so"; }

 private:
  std::string root_;
};

// Loads the layout's library with dlopen, binds every export and starts the engine in client
// mode with that handle, as a game does.
bool StartLibrary(const InstallLayout& layout, exports_e2e::LoadedLibrary* library, std::string* error);

std::string PageUrl(const std::string& file);  // file:// URL of tests/pages/replay/<file>
std::string DataFile(const std::string& name);  // tests/devtools_replay/data/<name>
using mvtest::ReadFileBytes;

// quads.html: a windowless browser; the first frame that shows the four colours where they are.
bool RunQuads(Host& host, Frame* frame, double seconds);
std::string QuadMismatches(const Frame& frame);  // empty when the four colours are in place

// about:blank in a windowless browser: a first frame, white.
bool RunBlank(Host& host, Frame* frame, double seconds);

// bridge.html: the page hands what uploadImg(1) answered to batchUploadImg, then "done=1";
// `messages` gets every value GetMsg gave, in order.
bool RunBridge(Host& host, std::vector<std::string>* messages, double seconds);

// quads.html in a windowed browser: its child window is shown once the page has loaded, and shows
// the four colours in place.
bool RunWindowed(Host& host, double seconds);

}  // namespace devtools_replay
