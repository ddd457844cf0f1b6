#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

#include "core/base/channel_table.h"
#include "core/commit/file_table.h"
#include "core/events/bids_events.h"
#include "core/formats/bids_export.h"
#include "core/formats/bids_layout.h"
#include "core/formats/bids_sidecars.h"
#include "core/formats/lab_table_file.h"
#include "core/os/os_file_hooks.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(BidsLayoutTest, LabelsAreLettersAndDigitsAndNamesFollowTheEntities) {
  EXPECT_TRUE(CheckBidsLabel("subject", "01aB").ok());
  for (const char* bad : {"", "sub-01", "a_b", "a b", "\xC3\xA9", "1.0"}) {
    EXPECT_FALSE(CheckBidsLabel("subject", bad).ok()) << bad;
  }
  EXPECT_NE(CheckBidsLabel("task", "rest-1").message().find("letters A-Z, a-z and digits 0-9"),
            std::string::npos);
  EXPECT_TRUE(CheckBidsIndex("run", "01").ok());
  EXPECT_FALSE(CheckBidsIndex("run", "1a").ok());
  EXPECT_FALSE(CheckBidsIndex("run", "").ok());
  EXPECT_TRUE(CheckBidsEntities({"01", "", "rest", ""}).ok());
  EXPECT_EQ(CheckBidsEntities({"01", "a-b", "rest", "2"}).message().rfind("The session label", 0),
            0u);
  EXPECT_EQ(CheckBidsEntities({"01", "", "rest", "2b"}).message().rfind("The run ", 0), 0u);

  EXPECT_EQ(BidsPrefix({"01", "", "rest", ""}), "sub-01_task-rest");
  EXPECT_EQ(BidsPrefix({"01", "a", "rest", "2"}), "sub-01_ses-a_task-rest_run-2");
  EXPECT_EQ(BidsRecordingFolder("ds", {"01", "a", "rest", ""}),
            std::filesystem::path("ds/sub-01/ses-a/eeg"));
}

TEST(BidsLayoutTest, TheLineFrequencyIs50Or60HzInEitherSeparator) {
  Hertz line;
  ASSERT_TRUE(ParseBidsLineFrequency("60,0", &line, ",").ok());
  EXPECT_EQ(line.text, "60");
  EXPECT_EQ(ParseBidsLineFrequency("55", &line).message(),
            "The power line frequency \"55\" is neither 50 nor 60 Hz");
  EXPECT_FALSE(ParseBidsLineFrequency("mains", &line).ok());
  EXPECT_EQ(line.text, "60");
}

TEST(BidsLayoutTest, TheDatasetFolderMayBeMissingButNotAFile) {
  TempDir dir;
  EXPECT_TRUE(CheckBidsRoot(dir.path() / "new").ok());
  EXPECT_TRUE(CheckBidsRoot(dir.path()).ok());
  WriteFile(dir.path() / "file", "x");
  const Status status = CheckBidsRoot(dir.path() / "file");
  EXPECT_EQ(status.code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(status.message().rfind("Cannot use the BIDS dataset folder ", 0), 0u);
}

TEST(BidsLayoutTest, ChannelTypes) {
  std::map<std::string_view, std::vector<std::string_view>> by_type;
  for (const Channel& channel : ChTable) {
    by_type[BidsTypeName(channel.kind)].push_back(channel.name);
  }
  EXPECT_EQ(by_type["EEG"].size(), 22u);
  EXPECT_EQ(by_type["ECG"], std::vector<std::string_view>{"EKG"});
  EXPECT_EQ(by_type["MISC"], (std::vector<std::string_view>{"BP3", "DC1", "DC2", "DC3", "BP4",
                                                            "BP2", "PG1", "PG2", "BP1"}));
}

TEST(BidsSidecarsTest, TheDatasetDescriptionNamesTheAuthorsAndLicenceWhenGiven) {
  EXPECT_EQ(SplitBidsAuthors(" A. Smith;B. Jones ;; "),
            (std::vector<std::string>{"A. Smith", "B. Jones"}));
  const std::string given =
      MakeBidsDatasetDescription("study", "1.0", {"", "", {"A. Smith", "B. \"J\""}, "CC0"});
  EXPECT_NE(
      given.find("\n  \"License\": \"CC0\",\n  \"Authors\": [\"A. Smith\", \"B. \\\"J\\\"\"],\n"),
      std::string::npos)
      << given;
  const std::string plain = MakeBidsDatasetDescription("study", "1.0", {});
  EXPECT_EQ(plain.find("License"), std::string::npos);
  EXPECT_EQ(plain.find("Authors"), std::string::npos);
}

TEST(BidsSidecarsTest, AScansTableGainsOrReplacesTheRecordingsRowAndKeepsTheRest) {
  EXPECT_EQ(BidsScansPath("ds", {"01", "a", "rest", ""}),
            std::filesystem::path("ds/sub-01/ses-a/sub-01_ses-a_scans.tsv"));
  EXPECT_EQ(BidsAcquisitionTime(EdfStart{2024, 5, 17, 9, 3, 0}), "2024-05-17T09:03:00");
  EXPECT_EQ(BidsAcquisitionTime(std::nullopt), "n/a");
  std::string updated;
  ASSERT_TRUE(UpdateBidsScans(std::nullopt, "eeg/a_eeg.edf", "n/a", {}, &updated).ok());
  EXPECT_EQ(updated, "filename\tacq_time\neeg/a_eeg.edf\tn/a\n");
  // A lab's table: its own column, CR LF line ends, the recording written before in the other
  // format, and another recording's row.
  const std::string lab =
      "acq_time\tfilename\tnote\r\nx\teeg/a_eeg.vhdr\tok\r\ny\teeg/b_eeg.edf\tz";
  ASSERT_TRUE(
      UpdateBidsScans(lab, "eeg/a_eeg.edf", "2024-05-17T09:03:00", {"eeg/a_eeg.vhdr"}, &updated)
          .ok());
  EXPECT_EQ(updated,
            "acq_time\tfilename\tnote\r\n2024-05-17T09:03:00\teeg/a_eeg.edf\tn/a\r\n"
            "y\teeg/b_eeg.edf\tz");
  EXPECT_FALSE(UpdateBidsScans("file\tacq_time\n", "eeg/a_eeg.edf", "n/a", {}, &updated).ok());
  // An empty table is a new one, as participants.tsv is.
  ASSERT_TRUE(UpdateBidsScans(std::string(), "eeg/a_eeg.edf", "n/a", {}, &updated).ok());
  EXPECT_EQ(updated, "filename\tacq_time\neeg/a_eeg.edf\tn/a\n");
}

// The lab's bytes stay byte for byte: its byte order mark, blank lines, each line's own end and a
// last line without one; the recording's row takes the place of the first row of its name, ended
// as that row was, and the others of its name go.
TEST(BidsSidecarsTest, AScansTableKeepsTheLabsBytesAroundTheRecordingsRow) {
  const std::string lab =
      "\xEF\xBB\xBF"
      "filename\tacq_time\r\n\r\neeg/a_eeg.vhdr\tx\r\neeg/b_eeg.edf\ty\n"
      "eeg/a_eeg.edf\tz\r\n\n\neeg/c_eeg.edf\tw";
  std::string updated;
  ASSERT_TRUE(UpdateBidsScans(lab, "eeg/a_eeg.edf", "T", {"eeg/a_eeg.vhdr"}, &updated).ok());
  EXPECT_EQ(updated,
            "\xEF\xBB\xBF"
            "filename\tacq_time\r\n\r\neeg/a_eeg.edf\tT\r\neeg/b_eeg.edf\ty\n"
            "\n\neeg/c_eeg.edf\tw");
  ASSERT_TRUE(UpdateBidsScans(lab, "eeg/d_eeg.edf", "T", {}, &updated).ok());
  EXPECT_EQ(updated, lab + "\r\neeg/d_eeg.edf\tT\r\n");
  // Carriage returns alone end its lines.
  ASSERT_TRUE(UpdateBidsScans("filename\tacq_time\reeg/a_eeg.edf\tx\r\reeg/b_eeg.edf\ty",
                              "eeg/a_eeg.edf", "T", {}, &updated)
                  .ok());
  EXPECT_EQ(updated, "filename\tacq_time\reeg/a_eeg.edf\tT\r\reeg/b_eeg.edf\ty");
  ASSERT_TRUE(UpdateBidsScans("filename\tacq_time\r", "eeg/a_eeg.edf", "T", {}, &updated).ok());
  EXPECT_EQ(updated, "filename\tacq_time\reeg/a_eeg.edf\tT\r");
}

TEST(BidsSidecarsTest, ParticipantsGainARowOnceWhateverTheirColumns) {
  std::optional<std::string> updated;
  EXPECT_EQ(MakeBidsParticipants("01"),
            "participant_id\tage\tsex\thandedness\nsub-01\tn/a\tn/a\tn/a\n");
  ASSERT_TRUE(AddBidsParticipant(MakeBidsParticipants("01"), "01", &updated).ok());
  EXPECT_FALSE(updated);
  // A table edited elsewhere: another column order, CR LF line ends, no line end at the end.
  ASSERT_TRUE(AddBidsParticipant("group\tparticipant_id\r\npatient\tsub-01", "2", &updated).ok());
  EXPECT_EQ(updated, "group\tparticipant_id\r\npatient\tsub-01\r\nn/a\tsub-2\r\n");
  EXPECT_FALSE(AddBidsParticipant("subject\tage\n", "01", &updated).ok());
  // Blank lines and a byte order mark stay.
  ASSERT_TRUE(AddBidsParticipant("\xEF\xBB\xBFparticipant_id\n\nsub-01\n\n", "2", &updated).ok());
  EXPECT_EQ(updated, "\xEF\xBB\xBFparticipant_id\n\nsub-01\n\nsub-2\n");
}

// Lines ended by carriage returns alone are lines: the new row has the header's width.
TEST(BidsSidecarsTest, ParticipantsWithCarriageReturnsAloneGainARowOfTheHeadersWidth) {
  std::optional<std::string> updated;
  ASSERT_TRUE(AddBidsParticipant("participant_id\tage\rsub-01\t30\r", "02", &updated).ok());
  EXPECT_EQ(updated, "participant_id\tage\rsub-01\t30\rsub-02\tn/a\r");
  ASSERT_TRUE(AddBidsParticipant("participant_id\tage\rsub-01\t30", "02", &updated).ok());
  EXPECT_EQ(updated, "participant_id\tage\rsub-01\t30\rsub-02\tn/a\r");
  ASSERT_TRUE(AddBidsParticipant("participant_id\tage\rsub-02\t30\r", "02", &updated).ok());
  EXPECT_FALSE(updated);
  EXPECT_FALSE(AddBidsParticipant("age\rparticipant_id\r", "02", &updated).ok());
}

TEST(BidsSidecarsTest, TheEegSidecarCountsTheChosenChannelsAndGivesTheDuration) {
  Hertz rate, line;
  ASSERT_TRUE(ParseHertz("250.5", "sample rate", &rate).ok());
  ASSERT_TRUE(ParseHertz("50", "line frequency", &line).ok());
  const std::string json = MakeBidsEegSidecar({"rest", {23, 10, 30}, rate, line, 501, "Cz", ""});
  for (const char* member :
       {"\"TaskName\": \"rest\"", "\"SamplingFrequency\": 250.5", "\"EEGReference\": \"Cz\"",
        "\"PowerLineFrequency\": 50", "\"SoftwareFilters\": \"n/a\"",
        "\"HardwareFilters\": \"n/a\"", "\"Manufacturer\": \"n/a\"",
        "\"EEGPlacementScheme\": \"10-20\"", "\"EEGChannelCount\": 1", "\"ECGChannelCount\": 1",
        "\"EOGChannelCount\": 0", "\"EMGChannelCount\": 0", "\"MISCChannelCount\": 1",
        "\"TriggerChannelCount\": 0", "\"RecordingDuration\": 2,",
        "\"RecordingType\": \"continuous\""}) {
    EXPECT_NE(json.find(member), std::string::npos) << member;
  }
  for (const char* left_out : {"SoftwareVersions", "MiscChannelCount", "EEGGround", "Velbrix"}) {
    EXPECT_EQ(json.find(left_out), std::string::npos) << left_out;
  }
  const std::string unknown = MakeBidsEegSidecar({"rest", {1}, rate, {}, 0, "", "AFz"});
  EXPECT_NE(unknown.find("\"PowerLineFrequency\": \"n/a\""), std::string::npos);
  EXPECT_NE(unknown.find("\"EEGReference\": \"n/a\""), std::string::npos);
  EXPECT_NE(unknown.find("\"EEGGround\": \"AFz\""), std::string::npos);
  EXPECT_EQ(MakeBidsChannels({23, 30}),
            "name\ttype\tunits\tstatus\nEKG\tECG\t\xC2\xB5V\tgood\nPG1\tMISC\t\xC2\xB5V\tgood\n");
  EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}

class BidsExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(in_ / "rec01_eeg", MakeRecording(300 * 32));
    ASSERT_TRUE(ParseHertz("256", "sample rate", &rate_).ok());
    ASSERT_TRUE(ChooseEdfRecordLayout(rate_, positions_.size(), &layout_).ok());
  }
  Status Export(BidsEntities entities, ExportFormat format,
                const std::filesystem::path& recording = {}) {
    const BidsExportInputs inputs{recording.empty() ? in_ / "rec01_eeg" : recording,
                                  root_,
                                  std::move(entities),
                                  format,
                                  positions_,
                                  rate_,
                                  layout_,
                                  start_,
                                  {},
                                  "1.0.0",
                                  lab_,
                                  commit_turn_, events_};
    return ExportBids(inputs, &report_);
  }

  TempDir in_;
  TempDir out_;
  std::filesystem::path root_ = out_ / "study";
  std::vector<int> positions_ = {1, 23};
  Hertz rate_;
  BidsLabFacts lab_;
  std::optional<EdfStart> start_;
  EdfRecordLayout layout_;
  std::function<Status()> commit_turn_;
  const EventList* events_ = nullptr;
  ExportReport report_;
};

// The turn is taken once the recording's files are written and before anything is committed; a
// turn refused (a stop while waiting) fails the run with its status and leaves nothing.
TEST_F(BidsExportTest, TheCommitWaitsForItsTurnAndARefusedTurnLeavesNothing) {
  int turns = 0;
  commit_turn_ = [&] {
    ++turns;
    EXPECT_FALSE(std::filesystem::exists(root_ / "participants.tsv"));
    return Status::Stopped(in_ / "rec01_eeg");
  };
  EXPECT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).stopped());
  EXPECT_EQ(turns, 1);
  EXPECT_FALSE(std::filesystem::exists(root_));
  commit_turn_ = [&] {
    ++turns;
    return Status::Ok();
  };
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  EXPECT_EQ(turns, 2);
  EXPECT_TRUE(std::filesystem::exists(root_ / "sub-01/eeg/sub-01_task-rest_eeg.edf"));
}

TEST_F(BidsExportTest, ANewDatasetGetsItsSharedFilesAndAReplacedRecordingLosesItsOldFormat) {
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  EXPECT_EQ(ListFolder(root_),
            (std::set<std::string>{"README", "dataset_description.json", "participants.json",
                                   "participants.tsv", "sub-01"}));
  EXPECT_EQ(report_.data, root_ / "sub-01/eeg/sub-01_task-rest_eeg.edf");
  EXPECT_EQ(report_.samples_added, 212u);
  EXPECT_NE(ReadFile(root_ / "dataset_description.json").find("\"Name\": \"study\""),
            std::string::npos);
  EXPECT_NE(ReadFile(root_ / "sub-01/eeg/sub-01_task-rest_eeg.json")
                .find("\"RecordingDuration\": 1.171875,"),
            std::string::npos);  // 300 records at 256 Hz, not the two data records of 1 s
  EXPECT_EQ(ReadFile(root_ / "sub-01/sub-01_scans.tsv"),
            "filename\tacq_time\neeg/sub-01_task-rest_eeg.edf\tn/a\n");
  WriteFile(root_ / "README", "ours");
  const std::string description = ReadFile(root_ / "dataset_description.json");
  lab_ = {"Cz", "AFz", {"A. Smith"}, "CC0"};
  // The lab's own column and row.
  WriteFile(root_ / "sub-01/sub-01_scans.tsv",
            "filename\tacq_time\tnote\neeg/sub-01_task-rest_eeg.edf\tn/a\tfirst\n"
            "eeg/sub-01_task-eyes_eeg.edf\tn/a\tours\n");

  start_ = EdfStart{2024, 5, 17, 9, 30, 0};
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsBrainVision).ok());
  EXPECT_EQ(ListFolder(root_ / "sub-01/eeg"),
            (std::set<std::string>{"sub-01_task-rest_channels.tsv", "sub-01_task-rest_eeg.json",
                                   "sub-01_task-rest_eeg.vhdr", "sub-01_task-rest_eeg.vmrk",
                                   "sub-01_task-rest_eeg.eeg"}));
  EXPECT_EQ(ReadFile(root_ / "README"), "ours");
  EXPECT_EQ(ReadFile(root_ / "dataset_description.json"), description);
  EXPECT_NE(ReadFile(root_ / "sub-01/eeg/sub-01_task-rest_eeg.json").find("\"EEGGround\": \"AFz\""),
            std::string::npos);
  EXPECT_EQ(ReadFile(root_ / "participants.tsv"), MakeBidsParticipants("01"));
  EXPECT_EQ(ReadFile(root_ / "sub-01/sub-01_scans.tsv"),
            "filename\tacq_time\tnote\neeg/sub-01_task-rest_eeg.vhdr\t2024-05-17T09:30:00\tn/a\n"
            "eeg/sub-01_task-eyes_eeg.edf\tn/a\tours\n");
}

TEST_F(BidsExportTest, EventsFilesJoinTheRecordingsTransactionAndLeaveWithAnExportWithout) {
  EventList events;
  ASSERT_TRUE(EventList::FromEvents({{0, 0, "start"}, {128, 64, "photic"}}, 300, &events).ok());
  events_ = &events;
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  const std::filesystem::path eeg = root_ / "sub-01/eeg";
  EXPECT_EQ(ReadFile(eeg / "sub-01_task-rest_events.tsv"),
            "onset\tduration\ttrial_type\tsample\n0\t0\tstart\t0\n0.5\t0.25\tphotic\t128\n");
  EXPECT_EQ(ReadFile(eeg / "sub-01_task-rest_events.json"), MakeBidsEventsSidecar());
  EXPECT_EQ(ReadFile(eeg / "sub-01_task-rest_eeg.edf").substr(192, 5), "EDF+C");
  EXPECT_EQ(std::count(report_.outputs.begin(), report_.outputs.end(),
                       eeg / "sub-01_task-rest_events.tsv"),
            1);

  // A folder where the events' description belongs: the whole recording fails.
  std::filesystem::create_directories(root_ / "sub-02/eeg/sub-02_task-rest_events.json");
  EXPECT_FALSE(Export({"02", "", "rest", ""}, ExportFormat::kBidsBrainVision).ok());
  EXPECT_EQ(ListFolder(root_ / "sub-02/eeg"),
            std::set<std::string>{"sub-02_task-rest_events.json"});

  events_ = nullptr;
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  EXPECT_EQ(ListFolder(eeg),
            (std::set<std::string>{"sub-01_task-rest_channels.tsv", "sub-01_task-rest_eeg.json",
                                   "sub-01_task-rest_eeg.edf"}));
}

TEST_F(BidsExportTest, AFailedRecordingLeavesTheDatasetAsItWas) {
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  const std::string participants = ReadFile(root_ / "participants.tsv");
  const Status missing = Export({"02", "a", "rest", ""}, ExportFormat::kBidsEdf, in_ / "gone_eeg");
  EXPECT_EQ(missing.message(),
            "Cannot open " + PathForDisplay(in_ / "gone_eeg") + ": No such file or directory");
  // A folder where the channel list belongs: the data file is written, then the commit fails.
  std::filesystem::create_directories(root_ / "sub-03/eeg/sub-03_task-rest_channels.tsv");
  EXPECT_FALSE(Export({"03", "", "rest", ""}, ExportFormat::kBidsBrainVision).ok());
  EXPECT_EQ(ReadFile(root_ / "participants.tsv"), participants);
  EXPECT_EQ(ListFolder(root_),
            (std::set<std::string>{"README", "dataset_description.json", "participants.json",
                                   "participants.tsv", "sub-01", "sub-03"}));
  EXPECT_EQ(ListFolder(root_ / "sub-03/eeg"),
            std::set<std::string>{"sub-03_task-rest_channels.tsv"});

  // A new dataset whose first recording fails leaves no folder behind.
  root_ = out_ / "new/study";
  EXPECT_FALSE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf, in_ / "gone_eeg").ok());
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"study"});
}

// A run that fails removes the dataset's folder it created only while it is empty: not when
// another run has begun to write into it meanwhile.
TEST_F(BidsExportTest, AFailedRunLeavesTheDatasetFolderThatAnotherRunWritesInto) {
  root_ = out_ / "new";
  WriteFile(in_ / "short_eeg", "less than a record");  // fails once its outputs are open
  FileTable other(root_);
  bool opened = false;
  SetFileOperationHook([&] {
    // Just before the failed run removes the folder it created, which is empty then.
    if (!opened && std::filesystem::is_directory(root_) && std::filesystem::is_empty(root_)) {
      opened = true;
      EXPECT_TRUE(other.OpenForTextOutput(1, root_ / "sub-7/eeg/x.tsv").ok());
    }
  });
  const Status failed = Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf, in_ / "short_eeg");
  SetFileOperationHook({});
  EXPECT_FALSE(failed.ok());
  ASSERT_TRUE(opened);
  ASSERT_TRUE(other.Write(1, "x").ok());
  ASSERT_TRUE(other.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ReadFile(root_ / "sub-7/eeg/x.tsv"), "x");
  EXPECT_EQ(ListFolder(root_), std::set<std::string>{"sub-7"});
}

TEST_F(BidsExportTest, AnEmptyScansTableIsMadeAnewAsAnEmptyParticipantsTableIs) {
  std::filesystem::create_directories(root_ / "sub-01");
  WriteFile(root_ / "participants.tsv", "");
  WriteFile(root_ / "sub-01/sub-01_scans.tsv", "");
  ASSERT_TRUE(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  EXPECT_EQ(ReadFile(root_ / "participants.tsv"), MakeBidsParticipants("01"));
  EXPECT_EQ(ReadFile(root_ / "participants.json"), MakeBidsParticipantsSidecar());
  EXPECT_EQ(ReadFile(root_ / "sub-01/sub-01_scans.tsv"),
            "filename\tacq_time\neeg/sub-01_task-rest_eeg.edf\tn/a\n");
}

// A table that cannot take the recording's row fails the run before any record is converted.
TEST_F(BidsExportTest, ATableWithoutItsColumnFailsTheRunBeforeItsWork) {
  std::filesystem::create_directories(root_);
  WriteFile(root_ / "participants.tsv", "subject\n");
  EXPECT_EQ(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).message(),
            "Cannot add sub-01 to " + PathForDisplay(root_ / "participants.tsv") +
                ": its first line has no participant_id column");
  EXPECT_EQ(ListFolder(root_), std::set<std::string>{"participants.tsv"});
}

#ifndef _WIN32
// A pipe would hang the run inside the dataset's lock, /dev/zero or a huge file would fill its
// memory: each is refused, naming it, before any record is converted.
TEST_F(BidsExportTest, ATableThatIsAPipeALinkOrTooLargeFailsTheRunBeforeItsWork) {
  const std::filesystem::path participants = root_ / "participants.tsv";
  const std::filesystem::path scans = root_ / "sub-01/sub-01_scans.tsv";
  std::filesystem::create_directories(root_ / "sub-01");
  const auto refusal = [&](const std::filesystem::path& table) {
    const Status status = Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf);
    EXPECT_EQ(ListFolder(root_ / "sub-01").count("eeg"), 0u);
    const std::string named = "Cannot read " + PathForDisplay(table) + ": it ";
    EXPECT_EQ(status.message().rfind(named, 0), 0u) << status.message();
    return status.message().substr(std::min(named.size(), status.message().size()));
  };
  ASSERT_EQ(::mkfifo(participants.c_str(), 0600), 0);
  EXPECT_EQ(refusal(participants),
            "is a named pipe (FIFO), and a dataset's table is read only from a regular file");
  std::filesystem::remove(participants);
  std::filesystem::create_symlink("/dev/zero", scans);
  EXPECT_EQ(refusal(scans),
            "is a symbolic link, and a dataset's table is read only from a regular file");
  std::filesystem::remove(scans);
  WriteFile(participants, "participant_id\n");
  std::filesystem::resize_file(participants, kLabTableLimit + 1);
  EXPECT_EQ(refusal(participants), "holds more than the 4 MiB that a dataset's table may hold");
}

// As an editor saving in place would: the lab's private table stays private, in its group, and
// its bytes stay as they were, line ends and blank lines included.
TEST_F(BidsExportTest, AnEditedTableKeepsItsModeItsGroupAndTheLabsBytes) {
  std::filesystem::create_directories(root_);
  const std::filesystem::path participants = root_ / "participants.tsv";
  const std::string lab = "participant_id\tage\r\nsub-01\t30\r\n\r\nsub-09\t41";
  WriteFile(participants, lab);
  ASSERT_EQ(::chmod(participants.c_str(), 0600), 0);
  struct stat before {};
  ASSERT_EQ(::stat(participants.c_str(), &before), 0);
  gid_t group = before.st_gid;
  if (::geteuid() == 0) {
    group = 65534;
    ASSERT_EQ(::chown(participants.c_str(), static_cast<uid_t>(-1), group), 0);
  }
  ASSERT_TRUE(Export({"02", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  EXPECT_EQ(ReadFile(participants), lab + "\r\nsub-02\tn/a\r\n");
  struct stat after {};
  ASSERT_EQ(::stat(participants.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_EQ(after.st_gid, group);
  // The subject's scans table, made by the run, has the user's defaults.
  struct stat scans {};
  ASSERT_EQ(::stat((root_ / "sub-02/sub-02_scans.tsv").c_str(), &scans), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(scans.st_mode & 07777, 0666u & ~mask);
}

// Another user who may write into the dataset's folder (a shared folder with the sticky bit)
// plants participants.tsv as a link to the running user's private table: the run does not follow
// it, and the private table's contents go nowhere.
TEST_F(BidsExportTest, ALinkThatAnotherUserPlantedToAPrivateTableIsNotFollowed) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root, to plant the link as nobody";
  }
  std::filesystem::create_directories(root_);
  std::filesystem::permissions(root_,
                               std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
  const std::filesystem::path secret = out_ / "private.tsv";
  WriteFile(secret, "participant_id\tdiagnosis\nsub-07\tconfidential\n");
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      std::_Exit(2);
    }
    std::_Exit(::symlink(secret.c_str(), (root_ / "participants.tsv").c_str()) == 0 ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  EXPECT_EQ(Export({"01", "", "rest", ""}, ExportFormat::kBidsEdf).message(),
            "Cannot read " + PathForDisplay(root_ / "participants.tsv") +
                ": it is a symbolic link, and a dataset's table is read only from a regular file");
  EXPECT_EQ(ListFolder(root_), std::set<std::string>{"participants.tsv"});
  EXPECT_TRUE(std::filesystem::is_symlink(root_ / "participants.tsv"));
  struct stat st {};
  ASSERT_EQ(::stat(secret.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}
#endif

}  // namespace
}  // namespace velbrix
