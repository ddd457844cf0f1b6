#include "core/formats/brainvision_export.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "core/base/channel_table.h"
#include "core/formats/brainvision_header.h"
#include "core/formats/recording_export.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

Hertz Rate(std::string_view text) {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate).ok()) << text;
  return rate;
}

TEST(BrainVisionHeaderTest, TheSamplingIntervalIsExactWherePossibleAndGivesTheRateBack) {
  EXPECT_EQ(BrainVisionSamplingInterval(Rate("256")), "3906.25");
  EXPECT_EQ(BrainVisionSamplingInterval(Rate("250")), "4000");
  EXPECT_EQ(BrainVisionSamplingInterval(Rate("4096")), "244.140625");
  EXPECT_EQ(BrainVisionSamplingInterval(Rate("10000000")), "0.1");
  EXPECT_EQ(BrainVisionSamplingInterval(Rate("0.000000512")), "1953125000000");
  EXPECT_EQ(BrainVisionSamplingInterval(Rate("250.5")), "3992.015968063872");
  for (const char* text : {"250.5", "1000", "333.333", "0.3", "999999.999999999", "12345.6789", "7",
                           "44100", "0.000000001"}) {
    const Hertz rate = Rate(text);
    const std::string interval = BrainVisionSamplingInterval(rate);
    double read = 0;
    std::from_chars(interval.data(), interval.data() + interval.size(), read);
    EXPECT_NEAR(1e6 / read, rate.value, rate.value * 1e-15) << text << " Hz: " << interval;
    char digits[32];
    const int length = std::snprintf(digits, sizeof digits, "%.15g", 1e6 / read);
    double rounded = 0;
    std::from_chars(digits, digits + length, rounded);
    EXPECT_EQ(rounded, rate.value) << text << " Hz: " << interval;
  }
}

class BrainVisionExportTest : public ::testing::Test {
 protected:
  Status Export(const std::string& recording, std::vector<int> positions,
                const EventList* events = nullptr) {
    WriteFile(in_ / "rec01_eeg", recording);
    positions_ = std::move(positions);
    const ExportInputs inputs{ExportFormat::kBrainVision,
                              in_ / "rec01_eeg",
                              out_.path(),
                              "rec01_eeg",
                              positions_,
                              Rate("256"),
                              {},
                              EdfStart{2024, 2, 3, 4, 5, 6},
                              events};
    return ExportRecording(inputs, &report_);
  }

  // The data file holds byte - 127 of each chosen channel, record after record.
  void ExpectData(const std::string& recording, std::size_t records) {
    const std::string data = ReadFile(out_ / "rec01_eeg.eeg");
    const std::size_t n = positions_.size();
    ASSERT_EQ(data.size(), records * n * 2);
    for (std::size_t r = 0; r < records; ++r) {
      for (std::size_t c = 0; c < n; ++c) {
        const std::size_t at = 2 * (n * r + c);
        const int value = static_cast<std::int16_t>(static_cast<std::uint8_t>(data[at]) |
                                                    static_cast<std::uint8_t>(data[at + 1]) << 8);
        const auto byte = static_cast<std::uint8_t>(
            recording[32 * r + static_cast<std::size_t>(positions_[c] - 1)]);
        ASSERT_EQ(value, byte - 127) << r << " " << c;
      }
    }
  }

  TempDir in_;
  TempDir out_;
  std::vector<int> positions_;
  ExportReport report_;
};

TEST_F(BrainVisionExportTest, ThreeFilesWithTheChosenChannelsMultiplexed) {
  const std::string recording = MakeRecording(3000 * 32 + 5);  // spans blocks, a partial tail
  ASSERT_TRUE(Export(recording, {28, 10, 23}).ok());
  EXPECT_EQ(report_.records, 3000u);
  EXPECT_EQ(report_.bytes_left_out, 5u);
  EXPECT_EQ(report_.data, out_ / "rec01_eeg.vhdr");
  EXPECT_EQ(report_.samples, 3000u);
  EXPECT_EQ(ListFolder(out_.path()),
            (std::set<std::string>{"rec01_eeg.vhdr", "rec01_eeg.vmrk", "rec01_eeg.eeg"}));
  const std::string header = ReadFile(out_ / "rec01_eeg.vhdr");
  EXPECT_TRUE(header.starts_with("Brain Vision Data Exchange Header File Version 1.0\r\n"));
  for (const char* line :
       {"\r\nCodepage=UTF-8\r\n", "\r\nDataFile=rec01_eeg.eeg\r\n",
        "\r\nMarkerFile=rec01_eeg.vmrk\r\n", "\r\nDataFormat=BINARY\r\n",
        "\r\nDataOrientation=MULTIPLEXED\r\n", "\r\nNumberOfChannels=3\r\n",
        "\r\nSamplingInterval=3906.25\r\n", "\r\nBinaryFormat=INT_16\r\n",
        "\r\nCh1=Oz,,3.75,\xC2\xB5V\r\nCh2=Fz,,3.75,\xC2\xB5V\r\nCh3=EKG,,3.75,\xC2\xB5V\r\n"}) {
    EXPECT_NE(header.find(line), std::string::npos) << line;
  }
  EXPECT_NE(
      ReadFile(out_ / "rec01_eeg.vmrk").find("\r\nMk1=New Segment,,1,1,0,20240203040506000000\r\n"),
      std::string::npos);
  ExpectData(recording, 3000);
  ASSERT_TRUE(Export(recording, {kAllPositions.begin(), kAllPositions.end()})
                  .ok());  // all channels in record order take a shortcut
  ExpectData(recording, 3000);
}

TEST_F(BrainVisionExportTest, EventsAreMarkersAfterTheNewSegment) {
  EventList events;
  ASSERT_TRUE(
      EventList::FromEvents({{0, 0, "start"}, {99, 1, "end, last"}, {40, 20, ""}}, 100, &events)
          .ok());
  ASSERT_TRUE(Export(MakeRecording(100 * 32), {1}, &events).ok());
  const std::string markers = ReadFile(out_ / "rec01_eeg.vmrk");
  const std::string tail =
      "Mk1=New Segment,,1,1,0,20240203040506000000\r\n"
      "Mk2=Comment,start,1,1,0\r\n"
      "Mk3=Comment,,41,20,0\r\n"
      "Mk4=Comment,end\\1 last,100,1,0\r\n";
  ASSERT_GE(markers.size(), tail.size());
  EXPECT_EQ(markers.substr(markers.size() - tail.size()), tail);

  ASSERT_TRUE(EventList::FromEvents({{100, 0, "after"}}, std::nullopt, &events).ok());
  const Status beyond = Export(MakeRecording(100 * 32), {1}, &events);
  EXPECT_EQ(beyond.code(), Status::Code::kInvalidArgument);
  EXPECT_NE(ReadFile(out_ / "rec01_eeg.vmrk").find("Mk4="), std::string::npos);  // as it was
}

TEST_F(BrainVisionExportTest, AFailureLeavesTheOldFilesAndNoTemporary) {
  WriteFile(out_ / "rec01_eeg.vhdr", "old");
  std::filesystem::create_directory(out_ / "rec01_eeg.eeg");  // the data file cannot replace it
  const Status s = Export(MakeRecording(64), {1});
  EXPECT_TRUE(s.message().starts_with("Cannot replace " + PathForDisplay(out_ / "rec01_eeg.eeg")))
      << s.message();
  EXPECT_EQ(ListFolder(out_.path()), (std::set<std::string>{"rec01_eeg.vhdr", "rec01_eeg.eeg"}));
  EXPECT_EQ(ReadFile(out_ / "rec01_eeg.vhdr"), "old");
}

}  // namespace
}  // namespace velbrix
