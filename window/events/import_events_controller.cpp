#include "window/events/import_events_controller.h"

#include <algorithm>
#include <utility>

#include "core/events/events_sidecar.h"
#include "window/events/decimal_text.h"

namespace velbrix {
namespace {

std::vector<std::string> SplitHeader(std::string_view line) {
  if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
  char delimiter = '\t';
  for (const char candidate : {'\t', ',', ';'}) {
    if (line.find(candidate) != std::string_view::npos) {
      delimiter = candidate;
      break;
    }
  }
  std::vector<std::string> names;
  for (;;) {
    const std::size_t end = line.find(delimiter);
    std::string_view name = line.substr(0, end);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    names.emplace_back(name);
    if (end == std::string_view::npos) return names;
    line.remove_prefix(end + 1);
  }
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

Status ReadTableColumns(const std::filesystem::path& file, std::vector<std::string>* names) {
  std::optional<std::string> text;
  Status status = ReadEventsFile(file, &text);
  if (!status.ok()) return status;
  if (!text) {
    return Status::InvalidArgument("Cannot read " + PathForDisplay(file) + ": no such file");
  }
  std::string_view first(*text);
  first = first.substr(0, first.find('\n'));
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  *names = SplitHeader(first);
  return Status::Ok();
}

ImportEventsController::ImportEventsController(ImportEventsView& view,
                                               EventsDialogSubject subject)
    : view_(view), subject_(std::move(subject)) {}

void ImportEventsController::Open() {
  view_.SetRateText(subject_.rate ? subject_.rate->text : "");
  view_.SetColumnChoices({});
  view_.SetLabTableEnabled(view_.Form() == ImportForm::kLabTable);
  view_.SetMessage("Choose a table of events.");
}

void ImportEventsController::FileChosen(const std::filesystem::path& file) {
  view_.SetFile(file);
  std::vector<std::string> names;
  const Status status = ReadTableColumns(file, &names);
  if (!status.ok()) {
    columns_.clear();
    view_.SetColumnChoices({});
    view_.SetMessage(status.message());
    return;
  }
  columns_ = names;
  view_.SetColumnChoices(names);
  const std::string onset = Has(names, "onset") ? "onset" : names.front();
  const std::string duration = Has(names, "duration") ? "duration" : "";
  const std::string label = Has(names, "trial_type") ? "trial_type" : "";
  view_.SetColumns(onset, duration, label);
  EntriesChanged();
}

void ImportEventsController::EntriesChanged() {
  view_.SetLabTableEnabled(view_.Form() == ImportForm::kLabTable);
  if (view_.File().empty()) return;
  EventList events;
  const Status status = Import(&events);
  view_.SetMessage(status.ok() ? std::to_string(events.size()) + " events to import."
                               : status.message());
}

bool ImportEventsController::Accept() {
  EventList events;
  const Status status = Import(&events);
  if (!status.ok()) {
    view_.SetMessage(status.message());
    return false;
  }
  result_ = events.events();
  return true;
}

Status ImportEventsController::Options(EventImportOptions* options) const {
  std::optional<Hertz> rate;
  Status status = ParseOptionalRate(view_.RateText(), subject_.decimal_separator, &rate);
  if (!status.ok()) return status;
  options->rate = rate;
  if (view_.Form() == ImportForm::kLabTable) {
    options->onset_column = view_.OnsetColumn();
    options->duration_column = view_.DurationColumn();
    options->label_column = view_.LabelColumn();
    options->unit = view_.Unit();
    if (options->onset_column.empty()) {
      return Status::InvalidArgument("Choose the column of the onsets.");
    }
  } else if (!Has(columns_, options->label_column)) {
    options->label_column.clear();  // a BIDS table's labels are optional
  }
  return Status::Ok();
}

Status ImportEventsController::Import(EventList* events) const {
  if (view_.File().empty()) return Status::InvalidArgument("Choose a table of events.");
  EventImportOptions options;
  Status status = Options(&options);
  if (!status.ok()) return status;
  return ImportEventsFile(view_.File(), options, subject_.records, events);
}

}  // namespace velbrix
