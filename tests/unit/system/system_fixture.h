// Common ground of the system tests: the scripted engine installed, the Win32 stand-in and the
// library's state fresh for every test, and helpers that bring a browser to life through the
// exports, the way a game does.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "mvcefdll/library_state.h"
#include "mvcefdll/mvcefdll.h"
#include "mvcefdll/simple_handler.h"
#include "engine/runtime/scripted/scripted_runtime.h"
#include "mvwin32/stand_in.h"

namespace scripted = mvengine::scripted;

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Install();
    scripted::Reset();
    mvw32_reset();
    ResetLibrary();
  }

  void TearDown() override {
    fnmvPackCefDllUninitializeCef();
    scripted::Reset();
    ResetLibrary();
    mvw32_reset();
  }

  // A freshly loaded library, as far as its state goes.
  static void ResetLibrary() {
    delete mvcef::State().instance;
    mvcef::State() = mvcef::LibraryState();
  }

  // Client mode, as the game starts the engine for off-screen browsers.
  void InitClient() {
    ASSERT_EQ(fnmvPackCefDllInitializeCef(nullptr, true), 1);
    ASSERT_TRUE(scripted::IsRunning());
  }

  // A windowless browser of the given view, created and reported by the engine. Returns its id.
  unsigned CreateWindowless(int width = 800, int height = 600, const char* url = "http://example.test/",
                            HWND handler_window = nullptr) {
    const RECT view = {0, 0, width, height};
    const int id = fnmvPackCefDllCreateBrowser(view, url, handler_window, nullptr);
    scripted::WaitIdle();  // OnAfterCreated has run
    return static_cast<unsigned>(id);
  }

  // The engine's id of the browser the library created last.
  int EngineBrowser() const { return scripted::LastBrowserId(); }

  // A windowless browser of the given view: the library's id and the engine's.
  struct Opened {
    unsigned id;
    int engine;
  };
  Opened OpenWindowless(int width = 800, int height = 600) {
    const unsigned id = CreateWindowless(width, height);
    return {id, EngineBrowser()};
  }

  SimpleHandler* Current() const { return mvcef::State().current.get(); }

  // A stand-in window of the calling (host) thread at that screen rectangle.
  HWND MakeWindow(RECT screen, HWND parent = nullptr) { return mvw32_create_window(parent, screen, TRUE); }
};

// A BGRA frame whose every byte is `fill`.
inline std::vector<unsigned char> SolidFrame(int width, int height, unsigned char fill) {
  return std::vector<unsigned char>(static_cast<size_t>(width) * height * 4, fill);
}
