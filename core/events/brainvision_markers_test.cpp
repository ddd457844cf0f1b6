#include "core/events/brainvision_markers.h"

#include <gtest/gtest.h>

#include <string>

namespace velbrix {
namespace {

TEST(BrainVisionMarkersTest, EventsFollowTheNewSegmentAsComments) {
  EventList events;
  ASSERT_TRUE(EventList::FromEvents({{1024, 0, "eyes closed"},
                                     {5120, 256, "photic 10 Hz, left, 2"},
                                     {6000, 1, ""},
                                     {0, 0, "M\xC3\xBCller"}},
                                    std::nullopt, &events)
                  .ok());
  EXPECT_EQ(MakeBrainVisionEventMarkers(events),
            "Mk2=Comment,M\xC3\xBCller,1,1,0\r\n"
            "Mk3=Comment,eyes closed,1025,1,0\r\n"
            "Mk4=Comment,photic 10 Hz\\1 left\\1 2,5121,256,0\r\n"
            "Mk5=Comment,,6001,1,0\r\n");
  EXPECT_EQ(MakeBrainVisionEventMarkers(EventList()), "");
  EXPECT_EQ(MakeBrainVisionEventMarkers(events, 7).substr(0, 4), "Mk7=");
}

}  // namespace
}  // namespace velbrix
