// Events as drawing steps over the traces and the overview strip.
#include "window/trace/trace_event_marks.h"

#include <algorithm>
#include <cmath>

namespace velbrix::trace {

namespace {

// The most labels written on a page; beyond it the lines alone show where the events are.
constexpr std::size_t kMostLabels = 200;
constexpr int kLabelHeight = 14;

}  // namespace

void AddEventMarks(const EventMarksInput& input, TracePicture* picture) {
  const Rect traces = picture->traces;
  std::vector<Step> bands;
  std::vector<Step> marks;
  if (input.events != nullptr && traces.width() > 0 && traces.height() > 0) {
    const double per_record = static_cast<double>(traces.width()) /
                              static_cast<double>(std::max<std::uint64_t>(1, input.page));
    const auto x_of = [&](std::uint64_t record) {
      const double offset =
          (static_cast<double>(record) - static_cast<double>(input.first)) * per_record;
      return traces.left +
             static_cast<int>(std::floor(std::clamp(offset, -1.0, traces.width() + 1.0)));
    };
    for (std::size_t i = input.begin; i < input.end && i < input.events->size(); ++i) {
      const Event& event = (*input.events)[i];
      if (event.start < input.first && event.start + event.length <= input.first) {
        continue;  // ended before the page
      }
      const bool selected = i == input.selected;
      const Ink ink = selected ? Ink::kSelectedEvent : Ink::kEvent;
      const int from = std::clamp(x_of(event.start), traces.left, traces.right - 1);
      if (event.length > 0) {
        const int to = std::clamp(x_of(event.start + event.length), traces.left, traces.right);
        bands.push_back(
            Fill{{from, traces.top, std::max(from + 1, to), traces.bottom}, Ink::kEventSpan});
      }
      marks.push_back(Line{{from, traces.top}, {from, traces.bottom - 1}, ink});
      if (i - input.begin < kMostLabels) {
        const int row = static_cast<int>((i - input.begin) % 3);
        marks.push_back(Text{{from + 3, traces.top + kLabelHeight / 2 + row * kLabelHeight},
                             event.label,
                             TextStyle::kSmall,
                             ink,
                             Align::kLeft});
      }
    }
  }
  if (input.ticks != nullptr && picture->overview.width() > 0) {
    const Rect strip = picture->overview;
    const int tick = std::max(3, strip.height() / 4);
    for (const int column : *input.ticks) {
      const int x = strip.left + std::clamp(column, 0, strip.width() - 1);
      marks.push_back(Line{{x, strip.top}, {x, strip.top + tick - 1}, Ink::kEvent});
    }
  }
  if (bands.empty() && marks.empty()) {
    return;
  }
  std::vector<Step> steps;
  steps.reserve(picture->steps.size() + bands.size() + marks.size());
  bool banded = false;
  for (Step& step : picture->steps) {
    if (!banded && std::holds_alternative<Polyline>(step)) {
      banded = true;
      for (Step& band : bands) {
        steps.push_back(std::move(band));
      }
    }
    steps.push_back(std::move(step));
  }
  if (!banded) {
    for (Step& band : bands) {
      steps.push_back(std::move(band));
    }
  }
  for (Step& mark : marks) {
    steps.push_back(std::move(mark));
  }
  picture->steps = std::move(steps);
}

}  // namespace velbrix::trace
