// An export from the window: the Export dialog's entries checked and parsed into what the export
// of the opened recording needs, and that export run.
//
// The entries are checked as the command line checks its options, with the same messages, in the
// order of the dialog's fields, and then the outputs' names against their folders; the first fault
// is said. Texts are taken without the spaces and tabs around them. EDF and BrainVision files go
// into the output folder under the recording's name; a BIDS dataset's files into the dataset's
// folder, a full path, which is created when missing.
#ifndef VELBRIX_WINDOW_EXPORT_PLAN_H_
#define VELBRIX_WINDOW_EXPORT_PLAN_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bids_layout.h"
#include "core/bids_sidecars.h"
#include "core/edf_header.h"
#include "core/hertz.h"
#include "core/record_blocks.h"
#include "core/status.h"
#include "core/stop_request.h"
#include "window/export_settings.h"

namespace velbrix {

struct ExportPlan {
  ExportTarget target = ExportTarget::kEdf;
  std::filesystem::path recording;
  std::filesystem::path output_folder;  // EDF and BrainVision
  std::filesystem::path file_name;      // EDF and BrainVision: the outputs' base name
  std::vector<int> positions;           // channels 1 .. 32, in the files' order
  Hertz sample_rate;
  EdfRecordLayout edf_layout;  // EDF data, also in a dataset
  std::optional<EdfStart> start;
  // BIDS.
  std::filesystem::path root;
  BidsEntities entities;
  std::optional<Hertz> line_frequency;
  BidsLabFacts lab;
};

// `settings` with the spaces and tabs around each text removed.
ExportSettings TrimmedSettings(const ExportSettings& settings);

// Checks `settings` (trimmed) for an export of `positions` of `recording` into `output_folder`
// under `file_name`, with `decimal_separator` allowed in the rates besides the full stop, and
// fills in `plan`. Fails with kInvalidArgument and the message to show.
Status PlanExport(const ExportSettings& settings, const std::filesystem::path& recording,
                  const std::filesystem::path& output_folder,
                  const std::filesystem::path& file_name, std::vector<int> positions,
                  std::string_view decimal_separator, ExportPlan* plan);

// Runs the export of `plan`, with progress, stop and the lock-wait reporter as a text conversion;
// on success, `*note` is what the user is told (a trailing partial record left out, samples added
// to the last EDF record), or empty.
Status RunExport(const ExportPlan& plan, const ProgressCallback& progress, const StopRequest& stop,
                 const LockWaitReporter& lock_wait, std::string* note);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EXPORT_PLAN_H_
