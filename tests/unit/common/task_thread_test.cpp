// The task thread behind the engines' UI and renderer threads.
#include "common/task_thread.h"

#include <atomic>
#include <future>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace mvcommon {
namespace {

using namespace std::chrono_literals;

TEST(TaskThread, RunsTasksInOrderOnItsOwnThreadAndOutlivesTasksWithoutMemory) {
  TaskThread thread;
  EXPECT_FALSE(thread.Post([] {}));  // not started
  thread.Start();
  std::vector<int> order;  // written on the thread; read after RunSync
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(thread.Post([&order, i] { order.push_back(i); }));
    // A task with no memory for its work ends alone; the ones after it still run.
    if (i == 10) thread.Post([] { throw std::bad_alloc(); });
    if (i == 20) thread.Post([] { std::string().reserve(std::string().max_size() + 1); });
  }
  std::thread::id ran_on;
  ASSERT_TRUE(thread.RunSync([&] { ran_on = std::this_thread::get_id(); }));
  EXPECT_NE(ran_on, std::this_thread::get_id());
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
  EXPECT_TRUE(thread.IsIdle());
}

TEST(TaskThread, RunSyncOnItsOwnThreadRunsInline) {
  TaskThread thread;
  thread.Start();
  bool inner_ran = false;
  ASSERT_TRUE(thread.RunSync([&] {
    EXPECT_TRUE(thread.IsCurrent());
    thread.RunSync([&] { inner_ran = true; });  // would deadlock if queued
  }));
  EXPECT_TRUE(inner_ran);
  EXPECT_FALSE(thread.IsCurrent());
}

TEST(TaskThread, DelayedTasksRunByDueTime) {
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
  thread.Post([&] { record("now"); });
  ASSERT_EQ(done.get_future().wait_for(5s), std::future_status::ready);
  thread.Stop();
  EXPECT_EQ(order, (std::vector<std::string>{"now", "soon", "late"}));
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
  gate.set_value();
  stopper.join();
  EXPECT_EQ(ran.load(), 5);
  EXPECT_FALSE(delayed_ran);  // a delayed task never holds up a stop
  EXPECT_FALSE(thread.Post([] {}));
  EXPECT_FALSE(thread.PostDelayed([] {}, 1ms));
  EXPECT_FALSE(thread.RunSync([] {}));
  thread.Stop();  // again: nothing happens
}

}  // namespace
}  // namespace mvcommon
