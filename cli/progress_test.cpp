#include "cli/progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace velbrix::cli {
namespace {

using namespace std::chrono_literals;

// A display writing into a temporary file, on a clock that the test moves.
class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(out_, nullptr); }
  void TearDown() override { std::fclose(out_); }

  ProgressDisplay MakeDisplay(bool enabled) {
    return ProgressDisplay(out_, enabled, [this] { return now_; });
  }
  std::string Written() {
    std::fflush(out_);
    std::string text(static_cast<std::size_t>(std::ftell(out_)), '\0');
    std::rewind(out_);
    text.resize(std::fread(text.data(), 1, text.size(), out_));
    return text;
  }

  std::FILE* out_ = std::tmpfile();
  std::chrono::steady_clock::time_point now_{};
};

TEST_F(ProgressTest, NothingIsShownDuringTheFirstSecond) {
  ProgressDisplay display = MakeDisplay(true);
  display.Start("rec01_eeg", 1);
  now_ += 900ms;
  display.Update(50'000'000, 100'000'000, 0);
  display.Clear();
  EXPECT_EQ(Written(), "");
}

TEST_F(ProgressTest, OneRecordingShowsItsNamePercentAndSpeedThenErasesTheLine) {
  {
    ProgressDisplay display = MakeDisplay(true);
    display.Start("rec01_eeg", 1);
    now_ += 2s;
    display.Update(50'000'000, 200'000'000, 0);
  }
  const std::string line = "\rrec01_eeg   25%  25 MB/s";
  const std::string erase = "\r" + std::string(line.size() - 1, ' ') + "\r";
  EXPECT_EQ(Written(), line + erase);
}

TEST_F(ProgressTest, SeveralRecordingsShowHowManyAreDoneAndTheBytesOfAll) {
  ProgressDisplay display = MakeDisplay(true);
  display.Start("rec01_eeg", 8);
  now_ += 2s;
  display.Update(60'000'000, 240'000'000, 3);
  EXPECT_EQ(Written(), "\r3 of 8 recordings   25%  30 MB/s");
}

TEST_F(ProgressTest, UnknownSizesShowMegabytes) {
  ProgressDisplay display = MakeDisplay(true);
  display.Start("rec02_eeg", 1);
  now_ += 2s;
  display.Update(40'000'000, 0, 0);
  EXPECT_EQ(Written(), "\rrec02_eeg  40 MB  20 MB/s");
}

TEST_F(ProgressTest, RedrawsAtMostTenTimesASecondAndWipesALongerLine) {
  ProgressDisplay display = MakeDisplay(true);
  display.Start("rec01_eeg", 2);
  now_ += 1s;
  display.Update(100'000'000, 100'000'000, 1);  // "100%": the longest
  now_ += 50ms;
  display.Update(100'000'000, 100'000'000, 1);  // too soon: not drawn
  now_ += 100ms;
  display.Update(0, 100'000'000, 1);
  const std::string first = "\r1 of 2 recordings  100%  100 MB/s";
  const std::string second = "\r1 of 2 recordings    0%  0 MB/s";
  EXPECT_EQ(Written(), first + second + std::string(first.size() - second.size(), ' '));
}

TEST_F(ProgressTest, LongNamesAreShortenedFromTheFront) {
  ProgressDisplay display = MakeDisplay(true);
  display.Start(std::string(60, 'x') + "_eeg", 1);
  now_ += 1s;
  display.Update(0, 1, 0);
  EXPECT_EQ(Written(), "\r..." + std::string(33, 'x') + "_eeg    0%  0 MB/s");
}

TEST_F(ProgressTest, DisabledDisplayNeverWrites) {
  {
    ProgressDisplay display = MakeDisplay(false);
    display.Start("rec01_eeg", 1);
    now_ += 5s;
    display.Update(1, 2, 0);
    display.Clear();
  }
  EXPECT_EQ(Written(), "");
}

}  // namespace
}  // namespace velbrix::cli
