// The batch run: every recording of the command line's shard converted in turn, to text, EDF or
// BrainVision files, or into a BIDS dataset.
//
// A recording whose name does not end in "_eeg" is refused with the window's text and nothing is
// written for it. A recording that fails to convert leaves nothing behind (see
// core/convert/conversion.h, core/formats/edf_export.h, core/formats/brainvision_export.h and
// core/formats/bids_export.h) and does not stop the others. Under --bids, several recordings take
// runs 1, 2, ... by their place in the whole list (not the shard), a refused or failed one
// included. Up to `options.jobs` recordings are converted side by side, each by a job with its
// own run state, taking the recordings in their order; the files are those of one job, and under
// --bids the recordings commit into the dataset in their order, which fixes the rows of its shared
// tables. A run that is asked to stop (Ctrl-C) leaves nothing behind, like a failed one; every
// job's run is stopped, and no further recording is started. Each failure is one line on `err`
// naming the file and the system's reason. Unless the options ask for quiet, a trailing partial
// record is a warning naming the recording and the bytes left out, and so is the completion of an
// EDF file's last data record, with the samples added per channel. A recording's messages come
// after those of the recordings before it (see batch_report.h); a wait for another run's lock is
// told at once, naming the recording. An export carries the events that options.events choose
// (core/events/export_events.h): a sidecar or --events table that cannot be read, or an event
// outside the recording, fails the recording, naming the table, the line and the reason, so that
// no export silently lacks the events its sidecar holds.
#ifndef VELBRIX_CLI_BATCH_H_
#define VELBRIX_CLI_BATCH_H_

#include <cstdio>

#include "cli/options.h"
#include "cli/progress.h"
#include "core/base/stop_request.h"

namespace velbrix::cli {

// Converts the recordings of `options.shard`, which ParseOptions has checked, until `stop` (if
// given) is requested. Returns kExitOk when every recording was converted, kExitStopped when the
// batch was stopped, kExitSomeFailed when at least one recording was not converted.
int RunBatch(const Options& options, std::FILE* err, ProgressDisplay& progress,
             const StopRequest* stop = nullptr);

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_BATCH_H_
