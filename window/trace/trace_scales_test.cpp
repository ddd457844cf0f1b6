#include "window/trace/trace_scales.h"

#include <gtest/gtest.h>

namespace velbrix::trace {
namespace {

TEST(AxisTimeTextTest, ClockFiguresAlwaysCarryHoursSoTheyDoNotReadAsATimeOfDay) {
  EXPECT_EQ(AxisTimeText(17 * 60 + 16, 1, true), "0:17:16");
  EXPECT_EQ(AxisTimeText(60, 60, true), "0:01:00");
  EXPECT_EQ(AxisTimeText(2 * 3600 + 5 * 60 + 0.5, 0.5, true), "2:05:00.5");
  EXPECT_EQ(AxisTimeText(9.5, 0.5, true), "0:00:09.5");
  EXPECT_EQ(AxisTimeText(12.5, 0.5, false), "12.5 s");
}

TEST(SampleRateTextTest, RatesAreWrittenInPlainDecimals) {
  EXPECT_EQ(SampleRateText(256), "256");
  EXPECT_EQ(SampleRateText(250.5), "250.5");
  EXPECT_EQ(SampleRateText(1e6), "1000000");
  EXPECT_EQ(SampleRateText(100000), "100000");
}

}  // namespace
}  // namespace velbrix::trace
