// Starts a scripted engine with TestApp and creates browsers with TestClient.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_client.h"

namespace engine_test {

inline bool Has(const std::vector<std::string>& events, const std::string& e) {
  return std::find(events.begin(), events.end(), e) != events.end();
}

class ScriptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mvengine::scripted::Install();
    app_ = new TestApp();
    CefSettings settings;
#if defined(OS_WIN)
    CefMainArgs args(GetModuleHandle(NULL));
#else
    static char program[] = "/opt/game/bin/client";
    static char* argv[] = {program, nullptr};
    CefMainArgs args(1, argv);
#endif
    ASSERT_TRUE(CefInitialize(args, settings, app_.get(), NULL));
  }

  void TearDown() override {
    mvengine::scripted::Reset();
    EXPECT_TRUE(app_->WrongThread().empty()) << app_->WrongThread()[0];
    app_ = NULL;
  }

  // Creates a browser and waits until OnAfterCreated ran; returns its id.
  int Create(CefRefPtr<TestClient> client, bool windowless = true, const char* url = "http://start.test/") {
    CefWindowInfo info;
    if (windowless) {
      info.SetAsWindowless(kNullWindowHandle, false);
    } else {
#if defined(OS_WIN)
      RECT r = {0, 0, 800, 600};
      info.SetAsChild(reinterpret_cast<HWND>(0x100), r);
#else
      info.SetAsChild(0x100, CefRect(0, 0, 800, 600));
#endif
    }
    CefBrowserSettings settings;
    settings.windowless_frame_rate = 30;
    size_t before = mvengine::scripted::CountOf(mvengine::scripted::CallKind::kCreateBrowser);
    EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), url, settings, NULL));
    EXPECT_TRUE(mvengine::scripted::WaitForCall(mvengine::scripted::CallKind::kCreateBrowser, before + 1));
    mvengine::scripted::WaitIdle();
    return mvengine::scripted::LastBrowserId();
  }

  CefRefPtr<TestApp> app_;
};

}  // namespace engine_test
