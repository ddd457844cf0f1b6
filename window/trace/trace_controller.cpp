// The trace window's behaviour: the view's events routed to the controller's parts, and the canvas
// composed from what they hold.
#include "window/trace/trace_controller.h"

#include <algorithm>
#include <utility>

#include "core/base/channel_table.h"
#include "core/base/hertz.h"
#include "core/base/recording_name.h"
#include "window/trace/trace_event_marks.h"
#include "window/trace/trace_scales.h"
#include "window/trace/trace_tools.h"

namespace velbrix {

TraceController::TraceController(TraceView& view, std::string decimal_separator)
    : view_(view), decimal_separator_(std::move(decimal_separator)) {}

void TraceController::Show(const TraceSubject& subject, bool reread) {
  if (events_.unsaved() && subject.recording != events_recording_) {
    held_ = Held::kShow;
    held_subject_ = subject;
    held_reread_ = reread;
    view_.AskUnsavedEvents("The events of " + PathForDisplay(subject_.name) +
                           " have changes that are not saved. Save them before " +
                           PathForDisplay(subject.name) + " opens?");
    return;
  }
  const bool same = pages_.loaded() && !reread && subject.recording == subject_.recording;
  subject_ = subject;
  view_.SetCaption(kTraceCaptionPrefix + PathForDisplay(subject_.name));
  view_.SetSampleRateText(trace::SampleRateText(paging_.rate()));
  if (!same) {
    Load();
  }
  Refresh();
}

void TraceController::Close() {
  pages_.Close();
  paging_.Close();
  mouse_.reset();
  measure_.reset();
  drag_ = Drag::kNone;
  events_.Close();
  events_recording_.clear();
  selected_.reset();
  span_.reset();
  ShowEventRows();
  view_.SetTicking(false);
  UpdateSpectrum(true);
}

void TraceController::Load() {
  measure_.reset();
  pages_.Open(subject_.recording);
  paging_.Open(records());
  LoadEvents();
  library_loaded_ = false;  // files added since are offered with each recording opened
  LoadMontages();
  if (pages_.overview() != nullptr) {
    view_.SetTicking(true);
  }
}

// Events.

void TraceController::OnCanvasResized(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  Refresh();
}

void TraceController::OnKey(TraceKey key) {
  if (paging_.OnKey(key)) {
    Refresh();
  }
}

void TraceController::OnWheel(int delta, bool zoom) {
  if (paging_.OnWheel(delta, zoom)) {
    Refresh();
  }
}

void TraceController::OnScrollTo(int position) {
  paging_.ScrollTo(position);
  Refresh();
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
    const trace::PageMapping page{paging_.first(), page_records(), layout.traces};
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
  if (layout.traces.Contains(x, y) && row >= 0 && page().ready > 0) {
    const trace::PageMapping page{paging_.first(), page_records(), layout.traces};
    const std::uint64_t record = std::min(page.RecordAt(x), records() - 1);
    drag_ = Drag::kMeasure;
    measure_ = TraceMeasure{row, record, record, x, x, ValueAt(record, row), std::nullopt};
    measure_->to_value = measure_->from_value;
    Refresh();
    return;
  }
  if (!layout.overview.Contains(x, y)) {
    return;
  }
  drag_ = Drag::kOverview;
  const trace::PageMapping whole{0, records(), layout.overview};
  paging_.CentreOn(whole.RecordAt(x));
  Refresh();
}

void TraceController::OnMouseUp(int, int) {
  drag_ = Drag::kNone;
  if (measure_) {
    if (measure_->from != measure_->to) {
      span_ = std::minmax(measure_->from, measure_->to);
      span_page_ = paging_.first();
    }
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
    LoadMontages();
    if (at >= library_.size()) {
      return;
    }
    if (library_.at(at).montage->rows.empty()) {
      // Nothing to draw: the montage shown stays, and the header says why.
      montage_notice_ =
          library_.at(at).montage->name + " has no rows to draw: " + library_.at(at).problems;
      bar_.ForgetChoices();
      Refresh();
      return;
    }
    montage_ = at;
    montage_notice_.clear();
  } else {
    const std::vector<double> offered = trace::OfferedHz(tool, paging_.rate());
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
  // A filter at or above half the sample rate is not offered, and goes off, as the status says.
  const double rate = paging_.rate();
  filters_off_.clear();
  for (const TraceTool tool : {TraceTool::kHighPass, TraceTool::kLowPass, TraceTool::kNotch}) {
    double& hz = trace::ChosenHz(filters_, tool);
    if (hz > 0 && !trace::FilterWorksAt(hz, rate)) {
      filters_off_ += (filters_off_.empty() ? "" : "  \u00B7  ") + trace::FilterOffText(tool, hz);
      hz = 0;
    }
  }
  sections_ = FilterSections(filters_, rate);
  margin_ = FilterMargin(sections_);
  pages_.Forget();
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
  view_.SetSampleRateText(trace::SampleRateText(status.ok() ? rate.value : paging_.rate()));
  if (!status.ok()) {
    view_.SetStatusText(status.message());
    return;
  }
  paging_.SetRate(rate.value);
  UpdateFilters();
  ShowEventRows();
  Refresh();
}

void TraceController::OnPageChosen(int index) {
  const std::vector<double> choices = paging_.PageChoices();
  if (index >= 0 && index < static_cast<int>(choices.size())) {
    paging_.SetPageSeconds(choices[static_cast<std::size_t>(index)]);
    Refresh();
  }
}

void TraceController::OnAmplitudeChosen(int index) {
  const int count = static_cast<int>(trace::kMicrovoltsPerDivision.size());
  if (index < 0 || index > count) {
    return;
  }
  if (index == count) {
    paging_.FitAmplitude(page(), true);
  } else {
    paging_.ChooseAmplitude(trace::kMicrovoltsPerDivision[static_cast<std::size_t>(index)]);
  }
  Refresh();
}

void TraceController::OnTick() {
  if (pages_.overview() == nullptr) {
    view_.SetTicking(false);
    return;
  }
  const bool finished = pages_.overview()->finished();  // before the refresh, which shows it all
  Refresh();
  if (finished) {
    view_.SetTicking(false);
  }
}

void TraceController::OnPictureRendered(const std::filesystem::path& path, const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0) {
    view_.SetStatusText("There is no picture to save: the window is too small");
    return;
  }
  // A name typed without an extension gets the one its format calls for.
  std::filesystem::path target = path;
  if (!target.has_extension()) {
    target += ".png";
  }
  const Status status = WritePngFile(target, image);
  view_.SetStatusText(status.ok() ? "Saved the picture as " + PathForDisplay(target)
                                  : status.message());
}

void TraceController::OnSpectrumOpened(SpectrumView& view) {
  spectrum_.Open(view);
  Refresh();
}

void TraceController::OnSpectrumClosed() {
  spectrum_.Close();
  pages_.ForgetSpectrumValues();
  pages_.Forget();
}

void TraceController::OnSpectrumResized(int width, int height) {
  spectrum_.Resize(width, height);
  UpdateSpectrum(false);
}

void TraceController::OnSpectrumMouseMove(int x, int y) {
  spectrum_.PointAt(trace::Point{x, y});
  UpdateSpectrumStatus();
}

void TraceController::OnSpectrumMouseLeave() {
  spectrum_.PointAt(std::nullopt);
  UpdateSpectrumStatus();
}

void TraceController::OnSpectrumChannelChosen(int index) {
  if (spectrum_.Choose(index, montage())) {
    Refresh();
  }
}

// Showing.

trace::CanvasLayout TraceController::Layout() const {
  return trace::CanvasLayout(width_, height_, static_cast<int>(Header().size()),
                             static_cast<int>(page_rows().size()),
                             trace::LabelColumnWidth(page_rows(), width_));
}

const std::vector<MontageRow>& TraceController::page_rows() const {
  return drawn_montage()->rows;
}

int TraceController::HighlightedRow() const {
  const std::optional<int> position = FindChannelPosition(subject_.channel);
  return position ? MontageRowOf(page_rows(), *position) : -1;
}

std::optional<double> TraceController::ValueAt(std::uint64_t record, int row) {
  // One record is read with as much of its margin as the bound allows, whatever the page's.
  return pages_.ValueAt(record, row, page_rows(), sections_, BoundedMargin(margin_, 1));
}

void TraceController::Refresh() {
  const trace::CanvasLayout layout = Layout();
  const std::optional<TracePageKey> before = pages_.key();
  const std::size_t ready = page().ready;
  if (pages_.recording().is_open() && records() > 0 && layout.traces.width() > 0) {
    const TracePageKey key{paging_.first(),
                           page_records(),
                           static_cast<std::size_t>(layout.traces.width()),
                           library_.at(montage_).montage,
                           filters_,
                           spectrum_.Rows(montage(), subject_.channel)};
    pages_.Load(key, sections_, filter_margin());
  }
  if (paging_.microvolts() == 0 && page().ready > 0) {
    paging_.FitAmplitude(page(), false);
  }
  pages_.UpdateEnvelope(static_cast<std::size_t>(std::max(0, Layout().overview.width())));
  trace::CanvasInput input;
  input.width = width_;
  input.height = height_;
  input.header = Header();
  input.rate = paging_.rate();
  input.records = records();
  input.first = paging_.first();
  input.page = page_records();
  input.microvolts_per_division = paging_.microvolts() == 0 ? 100 : paging_.microvolts();
  input.rows = &page_rows();
  input.highlighted_row = HighlightedRow();
  input.traces = &page();
  if (measure_) {
    input.measure_from = measure_->from_x;
    input.measure_to = measure_->to_x;
  }
  input.envelope_bounds = &pages_.envelope_bounds();
  input.envelope_min = &pages_.envelope_min();
  input.envelope_max = &pages_.envelope_max();
  picture_ = trace::ComposeCanvas(input);
  const auto [begin, end] = events_.InPage(paging_.first(), page_records());
  trace::EventMarksInput marks;
  marks.first = paging_.first();
  marks.page = page_records();
  marks.events = &events_.list().events();
  marks.begin = begin;
  marks.end = end;
  marks.selected = selected_.value_or(static_cast<std::size_t>(-1));
  marks.ticks = &events_.TickColumns(picture_.overview.width());
  trace::AddEventMarks(marks, &picture_);
  view_.ShowPicture(picture_);
  // A page from the overview shows the channels as recorded and unfiltered, and so do the boxes;
  // the choices come back with the next page drawn from samples.
  std::vector<std::string> names;
  for (std::size_t i = 0; i < library_.size(); ++i) {
    names.push_back(library_.at(i).montage->name);
  }
  bar_.ShowChoices(paging_, names, pages_.from_overview() ? 0 : static_cast<int>(montage_),
                   pages_.from_overview() ? FilterChoice{} : filters_);
  bar_.ShowScrollBar(paging_);
  UpdateStatus();
  UpdateSpectrum(pages_.key() != before || page().ready != ready);
}

std::vector<trace::HeaderLine> TraceController::Header() const {
  std::vector<trace::HeaderLine> lines;
  if (!pages_.loaded()) {
    return lines;
  }
  const Status& open_status = pages_.open_status();
  if (!open_status.ok()) {
    lines.push_back({open_status.message(), trace::Ink::kError});
    return lines;
  }
  const std::string name = PathForDisplay(subject_.name);
  const std::uint64_t total = records();
  const double rate = paging_.rate();
  const bool from_overview = pages_.from_overview();
  const std::string tools = trace::ToolsText(montage(), filters_);
  if (total == 0) {
    lines.push_back({name + " is empty: it holds no records to show.", trace::Ink::kWarning});
  } else {
    const double seconds = static_cast<double>(total) / rate;
    lines.push_back(
        {name + "  \u00B7  " + std::to_string(total) + (total == 1 ? " record" : " records") +
             "  \u00B7  " + trace::TimeText(seconds, rate) +
             (seconds >= 60 ? " (" + trace::AxisTimeText(seconds, 1, true) + ")" : "") + " at " +
             trace::SampleRateText(rate) + " Hz" +
             (paging_.microvolts() > 0 ? "  \u00B7  " + trace::AmplitudeText(paging_.microvolts())
                                       : "") +
             (tools.empty() || from_overview ? "" : "  \u00B7  " + tools),
         trace::Ink::kText});
  }
  if (from_overview && !tools.empty()) {
    lines.push_back({kOverviewUnfiltered, trace::Ink::kWarning});
  }
  // What the rows' labels name as their reference ("FP2-avg"), and the electrodes it averages.
  if (const std::string& reference = montage().reference_text;
      total > 0 && !from_overview && !reference.empty()) {
    lines.push_back({reference, trace::Ink::kText});
  }
  // What is wrong with the reader's own montage, or why one could not be drawn.
  AddMontageProblems(&lines);
  // The bound on the margin left out records on a side of the page that the filters needed.
  const std::uint64_t read = filter_margin();
  const std::uint64_t after = total - std::min(total, paging_.first() + page_records());
  if (!from_overview && total > 0 &&
      (std::min(paging_.first(), margin_) > read || std::min(after, margin_) > read)) {
    lines.push_back({trace::SettlingText(margin_, read, rate), trace::Ink::kWarning});
  }
  const std::uint64_t left_out = pages_.recording().bytes_left_out();
  if (left_out > 0) {
    lines.push_back(
        {AsSentence(LeftOutDescription(subject_.recording, left_out)), trace::Ink::kWarning});
  }
  if (!events_.load_status().ok()) {
    lines.push_back(
        {"The events could not be read: " + events_.load_status().message(), trace::Ink::kError});
  }
  if (!pages_.page_status().ok()) {
    lines.push_back({pages_.page_status().message(), trace::Ink::kError});
  }
  const TraceOverview* overview = pages_.overview();
  if (overview != nullptr && overview->finished() && !overview->status().ok()) {
    lines.push_back({overview->status().message(), trace::Ink::kError});
  }
  return lines;
}

void TraceController::UpdateStatus() {
  TraceStatusInput input;
  input.loaded = pages_.loaded();
  input.recording = &pages_.recording();
  input.records = records();
  input.paging = &paging_;
  input.layout = Layout();
  input.rows = &page_rows();
  input.page = &page();
  input.mouse = mouse_;
  input.notice = filters_off_;
  if (measure_ && records() > 0) {
    input.measure = MeasureText(*measure_, paging_.rate(),
                                page_rows()[static_cast<std::size_t>(measure_->row)].label);
  }
  bar_.ShowStatus(input);
}

void TraceController::UpdateSpectrum(bool page_changed) {
  if (!spectrum_.is_open()) {
    return;
  }
  SpectrumPage page;
  page.caption = kTraceCaptionPrefix + PathForDisplay(subject_.name) + kSpectrumCaptionSuffix;
  page.montage = &montage();
  page.filters = filters_;
  page.rate = paging_.rate();
  page.channel = subject_.channel;
  page.highlighted_row = HighlightedRow();
  page.records = records();
  page.first = paging_.first();
  page.page = page_records();
  page.direct_records = TracePages::DirectRecords(filters_);
  page.from_overview = pages_.from_overview();
  page.drawn = this->page().ready > 0;
  page.values = &pages_.spectrum_values();
  spectrum_.Update(page, page_changed);
}

void TraceController::UpdateSpectrumStatus() {
  spectrum_.UpdateStatus(montage(), paging_.rate(), subject_.channel);
}

// Montages of one's own.

const std::shared_ptr<const Montage>& TraceController::drawn_montage() const {
  return library_.at(pages_.from_overview() ? 0 : montage_).montage;
}

void TraceController::SetMontageFolder(const std::filesystem::path& folder) {
  montage_folder_ = folder;
  library_loaded_ = false;
  LoadMontages();
}

void TraceController::LoadMontages() {
  if (library_loaded_) {
    return;
  }
  // The montage chosen stays chosen when it is still there: by its file, or its name.
  const MontageEntry& before = library_.at(montage_);
  const std::filesystem::path file = before.file;
  const std::string name = before.montage->name;
  library_.Load(montage_folder_);
  library_loaded_ = true;
  const std::size_t by_file = file.empty() ? library_.size() : library_.FindFile(file);
  montage_ = by_file < library_.size() ? by_file : library_.Find(name);
  if (montage_ >= library_.size() || library_.at(montage_).montage->rows.empty()) {
    montage_ = 0;
  }
}

void TraceController::AddMontageProblems(std::vector<trace::HeaderLine>* lines) const {
  constexpr std::size_t kMostLines = 4;
  std::string text = montage_notice_.empty() ? library_.at(montage_).problems : montage_notice_;
  std::size_t shown = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (shown == kMostLines) {
      lines->push_back({"... and more: View > Montage Editor... shows each row's problem",
                        trace::Ink::kWarning});
      break;
    }
    lines->push_back({text.substr(0, end), trace::Ink::kWarning});
    ++shown;
    text = end == std::string::npos ? "" : text.substr(end + 1);
  }
}

MontageEditorSubject TraceController::montage_editor_subject() const {
  MontageEditorSubject subject{
      montage_folder_, library_.at(montage_).source, library_.at(montage_).file, {}};
  for (const MontageKind kind : kMontages) {
    subject.built_in.emplace_back(MontageName(kind));
  }
  if (subject.file.empty()) {
    subject.start.name += " (mine)";  // a built-in montage's name is not to be taken
  }
  return subject;
}

void TraceController::OnMontageSaved(const std::filesystem::path& file) {
  library_loaded_ = false;
  LoadMontages();
  if (const std::size_t at = library_.FindFile(file);
      at < library_.size() && !library_.at(at).montage->rows.empty()) {
    montage_ = at;
  }
  montage_notice_.clear();
  measure_.reset();
  Refresh();
}

}  // namespace velbrix
