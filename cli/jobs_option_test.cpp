#include "cli/jobs_option.h"

#include <gtest/gtest.h>

namespace velbrix::cli {
namespace {

TEST(JobsOptionTest, AcceptsWholeNumbersFromOneToTheMost) {
  std::size_t jobs = 0;
  EXPECT_EQ(ParseJobs("1", &jobs), std::nullopt);
  EXPECT_EQ(jobs, 1u);
  EXPECT_EQ(ParseJobs("256", &jobs), std::nullopt);
  EXPECT_EQ(jobs, 256u);
}

TEST(JobsOptionTest, RefusesOtherValuesWithAReasonAndKeepsTheCount) {
  std::size_t jobs = 3;
  EXPECT_EQ(ParseJobs("0", &jobs), "--jobs 0: at least 1 job is needed");
  EXPECT_EQ(ParseJobs("257", &jobs), "--jobs 257: at most 256 jobs");
  EXPECT_EQ(ParseJobs("99999999999999999999999", &jobs),
            "--jobs 99999999999999999999999: at most 256 jobs");
  for (const char* bad : {"", "-2", "+2", "2.5", "two", " 2", "2 "}) {
    EXPECT_EQ(ParseJobs(bad, &jobs),
              "--jobs \"" + std::string(bad) +
                  "\" is not a number of jobs: a whole number, as in --jobs 4")
        << bad;
  }
  EXPECT_EQ(jobs, 3u);
}

TEST(JobsOptionTest, DefaultIsAtLeastOneJob) {
  EXPECT_GE(DefaultJobs(), 1u);
  EXPECT_LE(DefaultJobs(), kMostJobs);
}

}  // namespace
}  // namespace velbrix::cli
