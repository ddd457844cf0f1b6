#include "core/trace/filtered_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::TempDir;
using testing::WriteFile;

// The range's rows through ReadFilteredRecords into `out`, every column ready; after a failure,
// `out` has no columns.
Status ReadRowExtremes(TraceRecording& recording, std::uint64_t first, std::uint64_t count,
                       std::size_t columns, const std::vector<MontageRow>& rows,
                       const std::vector<Biquad>& sections, std::uint64_t margin,
                       RowExtremes* out) {
  out->Prepare(rows.size(), first, count, columns);
  const Status status = ReadFilteredRecords(
      recording, first, count, rows, sections, margin,
      [&](std::uint64_t from, const double* frames, std::size_t n) { out->Add(from, frames, n); });
  if (!status.ok()) {
    out->Prepare(rows.size(), first, 0, 0);
    return status;
  }
  out->ready = out->columns;
  return status;
}

// Random bytes, or a 10 Hz rhythm with 50 Hz hum and a 0.05 Hz drift on every channel.
std::string Recording(std::size_t records, bool random) {
  std::mt19937 generator(5);
  std::string bytes(records * kRecordSize, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const double t = static_cast<double>(i / kRecordSize) / 256;
    const double wave = 10 * std::sin(2 * std::numbers::pi * 10 * t + static_cast<double>(i % 32)) +
                        6 * std::sin(2 * std::numbers::pi * 50 * t) +
                        20 * std::sin(2 * std::numbers::pi * 0.05 * t);
    bytes[i] =
        static_cast<char>(random ? static_cast<long>(generator() & 0xFF) : std::lround(127 + wave));
  }
  return bytes;
}

// The filters run over each row of the whole recording, forward and then backward, the plain way:
// every section in direct form, from rest.
std::vector<double> WholeRecordingFiltered(const std::string& bytes,
                                           const std::vector<MontageRow>& rows,
                                           const std::vector<Biquad>& sections) {
  const std::size_t records = bytes.size() / kRecordSize;
  std::vector<double> values(records * rows.size());
  ApplyMontage(rows, reinterpret_cast<const std::uint8_t*>(bytes.data()), records, values.data());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::vector<double> x(records);
    for (std::size_t n = 0; n < records; ++n) {
      x[n] = values[n * rows.size() + r];
    }
    for (int pass = 0; pass < 2; ++pass) {
      for (const Biquad& s : sections) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : x) {
          const double y = s.b0 * v + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
          x2 = x1, x1 = v, y2 = y1, y1 = y, v = y;
        }
      }
      std::reverse(x.begin(), x.end());
    }
    for (std::size_t n = 0; n < records; ++n) {
      values[n * rows.size() + r] = x[n];
    }
  }
  return values;
}

class FilteredPageTest : public ::testing::TestWithParam<bool> {
 protected:
  // Reads each page through `montage` and `choice` and holds it against the whole recording's
  // filtered values at every record a margin away from the recording's ends.
  void Check(MontageKind montage, const FilterChoice& choice,
             const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pages) {
    const std::vector<MontageRow>& rows = MontageRows(montage);
    const std::vector<Biquad> sections = FilterSections(choice, 256);
    const std::uint64_t margin = FilterMargin(sections);
    const std::vector<double> whole = WholeRecordingFiltered(bytes_, rows, sections);
    const std::uint64_t records = recording_.records();
    for (const auto& [first, count] : pages) {
      double worst = 0;
      std::uint64_t seen = 0;
      ASSERT_TRUE(ReadFilteredRecords(
                      recording_, first, count, rows, sections, margin,
                      [&](std::uint64_t from, const double* frames, std::size_t n) {
                        for (std::size_t i = 0; i < n * rows.size(); ++i) {
                          const std::uint64_t record = from + i / rows.size();
                          ASSERT_GE(record, first);
                          ASSERT_LT(record, first + count);
                          ++seen;
                          if (record >= margin && record + margin < records) {
                            worst = std::max(
                                worst,
                                std::abs(frames[i] -
                                         whole[static_cast<std::size_t>(from) * rows.size() + i]));
                          }
                        }
                      })
                      .ok());
      EXPECT_EQ(seen, count * rows.size());
      EXPECT_LE(worst, 0.1) << "page " << first << "+" << count << ", margin " << margin;
    }
  }

  void SetUp() override {
    bytes_ = Recording(40000, GetParam());
    WriteFile(dir_ / "rec_eeg", bytes_);
    ASSERT_TRUE(recording_.Open(dir_ / "rec_eeg").ok());
  }

  TempDir dir_;
  std::string bytes_;
  TraceRecording recording_;
};

TEST_P(FilteredPageTest, PagesEqualTheWholeRecordingFilteredAwayFromItsEnds) {
  Check(MontageKind::kBipolarLongitudinal, {0.5, 70, 50},
        {{20000, 2560}, {0, 2560}, {37440, 2560}, {1000, 20000}});
  Check(MontageKind::kAverageReference, {0.1, 0, 0}, {{16000, 2560}, {9000, 20000}});
  Check(MontageKind::kLinkedEars, {1, 15, 60}, {{123, 4567}});
}

TEST_P(FilteredPageTest, RowExtremesHoldTheFilteredValuesOfEachColumn) {
  const std::vector<MontageRow>& rows = MontageRows(MontageKind::kAsRecorded);
  const std::vector<Biquad> sections = FilterSections({0.5, 0, 50}, 256);
  const std::vector<double> whole = WholeRecordingFiltered(bytes_, rows, sections);
  RowExtremes page;
  ASSERT_TRUE(
      ReadRowExtremes(recording_, 20000, 2560, 1000, rows, sections, FilterMargin(sections), &page)
          .ok());
  ASSERT_EQ(page.ready, 1000u);
  for (std::size_t c = 0; c < page.columns; c += 97) {
    double low = 1e9;
    double high = -1e9;
    for (std::uint64_t record = page.bounds[c]; record < page.bounds[c + 1]; ++record) {
      const double value = whole[static_cast<std::size_t>(record) * rows.size() + 5];
      low = std::min(low, value);
      high = std::max(high, value);
    }
    EXPECT_NEAR(page.Min(5, c), low, 0.1);
    EXPECT_NEAR(page.Max(5, c), high, 0.1);
  }
}

INSTANTIATE_TEST_SUITE_P(RandomAndSynthetic, FilteredPageTest, ::testing::Bool());

TEST(BoundedMarginTest, APageAndItsMarginsStayWithinTheFilteredSpan) {
  EXPECT_EQ(BoundedMargin(1745, 2560), 1745u);
  EXPECT_EQ(BoundedMargin(34223, 10000), (kFilteredSpanRecords - 10000) / 2);
  EXPECT_EQ(BoundedMargin(171748, 50000), 0u);
  EXPECT_EQ(BoundedMargin(0, 100), 0u);
}

}  // namespace
}  // namespace velbrix
