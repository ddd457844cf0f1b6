#include "core/formats/edf_export.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

#include <string>
#include <vector>

#include "core/base/channel_table.h"
#include "core/events/edf_annotations.h"
#include "core/formats/recording_export.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// What a strict reader takes from an EDF file, after checking that the header and the data agree.
struct EdfContents {
  std::vector<std::string> labels;
  std::string duration;
  std::size_t samples_per_record = 0;
  std::size_t data_records = 0;
  std::vector<std::vector<int>> digital;  // per signal, every sample of every data record
};

std::string Trimmed(const std::string& bytes, std::size_t offset, std::size_t width) {
  std::string field = bytes.substr(offset, width);
  field.erase(field.find_last_not_of(' ') + 1);
  return field;
}

void ReadEdf(const std::string& bytes, EdfContents* edf) {
  ASSERT_GE(bytes.size(), 256u);
  const std::size_t signals = std::stoul(Trimmed(bytes, 252, 4));
  const std::size_t header_size = std::stoul(Trimmed(bytes, 184, 8));
  ASSERT_EQ(header_size, 256 * (signals + 1));
  ASSERT_GE(bytes.size(), header_size);
  for (std::size_t i = 0; i < header_size; ++i) {
    ASSERT_TRUE(bytes[i] >= 32 && bytes[i] <= 126) << "header byte " << i;
  }
  ASSERT_EQ(Trimmed(bytes, 0, 8), "0");
  edf->data_records = std::stoul(Trimmed(bytes, 236, 8));
  edf->duration = Trimmed(bytes, 244, 8);
  const std::size_t per_signal_start = 256;
  const auto field = [&](std::size_t offset_of_field, std::size_t width, std::size_t signal) {
    return Trimmed(bytes, per_signal_start + offset_of_field * signals + signal * width, width);
  };
  for (std::size_t s = 0; s < signals; ++s) {
    edf->labels.push_back(field(0, 16, s));
    EXPECT_EQ(field(96, 8, s), "uV");
    EXPECT_EQ(field(104, 8, s), "-476.25");
    EXPECT_EQ(field(112, 8, s), "480");
    EXPECT_EQ(field(120, 8, s), "-127");
    EXPECT_EQ(field(128, 8, s), "128");
    const std::size_t samples = std::stoul(field(216, 8, s));
    ASSERT_TRUE(s == 0 || samples == edf->samples_per_record);
    edf->samples_per_record = samples;
  }
  const std::size_t record_size = 2 * signals * edf->samples_per_record;
  ASSERT_EQ(bytes.size() - header_size, edf->data_records * record_size);
  edf->digital.assign(signals, {});
  for (std::size_t r = 0; r < edf->data_records; ++r) {
    for (std::size_t s = 0; s < signals; ++s) {
      for (std::size_t k = 0; k < edf->samples_per_record; ++k) {
        const std::size_t at =
            header_size + r * record_size + 2 * (s * edf->samples_per_record + k);
        const auto low = static_cast<std::uint8_t>(bytes[at]);
        const auto high = static_cast<std::uint8_t>(bytes[at + 1]);
        edf->digital[s].push_back(static_cast<std::int16_t>(low | (high << 8)));
      }
    }
  }
}

class EdfExportTest : public ::testing::Test {
 protected:
  Status Export(const std::string& recording, std::vector<int> positions, std::string_view rate) {
    WriteFile(in_ / "rec01_eeg", recording);
    return ExportFile(in_ / "rec01_eeg", std::move(positions), rate);
  }
  Status ExportFile(const std::filesystem::path& path, std::vector<int> positions,
                    std::string_view rate) {
    positions_ = std::move(positions);
    return ExportRecording(Inputs(path, rate), &report_);
  }
  // An EDF export of `path` at `rate` of the channels positions_ into out_.
  ExportInputs Inputs(const std::filesystem::path& path, std::string_view rate) {
    ExportInputs inputs;
    inputs.recording = path;
    inputs.output_dir = out_.path();
    inputs.file_name = "rec01_eeg";
    inputs.positions = positions_;
    EXPECT_TRUE(ParseHertz(rate, "sample rate", &inputs.sample_rate).ok());
    EXPECT_TRUE(
        ChooseEdfRecordLayout(inputs.sample_rate, positions_.size(), &inputs.edf_layout).ok());
    return inputs;
  }
  EdfContents Written() {
    EdfContents edf;
    ReadEdf(ReadFile(out_ / "rec01_eeg.edf"), &edf);
    return edf;
  }
  // The digital samples of the channel at `position`: byte - 127 of each whole record, then
  // `zeros` zeros.
  static std::vector<int> Expected(const std::string& recording, int position, std::size_t zeros) {
    std::vector<int> samples;
    for (std::size_t r = 0; r + kRecordSize <= recording.size(); r += kRecordSize) {
      samples.push_back(
          static_cast<std::uint8_t>(recording[r + static_cast<std::size_t>(position) - 1]) - 127);
    }
    samples.insert(samples.end(), zeros, 0);
    return samples;
  }

  TempDir in_;
  TempDir out_;
  std::vector<int> positions_;
  ExportReport report_;
};

TEST_F(EdfExportTest, AllChannelsInOneSecondRecordsWithThePaddedLastRecord) {
  const std::string recording = MakeRecording(700 * 32);
  ASSERT_TRUE(Export(recording, {kAllPositions.begin(), kAllPositions.end()}, "256").ok());
  EXPECT_EQ(report_.records, 700u);
  EXPECT_EQ(report_.data_records, 3u);
  EXPECT_EQ(report_.samples_added, 68u);
  EXPECT_EQ(report_.bytes_left_out, 0u);
  EXPECT_EQ(report_.data, out_ / "rec01_eeg.edf");
  EXPECT_EQ(report_.samples, 768u);
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"rec01_eeg.edf"});
  const EdfContents edf = Written();
  EXPECT_EQ(edf.duration, "1");
  EXPECT_EQ(edf.samples_per_record, 256u);
  EXPECT_EQ(edf.data_records, 3u);
  ASSERT_EQ(edf.labels.size(), 32u);
  for (int p = 1; p <= 32; ++p) {
    EXPECT_EQ(edf.labels[static_cast<std::size_t>(p - 1)], ChannelAtPosition(p).name);
    EXPECT_EQ(edf.digital[static_cast<std::size_t>(p - 1)], Expected(recording, p, 68)) << p;
  }
}

TEST_F(EdfExportTest, AChannelSubsetKeepsTheOrderGiven) {
  const std::string recording = MakeRecording(512 * 32);
  ASSERT_TRUE(Export(recording, {28, 10}, "256").ok());
  EXPECT_EQ(report_.samples_added, 0u);
  const EdfContents edf = Written();
  EXPECT_EQ(edf.labels, (std::vector<std::string>{"Oz", "Fz"}));
  EXPECT_EQ(edf.data_records, 2u);
  EXPECT_EQ(edf.digital[0], Expected(recording, 28, 0));
  EXPECT_EQ(edf.digital[1], Expected(recording, 10, 0));
}

TEST_F(EdfExportTest, NonWholeRateAndATrailingPartialRecord) {
  const std::string recording = MakeRecording(1000 * 32 + 5);
  ASSERT_TRUE(Export(recording, {1, 32}, "250.5").ok());
  EXPECT_EQ(report_.records, 1000u);
  EXPECT_EQ(report_.bytes_left_out, 5u);
  EXPECT_EQ(report_.data_records, 2u);
  EXPECT_EQ(report_.samples_added, 2u);
  const EdfContents edf = Written();
  EXPECT_EQ(edf.duration, "2");
  EXPECT_EQ(edf.samples_per_record, 501u);
  EXPECT_EQ(edf.digital[0], Expected(recording, 1, 2));
  EXPECT_EQ(edf.digital[1], Expected(recording, 32, 2));
}

TEST_F(EdfExportTest, ManyShortRecordsSpanSeveralWriterBatches) {
  const std::string recording = MakeRecording(40000 * 32);
  ASSERT_TRUE(Export(recording, {5}, "1000.5").ok());  // 2001 samples in 2 s
  const EdfContents edf = Written();
  EXPECT_EQ(edf.data_records, 20u);
  EXPECT_EQ(edf.digital[0], Expected(recording, 5, 20 * 2001 - 40000));
}

TEST_F(EdfExportTest, AMissingRecordingCreatesNothing) {
  const Status s = ExportFile(in_ / "missing_eeg", {1}, "256");
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(),
            "Cannot open " + PathForDisplay(in_ / "missing_eeg") + ": No such file or directory");
  EXPECT_TRUE(ListFolder(in_.path()).empty());
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

// An EDF+ file as a reader splits it: the general fields it checks, each signal's header fields,
// and each data record's bytes of each signal.
struct EdfPlusContents {
  std::string patient;
  std::string recording;
  std::string reserved;
  std::size_t data_records = 0;
  std::vector<std::vector<std::string>> fields;   // per signal: label .. samples per record
  std::vector<std::vector<std::string>> records;  // per data record: each signal's bytes
};

void ReadEdfPlus(const std::string& bytes, EdfPlusContents* edf) {
  ASSERT_GE(bytes.size(), 256u);
  const std::size_t signals = std::stoul(Trimmed(bytes, 252, 4));
  const std::size_t header_size = 256 * (signals + 1);
  ASSERT_EQ(std::stoul(Trimmed(bytes, 184, 8)), header_size);
  edf->patient = Trimmed(bytes, 8, 80);
  edf->recording = Trimmed(bytes, 88, 80);
  edf->reserved = Trimmed(bytes, 192, 44);
  edf->data_records = std::stoul(Trimmed(bytes, 236, 8));
  constexpr std::size_t kWidths[] = {16, 80, 8, 8, 8, 8, 8, 80, 8, 32};
  std::size_t offset = 256;
  edf->fields.assign(signals, {});
  for (const std::size_t width : kWidths) {
    for (std::size_t s = 0; s < signals; ++s, offset += width) {
      edf->fields[s].push_back(Trimmed(bytes, offset, width));
    }
  }
  std::size_t at = header_size;
  for (std::size_t r = 0; r < edf->data_records; ++r) {
    edf->records.emplace_back();
    for (std::size_t s = 0; s < signals; ++s) {
      const std::size_t size = 2 * std::stoul(edf->fields[s][8]);
      ASSERT_LE(at + size, bytes.size());
      edf->records.back().push_back(bytes.substr(at, size));
      at += size;
    }
  }
  ASSERT_EQ(at, bytes.size());
}

// The annotation signal's bytes without the zeros that fill them.
std::string Tals(const std::string& bytes) {
  return bytes.substr(0, bytes.find_last_not_of('\0') + 1) + '\0';
}

TEST_F(EdfExportTest, WithEventsTheFileIsEdfPlusWithEachRecordsTimeAndTheEventsOfItsOnset) {
  const std::string recording = MakeRecording(700 * 32);
  WriteFile(in_ / "rec01_eeg", recording);
  EventList events;
  ASSERT_TRUE(
      EventList::FromEvents(
          {{0, 0, "start"}, {300, 128, "photic, 10 Hz"}, {699, 0, "M\xC3\xBCller"}}, 700, &events)
          .ok());
  positions_ = {10, 28};
  ExportInputs inputs = Inputs(in_ / "rec01_eeg", "256");
  inputs.events = &events;
  ASSERT_TRUE(ExportRecording(inputs, &report_).ok());
  EXPECT_EQ(report_.samples_added, 68u);

  EdfPlusContents edf;
  ReadEdfPlus(ReadFile(out_ / "rec01_eeg.edf"), &edf);
  EXPECT_EQ(edf.reserved, "EDF+C");
  EXPECT_EQ(edf.patient, "X X X X");
  EXPECT_EQ(edf.recording, "Startdate X X X rec01_eeg");
  ASSERT_EQ(edf.fields.size(), 3u);
  EXPECT_EQ(edf.fields[0][0], "Fz");
  EXPECT_EQ(edf.fields[1][0], "Oz");
  const std::vector<std::string>& annotations = edf.fields[2];
  EXPECT_EQ(
      std::vector<std::string>(annotations.begin(), annotations.begin() + 8),
      (std::vector<std::string>{"EDF Annotations", "", "", "-1", "1", "-32768", "32767", ""}));
  ASSERT_EQ(edf.data_records, 3u);
  using namespace std::string_literals;
  EXPECT_EQ(Tals(edf.records[0][2]), "+0\x14\x14\0+0\x14start\x14\0"s);
  EXPECT_EQ(Tals(edf.records[1][2]),
            "+1\x14\x14\0+1.171875\x15"
            "0.5\x14photic, 10 Hz\x14\0"s);
  EXPECT_EQ(Tals(edf.records[2][2]), "+2\x14\x14\0+2.73046875\x14M\xC3\xBCller\x14\0"s);
  // The channels' samples are those of plain EDF.
  std::vector<int> fz;
  for (const std::vector<std::string>& record : edf.records) {
    for (std::size_t k = 0; k < record[0].size(); k += 2) {
      fz.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(record[0][k]) |
                                             (static_cast<std::uint8_t>(record[0][k + 1]) << 8)));
    }
  }
  EXPECT_EQ(fz, Expected(recording, 10, 68));
}

TEST_F(EdfExportTest, WithoutEventsTheFileIsPlainEdf) {
  WriteFile(in_ / "rec01_eeg", MakeRecording(300 * 32));
  positions_ = {1};
  const EventList none;
  ExportInputs inputs = Inputs(in_ / "rec01_eeg", "256");
  inputs.events = &none;
  ASSERT_TRUE(ExportRecording(inputs, &report_).ok());
  EdfPlusContents edf;
  ReadEdfPlus(ReadFile(out_ / "rec01_eeg.edf"), &edf);
  EXPECT_EQ(edf.reserved, "");
  EXPECT_EQ(edf.fields.size(), 1u);
}

TEST_F(EdfExportTest, AnEventBeyondTheRecordingFailsAndWritesNothing) {
  WriteFile(in_ / "rec01_eeg", MakeRecording(300 * 32));
  EventList events;
  ASSERT_TRUE(EventList::FromEvents({{299, 2, "late"}}, std::nullopt, &events).ok());
  positions_ = {1};
  ExportInputs inputs = Inputs(in_ / "rec01_eeg", "256");
  inputs.events = &events;
  const Status s = ExportRecording(inputs, &report_);
  EXPECT_EQ(s.code(), Status::Code::kInvalidArgument);
  EXPECT_NE(s.message().find(PathForDisplay(in_ / "rec01_eeg")), std::string::npos);
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

#ifndef _WIN32
TEST_F(EdfExportTest, AFailureHalfWayLeavesTheOldFileAndNoTemporary) {
  WriteFile(out_ / "rec01_eeg.edf", "old");
  const std::string recording = MakeRecording(2 << 20);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 2 << 20;  // the recording fits, not its EDF file at twice the size
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  WriteFile(in_ / "rec01_eeg", recording);
  const Status s =
      ExportFile(in_ / "rec01_eeg", {kAllPositions.begin(), kAllPositions.end()}, "256");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.message(),
            "Cannot write to " + PathForDisplay(out_ / "rec01_eeg.edf") + ": File too large");
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"rec01_eeg.edf"});
  EXPECT_EQ(ReadFile(out_ / "rec01_eeg.edf"), "old");
}

TEST_F(EdfExportTest, AStopLeavesTheOldFileAndNoTemporary) {
  WriteFile(out_ / "rec01_eeg.edf", "old");
  WriteFile(in_ / "rec01_eeg", MakeRecording(32 * kRecordsPerBlock * 2));
  positions_.assign(kAllPositions.begin(), kAllPositions.end());
  StopRequest stop;
  const ExportInputs inputs = Inputs(in_ / "rec01_eeg", "256");
  const Status s = ExportRecording(
      inputs, &report_, [&](std::uint64_t, std::uint64_t) { stop.Request(); }, &stop);
  EXPECT_TRUE(s.stopped());
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"rec01_eeg.edf"});
  EXPECT_EQ(ReadFile(out_ / "rec01_eeg.edf"), "old");
}

TEST_F(EdfExportTest, TheRecordCountOfARecordingOfUnknownSizeIsCompletedAtTheEnd) {
  const std::filesystem::path fifo = in_ / "rec01_eeg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string recording = MakeRecording(300 * 32 + 7);
  std::thread feeder([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, recording.data(), recording.size()),
              static_cast<ssize_t>(recording.size()));
    close(fd);
  });
  const Status s = ExportFile(fifo, {3}, "100");
  feeder.join();
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(report_.bytes_left_out, 7u);
  const EdfContents edf = Written();
  EXPECT_EQ(edf.data_records, 3u);
  EXPECT_EQ(edf.digital[0], Expected(recording, 3, 0));
}
#endif

}  // namespace
}  // namespace velbrix
