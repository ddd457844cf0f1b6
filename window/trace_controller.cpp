// The trace window's behaviour.
#include "window/trace_controller.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/channel_table.h"
#include "core/hertz.h"
#include "core/recording_name.h"

namespace velbrix {
namespace {

using trace::kMicrovoltsPerDivision;

constexpr std::uint64_t kMostScrollPositions = 1000000000;

std::uint64_t RecordsIn(double seconds, double rate) {
  return static_cast<std::uint64_t>(std::max(1.0, std::round(seconds * rate)));
}

}  // namespace

TraceController::TraceController(TraceView& view, std::string decimal_separator)
    : view_(view), decimal_separator_(std::move(decimal_separator)) {}

void TraceController::Show(const TraceSubject& subject, bool reread) {
  const bool same = loaded_ && !reread && subject.recording == subject_.recording;
  subject_ = subject;
  view_.SetCaption(kTraceCaptionPrefix + PathForDisplay(subject_.name));
  view_.SetSampleRateText(trace::SampleRateText(rate_));
  if (!same) {
    Load();
  }
  Refresh();
}

void TraceController::Close() {
  overview_.reset();
  recording_ = TraceRecording();
  loaded_ = false;
  columns_ = ColumnExtremes();
  page_key_.reset();
  envelope_min_.clear();
  mouse_.reset();
  view_.SetTicking(false);
}

void TraceController::Load() {
  overview_.reset();
  columns_ = ColumnExtremes();
  page_key_.reset();
  page_status_ = Status::Ok();
  envelope_bounds_.clear();
  envelope_min_.clear();
  envelope_max_.clear();
  envelope_done_ = 0;
  open_status_ = recording_.Open(subject_.recording);
  loaded_ = true;
  first_ = 0;
  page_seconds_ = trace::kStartPageSeconds;
  NormalizePage();
  if (!amplitude_chosen_) {
    microvolts_ = 0;
  }
  if (open_status_.ok() && recording_.records() > 0) {
    overview_ = std::make_unique<TraceOverview>(subject_.recording, recording_.records());
    view_.SetTicking(true);
  }
}

// Navigation.

std::uint64_t TraceController::page_records() const {
  const std::uint64_t total = records();
  if (total == 0) {
    return RecordsIn(trace::kStartPageSeconds, rate_);  // the empty axes of a first page
  }
  return page_seconds_ == 0 ? total : std::min(total, RecordsIn(page_seconds_, rate_));
}

std::vector<double> TraceController::PageChoices() const {
  const std::uint64_t total = records();
  std::vector<double> choices;
  for (double seconds : trace::kPageSeconds) {
    const std::uint64_t page = RecordsIn(seconds, rate_);
    if (page >= trace::kFewestPageRecords && (total == 0 || page < total)) {
      choices.push_back(seconds);
    }
  }
  if (total > 0) {
    choices.push_back(0);
  }
  return choices;
}

void TraceController::NormalizePage() {
  const std::uint64_t total = records();
  if (page_seconds_ != 0 && total > 0 && RecordsIn(page_seconds_, rate_) >= total) {
    page_seconds_ = 0;
  }
  const std::vector<double> choices = PageChoices();
  if (std::find(choices.begin(), choices.end(), page_seconds_) == choices.end() &&
      !choices.empty()) {
    page_seconds_ = choices.front();  // too short at this rate
  }
}

std::uint64_t TraceController::StepRecords() const {
  return std::max<std::uint64_t>(1, page_records() / 10);
}

std::uint64_t TraceController::LastFirst() const {
  const std::uint64_t total = records();
  return total > page_records() ? total - page_records() : 0;
}

std::uint64_t TraceController::ScrollUnit() const {
  return std::max(StepRecords(), LastFirst() / kMostScrollPositions + 1);
}

void TraceController::MoveTo(std::int64_t first) {
  first_ = static_cast<std::uint64_t>(
      std::clamp<std::int64_t>(first, 0, static_cast<std::int64_t>(LastFirst())));
  Refresh();
}

void TraceController::MoveBy(std::int64_t records) {
  MoveTo(static_cast<std::int64_t>(first_) + records);
}

void TraceController::SetPageSeconds(double seconds) {
  const auto centre = static_cast<std::int64_t>(first_ + page_records() / 2);
  page_seconds_ = seconds;
  NormalizePage();
  MoveTo(centre - static_cast<std::int64_t>(page_records() / 2));
}

void TraceController::Zoom(int steps) {
  const std::vector<double> choices = PageChoices();
  if (choices.empty()) {
    return;
  }
  const auto at = std::find(choices.begin(), choices.end(), page_seconds_);
  const int index = static_cast<int>(at - choices.begin());
  const int last = static_cast<int>(choices.size()) - 1;
  SetPageSeconds(choices[static_cast<std::size_t>(std::clamp(index - steps, 0, last))]);
}

void TraceController::ChangeAmplitude(int steps) {
  const auto at =
      std::lower_bound(kMicrovoltsPerDivision.begin(), kMicrovoltsPerDivision.end(), microvolts_);
  const int index = static_cast<int>(at - kMicrovoltsPerDivision.begin());
  const int last = static_cast<int>(kMicrovoltsPerDivision.size()) - 1;
  microvolts_ =
      kMicrovoltsPerDivision[static_cast<std::size_t>(std::clamp(index - steps, 0, last))];
  amplitude_chosen_ = true;
  Refresh();
}

// Events.

void TraceController::OnCanvasResized(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  Refresh();
}

void TraceController::OnKey(TraceKey key) {
  const auto step = static_cast<std::int64_t>(StepRecords());
  const auto page = static_cast<std::int64_t>(page_records());
  switch (key) {
    case TraceKey::kStepBack:
      return MoveBy(-step);
    case TraceKey::kStepForward:
      return MoveBy(step);
    case TraceKey::kPageBack:
      return MoveBy(-page);
    case TraceKey::kPageForward:
      return MoveBy(page);
    case TraceKey::kStart:
      return MoveTo(0);
    case TraceKey::kEnd:
      return MoveTo(static_cast<std::int64_t>(LastFirst()));
    case TraceKey::kZoomIn:
      return Zoom(1);
    case TraceKey::kZoomOut:
      return Zoom(-1);
    case TraceKey::kAmplitudeUp:
      return ChangeAmplitude(1);
    case TraceKey::kAmplitudeDown:
      return ChangeAmplitude(-1);
  }
}

void TraceController::OnWheel(int delta, bool zoom) {
  wheel_rest_ += delta;
  const int notches = wheel_rest_ / kWheelNotch;
  wheel_rest_ -= notches * kWheelNotch;
  if (notches == 0) {
    return;
  }
  if (zoom) {
    Zoom(notches);
  } else {
    MoveBy(-static_cast<std::int64_t>(StepRecords()) * notches);
  }
}

void TraceController::OnScrollTo(int position) {
  const std::uint64_t first = static_cast<std::uint64_t>(std::max(0, position)) * ScrollUnit();
  MoveTo(static_cast<std::int64_t>(std::min(first, LastFirst())));
}

void TraceController::OnMouseMove(int x, int y, bool dragging) {
  mouse_ = trace::Point{x, y};
  if (dragging) {
    OnMouseDown(x, y);
  }
  UpdateStatus();
}

void TraceController::OnMouseLeave() {
  mouse_.reset();
  UpdateStatus();
}

void TraceController::OnMouseDown(int x, int y) {
  const trace::CanvasLayout layout = Layout();
  if (records() == 0 || !layout.overview.Contains(x, y)) {
    return;
  }
  const trace::PageMapping whole{0, records(), layout.overview};
  MoveTo(static_cast<std::int64_t>(whole.RecordAt(x)) -
         static_cast<std::int64_t>(page_records() / 2));
}

void TraceController::OnSampleRateEntered(const std::string& text) {
  // The field's edges are not the number's: spaces around it are let go, as in the EDF dialog.
  const std::size_t first = text.find_first_not_of(' ');
  const std::string number = first == std::string::npos
                                 ? std::string()
                                 : text.substr(first, text.find_last_not_of(' ') - first + 1);
  Hertz rate;
  Status status = ParseHertz(number, "sample rate", &rate, decimal_separator_);
  if (status.ok() && rate.value > trace::kHighestSampleRate) {
    status = Status::InvalidArgument("The sample rate " + rate.text + " Hz is above the " +
                                     trace::SampleRateText(trace::kHighestSampleRate) +
                                     " Hz that the trace window shows");
  }
  view_.SetSampleRateText(trace::SampleRateText(status.ok() ? rate.value : rate_));
  if (!status.ok()) {
    view_.SetStatusText(status.message());
    return;
  }
  rate_ = rate.value;
  NormalizePage();
  MoveTo(static_cast<std::int64_t>(first_));
}

void TraceController::OnPageChosen(int index) {
  const std::vector<double> choices = PageChoices();
  if (index >= 0 && index < static_cast<int>(choices.size())) {
    SetPageSeconds(choices[static_cast<std::size_t>(index)]);
  }
}

void TraceController::OnAmplitudeChosen(int index) {
  const int count = static_cast<int>(kMicrovoltsPerDivision.size());
  if (index < 0 || index > count) {
    return;
  }
  if (index == count) {
    FitAmplitude();
  } else {
    microvolts_ = kMicrovoltsPerDivision[static_cast<std::size_t>(index)];
  }
  amplitude_chosen_ = true;
  Refresh();
}

void TraceController::OnTick() {
  if (overview_ == nullptr) {
    view_.SetTicking(false);
    return;
  }
  const bool finished = overview_->finished();  // before the refresh, which then shows it all
  Refresh();
  if (finished) {
    view_.SetTicking(false);
  }
}

// Showing.

trace::CanvasLayout TraceController::Layout() const {
  return trace::CanvasLayout(width_, height_, static_cast<int>(Header().size()));
}

void TraceController::Refresh() {
  const trace::CanvasLayout layout = Layout();
  if (recording_.is_open() && records() > 0 && layout.traces.width() > 0) {
    LoadPage();
  }
  if (microvolts_ == 0 && columns_.ready > 0) {
    FitAmplitude();
  }
  UpdateEnvelope();
  trace::CanvasInput input;
  input.width = width_;
  input.height = height_;
  input.header = Header();
  input.rate = rate_;
  input.records = records();
  input.first = first_;
  input.page = page_records();
  input.microvolts_per_division = microvolts_ == 0 ? 100 : microvolts_;
  if (const std::optional<int> position = FindChannelPosition(subject_.channel)) {
    input.highlighted_position = *position;
  }
  input.columns = &columns_;
  input.envelope_bounds = &envelope_bounds_;
  input.envelope_min = &envelope_min_;
  input.envelope_max = &envelope_max_;
  picture_ = trace::ComposeCanvas(input);
  view_.ShowPicture(picture_);
  UpdateChoices();
  UpdateScrollBar();
  UpdateStatus();
}

void TraceController::LoadPage() {
  const PageKey key{first_, page_records(), static_cast<std::size_t>(Layout().traces.width())};
  const bool waiting = page_from_overview_ && columns_.ready < columns_.columns;
  if (page_key_ == key && !waiting) {
    return;
  }
  page_key_ = key;
  if (key.page > kDirectRecords && overview_ != nullptr) {
    OverviewColumnExtremes(*overview_, key.first, key.page, key.columns, &columns_);
    page_from_overview_ = true;
    page_status_ = Status::Ok();
  } else {
    page_status_ = ReadColumnExtremes(recording_, key.first, key.page, key.columns, &columns_);
    page_from_overview_ = false;
  }
}

void TraceController::FitAmplitude() {
  // Each channel's swing over the page: how far it reaches from its zero line, in steps.
  std::vector<int> reach;
  for (int position = 1; position <= static_cast<int>(kChannelCount); ++position) {
    int most = 0;
    for (std::size_t c = 0; c < columns_.ready; ++c) {
      most = std::max({most, std::abs(columns_.Min(position, c) - kZeroSample),
                       std::abs(columns_.Max(position, c) - kZeroSample)});
    }
    reach.push_back(most);
  }
  std::nth_element(reach.begin(), reach.begin() + kChannelCount / 2, reach.end());
  const double median = reach[kChannelCount / 2] * 3.75;
  const auto fits =
      std::lower_bound(kMicrovoltsPerDivision.begin(), kMicrovoltsPerDivision.end(), median);
  microvolts_ = fits == kMicrovoltsPerDivision.end() ? kMicrovoltsPerDivision.back() : *fits;
}

void TraceController::UpdateEnvelope() {
  if (overview_ == nullptr) {
    envelope_min_.clear();
    return;
  }
  const auto columns = static_cast<std::size_t>(std::max(0, Layout().overview.width()));
  const std::uint64_t done = overview_->blocks_done();
  if (done == envelope_done_ && columns == envelope_columns_) {
    return;
  }
  OverviewEnvelope(*overview_, columns, &envelope_bounds_, &envelope_min_, &envelope_max_);
  envelope_done_ = done;
  envelope_columns_ = columns;
}

std::vector<trace::HeaderLine> TraceController::Header() const {
  std::vector<trace::HeaderLine> lines;
  if (!loaded_) {
    return lines;
  }
  if (!open_status_.ok()) {
    lines.push_back({open_status_.message(), trace::Ink::kError});
    return lines;
  }
  const std::string name = PathForDisplay(subject_.name);
  const std::uint64_t total = recording_.records();
  if (total == 0) {
    lines.push_back({name + " is empty: it holds no records to show.", trace::Ink::kWarning});
  } else {
    const double seconds = static_cast<double>(total) / rate_;
    lines.push_back({name + "  \u00B7  " + std::to_string(total) +
                         (total == 1 ? " record" : " records") + "  \u00B7  " +
                         trace::TimeText(seconds, rate_) +
                         (seconds >= 60 ? " (" + trace::AxisTimeText(seconds, 1, true) + ")" : "") +
                         " at " + trace::SampleRateText(rate_) + " Hz",
                     trace::Ink::kText});
  }
  if (recording_.bytes_left_out() > 0) {
    lines.push_back(
        {AsSentence(LeftOutDescription(subject_.recording, recording_.bytes_left_out())),
         trace::Ink::kWarning});
  }
  if (!page_status_.ok()) {
    lines.push_back({page_status_.message(), trace::Ink::kError});
  }
  if (overview_ != nullptr && overview_->finished() && !overview_->status().ok()) {
    lines.push_back({overview_->status().message(), trace::Ink::kError});
  }
  return lines;
}

void TraceController::UpdateChoices() {
  std::vector<std::string> pages;
  int page_selected = -1;
  for (double seconds : PageChoices()) {
    if (seconds == page_seconds_) {
      page_selected = static_cast<int>(pages.size());
    }
    pages.push_back(seconds == 0 ? trace::kWholeRecordingText : trace::PageLengthText(seconds));
  }
  if (pages != page_entries_ || page_selected != page_selected_) {
    page_entries_ = pages;
    page_selected_ = page_selected;
    view_.SetPageChoices(page_entries_, page_selected_);
  }
  std::vector<std::string> amplitudes;
  int amplitude_selected = -1;
  for (double microvolts : kMicrovoltsPerDivision) {
    if (microvolts == microvolts_) {
      amplitude_selected = static_cast<int>(amplitudes.size());
    }
    amplitudes.push_back(trace::AmplitudeText(microvolts));
  }
  amplitudes.push_back(trace::kFitPageText);
  if (amplitudes != amplitude_entries_ || amplitude_selected != amplitude_selected_) {
    amplitude_entries_ = amplitudes;
    amplitude_selected_ = amplitude_selected;
    view_.SetAmplitudeChoices(amplitude_entries_, amplitude_selected_);
  }
}

void TraceController::UpdateScrollBar() {
  const std::uint64_t unit = ScrollUnit();
  const std::uint64_t last = LastFirst();
  const auto maximum = static_cast<int>((last + unit - 1) / unit);
  const int position = first_ >= last ? maximum : static_cast<int>(first_ / unit);
  const auto page = static_cast<int>(std::max<std::uint64_t>(1, page_records() / unit));
  view_.SetScrollBar(maximum, page, position);
}

void TraceController::UpdateStatus() {
  std::string text = loaded_ && records() > 0 ? kTraceKeysHint : "";
  const trace::CanvasLayout layout = Layout();
  const std::uint64_t total = records();
  if (mouse_ && total > 0 && recording_.is_open()) {
    const auto [x, y] = *mouse_;
    const int index = layout.ChannelAt(y);
    if (layout.traces.Contains(x, y) && index >= 0) {
      const trace::PageMapping page{first_, page_records(), layout.traces};
      const std::uint64_t record = page.RecordAt(x);
      const Channel& channel = ChannelAtListIndex(index);
      const std::size_t c = columns_.ColumnOf(record);
      const bool ready = c < columns_.ready;
      if (record < total && ready && columns_.bounds[c + 1] - columns_.bounds[c] > 1) {
        const std::uint64_t from = columns_.bounds[c];
        const std::uint64_t to = columns_.bounds[c + 1] - 1;
        text = "Records " + std::to_string(from + 1) + "\u2013" + std::to_string(to + 1) +
               "  \u00B7  " + trace::TimeText(static_cast<double>(from) / rate_, rate_) +
               " \u2013 " + trace::TimeText(static_cast<double>(to) / rate_, rate_) + "  \u00B7  " +
               std::string(channel.name) + "  \u00B7  " +
               trace::SampleValueText(columns_.Min(channel.position, c)) + " to " +
               trace::SampleValueText(columns_.Max(channel.position, c)) + " \u00B5V";
      } else if (record < total) {
        EegRecord bytes{};
        if (ready) {
          bytes[static_cast<std::size_t>(channel.position - 1)] = columns_.Min(channel.position, c);
        } else if (Status s = recording_.ReadRecords(record, 1, bytes.data()); !s.ok()) {
          view_.SetStatusText(s.message());
          return;
        }
        text = "Record " + std::to_string(record + 1) + "  \u00B7  " +
               trace::TimeText(static_cast<double>(record) / rate_, rate_) + "  \u00B7  " +
               std::string(channel.name) + "  \u00B7  " +
               trace::SampleValueText(bytes[static_cast<std::size_t>(channel.position - 1)]) +
               " \u00B5V";
      }
    } else if (layout.overview.Contains(x, y)) {
      const trace::PageMapping whole{0, total, layout.overview};
      const std::uint64_t record = whole.RecordAt(x);
      text = "Overview: click to show record " + std::to_string(record + 1) + " at " +
             trace::TimeText(static_cast<double>(record) / rate_, rate_);
    }
  }
  view_.SetStatusText(text);
}

}  // namespace velbrix
