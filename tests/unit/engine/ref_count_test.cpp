// Reference counting: IMPLEMENT_REFCOUNTING and CefRefPtr.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "include/cef_client.h"
#include "include/cef_render_handler.h"

namespace {

std::atomic<int> g_destroyed{0};

// Several interfaces, one counter.
class Multi : public CefClient, public CefLifeSpanHandler, public CefRenderHandler {
 public:
  ~Multi() { ++g_destroyed; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  bool GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override { return false; }
  void OnPaint(CefRefPtr<CefBrowser>, PaintElementType, const RectList&, const void*, int, int) override {}
  IMPLEMENT_REFCOUNTING(Multi);
};

TEST(RefCount, OneCounterAcrossInterfacesAndDeletedOnce) {
  g_destroyed = 0;
  {
    CefRefPtr<Multi> m = new Multi();
    EXPECT_TRUE(m->HasOneRef());
    CefRefPtr<CefClient> as_client = m.get();
    CefRefPtr<CefLifeSpanHandler> as_lsh = as_client->GetLifeSpanHandler();
    CefRefPtr<CefRenderHandler> as_rh = as_client->GetRenderHandler();
    EXPECT_FALSE(m->HasOneRef());
    as_client = NULL;
    as_lsh = nullptr;
    as_rh = NULL;
    EXPECT_TRUE(m->HasOneRef());
    EXPECT_EQ(0, g_destroyed.load());
  }
  EXPECT_EQ(1, g_destroyed.load());
}

TEST(RefCount, ReleaseReportsTheDestroyingCall) {
  g_destroyed = 0;
  Multi* m = new Multi();
  m->AddRef();
  m->AddRef();
  EXPECT_FALSE(m->Release());
  EXPECT_TRUE(m->Release());
  EXPECT_EQ(1, g_destroyed.load());
}

TEST(RefPtr, PointerSemantics) {
  g_destroyed = 0;
  CefRefPtr<Multi> empty;
  EXPECT_FALSE(empty);
  EXPECT_TRUE(empty == NULL);
  CefRefPtr<Multi> a = new Multi();
  CefRefPtr<Multi> b = a;
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a.get() == b.get());
  a = a;  // self-assignment keeps the object alive
  EXPECT_EQ(0, g_destroyed.load());
  Multi* raw = a;  // implicit conversion
  EXPECT_EQ(b.get(), raw);
  b.swap(empty);
  EXPECT_FALSE(b);
  EXPECT_TRUE(empty);
  a = NULL;
  EXPECT_EQ(0, g_destroyed.load());
  empty = NULL;
  EXPECT_EQ(1, g_destroyed.load());
}

TEST(RefCount, ConcurrentAddRefReleaseDestroysExactlyOnce) {
  g_destroyed = 0;
  CefRefPtr<Multi> shared = new Multi();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([shared] {
      for (int i = 0; i < 20000; ++i) {
        CefRefPtr<CefClient> local = shared.get();
      }
    });
  }
  for (std::thread& t : threads)
    t.join();
  EXPECT_TRUE(shared->HasOneRef());
  shared = NULL;
  EXPECT_EQ(1, g_destroyed.load());
}

}  // namespace
