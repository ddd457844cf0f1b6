// Level crossings of one channel, read block by block.
#include "core/events/event_detection.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "core/base/channel_table.h"
#include "core/base/record.h"
#include "core/events/event_time.h"
#include "core/trace/trace_recording.h"

namespace velbrix {
namespace {

// The search over consecutive blocks of one recording.
class CrossingFinder {
 public:
  explicit CrossingFinder(const DetectionRule& rule) : rule_(rule) {
    // The smallest byte whose value lies above the level; 256 when none does.
    while (above_from_ < 256 &&
           ScaleSample(static_cast<std::uint8_t>(above_from_)) < rule.level_microvolts) {
      ++above_from_;
    }
  }

  // Looks at the next `count` records. Fails once there are too many events.
  Status Take(const std::uint8_t* data, std::uint64_t count) {
    const auto offset = static_cast<std::size_t>(rule_.position - 1);
    for (std::uint64_t i = 0; i < count; ++i, ++record_) {
      const bool above = data[i * kRecordSize + offset] >= above_from_;
      if (record_ > 0 && above != was_above_ && Wanted(above) &&
          (!last_ || record_ - *last_ >= rule_.shortest_gap)) {
        if (starts_.size() >= kMostEvents) {
          return Status::InvalidArgument(
              "The level crosses more than " + std::to_string(kMostEvents) +
              " times, the most events a recording may have; choose another level or a longer gap");
        }
        starts_.push_back(record_);
        last_ = record_;
      }
      was_above_ = above;
    }
    return Status::Ok();
  }

  Status Finish(EventList* found) const {
    std::vector<Event> events;
    events.reserve(starts_.size());
    for (const std::uint64_t start : starts_) {
      events.push_back({start, 0, rule_.label});
    }
    return EventList::FromEvents(std::move(events), std::nullopt, found);
  }

 private:
  bool Wanted(bool rising) const {
    return rule_.direction == CrossingDirection::kBoth ||
           (rule_.direction == CrossingDirection::kRising) == rising;
  }

  const DetectionRule& rule_;
  int above_from_ = 0;
  std::uint64_t record_ = 0;
  bool was_above_ = false;
  std::optional<std::uint64_t> last_;
  std::vector<std::uint64_t> starts_;
};

std::optional<double> ParseDecimal(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() ||
      std::from_chars(text.data(), end, value, std::chars_format::fixed).ptr != end ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

Status DetectEventsInRecords(const std::uint8_t* data, std::uint64_t records,
                             const DetectionRule& rule, EventList* found) {
  CrossingFinder finder(rule);
  if (Status s = finder.Take(data, records); !s.ok()) {
    return s;
  }
  return finder.Finish(found);
}

Status DetectEvents(const std::filesystem::path& recording, const DetectionRule& rule,
                    EventList* found, const ProgressCallback& progress, const StopRequest* stop) {
  TraceRecording input;
  if (Status s = input.Open(recording); !s.ok()) {
    return s;
  }
  CrossingFinder finder(rule);
  const auto block = std::make_unique<std::uint8_t[]>(kRecordsPerBlock * kRecordSize);
  for (std::uint64_t first = 0; first < input.records();) {
    if (stop != nullptr && stop->requested()) {
      return Status::Stopped(recording);
    }
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(kRecordsPerBlock, input.records() - first));
    if (Status s = input.ReadRecords(first, count, block.get()); !s.ok()) {
      return s;
    }
    if (Status s = finder.Take(block.get(), count); !s.ok()) {
      return s;
    }
    first += count;
    if (progress) {
      progress(first * kRecordSize, input.records() * kRecordSize + input.bytes_left_out());
    }
  }
  return finder.Finish(found);
}

Status ParseDetectionRule(std::string_view text, const Hertz& rate, DetectionRule* rule) {
  std::vector<std::string_view> parts;
  std::optional<std::string_view> label;  // everything after the fourth comma
  for (std::string_view rest = text;;) {
    if (parts.size() == 4) {
      label = rest;
      break;
    }
    const std::size_t comma = rest.find(',');
    parts.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) {
      break;
    }
    rest.remove_prefix(comma + 1);
  }
  const auto invalid = [&](const std::string& why) {
    return Status::InvalidArgument("The detection \"" + std::string(text) + "\" " + why +
                                   "; it is CHANNEL,LEVEL[,rising|falling|both[,GAP[,LABEL]]]");
  };
  if (parts.size() < 2) {
    return invalid("names no level");
  }
  DetectionRule parsed;
  const std::optional<int> position = FindChannelPosition(parts[0]);
  if (!position) {
    return invalid("names no channel of the table (\"" + std::string(parts[0]) + "\")");
  }
  parsed.position = *position;
  std::string_view level = parts[1];
  const bool plus = level.starts_with('+');
  const std::optional<double> microvolts = ParseDecimal(plus ? level.substr(1) : level);
  if (!microvolts || (plus && level.substr(1).starts_with('-'))) {
    return invalid("has a level (\"" + std::string(level) + "\") that is no number of µV");
  }
  parsed.level_microvolts = *microvolts;
  std::string_view direction = parts.size() > 2 ? parts[2] : "rising";
  if (direction == "rising") {
    parsed.direction = CrossingDirection::kRising;
  } else if (direction == "falling") {
    parsed.direction = CrossingDirection::kFalling;
  } else if (direction == "both") {
    parsed.direction = CrossingDirection::kBoth;
  } else {
    return invalid("has a direction (\"" + std::string(direction) +
                   "\") that is not rising, falling or both");
  }
  if (parts.size() > 3) {
    const std::optional<std::uint64_t> gap = SecondsAsRecords(parts[3], rate);
    if (!gap) {
      return invalid("has a gap (\"" + std::string(parts[3]) +
                     "\") that is no non-negative number of seconds");
    }
    parsed.shortest_gap = *gap;
  }
  if (label) {
    parsed.label = std::string(*label);
  } else {
    parsed.label = std::string(parts[0]) + " " + std::string(direction) + " " + std::string(level) +
                   " \xC2\xB5V";
  }
  if (Status s = CheckEventLabel(parsed.label); !s.ok()) {
    return invalid("has a bad label: " + s.message());
  }
  *rule = std::move(parsed);
  return Status::Ok();
}

}  // namespace velbrix
