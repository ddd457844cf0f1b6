// An export from the window: the Export dialog's entries checked and parsed into what the export
// of the opened recording needs.
//
// The entries are checked as the command line checks its options, with the same messages, in the
// order of the dialog's fields, and then the outputs' names against their folders; the first fault
// is said. Texts are taken without the spaces and tabs around them. EDF and BrainVision files go
// into the output folder under the recording's name; a BIDS dataset's files into the dataset's
// folder, a full path, which is created when missing.
#ifndef VELBRIX_WINDOW_EXPORT_EXPORT_PLAN_H_
#define VELBRIX_WINDOW_EXPORT_EXPORT_PLAN_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/formats/export_run.h"
#include "window/export/export_settings.h"

namespace velbrix {

// `settings` with the spaces and tabs around each text removed.
ExportSettings TrimmedSettings(const ExportSettings& settings);

// Checks `settings` (trimmed) for an export of `positions` of `recording` into `output_folder`
// under `file_name`, with `decimal_separator` allowed in the rates besides the full stop, and
// fills in `plan`, the export for RunExport (core/formats/export_run.h). Fails with
// kInvalidArgument and the message to show.
Status PlanExport(const ExportSettings& settings, const std::filesystem::path& recording,
                  const std::filesystem::path& output_folder,
                  const std::filesystem::path& file_name, std::vector<int> positions,
                  std::string_view decimal_separator, ExportRequest* plan);

// Gives the planned export `plan` the events it carries: those of the recording's sidecar, the
// command line's default (core/events/export_events.h); none where there is no sidecar. It reads
// the sidecar and, where there is one, the recording's length: call it on the export's thread,
// just before RunExport. Fails as EventsForExport does (naming the sidecar, the line and the
// reason), leaving `plan->events` as they were.
Status AddPlannedEvents(ExportRequest* plan, const StopRequest* stop);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EXPORT_EXPORT_PLAN_H_
