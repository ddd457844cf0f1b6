// Finding events in a recording: one instant event wherever one channel's value crosses a level.
//
// A value lies above the level when it is at or over it. Record k (k >= 1) is a rising crossing
// when record k - 1 lay below and record k lies above, a falling crossing the other way round;
// the event starts at record k. A crossing closer than `shortest_gap` records after the last
// detected event is passed over. The recording is read in blocks, so that its size does not matter.
#ifndef VELBRIX_CORE_EVENTS_EVENT_DETECTION_H_
#define VELBRIX_CORE_EVENTS_EVENT_DETECTION_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/convert/record_blocks.h"
#include "core/events/event_list.h"

namespace velbrix {

enum class CrossingDirection { kRising, kFalling, kBoth };

struct DetectionRule {
  int position = 1;             // the channel (1 .. 32)
  double level_microvolts = 0;  // compared with ScaleSample of the channel's bytes
  CrossingDirection direction = CrossingDirection::kRising;
  std::uint64_t shortest_gap = 0;  // in records, between the starts of detected events
  std::string label;               // of every event found; passes CheckEventLabel
};

// Sets `*found` to the events of `rule` in `records` whole records at `data` (32 bytes each).
// Fails with kInvalidArgument when there would be more than kMostEvents. `*found` is then left as
// it was.
Status DetectEventsInRecords(const std::uint8_t* data, std::uint64_t records,
                             const DetectionRule& rule, EventList* found);

// As DetectEventsInRecords over the whole recording `recording`, read in blocks of
// kRecordsPerBlock records, with `progress` (if any) told after each block and `stop` (if any)
// looked at before each. Fails naming the recording and the system's reason when it cannot be
// read, with Status::Stopped when stopped, and as DetectEventsInRecords; `*found` is then left as
// it was.
Status DetectEvents(const std::filesystem::path& recording, const DetectionRule& rule,
                    EventList* found, const ProgressCallback& progress = {},
                    const StopRequest* stop = nullptr);

// Parses the command line's "CHANNEL,LEVEL[,rising|falling|both[,GAP[,LABEL]]]": a channel name
// of the channel table, a level in µV (a decimal number, a sign allowed), the direction (rising
// when not given), the shortest gap in seconds (0 when not given; the nearest whole record at
// `rate`) and the label (everything after the fourth comma; when not given,
// "<CHANNEL> <direction> <LEVEL> µV"). Fails with kInvalidArgument naming the part that is wrong.
Status ParseDetectionRule(std::string_view text, const Hertz& rate, DetectionRule* rule);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EVENT_DETECTION_H_
