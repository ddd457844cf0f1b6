// The trace window's behaviour.
#include "window/trace_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/channel_table.h"
#include "core/hertz.h"
#include "core/recording_name.h"
#include "core/spectrum.h"
#include "window/spectrum_canvas.h"
#include "window/trace_tools.h"

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
  page_ = RowExtremes();
  page_key_.reset();
  envelope_min_.clear();
  mouse_.reset();
  measure_.reset();
  drag_ = Drag::kNone;
  view_.SetTicking(false);
  UpdateSpectrum(true);
}

void TraceController::Load() {
  overview_.reset();
  columns_ = ColumnExtremes();
  page_ = RowExtremes();
  page_key_.reset();
  measure_.reset();
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
  if (!dragging && measure_) {
    OnMouseUp(x, y);  // the release went elsewhere
    return;
  }
  if (!dragging) {
    drag_ = Drag::kNone;
  } else if (drag_ == Drag::kMeasure && measure_) {
    const trace::CanvasLayout layout = Layout();
    const trace::PageMapping page{first_, page_records(), layout.traces};
    measure_->to = std::min(page.RecordAt(x), records() - 1);
    measure_->to_x = std::clamp(x, layout.traces.left, layout.traces.right - 1);
    measure_->to_value = ValueAt(measure_->to, measure_->row);
    Refresh();
    return;
  } else if (Layout().overview.Contains(x, y)) {
    OnMouseDown(x, y);  // the page follows a drag along the overview strip
  }
  UpdateStatus();
}

void TraceController::OnMouseLeave() {
  mouse_.reset();
  UpdateStatus();
}

void TraceController::OnMouseDown(int x, int y) {
  const trace::CanvasLayout layout = Layout();
  if (records() == 0) {
    return;
  }
  const int row = layout.ChannelAt(y);
  if (layout.traces.Contains(x, y) && row >= 0 && page_.ready > 0) {
    const trace::PageMapping page{first_, page_records(), layout.traces};
    const std::uint64_t record = std::min(page.RecordAt(x), records() - 1);
    drag_ = Drag::kMeasure;
    measure_ = Measure{row, record, record, x, x, ValueAt(record, row), std::nullopt};
    measure_->to_value = measure_->from_value;
    Refresh();
    return;
  }
  if (!layout.overview.Contains(x, y)) {
    return;
  }
  drag_ = Drag::kOverview;
  const trace::PageMapping whole{0, records(), layout.overview};
  MoveTo(static_cast<std::int64_t>(whole.RecordAt(x)) -
         static_cast<std::int64_t>(page_records() / 2));
}

void TraceController::OnMouseUp(int, int) {
  drag_ = Drag::kNone;
  if (measure_) {
    measure_.reset();
    Refresh();
  }
}

void TraceController::OnToolChosen(TraceTool tool, int index) {
  if (index < 0) {
    return;
  }
  const auto at = static_cast<std::size_t>(index);
  if (tool == TraceTool::kMontage) {
    if (at >= kMontages.size()) {
      return;
    }
    montage_ = kMontages[at];
  } else {
    const std::vector<double> offered = trace::OfferedHz(tool, rate_);
    if (at >= offered.size()) {
      return;
    }
    trace::ChosenHz(filters_, tool) = offered[at];
    UpdateFilters();
  }
  measure_.reset();
  Refresh();
}

void TraceController::UpdateFilters() {
  // A filter at or above half the sample rate is not offered, and goes off.
  for (const TraceTool tool : {TraceTool::kHighPass, TraceTool::kLowPass, TraceTool::kNotch}) {
    double& hz = trace::ChosenHz(filters_, tool);
    if (hz >= rate_ / 2) {
      hz = 0;
    }
  }
  sections_ = FilterSections(filters_, rate_);
  margin_ = FilterMargin(sections_);
  page_key_.reset();
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
  UpdateFilters();
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
  return trace::CanvasLayout(width_, height_, static_cast<int>(Header().size()),
                             static_cast<int>(page_rows().size()));
}

const std::vector<MontageRow>& TraceController::page_rows() const {
  return MontageRows(page_from_overview_ ? MontageKind::kAsRecorded : montage_);
}

int TraceController::HighlightedRow() const {
  const std::optional<int> position = FindChannelPosition(subject_.channel);
  return position
             ? MontageRowOf(page_from_overview_ ? MontageKind::kAsRecorded : montage_, *position)
             : -1;
}

void TraceController::Refresh() {
  const trace::CanvasLayout layout = Layout();
  const std::optional<PageKey> before = page_key_;
  const std::size_t ready = page_.ready;
  if (recording_.is_open() && records() > 0 && layout.traces.width() > 0) {
    LoadPage();
  }
  if (microvolts_ == 0 && page_.ready > 0) {
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
  input.rows = &page_rows();
  input.highlighted_row = HighlightedRow();
  input.traces = &page_;
  if (measure_) {
    input.measure_from = measure_->from_x;
    input.measure_to = measure_->to_x;
  }
  input.envelope_bounds = &envelope_bounds_;
  input.envelope_min = &envelope_min_;
  input.envelope_max = &envelope_max_;
  picture_ = trace::ComposeCanvas(input);
  view_.ShowPicture(picture_);
  UpdateChoices();
  UpdateScrollBar();
  UpdateStatus();
  UpdateSpectrum(page_key_ != before || page_.ready != ready);
}

void TraceController::LoadPage() {
  const PageKey key{first_,   page_records(), static_cast<std::size_t>(Layout().traces.width()),
                    montage_, filters_,       SpectrumRows()};
  const bool waiting = page_from_overview_ && columns_.ready < columns_.columns;
  if (page_key_ == key && !waiting) {
    return;
  }
  page_key_ = key;
  spectrum_values_.clear();
  if (key.page > kDirectRecords && overview_ != nullptr) {
    OverviewColumnExtremes(*overview_, key.first, key.page, key.columns, &columns_);
    RowExtremesAsRecorded(columns_, &page_);
    page_from_overview_ = true;
    page_status_ = Status::Ok();
    return;
  }
  page_from_overview_ = false;
  const std::vector<MontageRow>& rows = MontageRows(montage_);
  page_.Prepare(rows.size(), key.first, key.page, key.columns);
  const std::vector<int>& shown = key.spectrum_rows;
  // A page read directly holds at most kDirectRecords records, so its count fits a size_t.
  const auto page = static_cast<std::size_t>(key.page);
  spectrum_values_.resize(shown.size() * page);
  page_status_ = ReadFilteredRecords(
      recording_, key.first, key.page, rows, sections_, margin_,
      [&](std::uint64_t from, const double* frames, std::size_t count) {
        page_.Add(from, frames, count);
        for (std::size_t i = 0; i < count; ++i) {
          double* to =
              &spectrum_values_[(static_cast<std::size_t>(from - key.first) + i) * shown.size()];
          for (std::size_t r = 0; r < shown.size(); ++r) {
            to[r] = frames[i * rows.size() + static_cast<std::size_t>(shown[r])];
          }
        }
      });
  if (page_status_.ok()) {
    page_.ready = page_.columns;
  } else {
    page_.Prepare(rows.size(), key.first, 0, 0);
    spectrum_values_.clear();
  }
}

void TraceController::FitAmplitude() {
  // Each row's swing over the page: how far it reaches from its zero line, in µV.
  std::vector<double> reach;
  for (int row = 0; row < static_cast<int>(page_.rows); ++row) {
    double most = 0;
    for (std::size_t c = 0; c < page_.ready; ++c) {
      most = std::max({most, std::abs(page_.Min(row, c)), std::abs(page_.Max(row, c))});
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
  const std::string tools = trace::ToolsText(montage_, filters_);
  if (total == 0) {
    lines.push_back({name + " is empty: it holds no records to show.", trace::Ink::kWarning});
  } else {
    const double seconds = static_cast<double>(total) / rate_;
    lines.push_back({name + "  \u00B7  " + std::to_string(total) +
                         (total == 1 ? " record" : " records") + "  \u00B7  " +
                         trace::TimeText(seconds, rate_) +
                         (seconds >= 60 ? " (" + trace::AxisTimeText(seconds, 1, true) + ")" : "") +
                         " at " + trace::SampleRateText(rate_) + " Hz" +
                         (tools.empty() || page_from_overview_ ? "" : "  \u00B7  " + tools),
                     trace::Ink::kText});
  }
  if (page_from_overview_ && !tools.empty()) {
    lines.push_back({kOverviewUnfiltered, trace::Ink::kWarning});
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
  for (const TraceTool tool :
       {TraceTool::kHighPass, TraceTool::kLowPass, TraceTool::kNotch, TraceTool::kMontage}) {
    std::vector<std::string> entries;
    int selected = -1;
    if (tool == TraceTool::kMontage) {
      for (const MontageKind kind : kMontages) {
        selected = kind == montage_ ? static_cast<int>(entries.size()) : selected;
        entries.emplace_back(MontageName(kind));
      }
    } else {
      for (const double hz : trace::OfferedHz(tool, rate_)) {
        selected =
            hz == trace::ChosenHz(filters_, tool) ? static_cast<int>(entries.size()) : selected;
        entries.push_back(trace::FilterText(hz));
      }
    }
    const auto at = static_cast<std::size_t>(tool);
    if (entries != tool_entries_[at] || selected != tool_selected_[at]) {
      tool_entries_[at] = entries;
      tool_selected_[at] = selected;
      view_.SetToolChoices(tool, entries, selected);
    }
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
  if (measure_ && total > 0 && recording_.is_open()) {
    text = MeasureText();
  } else if (mouse_ && total > 0 && recording_.is_open()) {
    const auto [x, y] = *mouse_;
    const int index = layout.ChannelAt(y);
    if (layout.traces.Contains(x, y) && index >= 0) {
      const trace::PageMapping page{first_, page_records(), layout.traces};
      const std::uint64_t record = page.RecordAt(x);
      const MontageRow& channel = page_rows()[static_cast<std::size_t>(index)];
      const std::size_t c = page_.ColumnOf(record);
      const bool ready = c < page_.ready;
      if (record < total && ready && page_.bounds[c + 1] - page_.bounds[c] > 1) {
        const std::uint64_t from = page_.bounds[c];
        const std::uint64_t to = page_.bounds[c + 1] - 1;
        text = "Records " + std::to_string(from + 1) + "\u2013" + std::to_string(to + 1) +
               "  \u00B7  " + trace::TimeText(static_cast<double>(from) / rate_, rate_) +
               " \u2013 " + trace::TimeText(static_cast<double>(to) / rate_, rate_) + "  \u00B7  " +
               channel.label + "  \u00B7  " + trace::MicrovoltText(page_.Min(index, c)) + " to " +
               trace::MicrovoltText(page_.Max(index, c)) + " \u00B5V";
      } else if (record < total) {
        double value = 0;
        if (ready) {
          value = page_.Min(index, c);
        } else {
          EegRecord bytes{};
          if (Status s = recording_.ReadRecords(record, 1, bytes.data()); !s.ok()) {
            view_.SetStatusText(s.message());
            return;
          }
          value = ScaleSample(bytes[static_cast<std::size_t>(channel.input - 1)]);
        }
        text = "Record " + std::to_string(record + 1) + "  \u00B7  " +
               trace::TimeText(static_cast<double>(record) / rate_, rate_) + "  \u00B7  " +
               channel.label + "  \u00B7  " + trace::MicrovoltText(value) + " \u00B5V";
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

void TraceController::OnPictureRendered(const std::filesystem::path& path, const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0) {
    view_.SetStatusText("There is no picture to save: the window is too small");
    return;
  }
  const Status status = WritePngFile(path, image);
  view_.SetStatusText(status.ok() ? "Saved the picture as " + PathForDisplay(path)
                                  : status.message());
}

// Measuring.

std::optional<double> TraceController::ValueAt(std::uint64_t record, int row) {
  const std::vector<MontageRow>& rows = page_rows();
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || record >= records()) {
    return std::nullopt;
  }
  const std::size_t c = page_.ColumnOf(record);
  if (c < page_.ready && page_.bounds[c + 1] - page_.bounds[c] == 1) {
    return page_.Min(row, c);
  }
  // A column of several records: the one record through the montage and the filters.
  const std::vector<MontageRow> one{rows[static_cast<std::size_t>(row)]};
  double value = 0;
  const Status status = ReadFilteredRecords(
      recording_, record, 1, one, page_from_overview_ ? std::vector<Biquad>() : sections_, margin_,
      [&](std::uint64_t, const double* frames, std::size_t) { value = frames[0]; });
  return status.ok() ? std::optional<double>(value) : std::nullopt;
}

std::string TraceController::MeasureText() {
  const Measure& m = *measure_;
  const std::uint64_t low = std::min(m.from, m.to);
  const std::uint64_t high = std::max(m.from, m.to);
  std::string text = "Records " + std::to_string(m.from + 1) + " to " + std::to_string(m.to + 1) +
                     "  \u00B7  " +
                     trace::TimeText(static_cast<double>(high - low) / rate_, rate_) + ", " +
                     std::to_string(high - low) + (high - low == 1 ? " record" : " records") +
                     "  \u00B7  " + page_rows()[static_cast<std::size_t>(m.row)].label;
  if (m.from_value && m.to_value) {
    text += "  \u00B7  " + trace::MicrovoltText(*m.from_value) + " to " +
            trace::MicrovoltText(*m.to_value) + " \u00B5V, a difference of " +
            trace::MicrovoltText(*m.to_value - *m.from_value) + " \u00B5V";
  }
  return text;
}

// The spectrum.

void TraceController::OnSpectrumOpened(SpectrumView& view) {
  spectrum_view_ = &view;
  spectrum_mouse_.reset();
  Refresh();
}

void TraceController::OnSpectrumClosed() {
  spectrum_view_ = nullptr;
  spectrum_values_.clear();
  densities_.clear();
  page_key_.reset();
}

void TraceController::OnSpectrumResized(int width, int height) {
  spectrum_width_ = std::max(0, width);
  spectrum_height_ = std::max(0, height);
  UpdateSpectrum(false);
}

void TraceController::OnSpectrumMouseMove(int x, int y) {
  spectrum_mouse_ = trace::Point{x, y};
  UpdateSpectrumStatus();
}

void TraceController::OnSpectrumMouseLeave() {
  spectrum_mouse_.reset();
  UpdateSpectrumStatus();
}

void TraceController::OnSpectrumChannelChosen(int index) {
  const std::vector<MontageRow>& rows = MontageRows(montage_);
  if (index == 0) {
    spectrum_choice_ = kAllChannelsText;
  } else if (index > 0 && static_cast<std::size_t>(index) <= rows.size()) {
    spectrum_choice_ = rows[static_cast<std::size_t>(index - 1)].label;
  } else {
    return;
  }
  Refresh();
}

std::vector<int> TraceController::SpectrumRows() const {
  if (spectrum_view_ == nullptr) {
    return {};
  }
  const std::vector<MontageRow>& rows = MontageRows(montage_);
  std::vector<int> shown;
  if (spectrum_choice_ && *spectrum_choice_ != kAllChannelsText) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (rows[r].label == *spectrum_choice_) {
        shown.push_back(static_cast<int>(r));
      }
    }
  } else if (!spectrum_choice_) {
    const std::optional<int> position = FindChannelPosition(subject_.channel);
    if (const int row = position ? MontageRowOf(montage_, *position) : -1; row >= 0) {
      shown.push_back(row);
    }
  }
  if (shown.empty()) {  // all of them, or the row chosen is not in this montage
    for (std::size_t r = 0; r < rows.size(); ++r) {
      shown.push_back(static_cast<int>(r));
    }
  }
  return shown;
}

void TraceController::UpdateSpectrum(bool page_changed) {
  if (spectrum_view_ == nullptr) {
    return;
  }
  const std::vector<MontageRow>& rows = MontageRows(montage_);
  const std::vector<int> shown = SpectrumRows();
  const std::uint64_t page = page_records();
  trace::SpectrumInput input;
  input.width = spectrum_width_;
  input.height = spectrum_height_;
  input.rate = rate_;
  const bool all = shown.size() > 1;
  input.title =
      (all ? std::string(kAllChannelsText) : rows[static_cast<std::size_t>(shown[0])].label);
  const bool ready = !page_from_overview_ && page_.ready > 0 && page >= 2 &&
                     spectrum_values_.size() == shown.size() * page;
  if (!ready) {
    densities_.clear();
    frequencies_.clear();
    input.message = records() == 0        ? "No recording to show"
                    : page_from_overview_ ? "The spectrum needs a page of at most " +
                                                std::to_string(kDirectRecords) + " records"
                                          : "The page is too short for a spectrum";
  } else {
    if (page_changed || densities_.size() != shown.size()) {
      const Welch welch(SpectrumSegment(rate_, page), rate_);
      frequencies_ = welch.Frequencies();
      densities_.assign(shown.size(), {});
      for (std::size_t r = 0; r < shown.size(); ++r) {
        welch.Density(&spectrum_values_[r], static_cast<std::size_t>(page), shown.size(),
                      &densities_[r]);
      }
    }
    input.title +=
        "  \u00B7  records " + std::to_string(first_ + 1) + "\u2013" +
        std::to_string(first_ + page) + "  \u00B7  Welch, Hann windows of " +
        trace::TimeText(static_cast<double>(SpectrumSegment(rate_, page)) / rate_, rate_) +
        ", half overlap";
    input.frequencies = frequencies_;
    input.densities = densities_;
    const int highlighted = HighlightedRow();
    for (std::size_t r = 0; all && r < shown.size(); ++r) {
      input.highlighted = shown[r] == highlighted ? static_cast<int>(r) : input.highlighted;
    }
  }
  const std::string tools = trace::ToolsText(montage_, filters_);
  if (!tools.empty() && !page_from_overview_) {
    input.title += "  \u00B7  " + tools;
  }
  spectrum_picture_ = trace::ComposeSpectrum(input);
  spectrum_view_->SetCaption(kTraceCaptionPrefix + PathForDisplay(subject_.name) +
                             kSpectrumCaptionSuffix);
  std::vector<std::string> entries{kAllChannelsText};
  for (const MontageRow& row : rows) {
    entries.push_back(row.label);
  }
  spectrum_view_->SetChannelChoices(entries, all ? 0 : shown[0] + 1);
  spectrum_view_->ShowPicture(spectrum_picture_);
  UpdateSpectrumStatus();
}

void TraceController::UpdateSpectrumStatus() {
  if (spectrum_view_ == nullptr) {
    return;
  }
  std::string text;
  if (spectrum_mouse_ && !densities_.empty() && frequencies_.size() > 1) {
    const trace::SpectrumScale scale(spectrum_width_, spectrum_height_, rate_ / 2, densities_);
    const auto [x, y] = *spectrum_mouse_;
    if (scale.plot.Contains(x, y)) {
      const double step = frequencies_[1];
      const auto k = std::min(frequencies_.size() - 1,
                              static_cast<std::size_t>(std::lround(scale.HzAt(x) / step)));
      // The curve nearest the mouse at that frequency.
      const double pointed = std::log10(scale.DensityAt(y));
      std::size_t nearest = 0;
      for (std::size_t r = 1; r < densities_.size(); ++r) {
        const auto distance = [&](std::size_t i) {
          return std::abs(std::log10(std::max(densities_[i][k], 1e-300)) - pointed);
        };
        nearest = distance(r) < distance(nearest) ? r : nearest;
      }
      const std::vector<int> shown = SpectrumRows();
      char density[32];
      std::snprintf(density, sizeof(density), "%.4g", densities_[nearest][k]);
      char hz[32];
      std::snprintf(hz, sizeof(hz), "%.3f", frequencies_[k]);
      text = std::string(hz) + " Hz  \u00B7  " +
             MontageRows(montage_)[static_cast<std::size_t>(shown[nearest])].label + "  \u00B7  " +
             density + " \u00B5V\u00B2/Hz";
    }
  }
  spectrum_view_->SetStatusText(text);
}

}  // namespace velbrix
