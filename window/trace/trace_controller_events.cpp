// The trace window's events: the view's event actions routed to TraceEvents, and the question
// about unsaved changes that holds back a close or another recording.
#include <algorithm>

#include "core/base/recording_name.h"
#include "window/trace/trace_controller.h"
#include "window/trace/trace_scales.h"

namespace velbrix {

namespace {

constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

std::string Counted(std::size_t count, const std::string& one) {
  return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

}  // namespace

void TraceController::LoadEvents() {
  if (events_.unsaved() && events_recording_ == subject_.recording) {
    return;  // the same recording read afresh keeps the changes
  }
  events_.Open(subject_.recording, records());
  events_recording_ = subject_.recording;
  selected_.reset();
  span_.reset();
  ShowEventRows();
}

void TraceController::ShowEventRows() {
  std::vector<EventRow> rows;
  const double rate = paging_.rate();
  rows.reserve(events_.list().size());
  for (const Event& event : events_.list().events()) {
    rows.push_back({trace::TimeText(static_cast<double>(event.start) / rate, rate),
                    std::to_string(event.start),
                    event.length == 0
                        ? std::string()
                        : trace::TimeText(static_cast<double>(event.length) / rate, rate),
                    event.label});
  }
  view_.SetEventRows(rows, selected_ ? static_cast<int>(*selected_) : -1);
}

void TraceController::AskLabel(const std::string& title, const std::string& label) {
  view_.AskEventLabel(title, label, events_.OfferedLabels());
}

void TraceController::OnAddEvent() {
  if (records() == 0) {
    return;
  }
  std::uint64_t record = paging_.first();
  const trace::CanvasLayout layout = Layout();
  if (mouse_ && layout.traces.Contains(mouse_->x, mouse_->y)) {
    const trace::PageMapping page{paging_.first(), page_records(), layout.traces};
    record = std::min(page.RecordAt(mouse_->x), records() - 1);
  }
  renaming_.reset();
  adding_ = Event{record, 0, ""};
  AskLabel("Add Event at " +
               trace::TimeText(static_cast<double>(record) / paging_.rate(), paging_.rate()),
           "");
}

void TraceController::OnAddSpanEvent() {
  if (records() == 0) {
    return;
  }
  std::uint64_t first = paging_.first();
  std::uint64_t last = std::min(records(), first + page_records()) - 1;
  if (span_ && span_page_ == paging_.first()) {
    first = span_->first;
    last = span_->second;
  }
  renaming_.reset();
  adding_ = Event{first, last - first + 1, ""};
  const double rate = paging_.rate();
  AskLabel("Add Event for Span of " +
               trace::TimeText(static_cast<double>(last - first + 1) / rate, rate),
           "");
}

void TraceController::OnEventLabelEntered(const std::string& label) {
  Status status;
  std::string done;
  if (adding_) {
    Event event = *adding_;
    adding_.reset();
    event.label = label;
    std::size_t index = 0;
    status = events_.Add(std::move(event), &index);
    if (status.ok()) {
      selected_ = index;
      span_.reset();
      done = "Added the event \u201C" + label + "\u201D";
    }
  } else if (renaming_) {
    const std::size_t index = *renaming_;
    renaming_.reset();
    if (index >= events_.list().size()) {
      return;
    }
    status = events_.Rename(index, label);
    if (status.ok()) {
      selected_ = index;
      done = "Renamed the event to \u201C" + label + "\u201D";
    }
  } else {
    return;
  }
  if (status.ok()) {
    ShowEventRows();
    Refresh();
  }
  view_.SetStatusText(status.ok() ? done + " (not saved yet)" : status.message());
}

void TraceController::OnEventChosen(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < events_.list().size()) {
    MoveToEvent(static_cast<std::size_t>(index));
  }
}

void TraceController::OnRenameEvent(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= events_.list().size()) {
    return;
  }
  adding_.reset();
  renaming_ = static_cast<std::size_t>(index);
  AskLabel("Rename Event", events_.list()[*renaming_].label);
}

void TraceController::OnDeleteEvent(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= events_.list().size()) {
    return;
  }
  const std::string label = events_.list()[static_cast<std::size_t>(index)].label;
  events_.Remove(static_cast<std::size_t>(index));
  selected_.reset();
  ShowEventRows();
  Refresh();
  view_.SetStatusText("Deleted the event \u201C" + label + "\u201D (not saved yet)");
}

void TraceController::MoveToEvent(std::size_t index) {
  selected_ = index;
  paging_.CentreOn(events_.list()[index].start);
  ShowEventRows();
  Refresh();
}

bool TraceController::SelectedEventOnPage() const {
  if (!selected_ || *selected_ >= events_.list().size()) {
    return false;
  }
  const std::uint64_t start = events_.list()[*selected_].start;
  return start >= paging_.first() && start < paging_.first() + page_records();
}

void TraceController::OnNextEvent() {
  const std::uint64_t first = paging_.first();
  std::optional<std::size_t> next;
  if (SelectedEventOnPage()) {
    if (*selected_ + 1 < events_.list().size()) {
      next = *selected_ + 1;
    }
  } else {
    next = events_.FirstFrom(first);
  }
  if (next) {
    MoveToEvent(*next);
  } else {
    view_.SetStatusText("There is no event after this one");
  }
}

void TraceController::OnPreviousEvent() {
  const std::uint64_t first = paging_.first();
  std::optional<std::size_t> previous;
  if (SelectedEventOnPage()) {
    if (*selected_ > 0) {
      previous = *selected_ - 1;
    }
  } else {
    previous = events_.LastBefore(first);
  }
  if (previous) {
    MoveToEvent(*previous);
  } else {
    view_.SetStatusText("There is no event before this one");
  }
}

bool TraceController::SaveEvents() {
  if (events_recording_.empty()) {
    return false;
  }
  const Status status = events_.Save(events_.sidecar());
  view_.SetStatusText(status.ok() ? "Saved " + Counted(events_.list().size(), "event") + " in " +
                                        PathForDisplay(events_.sidecar())
                                  : status.message());
  return status.ok();
}

void TraceController::OnSaveEvents() {
  SaveEvents();
}

void TraceController::OnSaveEventsAs(const std::filesystem::path& path) {
  if (events_recording_.empty()) {
    return;
  }
  const Status status = events_.Save(path);
  view_.SetStatusText(status.ok() ? "Saved " + Counted(events_.list().size(), "event") + " in " +
                                        PathForDisplay(path)
                                  : status.message());
}

void TraceController::AddEvents(const std::vector<Event>& events) {
  if (events_recording_.empty()) {
    return;
  }
  std::size_t added = 0;
  const Status status = events_.AddMany(events, &added);
  selected_.reset();
  ShowEventRows();
  Refresh();
  std::string text = "Added " + Counted(added, "event") + " (not saved yet)";
  if (!status.ok()) {
    text += "; " + Counted(events.size() - added, "event") + " left out: " + status.message();
  }
  view_.SetStatusText(text);
}

bool TraceController::OnCloseAsked() {
  if (!events_.unsaved()) {
    return true;
  }
  held_ = Held::kClose;
  view_.AskUnsavedEvents("The events of " + PathForDisplay(subject_.name) +
                         " have changes that are not saved. Save them before the window closes?");
  return false;
}

void TraceController::OnUnsavedEventsAnswered(UnsavedAnswer answer) {
  const Held held = held_;
  held_ = Held::kNone;
  if (held == Held::kNone || answer == UnsavedAnswer::kCancel) {
    return;
  }
  if (answer == UnsavedAnswer::kSave && !SaveEvents()) {
    return;  // the status line says why; the window stays with its changes
  }
  if (answer == UnsavedAnswer::kDiscard) {
    events_.Discard();
    selected_.reset();
    ShowEventRows();
  }
  if (held == Held::kClose) {
    view_.CloseWindow();
  } else {
    Show(held_subject_, held_reread_);
  }
}

}  // namespace velbrix
