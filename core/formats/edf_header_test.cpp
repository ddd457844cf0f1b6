#include "core/formats/edf_header.h"

#include <gtest/gtest.h>

#include <string>

namespace velbrix {
namespace {

// The rate as the command line and the windows take it: parsed, then laid out.
Status ChooseLayout(std::string_view text, std::size_t signals, EdfRecordLayout* layout) {
  Hertz rate;
  if (Status status = ParseHertz(text, "sample rate", &rate); !status.ok()) {
    return status;
  }
  return ChooseEdfRecordLayout(rate, signals, layout);
}

EdfRecordLayout Layout(std::string_view rate, std::size_t signals) {
  EdfRecordLayout layout;
  const Status status = ChooseLayout(rate, signals, &layout);
  EXPECT_TRUE(status.ok()) << rate << ": " << status.message();
  return layout;
}

std::string LayoutError(std::string_view rate, std::size_t signals = 32) {
  EdfRecordLayout layout;
  const Status status = ChooseLayout(rate, signals, &layout);
  EXPECT_FALSE(status.ok()) << rate << " gave " << layout.duration;
  return status.message();
}

// The text of the field of `width` bytes at `offset`, trailing spaces removed.
std::string Field(const std::string& header, std::size_t offset, std::size_t width) {
  std::string field = header.substr(offset, width);
  field.erase(field.find_last_not_of(' ') + 1);
  return field;
}

// The layout expected at a rate for a number of signals.
struct LayoutCase {
  const char* rate;
  std::size_t signals;
  const char* duration;
  std::uint64_t samples;
};

TEST(EdfRecordLayoutTest, WholeRatesWithinTheRecordLimitGiveOneSecond) {
  EXPECT_EQ(Layout("256", 32).duration, "1");
  EXPECT_EQ(Layout("256", 32).samples_per_record, 256u);
  EXPECT_EQ(Layout("960", 32).samples_per_record, 960u);  // 61,440 bytes exactly
  EXPECT_EQ(Layout("1000", 1).samples_per_record, 1000u);
  EXPECT_EQ(Layout("0256", 2).samples_per_record, 256u);
  EXPECT_EQ(Layout("256.000", 2).duration, "1");
}

TEST(EdfRecordLayoutTest, RecordsAreTheLongestOfAtMostOneSecondWithinTheRecordLimit) {
  for (const LayoutCase& c :
       {LayoutCase{"256", 1, "1", 256}, LayoutCase{"256", 32, "1", 256},
        LayoutCase{"250.5", 1, "2", 501}, LayoutCase{"250.5", 32, "2", 501},
        LayoutCase{"500", 1, "1", 500}, LayoutCase{"500", 32, "1", 500},
        LayoutCase{"1000", 1, "1", 1000}, LayoutCase{"1000", 32, "0.96", 960},
        LayoutCase{"2000", 1, "1", 2000}, LayoutCase{"2000", 32, "0.48", 960},
        LayoutCase{"5000", 1, "1", 5000}, LayoutCase{"5000", 32, "0.192", 960},
        LayoutCase{"1024", 32, "0.9375", 960}, LayoutCase{"12.8", 32, "0.9375", 12},
        LayoutCase{"2000", 16, "0.96", 1920}}) {
    const EdfRecordLayout layout = Layout(c.rate, c.signals);
    EXPECT_EQ(layout.duration, c.duration) << c.rate << " Hz, " << c.signals;
    EXPECT_EQ(layout.samples_per_record, c.samples) << c.rate << " Hz, " << c.signals;
    EXPECT_LE(2 * c.signals * layout.samples_per_record, kEdfLargestOneSecondRecord) << c.rate;
    EXPECT_GT(layout.samples_per_record, 1u) << c.rate << " Hz, " << c.signals;  // more fit
  }
}

TEST(EdfRecordLayoutTest, WithoutSuchARecordTheShortestDurationWithWholeSamples) {
  for (const LayoutCase& c :
       {LayoutCase{"0.5", 32, "2", 1}, LayoutCase{"0.3", 3, "10", 3},
        LayoutCase{"961", 32, "1", 961}, LayoutCase{"1000.5", 1, "2", 2001}}) {
    const EdfRecordLayout layout = Layout(c.rate, c.signals);
    EXPECT_EQ(layout.duration, c.duration) << c.rate;
    EXPECT_EQ(layout.samples_per_record, c.samples) << c.rate;
  }
}

TEST(EdfRecordLayoutTest, RatesWithoutAWritableDurationAreRefusedWithTheReason) {
  EXPECT_NE(LayoutError("0.000000001").find("no data record duration"), std::string::npos);
  EXPECT_NE(LayoutError("1234.567", 32).find("1234567 samples per channel"), std::string::npos);
  for (const char* text : {"", "abc", "-5", "0", "0.000", "1.", ".5", "1e3", "1,5", "2 ",
                           "1.0000000001", "99999999999999999"}) {
    EXPECT_NE(LayoutError(text).find("is not a positive number"), std::string::npos) << text;
  }
}

TEST(EdfStartTest, ParsesRealDatesOfTheYearsAHeaderCanHold) {
  EdfStart start;
  ASSERT_TRUE(ParseEdfStart("2024-02-29 23:59:58", &start).ok());
  EXPECT_EQ(start.year, 2024);
  EXPECT_EQ(start.month, 2);
  EXPECT_EQ(start.day, 29);
  EXPECT_EQ(start.hour, 23);
  EXPECT_EQ(start.minute, 59);
  EXPECT_EQ(start.second, 58);
  EXPECT_TRUE(ParseEdfStart("1985-01-01 00:00:00", &start).ok());
  EXPECT_TRUE(ParseEdfStart("2084-12-31 00:00:00", &start).ok());
  for (const char* text :
       {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-04-31 00:00:00", "2024-01-01 24:00:00",
        "2024-01-01 00:60:00", "1984-12-31 23:59:59", "2085-01-01 00:00:00", "2024-1-01 00:00:00",
        "2024-01-01T00:00:00", "2024-01-01", ""}) {
    EXPECT_FALSE(ParseEdfStart(text, &start).ok()) << text;
  }
}

TEST(EdfHeaderTest, FieldsHaveTheirWidthsAndPlaces) {
  EdfHeaderFields fields{{28, 10, 23}, Layout("250.5", 3), std::nullopt, "rec01_eeg", 7};
  const std::string header = MakeEdfHeader(fields);
  ASSERT_EQ(header.size(), 256u * 4);
  for (const char c : header) {
    ASSERT_TRUE(c >= 32 && c <= 126) << static_cast<int>(c);
  }
  EXPECT_EQ(header.substr(0, 8), "0       ");
  EXPECT_EQ(Field(header, 8, 80), "X X X X");
  EXPECT_EQ(Field(header, 88, 80), "Startdate X X X rec01_eeg");
  EXPECT_EQ(header.substr(168, 8), "01.01.85");
  EXPECT_EQ(header.substr(176, 8), "00.00.00");
  EXPECT_EQ(header.substr(184, 8), "1024    ");
  EXPECT_EQ(header.substr(192, 44), std::string(44, ' '));
  EXPECT_EQ(header.substr(236, 8), "7       ");
  EXPECT_EQ(header.substr(244, 8), "2       ");
  EXPECT_EQ(header.substr(252, 4), "3   ");
  // Per signal, field by field: labels (16), transducers (80), dimensions (8) ...
  std::size_t at = 256;
  const auto next = [&](std::size_t width) {
    std::vector<std::string> values;
    for (int s = 0; s < 3; ++s, at += width) {
      values.push_back(header.substr(at, width));
    }
    return values;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(next(16), (V{"Oz              ", "Fz              ", "EKG             "}));
  EXPECT_EQ(next(80), V(3, std::string(80, ' ')));
  EXPECT_EQ(next(8), V(3, "uV      "));
  EXPECT_EQ(next(8), V(3, "-476.25 "));
  EXPECT_EQ(next(8), V(3, "480     "));
  EXPECT_EQ(next(8), V(3, "-127    "));
  EXPECT_EQ(next(8), V(3, "128     "));
  EXPECT_EQ(next(80), V(3, std::string(80, ' ')));
  EXPECT_EQ(next(8), V(3, "501     "));
  EXPECT_EQ(next(32), V(3, std::string(32, ' ')));
  EXPECT_EQ(at, header.size());
}

TEST(EdfHeaderTest, StartAndNameGoIntoTheirFields) {
  EdfStart start;
  ASSERT_TRUE(ParseEdfStart("2002-03-02 14:05:09", &start).ok());
  EdfHeaderFields fields{{1},
                         Layout("256", 1),
                         start,
                         "r\xC3\xAB"
                         "c 01_eeg",
                         0};
  const std::string header = MakeEdfHeader(fields);
  ASSERT_EQ(header.size(), 512u);
  EXPECT_EQ(Field(header, 88, 80), "Startdate 02-MAR-2002 X X r_c_01_eeg");
  EXPECT_EQ(header.substr(168, 16), "02.03.0214.05.09");
  EXPECT_EQ(header.substr(236, 8), "0       ");

  fields.recording_name = std::string(100, 'a');
  EXPECT_EQ(Field(MakeEdfHeader(fields), 88, 80).size(), 80u);
}

TEST(EdfHeaderTest, DigitalValuesGiveTheTextValuesAtAGainOfThreePointSevenFive) {
  const double gain = (480.0 + 476.25) / (kEdfDigitalMaximum - kEdfDigitalMinimum);
  EXPECT_EQ(gain, 3.75);
  for (int b = 0; b < 256; ++b) {
    const auto sample = static_cast<std::uint8_t>(b);
    const double read = -476.25 + (EdfDigitalValue(sample) - kEdfDigitalMinimum) * gain;
    EXPECT_EQ(read, ScaleSample(sample)) << b;
  }
}

}  // namespace
}  // namespace velbrix
