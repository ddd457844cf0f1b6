// The Import Events dialog without its toolkit: a table file, its form, the columns and unit of a
// lab's table, a preview count, and on OK the events or the bad lines with their numbers.
//
// It does not choose the file (the real dialog's file chooser does) and does not add the events to
// a trace window: the dialog's caller takes result().
#ifndef VELBRIX_WINDOW_EVENTS_IMPORT_EVENTS_CONTROLLER_H_
#define VELBRIX_WINDOW_EVENTS_IMPORT_EVENTS_CONTROLLER_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/events/event_list.h"
#include "core/events/events_import.h"

namespace velbrix {

// What the dialog's caller knows of the recording the events are for.
struct EventsDialogSubject {
  std::filesystem::path recording;
  std::uint64_t records = 0;
  std::optional<Hertz> rate;          // the trace window's "Sample rate", when set
  std::string decimal_separator = ".";  // the user's, besides the full stop
};

// The form of the table as the user chose it.
enum class ImportForm { kToldByHeader, kLabTable };

// The passive view: getters of what is entered and setters of what is shown.
class ImportEventsView {
 public:
  virtual ~ImportEventsView() = default;
  virtual std::filesystem::path File() const = 0;
  virtual ImportForm Form() const = 0;
  virtual std::string OnsetColumn() const = 0;
  virtual std::string DurationColumn() const = 0;  // empty: none
  virtual std::string LabelColumn() const = 0;     // empty: none
  virtual EventTimeUnit Unit() const = 0;
  virtual std::string RateText() const = 0;

  virtual void SetFile(const std::filesystem::path& file) = 0;
  virtual void SetRateText(const std::string& text) = 0;
  // The header's column names; the optional columns' lists also hold "" (none) first.
  virtual void SetColumnChoices(const std::vector<std::string>& names) = 0;
  virtual void SetColumns(const std::string& onset, const std::string& duration,
                          const std::string& label) = 0;
  virtual void SetLabTableEnabled(bool enabled) = 0;  // the columns and the unit
  virtual void SetMessage(const std::string& text) = 0;
};

class ImportEventsController {
 public:
  // `view` must outlive the controller.
  ImportEventsController(ImportEventsView& view, EventsDialogSubject subject);

  // Shows the rate and an empty form.
  void Open();
  // The user chose `file`: reads its header's column names and previews the import.
  void FileChosen(const std::filesystem::path& file);
  // The form, a column, the unit or the rate changed: previews the import again.
  void EntriesChanged();
  // OK: imports the file. True when the dialog may close with result() set; false when it stays
  // open, showing why (the bad lines with their numbers) with nothing imported.
  bool Accept();

  // The imported events after an Accept that returned true; nothing otherwise (cancelled).
  const std::optional<std::vector<Event>>& result() const { return result_; }

 private:
  // The options of the entries, or why they are refused (seconds without a rate).
  Status Options(EventImportOptions* options) const;
  Status Import(EventList* events) const;

  ImportEventsView& view_;
  EventsDialogSubject subject_;
  std::vector<std::string> columns_;  // of the chosen file's header
  std::optional<std::vector<Event>> result_;
};

// The column names of the header line of the table file `file` (delimiter as ImportEvents tells
// it). Fails naming the file and the system's reason when it cannot be read.
Status ReadTableColumns(const std::filesystem::path& file, std::vector<std::string>* names);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EVENTS_IMPORT_EVENTS_CONTROLLER_H_
