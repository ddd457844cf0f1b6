// The trace window's page and amplitude.
#include "window/trace/trace_paging.h"

#include <algorithm>
#include <cmath>

namespace velbrix {
namespace {

using trace::kMicrovoltsPerDivision;

constexpr std::uint64_t kMostScrollPositions = 1000000000;

std::uint64_t RecordsIn(double seconds, double rate) {
  return static_cast<std::uint64_t>(std::max(1.0, std::round(seconds * rate)));
}

}  // namespace

void TracePaging::Open(std::uint64_t records) {
  records_ = records;
  first_ = 0;
  page_seconds_ = trace::kStartPageSeconds;
  NormalizePage();
  if (!amplitude_chosen_) {
    microvolts_ = 0;
  }
}

void TracePaging::SetRate(double rate) {
  rate_ = rate;
  NormalizePage();
  MoveTo(static_cast<std::int64_t>(first_));
}

std::uint64_t TracePaging::page_records() const {
  if (records_ == 0) {
    return RecordsIn(trace::kStartPageSeconds, rate_);  // the empty axes of a first page
  }
  return page_seconds_ == 0 ? records_ : std::min(records_, RecordsIn(page_seconds_, rate_));
}

std::vector<double> TracePaging::PageChoices() const {
  std::vector<double> choices;
  for (double seconds : trace::kPageSeconds) {
    const std::uint64_t page = RecordsIn(seconds, rate_);
    if (page >= trace::kFewestPageRecords && (records_ == 0 || page < records_)) {
      choices.push_back(seconds);
    }
  }
  if (records_ > 0) {
    choices.push_back(0);
  }
  return choices;
}

void TracePaging::NormalizePage() {
  if (page_seconds_ != 0 && records_ > 0 && RecordsIn(page_seconds_, rate_) >= records_) {
    page_seconds_ = 0;
  }
  const std::vector<double> choices = PageChoices();
  if (std::find(choices.begin(), choices.end(), page_seconds_) == choices.end() &&
      !choices.empty()) {
    page_seconds_ = choices.front();  // too short at this rate
  }
}

std::uint64_t TracePaging::StepRecords() const {
  return std::max<std::uint64_t>(1, page_records() / 10);
}

std::uint64_t TracePaging::LastFirst() const {
  return records_ > page_records() ? records_ - page_records() : 0;
}

std::uint64_t TracePaging::ScrollUnit() const {
  return std::max(StepRecords(), LastFirst() / kMostScrollPositions + 1);
}

TracePaging::ScrollBar TracePaging::scroll_bar() const {
  const std::uint64_t unit = ScrollUnit();
  const std::uint64_t last = LastFirst();
  ScrollBar bar;
  bar.maximum = static_cast<int>((last + unit - 1) / unit);
  bar.position = first_ >= last ? bar.maximum : static_cast<int>(first_ / unit);
  bar.page = static_cast<int>(std::max<std::uint64_t>(1, page_records() / unit));
  return bar;
}

void TracePaging::MoveTo(std::int64_t first) {
  first_ = static_cast<std::uint64_t>(
      std::clamp<std::int64_t>(first, 0, static_cast<std::int64_t>(LastFirst())));
}

void TracePaging::MoveBy(std::int64_t records) {
  MoveTo(static_cast<std::int64_t>(first_) + records);
}

void TracePaging::CentreOn(std::uint64_t record) {
  MoveTo(static_cast<std::int64_t>(record) - static_cast<std::int64_t>(page_records() / 2));
}

void TracePaging::SetPageSeconds(double seconds) {
  const auto centre = static_cast<std::int64_t>(first_ + page_records() / 2);
  page_seconds_ = seconds;
  NormalizePage();
  MoveTo(centre - static_cast<std::int64_t>(page_records() / 2));
}

bool TracePaging::Zoom(int steps) {
  const std::vector<double> choices = PageChoices();
  if (choices.empty()) {
    return false;
  }
  const auto at = std::find(choices.begin(), choices.end(), page_seconds_);
  const int index = static_cast<int>(at - choices.begin());
  const int last = static_cast<int>(choices.size()) - 1;
  SetPageSeconds(choices[static_cast<std::size_t>(std::clamp(index - steps, 0, last))]);
  return true;
}

void TracePaging::ChangeAmplitude(int steps) {
  const auto at =
      std::lower_bound(kMicrovoltsPerDivision.begin(), kMicrovoltsPerDivision.end(), microvolts_);
  const int index = static_cast<int>(at - kMicrovoltsPerDivision.begin());
  const int last = static_cast<int>(kMicrovoltsPerDivision.size()) - 1;
  ChooseAmplitude(
      kMicrovoltsPerDivision[static_cast<std::size_t>(std::clamp(index - steps, 0, last))]);
}

void TracePaging::ChooseAmplitude(double microvolts) {
  microvolts_ = microvolts;
  amplitude_chosen_ = true;
}

void TracePaging::FitAmplitude(const RowExtremes& page, bool chosen) {
  amplitude_chosen_ = amplitude_chosen_ || chosen;
  // Each row's swing over the page: how far it reaches from its zero line, in µV.
  std::vector<double> reach;
  for (int row = 0; row < static_cast<int>(page.rows); ++row) {
    double most = 0;
    for (std::size_t c = 0; c < page.ready; ++c) {
      most = std::max({most, std::abs(page.Min(row, c)), std::abs(page.Max(row, c))});
    }
    reach.push_back(most);
  }
  if (reach.empty()) {
    return;
  }
  const std::size_t middle = reach.size() / 2;
  std::nth_element(reach.begin(), reach.begin() + static_cast<std::ptrdiff_t>(middle), reach.end());
  const double median = reach[middle];
  const auto fits =
      std::lower_bound(kMicrovoltsPerDivision.begin(), kMicrovoltsPerDivision.end(), median);
  microvolts_ = fits == kMicrovoltsPerDivision.end() ? kMicrovoltsPerDivision.back() : *fits;
}

bool TracePaging::OnKey(TraceKey key) {
  const auto step = static_cast<std::int64_t>(StepRecords());
  const auto page = static_cast<std::int64_t>(page_records());
  switch (key) {
    case TraceKey::kStepBack:
      MoveBy(-step);
      return true;
    case TraceKey::kStepForward:
      MoveBy(step);
      return true;
    case TraceKey::kPageBack:
      MoveBy(-page);
      return true;
    case TraceKey::kPageForward:
      MoveBy(page);
      return true;
    case TraceKey::kStart:
      MoveTo(0);
      return true;
    case TraceKey::kEnd:
      MoveTo(static_cast<std::int64_t>(LastFirst()));
      return true;
    case TraceKey::kZoomIn:
      return Zoom(1);
    case TraceKey::kZoomOut:
      return Zoom(-1);
    case TraceKey::kAmplitudeUp:
      ChangeAmplitude(1);
      return true;
    case TraceKey::kAmplitudeDown:
      ChangeAmplitude(-1);
      return true;
  }
  return false;
}

bool TracePaging::OnWheel(int delta, bool zoom) {
  wheel_rest_ += delta;
  const int notches = wheel_rest_ / kWheelNotch;
  wheel_rest_ -= notches * kWheelNotch;
  if (notches == 0) {
    return false;
  }
  if (zoom) {
    return Zoom(notches);
  }
  MoveBy(-static_cast<std::int64_t>(StepRecords()) * notches);
  return true;
}

void TracePaging::ScrollTo(int position) {
  const std::uint64_t first = static_cast<std::uint64_t>(std::max(0, position)) * ScrollUnit();
  MoveTo(static_cast<std::int64_t>(std::min(first, LastFirst())));
}

}  // namespace velbrix
