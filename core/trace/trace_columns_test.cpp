#include "core/trace/trace_columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::TempDir;
using testing::WriteFile;

// Random bytes, so that every column's extremes differ.
std::string RandomRecording(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) {
    b = static_cast<char>(random() & 0xFF);
  }
  return bytes;
}

// The straightforward rule: column c of `columns` over records first .. end - 1 (bounds given),
// each channel's extremes taken record by record from the file's bytes.
void ExpectColumns(const std::string& bytes, const ColumnExtremes& got, std::size_t from,
                   std::size_t to) {
  for (std::size_t c = from; c < to; ++c) {
    for (int p = 1; p <= 32; ++p) {
      std::uint8_t lo = 255;
      std::uint8_t hi = 0;
      for (std::uint64_t r = got.bounds[c]; r < got.bounds[c + 1]; ++r) {
        const auto b = static_cast<std::uint8_t>(
            bytes[static_cast<std::size_t>(r) * 32 + static_cast<std::size_t>(p) - 1]);
        lo = std::min(lo, b);
        hi = std::max(hi, b);
      }
      ASSERT_EQ(got.Min(p, c), lo) << "column " << c << " position " << p;
      ASSERT_EQ(got.Max(p, c), hi) << "column " << c << " position " << p;
    }
  }
}

class TraceColumnsTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& bytes) {
    WriteFile(dir_ / "rec_eeg", bytes);
    return dir_ / "rec_eeg";
  }
  TempDir dir_;
};

TEST_F(TraceColumnsTest, ReadColumnsFollowTheStraightforwardRule) {
  // 1000 whole records and a partial tail of 7 bytes.
  const std::string bytes = RandomRecording(1000 * 32 + 7, 1);
  TraceRecording recording;
  ASSERT_TRUE(recording.Open(Write(bytes)).ok());
  EXPECT_EQ(recording.records(), 1000u);
  EXPECT_EQ(recording.bytes_left_out(), 7u);

  struct Range {
    std::size_t first, count, columns;
  };
  // Both ends, the whole, fewer records than columns (the samples), one record, none.
  for (const Range& range :
       {Range{0, 1000, 7}, Range{0, 1000, 999}, Range{0, 333, 100}, Range{667, 333, 100},
        Range{990, 10, 1000}, Range{999, 1, 3}, Range{0, 1000, 1}, Range{500, 0, 10}}) {
    SCOPED_TRACE(std::to_string(range.first) + "+" + std::to_string(range.count));
    ColumnExtremes got;
    ASSERT_TRUE(ReadColumnExtremes(recording, range.first, range.count, range.columns, &got).ok());
    const std::size_t expected = std::min<std::size_t>(range.columns, range.count);
    ASSERT_EQ(got.columns, expected);
    EXPECT_EQ(got.ready, expected);
    for (std::size_t c = 0; c <= expected && expected > 0; ++c) {
      EXPECT_EQ(got.bounds[c], range.first + c * range.count / expected);
    }
    ExpectColumns(bytes, got, 0, expected);
    if (range.count > 0 && range.count <= range.columns) {  // one record per column: the samples
      EXPECT_EQ(got.Min(23, 0), static_cast<std::uint8_t>(bytes[range.first * 32 + 22]));
      EXPECT_EQ(got.ColumnOf(range.first + range.count - 1), expected - 1);
    }
  }
}

TEST_F(TraceColumnsTest, OverviewColumnsAndEnvelopeFollowTheStraightforwardRule) {
  constexpr int kRecords = 3 * 8192 + 200;
  // Three batches of 8192 records and a part, which two threads share where there are two cores.
  const std::string bytes = RandomRecording(kRecords * 32 + 31, 2);
  const std::filesystem::path path = Write(bytes);
  // Room for 1549 blocks of 66 bytes: blocks of 16 records, the last one of 8.
  TraceOverview overview(path, kRecords, 1549 * 66);
  overview.Wait();
  ASSERT_TRUE(overview.finished());
  ASSERT_TRUE(overview.status().ok()) << overview.status().message();
  EXPECT_EQ(overview.block_records(), 16u);
  EXPECT_EQ(overview.blocks(), 1549u);
  EXPECT_EQ(overview.blocks_done(), 1549u);

  for (auto [first, count, columns] :
       {std::tuple{0, kRecords, 100}, std::tuple{kRecords - 10, 10, 100}, std::tuple{17, 3000, 50},
        std::tuple{8000, 9000, 37}, std::tuple{0, kRecords, 1000}}) {
    SCOPED_TRACE(std::to_string(first) + "+" + std::to_string(count));
    ColumnExtremes got;
    OverviewColumnExtremes(overview, static_cast<std::uint64_t>(first),
                           static_cast<std::uint64_t>(count), static_cast<std::size_t>(columns),
                           &got);
    EXPECT_EQ(got.ready, got.columns);
    EXPECT_LE(got.bounds.front(), static_cast<std::uint64_t>(first));
    EXPECT_GT(got.bounds.front() + 16, static_cast<std::uint64_t>(first));
    EXPECT_GE(got.bounds.back(), static_cast<std::uint64_t>(first + count));
    EXPECT_LE(got.bounds.back(), static_cast<std::uint64_t>(kRecords));
    for (std::size_t c = 0; c < got.columns; ++c) {
      EXPECT_EQ(got.bounds[c] % 16, 0u);
    }
    ExpectColumns(bytes, got, 0, got.columns);
  }

  std::vector<std::uint64_t> bounds;
  std::vector<std::uint8_t> lo, hi;
  OverviewEnvelope(overview, 40, &bounds, &lo, &hi);
  ASSERT_EQ(lo.size(), 40u);
  EXPECT_EQ(bounds.back(), static_cast<std::uint64_t>(kRecords));
  for (std::size_t c = 0; c < 40; ++c) {
    const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(bounds[c] * 32);
    const auto end = bytes.begin() + static_cast<std::ptrdiff_t>(bounds[c + 1] * 32);
    EXPECT_EQ(lo[c], static_cast<std::uint8_t>(*std::min_element(first, end, [](char a, char b) {
                return static_cast<std::uint8_t>(a) < static_cast<std::uint8_t>(b);
              })));
    EXPECT_EQ(hi[c], static_cast<std::uint8_t>(*std::max_element(first, end, [](char a, char b) {
                return static_cast<std::uint8_t>(a) < static_cast<std::uint8_t>(b);
              })));
  }
}

TEST_F(TraceColumnsTest, FailuresNameTheRecordingAndTheReason) {
  TraceRecording recording;
  const Status missing = recording.Open(dir_ / "missing_eeg");
  EXPECT_EQ(missing.message(),
            "Cannot open " + PathForDisplay(dir_ / "missing_eeg") + ": " +
                std::make_error_code(std::errc::no_such_file_or_directory).message());
  std::filesystem::create_directory(dir_ / "folder_eeg");
  const Status folder = recording.Open(dir_ / "folder_eeg");
  EXPECT_FALSE(folder.ok());
  EXPECT_NE(folder.message().find(PathForDisplay(dir_ / "folder_eeg")), std::string::npos);

  TraceOverview overview(dir_ / "missing_eeg", 100);
  overview.Wait();
  EXPECT_EQ(overview.status().message(), missing.message());
  EXPECT_EQ(overview.blocks_done(), 0u);

  // A recording cut short after its first two batches: the blocks before the cut are ready, and
  // the overview says why it ended there.
  const std::filesystem::path cut = Write(std::string(20000 * 32, 'x'));
  TraceOverview short_overview(cut, 40000, 2500 * 66);
  short_overview.Wait();
  EXPECT_EQ(short_overview.status().message(),
            "Cannot read " + PathForDisplay(cut) + ": " + kRecordingShorterReason);
  EXPECT_EQ(short_overview.blocks_done(), 2 * 8192 / 16u);

  // A recording that became shorter since it was opened.
  ASSERT_TRUE(recording.Open(Write(std::string(64 * 32, 'x'))).ok());
  Write(std::string(32, 'x'));
  ColumnExtremes got;
  const Status shorter = ReadColumnExtremes(recording, 0, 64, 10, &got);
  EXPECT_NE(shorter.message().find("Cannot read"), std::string::npos);
  EXPECT_EQ(got.columns, 0u);
}

TEST_F(TraceColumnsTest, AnEmptyRecordingHasNoRecordsAndAFinishedOverview) {
  TraceRecording recording;
  ASSERT_TRUE(recording.Open(Write("")).ok());
  EXPECT_EQ(recording.records(), 0u);
  TraceOverview overview(recording.path(), 0);
  EXPECT_TRUE(overview.finished());
  EXPECT_EQ(overview.blocks(), 0u);
}

}  // namespace
}  // namespace velbrix
