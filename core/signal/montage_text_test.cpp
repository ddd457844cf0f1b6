#include "core/signal/montage_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/channel_table.h"
#include "core/base/record.h"

namespace velbrix {
namespace {

int At(std::string_view name) {
  return *FindChannelPosition(name);
}

std::vector<MontageTerm> Terms(std::string_view text) {
  std::vector<MontageTerm> terms;
  bool eeg = false;
  std::string why;
  EXPECT_TRUE(ParseDerivation(text, &terms, &eeg, &why)) << text << ": " << why;
  return terms;
}

std::string Why(std::string_view text) {
  std::vector<MontageTerm> terms;
  bool eeg = false;
  std::string why;
  EXPECT_FALSE(ParseDerivation(text, &terms, &eeg, &why)) << text;
  return why;
}

TEST(MontageTextTest, DerivationsAreWeighedSumsOfChannelsAndTheAverage) {
  EXPECT_EQ(Terms("F3-C3"), (std::vector<MontageTerm>{{At("F3"), 1}, {At("C3"), -1}}));
  EXPECT_EQ(Terms(" fp1 - (A1 + a2) / 2 "),
            (std::vector<MontageTerm>{{At("FP1"), 1}, {At("A1"), -0.5}, {At("A2"), -0.5}}));
  EXPECT_EQ(Terms("C4-avg"), (std::vector<MontageTerm>{{At("C4"), 1}, {kEegAverageSource, -1}}));
  EXPECT_EQ(Terms("(F3+F4)/2-Cz"),
            (std::vector<MontageTerm>{{At("F3"), 0.5}, {At("F4"), 0.5}, {At("Cz"), -1}}));
  EXPECT_EQ(Terms("0.5*T3-T5*0.5"), (std::vector<MontageTerm>{{At("T3"), 0.5}, {At("T5"), -0.5}}));
  EXPECT_EQ(Terms("-EKG"), (std::vector<MontageTerm>{{At("EKG"), -1}}));
  EXPECT_EQ(Terms("Cz-Cz+Pz"), (std::vector<MontageTerm>{{At("Pz"), 1}}));  // Cz cancels

  std::vector<MontageTerm> terms;
  bool eeg = true;
  std::string why;
  ASSERT_TRUE(ParseDerivation("Cz-EKG", &terms, &eeg, &why));
  EXPECT_FALSE(eeg);
  ASSERT_TRUE(ParseDerivation("Cz-avg", &terms, &eeg, &why));
  EXPECT_TRUE(eeg);
}

TEST(MontageTextTest, ABadDerivationSaysWhy) {
  EXPECT_EQ(Why("F3-Fx3"), "\"Fx3\" is not a channel");
  EXPECT_EQ(Why("F3+F4"),
            "the added channels weigh more than one channel: write a mean, as "
            "(F3+F4)/2");
  EXPECT_EQ(Why("Cz-F3-F4"),
            "the subtracted channels weigh more than one channel: write a "
            "mean, as (F3+F4)/2");
  EXPECT_EQ(Why("2"), "a number alone is not a channel");
  EXPECT_EQ(Why("Cz+2"), "a number alone is not a channel: multiply or divide a channel by it");
  EXPECT_EQ(Why("Cz*Pz"), "a channel times a channel is not a derivation");
  EXPECT_EQ(Why("Cz/Pz"), "a division by a channel");
  EXPECT_EQ(Why("Cz/0"), "a division by 0");
  EXPECT_EQ(Why("(Cz-Pz"), "a \"(\" is not closed");
  EXPECT_EQ(Why("Cz-"), "the derivation ends too early");
  EXPECT_EQ(Why("Cz-Cz"), "its channels cancel out");
  EXPECT_EQ(Why(""), "no derivation");
  EXPECT_EQ(Why("Cz;Pz"), "\";\" is not expected there");
  EXPECT_EQ(Why(std::string(40, '(') + "Cz" + std::string(40, ')')), "too many parentheses");
}

TEST(MontageTextTest, AFileRoundTripsAndNamesItsBadLines) {
  const MontageSource source{"Temporal chains",
                             {{"FP1-F7", "", "1", true},
                              {"FP1-(A1+A2)/2", "FP1-ears", "1", true},
                              {"C4-avg", "", "2.5", true},
                              {"T3-T5", "", "1", false}}};
  const std::string text = FormatMontageText(source);
  EXPECT_NE(text.find("\nFP1-(A1+A2)/2; label FP1-ears\nC4-avg; factor 2.5\nT3-T5; hidden\n"),
            std::string::npos)
      << text;
  std::vector<MontageProblem> problems;
  std::vector<std::size_t> numbers;
  EXPECT_EQ(ParseMontageText(text, "other", &problems, &numbers), source);
  EXPECT_TRUE(problems.empty());

  const std::string edited =
      "\xEF\xBB\xBF# by hand\r\n"
      "FP2-F8\r\n"
      "\r\n"
      "F8-Tx4; label right\r\n"
      "T4-T6; colour red\r\n"
      "T6-O2; factor 300\r\n"
      "O2-F8; label " +
      std::string(40, 'x') + "\r\n";
  const MontageSource read = ParseMontageText(edited, "mine", &problems, &numbers);
  EXPECT_EQ(read.name, "mine");
  EXPECT_EQ(problems, (std::vector<MontageProblem>{
                          {5, "\"colour red\" is not \"label\", \"factor\" or \"hidden\""}}));
  problems.clear();
  const Montage montage = BuildMontage(read, &problems, &numbers);
  ASSERT_EQ(montage.rows.size(), 1u);
  EXPECT_EQ(montage.rows[0].label, "FP2-F8");
  EXPECT_EQ(MontageProblemsText(problems),
            "line 4: \"Tx4\" is not a channel\n"
            "line 6: the factor \"300\" is not a number from 0.01 to 100\n"
            "line 7: the label is longer than 32 bytes");
}

// A montage written as the built-in bipolar one draws the very same values.
TEST(MontageTextTest, TheBuiltInMontagesAreRowsOfTheSameTable) {
  for (const MontageKind kind : kMontages) {
    const Montage& builtin = BuiltInMontage(kind);
    const MontageSource source = MontageSourceOf(builtin);
    std::vector<MontageProblem> problems;
    std::vector<std::size_t> numbers;
    const Montage read = BuildMontage(
        ParseMontageText(FormatMontageText(source), "", &problems, &numbers), &problems, &numbers);
    ASSERT_TRUE(problems.empty()) << MontageProblemsText(problems);
    ASSERT_EQ(read.rows.size(), builtin.rows.size());
    EXPECT_EQ(read.name, builtin.name);
    std::vector<std::uint8_t> records(kRecordSize * 256);
    for (std::size_t i = 0; i < records.size(); ++i) {
      records[i] = static_cast<std::uint8_t>((i * 37 + i / 32 * 11) % 256);
    }
    std::vector<double> mine(256 * read.rows.size());
    std::vector<double> theirs(mine.size());
    ApplyMontage(read.rows, records.data(), 256, mine.data());
    ApplyMontage(builtin.rows, records.data(), 256, theirs.data());
    for (std::size_t r = 0; r < read.rows.size(); ++r) {
      EXPECT_EQ(read.rows[r].label, builtin.rows[r].label);
      EXPECT_EQ(read.rows[r].input, builtin.rows[r].input);
      EXPECT_EQ(read.rows[r].eeg, builtin.rows[r].eeg);
    }
    if (kind == MontageKind::kBipolarLongitudinal) {
      EXPECT_EQ(mine, theirs);
    }
    for (std::size_t i = 0; i < mine.size(); ++i) {
      ASSERT_NEAR(mine[i], theirs[i], 1e-12) << MontageName(kind);
    }
  }
}

}  // namespace
}  // namespace velbrix
