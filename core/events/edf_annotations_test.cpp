#include "core/events/edf_annotations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velbrix {
namespace {

using namespace std::string_literals;

Hertz Rate(std::string_view text) {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate).ok()) << text;
  return rate;
}

EventList Events(std::vector<Event> events) {
  EventList list;
  EXPECT_TRUE(EventList::FromEvents(std::move(events), std::nullopt, &list).ok());
  return list;
}

struct Tal {
  std::string onset;
  std::string duration;  // empty: none
  std::vector<std::string> annotations;
};

// Reads the TALs of one record's bytes as an EDF+ reader would: each is "+onset[\x15duration]\x14"
// then annotations each ended by \x14, then \x00; after the last, only \x00 up to the end.
std::vector<Tal> ReadTals(const std::string& bytes) {
  std::vector<Tal> tals;
  std::size_t i = 0;
  while (i < bytes.size() && bytes[i] != '\0') {
    Tal tal;
    const std::size_t onset_end = bytes.find_first_of("\x14\x15", i);
    EXPECT_NE(onset_end, std::string::npos);
    EXPECT_TRUE(bytes[i] == '+' || bytes[i] == '-') << "an onset begins with its sign";
    tal.onset = bytes.substr(i, onset_end - i);
    i = onset_end;
    if (bytes[i] == '\x15') {
      const std::size_t duration_end = bytes.find('\x14', i);
      tal.duration = bytes.substr(i + 1, duration_end - i - 1);
      i = duration_end;
    }
    ++i;  // the \x14 after the onset
    while (bytes[i] != '\0') {
      const std::size_t end = bytes.find('\x14', i);
      tal.annotations.push_back(bytes.substr(i, end - i));
      i = end + 1;
    }
    ++i;  // the \x00 ending the TAL
    tals.push_back(tal);
  }
  EXPECT_EQ(bytes.find_first_not_of('\0', i), std::string::npos) << "only 0x00 after the TALs";
  return tals;
}

TEST(EdfAnnotationsTest, TalsHaveTheirSeparatorsAndSignedOnsets) {
  EXPECT_EQ(EdfEventTal({1024, 0, "eyes closed"}, Rate("256")),
            "+4\x14"
            "eyes closed\x14\0"s);
  EXPECT_EQ(EdfEventTal({128, 64, "photic"}, Rate("256")),
            "+0.5\x15"
            "0.25\x14photic\x14\0"s);
  EXPECT_EQ(EdfEventTal({1, 0, ""}, Rate("250.5")), "+0.003992015968\x14\x14\0"s);
  EXPECT_EQ(EdfRecordTal(0, 256, Rate("256")), "+0\x14\x14\0"s);
  EXPECT_EQ(EdfRecordTal(3, 128, Rate("256")), "+1.5\x14\x14\0"s);
  EXPECT_EQ(EdfRecordTal(7, 501, Rate("250.5")), "+14\x14\x14\0"s);
}

TEST(EdfAnnotationsTest, EachRecordBeginsWithItsTimeAndHoldsTheEventsOfItsOnset) {
  const EventList events =
      Events({{10, 0, "a"}, {300, 128, "b, c"}, {300, 0, "d"}, {1000, 0, "e"}});
  EdfAnnotationSignal signal;
  ASSERT_TRUE(EdfAnnotationSignal::Plan(events, Rate("256"), 256, 4, &signal).ok());
  // The fullest record: "+1\x14\x14\0" (5 bytes), then TALs of 20 and 13 bytes: 38 bytes.
  EXPECT_EQ(signal.samples_per_record(), 19u);
  EXPECT_EQ(signal.RecordBytes(0),
            "+0\x14\x14\0"
            "+0.0390625\x14"
            "a\x14\0"s +
                std::string(38 - 5 - 14, '\0'));
  const std::vector<Tal> second = ReadTals(signal.RecordBytes(1));
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[0].onset, "+1");
  EXPECT_EQ(second[0].annotations, std::vector<std::string>{""});
  EXPECT_EQ(second[1].onset, "+1.171875");
  EXPECT_EQ(second[1].duration, "0.5");
  EXPECT_EQ(second[1].annotations, std::vector<std::string>{"b, c"});
  EXPECT_EQ(second[2].annotations, std::vector<std::string>{"d"});
  EXPECT_EQ(ReadTals(signal.RecordBytes(2)).size(), 1u);
  EXPECT_EQ(ReadTals(signal.RecordBytes(3)).at(1).annotations, std::vector<std::string>{"e"});
  for (std::uint64_t record = 0; record < 4; ++record) {
    EXPECT_EQ(signal.RecordBytes(record).size(), 38u);
    EXPECT_EQ(ReadTals(signal.RecordBytes(record))[0].onset, "+" + std::to_string(record));
  }
}

TEST(EdfAnnotationsTest, WithoutEventsEachRecordHoldsItsTimeAlone) {
  EdfAnnotationSignal signal;
  ASSERT_TRUE(EdfAnnotationSignal::Plan(EventList(), Rate("250.5"), 501, 100, &signal).ok());
  // "+198\x14\x14\0" of the last record: 7 bytes, 4 samples.
  EXPECT_EQ(signal.samples_per_record(), 4u);
  EXPECT_EQ(signal.RecordBytes(99), "+198\x14\x14\0\0"s);
  EXPECT_EQ(signal.RecordBytes(0), "+0\x14\x14\0\0\0\0"s);
  EXPECT_EQ(EdfAnnotationSignal::Plan(Events({{0, 0, ""}}), Rate("256"), 256, 0, &signal).code(),
            Status::Code::kInvalidArgument);
}

TEST(EdfAnnotationsTest, AnAnnotationLongerThanARecordsShareFits) {
  const std::string label(kMostEventLabelBytes, 'x');
  EdfAnnotationSignal signal;
  ASSERT_TRUE(
      EdfAnnotationSignal::Plan(Events({{5000, 0, label}}), Rate("1000"), 960, 10, &signal).ok());
  const std::vector<Tal> tals = ReadTals(signal.RecordBytes(5));  // 5000 / 960
  ASSERT_EQ(tals.size(), 2u);
  EXPECT_EQ(tals[0].onset, "+4.8");
  EXPECT_EQ(tals[1].onset, "+5");
  EXPECT_EQ(tals[1].annotations, std::vector<std::string>{label});
}

TEST(EdfAnnotationsTest, ACrowdedRecordSpillsIntoTheNextWithOnsetsKept) {
  std::vector<Event> crowd;
  for (std::uint64_t i = 0; i < 2000; ++i) {
    crowd.push_back({i / 10, 0, "event " + std::to_string(i)});
  }
  crowd.push_back({30 * 256 + 5, 0, "later"});
  const EventList events = Events(crowd);
  EdfAnnotationSignal signal;
  ASSERT_TRUE(EdfAnnotationSignal::Plan(events, Rate("256"), 256, 60, &signal).ok());
  // All 2000 sit in record 0's second; far less room than that record alone would need.
  EXPECT_LT(2 * signal.samples_per_record(), 2000u * 16 / 4);
  std::vector<std::string> read;
  for (std::uint64_t record = 0; record < 60; ++record) {
    const std::vector<Tal> tals = ReadTals(signal.RecordBytes(record));
    EXPECT_EQ(tals[0].onset, "+" + std::to_string(record));
    for (std::size_t i = 1; i < tals.size(); ++i) {
      read.push_back(tals[i].annotations.at(0));
      if (read.back() == "later") {
        EXPECT_EQ(tals[i].onset, "+30.01953125");
        EXPECT_GE(record, 30u) << "never in a record before its onset's";
      }
    }
  }
  ASSERT_EQ(read.size(), crowd.size());
  for (std::size_t i = 0; i < crowd.size(); ++i) {
    EXPECT_EQ(read[i], crowd[i].label);
  }
}

}  // namespace
}  // namespace velbrix
