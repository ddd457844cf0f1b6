#include "core/formats/recording_export.h"

#include <gtest/gtest.h>

#include <string>

#include "core/formats/bids_export.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::TempDir;
using testing::WriteFile;

enum class Into { kEdf, kBrainVision, kBids };

// A recording of 0 or 31 bytes, exported in each format.
class NothingToExportTest : public ::testing::TestWithParam<std::tuple<Into, std::size_t>> {
 protected:
  Status Export() {
    const auto [into, size] = GetParam();
    WriteFile(recording_, MakeRecording(size));
    Hertz rate;
    EXPECT_TRUE(ParseHertz("256", "sample rate", &rate).ok());
    EdfRecordLayout layout;
    EXPECT_TRUE(ChooseEdfRecordLayout(rate, positions_.size(), &layout).ok());
    if (into == Into::kBids) {
      ExportReport report;
      return ExportBids({recording_,
                         out_ / "study",
                         {"01", "", "rest", ""},
                         ExportFormat::kBidsEdf,
                         positions_,
                         rate,
                         layout,
                         {},
                         {},
                         "1.0.0",
                         {},
                         {}},
                        &report);
    }
    const ExportFormat format =
        into == Into::kEdf ? ExportFormat::kEdf : ExportFormat::kBrainVision;
    ExportReport report;
    const Status status = ExportRecording(
        {format, recording_, out_.path(), "rec_eeg", positions_, rate, layout, {}}, &report);
    EXPECT_TRUE(report.outputs.empty());
    return status;
  }

  TempDir in_;
  TempDir out_;
  const std::filesystem::path recording_ = in_ / "rec_eeg";
  const std::vector<int> positions_ = {1, 2};
};

TEST_P(NothingToExportTest, IsSaidWithThePathAndWritesNothing) {
  const Status status = Export();
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(),
            PathForDisplay(recording_) + ": holds no whole record; nothing to export");
  EXPECT_TRUE(ListFolder(out_.path()).empty());
  EXPECT_EQ(ListFolder(in_.path()), std::set<std::string>{"rec_eeg"});
}

INSTANTIATE_TEST_SUITE_P(EachFormat, NothingToExportTest,
                         ::testing::Combine(::testing::Values(Into::kEdf, Into::kBrainVision,
                                                              Into::kBids),
                                            ::testing::Values(std::size_t{0}, std::size_t{31})));

}  // namespace
}  // namespace velbrix
