// One export of a recording as the user asks for it, from the command line or the window: EDF or
// BrainVision files in a folder (recording_export.h), or a recording of a BIDS dataset
// (bids_export.h); and what the user is told of it once it is done.
#ifndef VELBRIX_CORE_FORMATS_EXPORT_RUN_H_
#define VELBRIX_CORE_FORMATS_EXPORT_RUN_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/convert/record_blocks.h"
#include "core/formats/bids_layout.h"
#include "core/formats/bids_sidecars.h"
#include "core/formats/edf_header.h"
#include "core/formats/export_inputs.h"
#include "core/os/os_file.h"

namespace velbrix {

struct ExportRequest {
  ExportFormat format = ExportFormat::kEdf;
  std::filesystem::path recording;
  std::filesystem::path output_dir;  // EDF and BrainVision: empty, the current folder
  std::filesystem::path file_name;   // EDF and BrainVision: the outputs' base name
  std::vector<int> positions;        // channels 1 .. 32, no repeats, in the files' order
  Hertz sample_rate;                 // from ParseHertz
  EdfRecordLayout edf_layout;        // EDF data, also in a dataset: from ChooseEdfRecordLayout
  std::optional<EdfStart> start;     // nothing: unknown
  // The events to write (EDF+C, BrainVision markers, a BIDS events table), within the recording's
  // whole records; empty: none. The caller chooses them (core/events/export_events.h).
  EventList events;
  // BIDS.
  std::filesystem::path root;  // the dataset's folder
  BidsEntities entities;       // checked by CheckBidsEntities
  std::optional<Hertz> line_frequency;
  BidsLabFacts lab;
  std::function<Status()> commit_turn;  // as in BidsExportInputs
};

// Runs the export of `request` with ExportRecording or ExportBids (which fail as they say, leaving
// nothing behind) and fills `*report`. `progress`, `stop` and `lock_wait` work as in a text
// conversion.
Status RunExport(const ExportRequest& request, ExportReport* report,
                 const ProgressCallback& progress = {}, const StopRequest* stop = nullptr,
                 const LockWaitReporter& lock_wait = {});

// What the user is told of a finished export of `recording`: the trailing partial record left
// out, then the samples added to the last EDF data record, then what the run left alone of killed
// runs' files; each a clause that begins with a lower-case letter (see AsSentence), none when
// there is nothing to tell.
std::vector<std::string> ExportNotes(const std::filesystem::path& recording,
                                     const ExportReport& report);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_EXPORT_RUN_H_
