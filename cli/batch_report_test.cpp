#include "cli/batch_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace velbrix::cli {
namespace {

// A report for recordings of the given sizes, saying into a temporary file; no progress line.
class BatchReportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(err_, nullptr); }
  void TearDown() override { std::fclose(err_); }

  std::string Said() {
    std::fflush(err_);
    std::string text(static_cast<std::size_t>(std::ftell(err_)), '\0');
    std::rewind(err_);
    text.resize(std::fread(text.data(), 1, text.size(), err_));
    std::fseek(err_, 0, SEEK_END);
    return text;
  }

  std::FILE* err_ = std::tmpfile();
  ProgressDisplay progress_{err_, false};
};

TEST_F(BatchReportTest, MessagesAreSaidInTheRecordingsOrderWhateverTheOrderOfFinishing) {
  BatchReport report(err_, progress_, {10, 20, 30});
  report.Finish(2, {"third"});
  report.Finish(1, {"second a", "second b"});
  EXPECT_EQ(Said(), "");
  report.Finish(0, {});
  EXPECT_EQ(Said(),
            "velbrix-convert: second a\nvelbrix-convert: second b\nvelbrix-convert: third\n");
}

TEST_F(BatchReportTest, AWaitIsSaidAtOnce) {
  BatchReport report(err_, progress_, {10, 20});
  report.Finish(1, {"later"});
  report.SayNow("rec01_eeg: waiting");
  EXPECT_EQ(Said(), "velbrix-convert: rec01_eeg: waiting\n");
}

TEST_F(BatchReportTest, ATurnComesOnceEveryRecordingBeforeIsFinished) {
  BatchReport report(err_, progress_, {1, 1, 1});
  EXPECT_TRUE(report.WaitForTurn(0, nullptr));
  std::atomic<bool> turned{false};
  std::thread third([&] {
    EXPECT_TRUE(report.WaitForTurn(2, nullptr));
    turned = true;
  });
  report.Finish(1, {});
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(turned);  // recording 0 is not finished
  report.Finish(0, {});
  third.join();
  EXPECT_TRUE(turned);
}

TEST_F(BatchReportTest, AStopEndsTheWaitForATurn) {
  BatchReport report(err_, progress_, {1, 1});
  StopRequest stop;
  std::thread second([&] { EXPECT_FALSE(report.WaitForTurn(1, &stop)); });
  stop.Request();  // as a signal handler does: nobody is woken
  second.join();
}

// The progress line counts the bytes of every recording and the recordings finished.
TEST_F(BatchReportTest, ProgressIsThatOfTheWholeCall) {
  std::chrono::steady_clock::time_point now{};
  ProgressDisplay shown(err_, true, [&] { return now; });
  shown.Start("a_eeg", 3);
  BatchReport report(err_, shown, {100'000'000, 100'000'000, 0});
  now += std::chrono::seconds(2);
  report.Finish(1, {});  // 100 MB of 200 MB known, 1 of 3
  now += std::chrono::seconds(1);
  report.Progress(2, 20'000'000, 200'000'000);  // its size told by its run: 120 of 400 MB
  EXPECT_EQ(Said(),
            "\r1 of 3 recordings   50%  50 MB/s"
            "\r1 of 3 recordings   30%  40 MB/s");
}

}  // namespace
}  // namespace velbrix::cli
