#include "core/signal/montage.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "core/base/channel_table.h"
#include "core/base/record.h"

namespace velbrix {
namespace {

// One record whose channel at position p holds 3.75 * p µV, and that value by name.
EegRecord KnownRecord() {
  EegRecord record{};
  for (std::size_t i = 0; i < record.size(); ++i) {
    record[i] = static_cast<std::uint8_t>(kZeroSample + static_cast<int>(i) + 1);
  }
  return record;
}
double Value(std::string_view name) {
  return 3.75 * *FindChannelPosition(name);
}

std::vector<double> Apply(MontageKind kind) {
  const EegRecord record = KnownRecord();
  std::vector<double> values(MontageRows(kind).size());
  ApplyMontage(MontageRows(kind), record.data(), 1, values.data());
  return values;
}

const std::vector<std::string_view> kEeg = {"FP2", "F8", "T4", "T6", "F4", "C4",  "P4", "O2",
                                            "A2",  "Fz", "Cz", "Pz", "Oz", "FP1", "F7", "T3",
                                            "T5",  "F3", "C3", "P3", "O1", "A1"};
const std::vector<std::string_view> kOthers = {"EKG", "BP1", "BP2", "BP3", "BP4",
                                               "DC1", "DC2", "DC3", "PG1", "PG2"};

// The rows after the EEG's: the other inputs as recorded, in the channel list's order.
void ExpectOthersBelow(MontageKind kind, std::size_t eeg_rows) {
  const std::vector<MontageRow>& rows = MontageRows(kind);
  const std::vector<double> values = Apply(kind);
  ASSERT_EQ(rows.size(), eeg_rows + kOthers.size());
  for (std::size_t i = 0; i < kOthers.size(); ++i) {
    EXPECT_EQ(rows[eeg_rows + i].label, kOthers[i]);
    EXPECT_FALSE(rows[eeg_rows + i].eeg);
    EXPECT_EQ(values[eeg_rows + i], Value(kOthers[i]));
  }
}

TEST(MontageTest, AsRecordedIsTheChannelListUnchanged) {
  const std::vector<double> values = Apply(MontageKind::kAsRecorded);
  for (std::size_t i = 0; i < kEeg.size(); ++i) {
    EXPECT_EQ(MontageRows(MontageKind::kAsRecorded)[i].label, kEeg[i]);
    EXPECT_EQ(values[i], Value(kEeg[i]));
  }
  ExpectOthersBelow(MontageKind::kAsRecorded, kEeg.size());
}

TEST(MontageTest, AverageReferenceSubtractsTheMeanOfTheEegElectrodes) {
  double mean = 0;
  for (std::string_view name : kEeg) {
    mean += Value(name) / static_cast<double>(kEeg.size());
  }
  const std::vector<double> values = Apply(MontageKind::kAverageReference);
  for (std::size_t i = 0; i < kEeg.size(); ++i) {
    EXPECT_EQ(MontageRows(MontageKind::kAverageReference)[i].label, std::string(kEeg[i]) + "-avg");
    EXPECT_NEAR(values[i], Value(kEeg[i]) - mean, 1e-9);
  }
  EXPECT_NEAR(std::accumulate(values.begin(), values.begin() + 22, 0.0), 0.0, 1e-9);
  ExpectOthersBelow(MontageKind::kAverageReference, kEeg.size());
}

TEST(MontageTest, LinkedEarsSubtractsTheMeanOfA1AndA2FromTheOtherElectrodes) {
  const double ears = (Value("A1") + Value("A2")) / 2;
  const std::vector<MontageRow>& rows = MontageRows(MontageKind::kLinkedEars);
  const std::vector<double> values = Apply(MontageKind::kLinkedEars);
  std::size_t r = 0;
  for (std::string_view name : kEeg) {
    if (name == "A1" || name == "A2") {
      continue;  // the reference has no rows
    }
    EXPECT_EQ(rows[r].label, std::string(name) + "-A1A2");
    EXPECT_EQ(values[r], Value(name) - ears) << name;
    ++r;
  }
  EXPECT_EQ(r, 20u);
  ExpectOthersBelow(MontageKind::kLinkedEars, r);
  EXPECT_EQ(MontageRowOf(MontageKind::kLinkedEars, *FindChannelPosition("A1")), -1);
}

TEST(MontageTest, AReferenceSaysWhatItAverages) {
  const std::string average = MontageReferenceText(MontageKind::kAverageReference);
  EXPECT_EQ(average.rfind("avg: the mean of the 22 EEG electrodes FP2, F8, ", 0), 0u) << average;
  for (const char* name : {", A1", ", A2", ", Oz"}) {
    EXPECT_NE(average.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(MontageReferenceText(MontageKind::kLinkedEars), "A1A2: the mean of A1 and A2");
  EXPECT_EQ(MontageReferenceText(MontageKind::kAsRecorded), "");
  EXPECT_EQ(MontageReferenceText(MontageKind::kBipolarLongitudinal), "");
}

TEST(MontageTest, BipolarLongitudinalIsTheDoubleBananaThenTheOtherInputs) {
  const std::vector<std::string> pairs = {"FP1-F7", "F7-T3", "T3-T5",  "T5-O1", "FP2-F8", "F8-T4",
                                          "T4-T6",  "T6-O2", "FP1-F3", "F3-C3", "C3-P3",  "P3-O1",
                                          "FP2-F4", "F4-C4", "C4-P4",  "P4-O2", "Fz-Cz",  "Cz-Pz"};
  const std::vector<MontageRow>& rows = MontageRows(MontageKind::kBipolarLongitudinal);
  const std::vector<double> values = Apply(MontageKind::kBipolarLongitudinal);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const std::size_t dash = pairs[i].find('-');
    EXPECT_EQ(rows[i].label, pairs[i]);
    EXPECT_EQ(values[i], Value(pairs[i].substr(0, dash)) - Value(pairs[i].substr(dash + 1)));
  }
  ExpectOthersBelow(MontageKind::kBipolarLongitudinal, pairs.size());
  EXPECT_EQ(rows[18].label, "EKG");
}

TEST(MontageTest, AChannelIsFollowedToItsRow) {
  EXPECT_EQ(MontageRowOf(MontageKind::kAsRecorded, *FindChannelPosition("Oz")), 12);
  EXPECT_EQ(MontageRowOf(MontageKind::kBipolarLongitudinal, *FindChannelPosition("F7")), 1);
  EXPECT_EQ(MontageRowOf(MontageKind::kBipolarLongitudinal, *FindChannelPosition("O1")), 3);
  EXPECT_EQ(MontageRowOf(MontageKind::kBipolarLongitudinal, *FindChannelPosition("EKG")), 18);
  EXPECT_EQ(MontageRowOf(MontageKind::kBipolarLongitudinal, *FindChannelPosition("A1")), -1);
  EXPECT_EQ(MontageRowOf(MontageKind::kLinkedEars, 0), -1);
}

}  // namespace
}  // namespace velbrix
