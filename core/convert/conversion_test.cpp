#include "core/convert/conversion.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <string>
#include <thread>

#include "core/base/channel_table.h"
#include "core/base/run_support.h"
#include "core/convert/value_line.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::Utf8Path;
using testing::WriteFile;

// What a channel's file must hold for `recording`: one line per whole record.
std::string ExpectedText(const std::string& recording, int position, std::string_view sep = ".") {
  std::string text;
  for (std::size_t r = 0; r + kRecordSize <= recording.size(); r += kRecordSize) {
    text += FormatValueLine(
        static_cast<std::uint8_t>(recording[r + static_cast<std::size_t>(position) - 1]), sep);
  }
  return text;
}

class ConversionTest : public ::testing::Test {
 protected:
  // Writes `recording` as "rec01_eeg" in the input folder and converts it into the output folder.
  Status Convert(const std::string& recording, bool all, std::string name = "",
                 std::string pos = "", std::string sep = ".") {
    WriteFile(in_ / "rec01_eeg", recording);
    ConversionInputs inputs{in_ / "rec01_eeg", out_.path(),    "rec01_eeg",   all,
                            std::move(name),   std::move(pos), std::move(sep)};
    return RunConversion(inputs, &report_);
  }
  std::filesystem::path Output(std::string_view channel) const {
    return OutputPath(out_.path(), "rec01_eeg", channel);
  }

  TempDir in_;
  TempDir out_;
  ConversionReport report_;
};

TEST_F(ConversionTest, AllChannelsGiveOneFilePerChannelInRecordOrder) {
  const std::string recording = MakeRecording(64);
  ASSERT_TRUE(Convert(recording, true).ok());
  ASSERT_EQ(report_.outputs.size(), 32u);
  EXPECT_EQ(report_.outputs.front(), out_ / "rec01_eeg_FP2.eeg");
  EXPECT_EQ(report_.outputs.back(), out_ / "rec01_eeg_BP1.eeg");
  EXPECT_EQ(ListFolder(out_.path()).size(), 32u);
  for (int p = 1; p <= 32; ++p) {
    EXPECT_EQ(ReadFile(Output(ChannelAtPosition(p).name)), ExpectedText(recording, p)) << p;
  }
  // The byte at offset 32 is the second sample of FP2, the byte at 63 the second of BP1.
  EXPECT_EQ(ReadFile(Output("FP2")),
            FormatValueLine(static_cast<std::uint8_t>(recording[0]), ".") +
                FormatValueLine(static_cast<std::uint8_t>(recording[32]), "."));
  EXPECT_EQ(ReadFile(Output("BP1")),
            FormatValueLine(static_cast<std::uint8_t>(recording[31]), ".") +
                FormatValueLine(static_cast<std::uint8_t>(recording[63]), "."));
  EXPECT_EQ(report_.records, 2u);
  EXPECT_EQ(report_.bytes_left_out, 0u);
}

TEST_F(ConversionTest, LineCountFollowsWholeRecordsOnly) {
  struct Case {
    std::size_t size, lines, left_out;
  };
  for (const Case c : {Case{0, 0, 0}, Case{31, 0, 31}, Case{32, 1, 0}, Case{33, 1, 1},
                       Case{64, 2, 0}, Case{70, 2, 6}}) {
    SCOPED_TRACE(c.size);
    const std::string recording = MakeRecording(c.size);
    ASSERT_TRUE(Convert(recording, true).ok());
    EXPECT_EQ(report_.records, c.lines);
    EXPECT_EQ(report_.bytes_left_out, c.left_out);
    for (int p : {1, 6, 7, 32}) {
      EXPECT_EQ(ReadFile(Output(ChannelAtPosition(p).name)), ExpectedText(recording, p));
    }
  }
}

TEST_F(ConversionTest, LargeRecordingSpanningManyBlocks) {
  // Not a multiple of the block size, with a partial record at the end.
  const std::string recording = MakeRecording(32 * 20000 + 5);
  ASSERT_TRUE(Convert(recording, true, "", "", ",").ok());
  EXPECT_EQ(report_.records, 20000u);
  EXPECT_EQ(report_.bytes_left_out, 5u);
  for (int p = 1; p <= 32; ++p) {
    ASSERT_EQ(ReadFile(Output(ChannelAtPosition(p).name)), ExpectedText(recording, p, ",")) << p;
  }
}

TEST_F(ConversionTest, OneChannelRunTouchesNoOtherFile) {
  const std::string recording = MakeRecording(96);
  WriteFile(Output("Fz"), "keep me");
  ASSERT_TRUE(Convert(recording, false, "Oz", "28").ok());
  EXPECT_EQ(ListFolder(out_.path()),
            (std::set<std::string>{"rec01_eeg_Fz.eeg", "rec01_eeg_Oz.eeg"}));
  EXPECT_EQ(ReadFile(Output("Oz")), ExpectedText(recording, 28));
  EXPECT_EQ(ReadFile(Output("Fz")), "keep me");
  EXPECT_EQ(ListFolder(in_.path()), (std::set<std::string>{"rec01_eeg"}));
  EXPECT_EQ(ReadFile(in_ / "rec01_eeg"), recording);
}

TEST_F(ConversionTest, ExistingOutputsAreReplaced) {
  const std::string first = MakeRecording(32 * 10);
  ASSERT_TRUE(Convert(first, true).ok());
  const std::string second(64, '\x7f');
  ASSERT_TRUE(Convert(second, false, "Fz", "10").ok());
  EXPECT_EQ(ReadFile(Output("Fz")), " 0 \r\n 0 \r\n");
  EXPECT_EQ(ReadFile(Output("Cz")), ExpectedText(first, 11));
  EXPECT_EQ(ListFolder(out_.path()).size(), 32u);
}

TEST_F(ConversionTest, AStoppedRunLeavesEarlierOutputsAndNoTemporary) {
  const std::string first = MakeRecording(32 * 10);
  ASSERT_TRUE(Convert(first, true).ok());
  const std::set<std::string> before = ListFolder(out_.path());
  // Stopped after its first block of a recording of three.
  WriteFile(in_ / "rec01_eeg", MakeRecording(32 * kRecordsPerBlock * 3));
  StopRequest stop;
  int blocks = 0;
  ConversionInputs inputs{in_ / "rec01_eeg", out_.path(), "rec01_eeg", true, "", "", "."};
  const Status s = RunConversion(
      inputs, &report_,
      [&](std::uint64_t, std::uint64_t) { ++blocks == 1 ? stop.Request() : void(); }, &stop);
  EXPECT_TRUE(s.stopped());
  EXPECT_EQ(s.message(), "Stopped converting " + PathForDisplay(in_ / "rec01_eeg"));
  EXPECT_EQ(blocks, 1);
  EXPECT_EQ(ListFolder(out_.path()), before);
  EXPECT_EQ(ReadFile(Output("O2")), ExpectedText(first, 8));
}

// Two runs of recordings with the same name into one folder at the same time: each commits whole,
// one after the other, so the folder holds all of one recording's files and nothing else.
TEST_F(ConversionTest, TwoRunsAtOnceIntoOneFolderCommitOneAfterTheOther) {
  TempDir other;
  const std::string recordings[] = {MakeRecording(32 * 2048), std::string(32 * 2048, '\x7f')};
  WriteFile(in_ / "rec01_eeg", recordings[0]);
  WriteFile(other / "rec01_eeg", recordings[1]);
  for (int round = 0; round < 8; ++round) {
    Status statuses[2];
    const auto run = [&](int i) {
      Converter converter;
      ConversionReport report;
      statuses[i] = converter.ConvertChannels((i == 0 ? in_ : other) / "rec01_eeg", out_.path(),
                                              "rec01_eeg", kAllPositions, ".", &report);
    };
    std::thread first(run, 0);
    std::thread second(run, 1);
    first.join();
    second.join();
    ASSERT_TRUE(statuses[0].ok() && statuses[1].ok()) << statuses[0].message();
    const std::string& last =
        recordings[ReadFile(Output("FP2")) == ExpectedText(recordings[0], 1) ? 0 : 1];
    for (const Channel& channel : ChTable) {
      ASSERT_EQ(ReadFile(Output(channel.name)), ExpectedText(last, channel.position))
          << "round " << round << ", " << channel.name;
    }
    ASSERT_EQ(ListFolder(out_.path()).size(), 32u);
  }
}

TEST_F(ConversionTest, MissingRecordingCreatesNothing) {
  ConversionInputs inputs{in_ / "absent_eeg", out_.path(), "absent_eeg", true, "", "", "."};
  const Status s = RunConversion(inputs, &report_);
  EXPECT_EQ(s.message(),
            "Cannot open " + PathForDisplay(in_ / "absent_eeg") + ": No such file or directory");
  EXPECT_TRUE(ListFolder(in_.path()).empty());
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(ConversionTest, MissingOutputFolderLeavesNothingBehind) {
  WriteFile(in_ / "rec01_eeg", MakeRecording(64));
  const std::filesystem::path absent = out_ / "absent";
  ConversionInputs inputs{in_ / "rec01_eeg", absent, "rec01_eeg", true, "", "", "."};
  const Status s = RunConversion(inputs, &report_);
  EXPECT_EQ(s.message(), "Cannot create " + PathForDisplay(absent / "rec01_eeg_FP2.eeg") +
                             ": No such file or directory");
  EXPECT_TRUE(ListFolder(out_.path()).empty());
  EXPECT_TRUE(report_.outputs.empty());
}

TEST_F(ConversionTest, FailedCommitKeepsEarlierOutputsIntact) {
  WriteFile(Output("FP2"), "old FP2");
  std::filesystem::create_directory(Output("T4"));  // a folder where channel T4's file must go
  const Status s = Convert(MakeRecording(64), true);
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("rec01_eeg_T4.eeg"), std::string::npos) << s.message();
  EXPECT_EQ(ListFolder(out_.path()),
            (std::set<std::string>{"rec01_eeg_FP2.eeg", "rec01_eeg_T4.eeg"}));
  EXPECT_EQ(ReadFile(Output("FP2")), "old FP2");
}

#ifndef _WIN32
// A file size limit makes a write fail half-way through the run, as a full disk would.
TEST_F(ConversionTest, WriteFailureHalfWayLeavesEarlierOutputsIntact) {
  WriteFile(Output("FP2"), "old FP2");
  WriteFile(in_ / "rec01_eeg", MakeRecording(32 * 100000));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 256 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  ConversionInputs inputs{in_ / "rec01_eeg", out_.path(), "rec01_eeg", true, "", "", "."};
  const Status s = RunConversion(inputs, &report_);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message().rfind("Cannot write to " + PathForDisplay(out_.path()), 0), 0u)
      << s.message();
  EXPECT_NE(s.message().find("File too large"), std::string::npos) << s.message();
  EXPECT_EQ(ListFolder(out_.path()), (std::set<std::string>{"rec01_eeg_FP2.eeg"}));
  EXPECT_EQ(ReadFile(Output("FP2")), "old FP2");
}

TEST_F(ConversionTest, UnreadableRecordingIsAnErrorWithItsPath) {
  std::filesystem::create_directory(in_ / "folder_eeg");
  ConversionInputs inputs{in_ / "folder_eeg", out_.path(), "folder_eeg", true, "", "", "."};
  const Status s = RunConversion(inputs, &report_);
  EXPECT_EQ(s.message(), "Cannot read " + PathForDisplay(in_ / "folder_eeg") + ": Is a directory");
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}
#endif

TEST_F(ConversionTest, BadChannelChoicesAreRejectedBeforeAnyFileIsOpened) {
  WriteFile(in_ / "rec01_eeg", MakeRecording(64));
  struct Case {
    const char* name;
    const char* pos;
  };
  for (const Case c :
       {Case{"Oz", "0"}, Case{"Oz", "33"}, Case{"Oz", "028"}, Case{"Oz", " 28"}, Case{"Oz", "x"},
        Case{"Oz", ""}, Case{"OZ", "28"}, Case{"", "28"}, Case{"Oz", "10"}}) {
    ConversionInputs inputs{in_ / "rec01_eeg", out_.path(), "rec01_eeg", false, c.name, c.pos, "."};
    const Status s = RunConversion(inputs, &report_);
    EXPECT_EQ(s.code(), Status::Code::kInvalidArgument) << c.name << '/' << c.pos;
  }
  ConversionInputs bad_name{in_ / "rec01_eeg", out_.path(), in_ / "rec01_eeg", true, "", "", "."};
  EXPECT_EQ(RunConversion(bad_name, &report_).code(), Status::Code::kInvalidArgument);
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

// The checks that the conversion and the EDF and BrainVision exports make of what they are given.
TEST(RunSupportTest, ChannelsAndFileNamesAreChecked) {
  EXPECT_TRUE(CheckPositions(kAllPositions).ok());
  for (const std::vector<int>& bad : {std::vector<int>{}, {0}, {33}, {-1}}) {
    EXPECT_EQ(CheckPositions(bad).code(), Status::Code::kInvalidArgument) << bad.size();
  }
  EXPECT_EQ(CheckPositions(std::vector<int>{28, 10, 10}).message(), "Channel Fz was chosen twice");
  EXPECT_TRUE(CheckRecordingFileName("rec01_eeg").ok());
  for (const char* bad : {"", "in/rec01_eeg", "/"}) {
    EXPECT_EQ(CheckRecordingFileName(bad).code(), Status::Code::kInvalidArgument) << bad;
  }
}

TEST_F(ConversionTest, PathsWithSpacesAndNonAsciiLetters) {
  const std::filesystem::path folder = out_ / "Messungen März ñ 脑电";
  std::filesystem::create_directory(folder);
  const std::filesystem::path name = Utf8Path("Müller 01_eeg");
  const std::string recording = MakeRecording(96);
  WriteFile(folder / name, recording);
  ConversionInputs inputs{folder / name, folder, name, false, "EKG", "23", "."};
  ASSERT_TRUE(RunConversion(inputs, &report_).ok());
  EXPECT_EQ(ReadFile(folder / Utf8Path("Müller 01_eeg_EKG.eeg")), ExpectedText(recording, 23));
}

TEST_F(ConversionTest, ConverterKeepsTheLastRecordRead) {
  Converter converter;
  EXPECT_EQ(converter.RecBuf(), EegRecord{});
  const std::string recording = MakeRecording(70);
  WriteFile(in_ / "rec01_eeg", recording);
  ConversionInputs inputs{in_ / "rec01_eeg", out_.path(), "rec01_eeg", true, "", "", "."};
  ASSERT_TRUE(converter.RunConversion(inputs, &report_).ok());
  EXPECT_EQ(std::string(converter.RecBuf().begin(), converter.RecBuf().end()),
            recording.substr(32, 32));
}

}  // namespace
}  // namespace velbrix
