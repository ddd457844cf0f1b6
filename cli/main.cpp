// velbrix-convert: converts EEG recordings from the command line into decimal text (one file per
// channel), EDF, BrainVision, or a BIDS dataset with EDF or BrainVision data.
//
//   velbrix-convert [-o DIR] [-c NAME]... [-d SEP] [-q] RECORDING...
//   velbrix-convert --format edf|brainvision --sample-rate HZ [--start TIME] [-o DIR] [-c NAME]...
//                   RECORDING...
//   velbrix-convert --bids ROOT --subject LABEL --task LABEL --sample-rate HZ
//                   [--format edf|brainvision] [--session LABEL] [--run N] RECORDING...
//
// Any of them may take its recordings from a list (--recordings-from FILE), convert only one
// share of them (--shard K/N), and convert N of them side by side (--jobs N; default: the cores).
//
// Exit status: 0 every recording converted, 1 at least one failed, 2 a usage error, 130 stopped by
// Ctrl-C (SIGINT or SIGTERM), which leaves nothing of the recordings being converted.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/progress.h"

int main(int argc, char** argv) {
  using namespace velbrix::cli;
  try {
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    Options options;
    if (const std::optional<int> exit_status = ParseOptions(arguments, &options)) {
      return *exit_status;
    }
    ProgressDisplay progress(stderr, !options.quiet && StderrIsTerminal());
    static velbrix::StopRequest interrupted;  // lives as long as the program, for the handler
    StopOnInterrupt(interrupted);
    return RunBatch(options, stderr, progress, &interrupted);
  } catch (const std::exception& e) {
    // Out of memory, or a name the system cannot represent.
    std::fprintf(stderr, "%s: %s\n", kProgramName, e.what());
    return kExitSomeFailed;
  }
}
