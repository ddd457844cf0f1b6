// The marker lines that carry a recording's events into a BrainVision marker file (.vmrk), after
// the "New Segment" marker that MakeBrainVisionMarkers writes as Mk1:
//
//   Mk2=Comment,eyes closed,1025,1,0
//   Mk3=Comment,photic 10 Hz\1 left,5121,256,0
//
// type "Comment"; the description is the label with each comma written as "\1", as BrainVision
// 1.0 asks; the position is 1-based in data points (an event's start + 1, a record being one data
// point); the size in data points is the event's length, at least 1; channel 0 (all channels).
#ifndef VELBRIX_CORE_EVENTS_BRAINVISION_MARKERS_H_
#define VELBRIX_CORE_EVENTS_BRAINVISION_MARKERS_H_

#include <string>
#include <string_view>

#include "core/events/event_list.h"

namespace velbrix {

inline constexpr char kBrainVisionEventMarkerType[] = "Comment";

// `label` as a marker's description: each "," written as "\1".
std::string BrainVisionDescription(std::string_view label);

// The marker lines of `events`, numbered from Mk<first_number> on, each ending in CR LF: the text
// to append to MakeBrainVisionMarkers' (whose "New Segment" is Mk1). Requires first_number >= 1.
std::string MakeBrainVisionEventMarkers(const EventList& events, int first_number = 2);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_BRAINVISION_MARKERS_H_
