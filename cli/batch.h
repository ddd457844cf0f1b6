// The batch run: every recording of the command line converted in turn.
//
// A recording whose name does not end in "_eeg" is refused with the window's text and nothing is
// written for it. A recording that fails to convert leaves nothing behind (see core/conversion.h)
// and does not stop the others. Each failure is one line on `err` naming the file and the system's
// reason; a trailing partial record is a warning naming the recording and the bytes left out,
// unless the options ask for quiet.
#ifndef VELBRIX_CLI_BATCH_H_
#define VELBRIX_CLI_BATCH_H_

#include <cstdio>

#include "cli/options.h"
#include "cli/progress.h"

namespace velbrix::cli {

// Converts every recording of `options`, which ParseOptions has checked. Returns kExitOk when every
// recording was converted, kExitSomeFailed when at least one was not.
int RunBatch(const Options& options, std::FILE* err, ProgressDisplay& progress);

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_BATCH_H_
