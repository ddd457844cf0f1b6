#include "window/converter/background_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "window/testing/fake_window_thread.h"

namespace velbrix {
namespace {

using testing::FakeWindowThread;

TEST(BackgroundRunnerTest, WorkRunsOffTheWindowsThreadAndItsPostsWaitForTheWindow) {
  FakeWindowThread window;
  BackgroundRunner runner(window.Poster());
  std::vector<int> order;
  std::thread::id worker;
  runner.Start([&](const StopRequest&) {
    worker = std::this_thread::get_id();
    runner.Post([&] { order.push_back(1); });
    runner.Post([&] { order.push_back(2); });
  });
  runner.Join();
  EXPECT_NE(worker, std::this_thread::get_id());
  EXPECT_TRUE(order.empty());  // not delivered yet
  EXPECT_EQ(window.Deliver(), 2);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(BackgroundRunnerTest, StopReachesTheWorkAndTheNextWorkStartsUnstopped) {
  FakeWindowThread window;
  window.Hold();
  BackgroundRunner runner(window.Poster());
  std::atomic<bool> saw_stop{false};
  runner.Start([&](const StopRequest& stop) {
    runner.Post([] {});  // waits while the window is held
    saw_stop = stop.requested();
  });
  runner.Stop();
  EXPECT_TRUE(runner.stop_requested());
  window.Release();
  runner.Join();
  EXPECT_TRUE(saw_stop);

  runner.Start([&](const StopRequest& stop) { saw_stop = stop.requested(); });
  runner.Join();
  EXPECT_FALSE(saw_stop);
  EXPECT_FALSE(runner.stop_requested());
}

TEST(BackgroundRunnerTest, DestroyingTheRunnerStopsTheWorkAndWaitsForIt) {
  FakeWindowThread window;
  std::atomic<bool> ended{false};
  {
    BackgroundRunner runner(window.Poster());
    runner.Start([&](const StopRequest& stop) {
      while (!stop.requested()) {
        std::this_thread::yield();
      }
      ended = true;
    });
  }
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace velbrix
