#include "core/events/event_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velbrix {
namespace {

std::vector<std::uint64_t> Starts(const EventList& list) {
  std::vector<std::uint64_t> starts;
  for (const Event& event : list.events()) {
    starts.push_back(event.start);
  }
  return starts;
}

TEST(EventListTest, AddKeepsStartOrderAndArrivalOrderWithinOneStart) {
  EventList list;
  std::size_t index = 99;
  ASSERT_TRUE(list.Add({50, 0, "b"}, std::nullopt, &index).ok());
  EXPECT_EQ(index, 0u);
  ASSERT_TRUE(list.Add({10, 5, "a"}, std::nullopt, &index).ok());
  EXPECT_EQ(index, 0u);
  ASSERT_TRUE(list.Add({50, 0, "c"}, std::nullopt, &index).ok());
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(Starts(list), (std::vector<std::uint64_t>{10, 50, 50}));
  EXPECT_EQ(list[1].label, "b");
  EXPECT_EQ(list[2].label, "c");

  list.Remove(1);
  EXPECT_EQ(list.events(), (std::vector<Event>{{10, 5, "a"}, {50, 0, "c"}}));
}

TEST(EventListTest, LabelsAreOneLineOfUtf8) {
  EXPECT_TRUE(CheckEventLabel("").ok());
  EXPECT_TRUE(CheckEventLabel("Augen zu \xC3\xA4\xC3\xB6 \xE7\x9C\xBC \xF0\x9F\x98\x80").ok());
  EXPECT_TRUE(CheckEventLabel(std::string(kMostEventLabelBytes, 'x')).ok());
  EXPECT_NE(CheckEventLabel("a\tb").message().find("a tab"), std::string::npos);
  EXPECT_NE(CheckEventLabel("a\nb").message().find("line break"), std::string::npos);
  EXPECT_NE(CheckEventLabel("a\rb").message().find("line break"), std::string::npos);
  for (const std::string& label :
       {std::string("a\x14"), std::string("\x15"), std::string(1, '\0'), std::string("\x7F"),
        std::string("\xC3"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80"),
        std::string(kMostEventLabelBytes + 1, 'x')}) {
    EXPECT_EQ(CheckEventLabel(label).code(), Status::Code::kInvalidArgument) << label;
  }
}

TEST(EventListTest, EventsMustLieWithinTheRecording) {
  EXPECT_TRUE(CheckEvent({9, 0, ""}, 10).ok());
  EXPECT_TRUE(CheckEvent({0, 10, ""}, 10).ok());
  EXPECT_TRUE(CheckEvent({1000, 5, ""}, std::nullopt).ok());
  EXPECT_EQ(CheckEvent({10, 0, ""}, 10).message(),
            "The event at record 10 lasting 0 records does not lie within the recording's 10 "
            "records");
  EXPECT_FALSE(CheckEvent({5, 6, ""}, 10).ok());
  EXPECT_FALSE(CheckEvent({0, 0, ""}, 0).ok());
  EXPECT_FALSE(CheckEvent({2, UINT64_MAX - 1, ""}, std::nullopt).ok());
}

TEST(EventListTest, AFailedChangeLeavesTheListAsItWas) {
  EventList list;
  ASSERT_TRUE(list.Add({3, 0, "keep"}, 10).ok());
  EXPECT_FALSE(list.Add({10, 0, "outside"}, 10).ok());
  EXPECT_FALSE(list.Rename(0, "two\nlines").ok());
  EXPECT_EQ(list.events(), (std::vector<Event>{{3, 0, "keep"}}));
  ASSERT_TRUE(list.Rename(0, "renamed").ok());
  EXPECT_EQ(list[0].label, "renamed");

  const Status s = EventList::FromEvents({{1, 0, "fine"}, {2, 0, "bad\t"}}, 10, &list);
  EXPECT_EQ(s.message().rfind("Event 2: ", 0), 0u) << s.message();
  EXPECT_EQ(list.events(), (std::vector<Event>{{3, 0, "renamed"}}));
}

TEST(EventListTest, FromEventsSortsStablyAndAFullListTakesNoMore) {
  EventList list;
  ASSERT_TRUE(EventList::FromEvents({{7, 0, "x"}, {2, 0, "y"}, {7, 1, "z"}}, 8, &list).ok());
  EXPECT_EQ(list.events(), (std::vector<Event>{{2, 0, "y"}, {7, 0, "x"}, {7, 1, "z"}}));

  std::vector<Event> many(kMostEvents, Event{1, 0, ""});
  ASSERT_TRUE(EventList::FromEvents(many, std::nullopt, &list).ok());
  EXPECT_FALSE(list.Add({0, 0, ""}, std::nullopt).ok());
  many.push_back({});
  EXPECT_FALSE(EventList::FromEvents(std::move(many), std::nullopt, &list).ok());
  EXPECT_EQ(list.size(), kMostEvents);
}

}  // namespace
}  // namespace velbrix
