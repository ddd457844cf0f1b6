#include "core/formats/export_run.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/recording_name.h"
#include "core/formats/edf_export.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::TempDir;
using testing::WriteFile;

// A recording of 100 records and 5 bytes, exported at 256 Hz as each format asks.
class RunExportTest : public ::testing::Test {
 protected:
  ExportRequest Request(ExportFormat format) {
    WriteFile(recording_, MakeRecording(100 * kRecordSize + 5));
    ExportRequest request;
    request.format = format;
    request.recording = recording_;
    request.output_dir = out_.path();
    request.file_name = "rec_eeg";
    request.positions = {1, 2};
    EXPECT_TRUE(ParseHertz("256", "sample rate", &request.sample_rate).ok());
    EXPECT_TRUE(
        ChooseEdfRecordLayout(request.sample_rate, request.positions.size(), &request.edf_layout)
            .ok());
    request.root = out_ / "study";
    request.entities = {"01", "", "rest", ""};
    return request;
  }

  TempDir in_;
  TempDir out_;
  const std::filesystem::path recording_ = in_ / "rec_eeg";
};

TEST_F(RunExportTest, EdfAndBrainVisionGoIntoTheOutputFolder) {
  ExportReport report;
  ASSERT_TRUE(RunExport(Request(ExportFormat::kEdf), &report).ok());
  EXPECT_EQ(report.data, out_ / "rec_eeg.edf");
  ASSERT_TRUE(RunExport(Request(ExportFormat::kBrainVision), &report).ok());
  EXPECT_EQ(report.data, out_ / "rec_eeg.vhdr");
  EXPECT_EQ(ListFolder(out_.path()),
            (std::set<std::string>{"rec_eeg.edf", "rec_eeg.vhdr", "rec_eeg.vmrk", "rec_eeg.eeg"}));
}

TEST_F(RunExportTest, BidsFormatsGoIntoTheDatasetInTheirDataFormat) {
  ExportReport report;
  ASSERT_TRUE(RunExport(Request(ExportFormat::kBidsBrainVision), &report).ok());
  EXPECT_EQ(report.data, out_ / "study" / "sub-01" / "eeg" / "sub-01_task-rest_eeg.vhdr");
  ASSERT_TRUE(RunExport(Request(ExportFormat::kBidsEdf), &report).ok());
  EXPECT_EQ(report.data, out_ / "study" / "sub-01" / "eeg" / "sub-01_task-rest_eeg.edf");
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"study"});
}

TEST_F(RunExportTest, NotesSayTheBytesLeftOutAndThenTheSamplesAdded) {
  ExportReport report;
  ASSERT_TRUE(RunExport(Request(ExportFormat::kEdf), &report).ok());
  ASSERT_GT(report.samples_added, 0u);  // 100 records do not fill the last data record
  const std::vector<std::string> notes = ExportNotes(recording_, report);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0], LeftOutDescription(recording_, 5));
  EXPECT_EQ(notes[1], PaddingDescription(report.data, report.samples_added));
}

TEST(ExportNotesTest, NoneForAnExportOfWholeRecordsThatFillItsFile) {
  ExportReport report;
  report.records = 256;
  EXPECT_TRUE(ExportNotes("rec_eeg", report).empty());
}

}  // namespace
}  // namespace velbrix
