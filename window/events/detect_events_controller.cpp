#include "window/events/detect_events_controller.h"

#include <cmath>
#include <utility>

#include "window/events/decimal_text.h"

namespace velbrix {

DetectEventsController::DetectEventsController(DetectEventsView& view, EventsDialogSubject subject,
                                               std::vector<std::string> channels,
                                               BackgroundRunner::PostToWindow post)
    : view_(view),
      subject_(std::move(subject)),
      channels_(std::move(channels)),
      runner_(std::move(post)) {}

void DetectEventsController::Open() {
  int selected = 0;
  for (const char* prefix : {"PG", "DC"}) {
    for (std::size_t i = channels_.size(); i-- > 0;) {
      if (channels_[i].rfind(prefix, 0) == 0) selected = static_cast<int>(i);
    }
  }
  view_.SetChannels(channels_, selected);
  view_.SetGapUnit(subject_.rate ? "seconds" : "records");
  view_.SetRunning(false);
  view_.SetFound({});
  view_.SetMessage("");
}

Status DetectEventsController::Rule(DetectionRule* rule) const {
  const int channel = view_.Channel();
  if (channel < 0 || channel >= static_cast<int>(channels_.size())) {
    return Status::InvalidArgument("Choose a channel.");
  }
  rule->position = channel + 1;
  const std::string& separator = subject_.decimal_separator;
  Status status = ParseDecimal(view_.LevelText(), "level", separator, true,
                               &rule->level_microvolts);
  if (!status.ok()) return status;
  rule->direction = view_.Direction();
  double gap = 0;
  if (view_.GapText().find_first_not_of(' ') != std::string::npos) {
    status = ParseDecimal(view_.GapText(), "shortest gap", separator, false, &gap);
    if (!status.ok()) return status;
  }
  const double records = subject_.rate ? std::round(gap * subject_.rate->value) : gap;
  if (!subject_.rate && records != std::floor(records)) {
    return Status::InvalidArgument("The shortest gap is in records: a whole number.");
  }
  if (records > 1e15) return Status::InvalidArgument("The shortest gap is too long.");
  rule->shortest_gap = static_cast<std::uint64_t>(records);
  rule->label = view_.Label();
  return CheckEventLabel(rule->label);
}

void DetectEventsController::Detect() {
  if (running_) return;
  DetectionRule rule;
  const Status status = Rule(&rule);
  if (!status.ok()) {
    view_.SetMessage(status.message());
    return;
  }
  running_ = true;
  found_.clear();
  view_.SetFound({});
  view_.SetRunning(true);
  view_.SetProgress(0);
  view_.SetMessage("Detecting...");
  runner_.Start([this, rule, recording = subject_.recording](const StopRequest& stop) {
    EventList found;
    const Status result = DetectEvents(
        recording, rule, &found,
        [this](std::uint64_t read, std::uint64_t total) {
          if (total == 0) return;
          const int percent = static_cast<int>(read * 100 / total);
          runner_.Post([this, percent] { view_.SetProgress(percent); });
        },
        &stop);
    runner_.Post([this, result, found = std::move(found)]() mutable {
      Finished(result, std::move(found));
    });
  });
}

void DetectEventsController::Finished(const Status& status, EventList found) {
  running_ = false;
  runner_.Join();
  view_.SetRunning(false);
  if (!status.ok()) {
    view_.SetMessage(status.stopped() ? "Stopped: no events found." : status.message());
    return;
  }
  found_ = found.events();
  std::vector<std::string> rows;
  rows.reserve(found_.size());
  for (const Event& event : found_) {
    std::string row = "record " + std::to_string(event.start);
    if (subject_.rate) {
      row = SecondsText(event.start, *subject_.rate, subject_.decimal_separator) + ", " + row;
    }
    rows.push_back(row + ": " + event.label);
  }
  view_.SetProgress(100);
  view_.SetFound(rows);
  view_.SetMessage(std::to_string(found_.size()) + " events found.");
}

bool DetectEventsController::Add() {
  if (running_) {
    view_.SetMessage("Wait for the detection to end, or stop it.");
    return false;
  }
  std::vector<Event> kept;
  for (std::size_t row = 0; row < found_.size(); ++row) {
    if (view_.Kept(row)) kept.push_back(found_[row]);
  }
  result_ = std::move(kept);
  return true;
}

void DetectEventsController::Cancel() {
  runner_.Stop();
  runner_.Join();
  running_ = false;
  result_.reset();
}

}  // namespace velbrix
