// The Detect Events dialog without its toolkit: a rule from the entries, the detection off the
// window's thread with progress and Stop, the events found for review, and Add.
//
// It does not add the events to a trace window: the dialog's caller takes result().
#ifndef VELBRIX_WINDOW_EVENTS_DETECT_EVENTS_CONTROLLER_H_
#define VELBRIX_WINDOW_EVENTS_DETECT_EVENTS_CONTROLLER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/events/event_detection.h"
#include "core/events/event_list.h"
#include "window/converter/background_runner.h"
#include "window/events/import_events_controller.h"

namespace velbrix {

// The Direction box's entries, in the order of CrossingDirection, and the direction of entry
// `index` (the first for none).
inline constexpr const char* kDirectionChoices[] = {"Rising", "Falling", "Both"};
inline CrossingDirection DirectionAt(int index) {
  return index == 1   ? CrossingDirection::kFalling
         : index == 2 ? CrossingDirection::kBoth
                      : CrossingDirection::kRising;
}

// The passive view: getters of what is entered and setters of what is shown.
class DetectEventsView {
 public:
  virtual ~DetectEventsView() = default;
  virtual int Channel() const = 0;  // 0-based place in the channel list
  virtual std::string LevelText() const = 0;
  virtual CrossingDirection Direction() const = 0;
  virtual std::string GapText() const = 0;
  virtual std::string Label() const = 0;
  // Whether the found event in row `row` is still ticked.
  virtual bool Kept(std::size_t row) const = 0;

  virtual void SetChannels(const std::vector<std::string>& names, int selected) = 0;
  virtual void SetGapUnit(const std::string& unit) = 0;  // "seconds" or "records"
  virtual void SetRunning(bool running) = 0;  // Detect and Add off and Stop on, or the reverse
  virtual void SetProgress(int percent) = 0;
  // The rows of the found events ("12.500 s, record 3200: label"), every one ticked.
  virtual void SetFound(const std::vector<std::string>& rows) = 0;
  virtual void SetMessage(const std::string& text) = 0;
};

class DetectEventsController {
 public:
  // `view` must outlive the controller. `channels` are the recording's channel names in order.
  DetectEventsController(DetectEventsView& view, EventsDialogSubject subject,
                         std::vector<std::string> channels, BackgroundRunner::PostToWindow post);
  // Stops a detection still running and waits for it.
  ~DetectEventsController() = default;

  // Shows the channels (the first DC or PG channel chosen: they carry triggers) and the gap's unit.
  void Open();
  // Detect: starts the detection with the rule entered, or shows why the entries are refused.
  void Detect();
  // Stop: asks a running detection to stop.
  void Stop() { runner_.Stop(); }
  bool running() const { return running_; }
  // Add: the ticked found events become result(). False (with a message) while detecting.
  bool Add();
  // Cancel: stops a running detection; result() stays empty.
  void Cancel();

  const std::optional<std::vector<Event>>& result() const { return result_; }

 private:
  Status Rule(DetectionRule* rule) const;
  void Finished(const Status& status, EventList found);

  DetectEventsView& view_;
  EventsDialogSubject subject_;
  std::vector<std::string> channels_;
  std::vector<Event> found_;
  bool running_ = false;
  std::optional<std::vector<Event>> result_;
  BackgroundRunner runner_;  // last: destroyed (and joined) first
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EVENTS_DETECT_EVENTS_CONTROLLER_H_
