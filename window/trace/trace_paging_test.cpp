#include "window/trace/trace_paging.h"

#include <gtest/gtest.h>

namespace velbrix {
namespace {

// A minute at the default 256 Hz: 15360 records.
constexpr std::uint64_t kMinute = 60 * 256;

TEST(TracePagingTest, ARecordingOpensOnTenSecondsFromItsFirstRecord) {
  TracePaging paging;
  paging.Open(kMinute);
  EXPECT_EQ(paging.first(), 0u);
  EXPECT_EQ(paging.page_records(), 2560u);
  EXPECT_EQ(paging.microvolts(), 0);  // to be fitted
}

TEST(TracePagingTest, AShortRecordingOpensWhole) {
  TracePaging paging;
  paging.Open(1000);
  EXPECT_EQ(paging.page_seconds(), 0);
  EXPECT_EQ(paging.page_records(), 1000u);
}

TEST(TracePagingTest, MovesStopAtTheRecordingsEnds) {
  TracePaging paging;
  paging.Open(kMinute);
  EXPECT_TRUE(paging.OnKey(TraceKey::kStepBack));
  EXPECT_EQ(paging.first(), 0u);
  EXPECT_TRUE(paging.OnKey(TraceKey::kEnd));
  EXPECT_EQ(paging.first(), kMinute - 2560);
  EXPECT_TRUE(paging.OnKey(TraceKey::kPageForward));
  EXPECT_EQ(paging.first(), kMinute - 2560);
  EXPECT_EQ(paging.scroll_bar().position, paging.scroll_bar().maximum);
}

TEST(TracePagingTest, PartsOfAWheelNotchAddUpToAStep) {
  TracePaging paging;
  paging.Open(kMinute);
  paging.MoveTo(5000);
  EXPECT_FALSE(paging.OnWheel(-60, false));
  EXPECT_EQ(paging.first(), 5000u);
  EXPECT_TRUE(paging.OnWheel(-60, false));
  EXPECT_EQ(paging.first(), 5256u);  // a step: a tenth of the page, away from the user is back
}

TEST(TracePagingTest, ZoomKeepsThePagesCentre) {
  TracePaging paging;
  paging.Open(kMinute);
  paging.MoveTo(5000);
  const std::uint64_t centre = paging.first() + paging.page_records() / 2;
  ASSERT_TRUE(paging.OnKey(TraceKey::kZoomIn));
  EXPECT_LT(paging.page_records(), 2560u);
  EXPECT_EQ(paging.first() + paging.page_records() / 2, centre);
}

TEST(TracePagingTest, AChosenAmplitudeStaysForTheNextRecording) {
  TracePaging paging;
  paging.Open(kMinute);
  paging.ChooseAmplitude(50);
  paging.Open(kMinute);
  EXPECT_EQ(paging.microvolts(), 50);
}

TEST(TracePagingTest, FitPicksTheStepThatHoldsTheMedianRowsSwing) {
  RowExtremes page;
  page.Prepare(3, 0, 3, 3);
  const double frames[] = {10, -30, 300, 0, 0, 0, 0, 0, 0};  // rows reach 10, 30 and 300 µV
  page.Add(0, frames, 3);
  page.ready = page.columns;
  TracePaging paging;
  paging.Open(kMinute);
  paging.FitAmplitude(page, false);
  EXPECT_EQ(paging.microvolts(), 50);  // the first step of at least 30 µV
  paging.Open(kMinute);
  EXPECT_EQ(paging.microvolts(), 0);  // fitted, not chosen: fitted again
}

}  // namespace
}  // namespace velbrix
