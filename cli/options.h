// The command line of velbrix-convert: what to convert, where to, and how.
//
// Parsing is done by CLI11. Help and version go to stdout; a usage error goes to stderr as one
// line starting with the program's name, followed by a hint to run --help.
#ifndef VELBRIX_CLI_OPTIONS_H_
#define VELBRIX_CLI_OPTIONS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/recording_list.h"
#include "core/base/hertz.h"
#include "core/events/export_events.h"
#include "core/formats/bids_layout.h"
#include "core/formats/bids_sidecars.h"
#include "core/formats/edf_header.h"
#include "core/formats/export_inputs.h"

namespace velbrix::cli {

inline constexpr char kProgramName[] = "velbrix-convert";

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStopped = 130;  // Ctrl-C stopped the run, as shells number SIGINT

// Where --bids puts the recordings, and under which names.
struct BidsOptions {
  std::filesystem::path root;  // the dataset's folder: a folder, or missing
  BidsEntities entities;       // checked; the run from --run, or empty
  std::optional<Hertz> line_frequency;
  BidsLabFacts lab;  // --reference, --ground, --authors, --license
};

struct Options {
  std::optional<ExportFormat> format;  // nothing: text; with --bids, kBidsEdf or kBidsBrainVision
  // The whole list: the command line's, then --recordings-from's, each once where first named.
  std::vector<std::filesystem::path> recordings;
  Shard shard;                       // of `recordings`, the ones to convert (see ShardMembers)
  std::filesystem::path output_dir;  // an existing folder; empty: the current one
  std::vector<int> positions;     // channel positions 1 .. 32, each once, in the order to convert
  std::string decimal_separator;  // text: checked by ValueLineTable::Check
  Hertz sample_rate;              // EDF and BrainVision
  EdfRecordLayout edf_layout;     // EDF: for the sample rate and the number of channels
  std::optional<EdfStart> edf_start;  // EDF and BrainVision: nothing when no start was given
  std::optional<BidsOptions> bids;    // into a BIDS dataset, as EDF or BrainVision files
  // Exports: the events each recording carries (the sidecar, --events FILE or --no-events, and
  // each --detect-events rule, parsed at the sample rate).
  ExportEventsChoice events;
  bool quiet = false;                 // no warnings and no progress
  std::size_t jobs = 1;               // recordings converted side by side (--jobs)
};

// Parses `arguments` (argv[0] first, UTF-8). Returns the exit status when the program is to end
// now: 0 after --help or --version, 2 after a usage error (reported on stderr). Returns nothing
// when `*options` is complete and checked: every channel name exists, the output folder exists,
// the separator (text) or the sample rate and start (EDF, BrainVision) are usable, the BIDS labels
// are valid, and no two different recordings of the whole list (not only of the shard) would write
// files of the same names (a recording named twice is kept once, where first named). Reads the
// list file of --recordings-from, standard input for "-".
std::optional<int> ParseOptions(const std::vector<std::string>& arguments, Options* options);

// The decimal separator of the user's locale (LC_ALL, LC_NUMERIC, LANG as the C library reads
// them), or "." when none is set, under "C" or "POSIX", or when the locale's separator cannot be
// used. Leaves the program's numeric locale as "C".
std::string LocaleDecimalSeparator();

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_OPTIONS_H_
