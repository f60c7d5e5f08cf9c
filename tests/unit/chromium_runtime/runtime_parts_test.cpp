// The runtime's own parts that need no Chromium: the UI task thread, the
// switch translation and the context menu model.
#include <atomic>
#include <future>
#include <vector>

#include <gtest/gtest.h>

#include "chromium_switches.h"
#include "context_menu.h"
#include "task_thread.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

TEST(TaskThread, RunsTasksInOrderOnItsOwnThread) {
  TaskThread thread;
  thread.Start();
  std::vector<int> order;  // touched on the task thread only
  std::promise<std::thread::id> ran_on;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(thread.Post([&order, i] { order.push_back(i); }));
  ASSERT_TRUE(thread.Post([&] { ran_on.set_value(std::this_thread::get_id()); }));
  auto id = ran_on.get_future().get();
  EXPECT_NE(id, std::this_thread::get_id());
  thread.Stop();
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(TaskThread, DelayedTasksRunByDueTimeAndIsCurrentKnowsTheThread) {
  TaskThread thread;
  thread.Start();
  std::mutex m;
  std::vector<std::string> order;
  std::promise<void> done;
  auto record = [&](const char* what) {
    std::lock_guard<std::mutex> lock(m);
    order.push_back(what);
  };
  thread.PostDelayed([&] { record("late"); done.set_value(); }, 120ms);
  thread.PostDelayed([&] { record("soon"); }, 30ms);
  thread.Post([&] { record(thread.IsCurrent() ? "now-on-thread" : "now-elsewhere"); });
  EXPECT_FALSE(thread.IsCurrent());
  ASSERT_EQ(done.get_future().wait_for(5s), std::future_status::ready);
  thread.Stop();
  EXPECT_EQ(order, (std::vector<std::string>{"now-on-thread", "soon", "late"}));
}

TEST(TaskThread, StopRunsWhatIsQueuedAndRefusesLaterTasks) {
  TaskThread thread;
  thread.Start();
  std::atomic<int> ran{0};
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  thread.Post([open] { open.wait(); });  // holds the thread while more are queued
  for (int i = 0; i < 5; ++i) thread.Post([&] { ++ran; });
  bool delayed_ran = false;
  thread.PostDelayed([&] { delayed_ran = true; }, 10s);
  std::thread stopper([&] { thread.Stop(); });
  std::this_thread::sleep_for(50ms);
  gate.set_value();
  stopper.join();
  EXPECT_EQ(ran.load(), 5);
  EXPECT_FALSE(delayed_ran);  // a delayed task never holds up a stop
  EXPECT_FALSE(thread.Post([] {}));
  EXPECT_FALSE(thread.PostDelayed([] {}, 1ms));
}

TEST(TranslateSwitches, LangBecomesAcceptLangAndLocaleOthersPassOrDrop) {
  ChromiumSwitches s = TranslateSwitches({
      {"lang", "zh-CN"},
      {"disable-gpu", ""},
      {"disable-gpu-compositing", ""},
      {"ppapi-out-of-process", ""},
      {"ppapi-flash-version", "28.0.0.137"},
      {"ppapi-flash-path", "Plugins\\pepflashplayer.dll"},
      {"type", "renderer"},
      {"user-data-dir", "/elsewhere"},
      {"remote-debugging-port", "9222"},
      {"force-device-scale-factor", "1"},
  });
  EXPECT_EQ(s.locale, "zh-CN");
  std::vector<std::string> expected = {"--disable-gpu", "--disable-gpu-compositing",
                                       "--force-device-scale-factor=1"};
  std::vector<std::string> others;
  bool accept_lang = false;
  for (auto& a : s.args) {
    if (a == "--accept-lang=zh-CN") accept_lang = true;
    else if (a.compare(0, 7, "--lang=") != 0) others.push_back(a);
  }
  EXPECT_TRUE(accept_lang);
  EXPECT_EQ(others, expected);
  for (auto& a : s.args) {
    EXPECT_EQ(a.find("ppapi"), std::string::npos) << a;
    EXPECT_EQ(a.find("user-data-dir"), std::string::npos) << a;
    EXPECT_EQ(a.find("type="), std::string::npos) << a;
  }
  EXPECT_TRUE(TranslateSwitches({{"lang", ""}}).locale.empty());
  EXPECT_TRUE(TranslateSwitches({}).args.empty());
}

TEST(MenuModel, AddRemoveAndLookUp) {
  CefRefPtr<MenuModel> model(new MenuModel());
  EXPECT_TRUE(model->AddItem(100, "Back"));
  EXPECT_TRUE(model->AddSeparator());
  EXPECT_TRUE(model->AddItem(102, "Reload"));
  EXPECT_EQ(model->GetCount(), 3);
  EXPECT_EQ(model->GetIndexOf(102), 2);
  EXPECT_EQ(model->GetLabel(102).ToString(), "Reload");
  EXPECT_EQ(model->GetTypeAt(1), MENUITEMTYPE_SEPARATOR);
  EXPECT_EQ(model->GetType(100), MENUITEMTYPE_COMMAND);
  EXPECT_EQ(model->GetCommandIdAt(7), -1);
  EXPECT_EQ(model->GetLabelAt(-1).ToString(), "");
  EXPECT_EQ(model->GetType(555), MENUITEMTYPE_NONE);
  EXPECT_TRUE(model->Remove(100));
  EXPECT_FALSE(model->Remove(100));
  EXPECT_EQ(model->GetIndexOf(102), 1);
  EXPECT_FALSE(model->RemoveAt(5));
  EXPECT_TRUE(model->Clear());
  EXPECT_EQ(model->GetCount(), 0);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
