// The command line, parsed with CLI11 and checked against the channel table and the file system.
#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "cli/jobs_option.h"
#include "cli/platform.h"
#include "cli/recording_list.h"
#include "core/base/channel_table.h"
#include "core/base/recording_name.h"
#include "core/base/status.h"
#include "core/commit/file_table.h"
#include "core/convert/value_line.h"
#include "core/formats/brainvision_header.h"
#include "core/formats/output_names.h"
#include "velbrix_version.h"

namespace velbrix::cli {
namespace {

// The 32 names in record order, separated by spaces.
std::string ChannelNames() {
  std::string names;
  for (const Channel& channel : ChTable) {
    if (!names.empty()) {
      names += ' ';
    }
    names += channel.name;
  }
  return names;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\nRun with --help for more information.\n", kProgramName,
               message.c_str());
  return kExitUsage;
}

// Each named channel once, in the order first named.
std::optional<std::string> ToPositions(const std::vector<std::string>& names,
                                       std::vector<int>* positions) {
  positions->clear();
  if (names.empty()) {
    positions->assign(kAllPositions.begin(), kAllPositions.end());
    return std::nullopt;
  }
  for (const std::string& name : names) {
    const std::optional<int> position = FindChannelPosition(name);
    if (!position) {
      return "There is no channel named \"" + name + "\". The channels are: " + ChannelNames();
    }
    if (std::find(positions->begin(), positions->end(), *position) == positions->end()) {
      positions->push_back(*position);
    }
  }
  return std::nullopt;
}

std::optional<std::string> CheckOutputDir(const std::filesystem::path& dir) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(dir, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    ec = std::make_error_code(std::errc::no_such_file_or_directory);
  } else if (!ec && !std::filesystem::is_directory(status)) {
    ec = std::make_error_code(std::errc::not_a_directory);
  }
  if (ec) {
    return "Cannot use the output folder " + PathForDisplay(dir) + ": " + ec.message();
  }
  return std::nullopt;
}

// The BIDS options, checked; `run` is empty when not given.
std::optional<std::string> ToBidsOptions(const std::string& root, const BidsEntities& entities,
                                         const std::optional<std::string>& line_frequency,
                                         BidsOptions* bids) {
  if (root.empty()) {
    return std::string("--bids needs the folder of the dataset");
  }
  if (entities.subject.empty() || entities.task.empty()) {
    return std::string("--bids needs --subject LABEL and --task LABEL");
  }
  Status status = CheckBidsEntities(entities);
  if (status.ok() && line_frequency) {
    Hertz parsed;
    status = ParseBidsLineFrequency(*line_frequency, &parsed);
    bids->line_frequency = parsed;
  }
  bids->root = PathFromArgument(root);
  bids->entities = entities;
  if (status.ok()) {
    status = CheckBidsRoot(bids->root);
  }
  if (!status.ok()) {
    return status.message();
  }
  return std::nullopt;
}

// The longest path that the outputs of recording `index` take in their folder.
std::filesystem::path LongestOutput(const Options& options, std::size_t index) {
  const std::filesystem::path& recording = options.recordings[index];
  if (options.bids) {
    BidsEntities entities = options.bids->entities;
    if (entities.run.empty() && options.recordings.size() > 1) {
      entities.run = std::to_string(index + 1);
    }
    return LongestBidsOutput(options.bids->root, entities);
  }
  if (!options.format) {
    return LongestTextOutput(options.output_dir, recording.filename(), options.positions);
  }
  return ExportDataOutput(options.output_dir, recording.filename(), *options.format);
}

// Every output's name fits its folder, and BrainVision headers can name every recording; else the
// message that says which does not.
std::optional<std::string> CheckOutputNames(const Options& options) {
  for (std::size_t i = 0; i < options.recordings.size(); ++i) {
    const std::filesystem::path& recording = options.recordings[i];
    if (!HasRecordingName(recording)) {
      continue;  // refused when it comes to be converted
    }
    const bool brainvision_names = options.format == ExportFormat::kBrainVision;
    if (Status s = CheckRecordingOutputs(recording, LongestOutput(options, i), brainvision_names);
        !s.ok()) {
      return s.message();
    }
  }
  return std::nullopt;
}

}  // namespace

std::string LocaleDecimalSeparator() {
  std::string separator = ".";
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const std::lconv* conventions = std::localeconv();
    if (conventions != nullptr && conventions->decimal_point != nullptr) {
      separator = conventions->decimal_point;
    }
  }
  std::setlocale(LC_NUMERIC, "C");
  return ValueLineTable::Check(separator).ok() ? separator : ".";
}

std::optional<int> ParseOptions(const std::vector<std::string>& arguments, Options* options) {
  CLI::App app(
      "Converts EEG recordings into decimal text, one file per channel, exactly as the Velbrix "
      "window does, or into EDF or BrainVision files, or into a BIDS dataset. A recording's file "
      "name must end in \"_eeg\"; recording rec01_eeg gives rec01_eeg_FP2.eeg, "
      "rec01_eeg_F8.eeg and so on (text), rec01_eeg.edf (EDF), or rec01_eeg.vhdr, rec01_eeg.vmrk "
      "and rec01_eeg.eeg (BrainVision; this .eeg is the binary data file, not a text file of a "
      "channel).",
      kProgramName);
  std::string format = "text";
  std::string sample_rate;
  std::string start;
  std::string output_dir;
  std::vector<std::string> channels;
  std::string separator;
  std::vector<std::string> recordings;
  std::string bids_root;
  BidsEntities entities;
  std::string line_frequency;
  BidsLabFacts lab;
  std::string authors;

  CLI::Option* output_option =
      app.add_option("-o,--output-dir", output_dir,
                     "Folder for the output files; it must exist. Default: the current folder")
          ->option_text("DIR");
  app.add_option("-c,--channel", channels,
                 "Convert only this channel (exact name, e.g. FP2, Fz, EKG); may be given several "
                 "times. Default: all 32 channels in record order")
      ->allow_extra_args(false)
      ->option_text("NAME");
  CLI::Option* separator_option =
      app.add_option("-d,--decimal-separator", separator,
                     "Decimal separator of the values. Default: the one of your locale. "
                     "'-d .' gives files that analysis software (numpy, MNE, EEGLAB) reads "
                     "everywhere")
          ->option_text("SEP");
  CLI::Option* format_option =
      app.add_option(
             "--format", format,
             "text: one decimal text file per channel (the default). edf: one EDF file, "
             "OUTDIR/<recording>.edf, with the chosen channels as signals. brainvision: "
             "OUTDIR/<recording>.vhdr, .vmrk and .eeg (binary data, 16-bit integers, "
             "3.75 uV each), the BrainVision Core Data Format. With --bids: edf (the default "
             "there) or brainvision")
          ->check(CLI::IsMember({"text", "edf", "brainvision"}))
          ->option_text("FORMAT");
  CLI::Option* rate_option =
      app.add_option("--sample-rate", sample_rate,
                     "EDF, BrainVision and BIDS: the recording's sample rate in Hz (required; the "
                     "recording does not hold it), e.g. 256 or 250.5")
          ->option_text("HZ");
  CLI::Option* start_option =
      app.add_option("--start", start,
                     "EDF and BrainVision: the recording's start, \"YYYY-MM-DD HH:MM:SS\" (years "
                     "1985 to 2084). Default: unknown (01.01.85 00.00.00 in EDF, no date in "
                     "BrainVision)")
          ->option_text("TIME");
  const std::string bids_group = "BIDS dataset";
  CLI::Option* bids_option =
      app.add_option("--bids", bids_root,
                     "Write into the BIDS dataset at ROOT, created if missing: "
                     "sub-<S>/[ses-<X>/]eeg/sub-<S>_[ses-<X>_]task-<T>[_run-<N>]_eeg.edf (or "
                     ".vhdr, .vmrk, .eeg with --format brainvision) with its _eeg.json and "
                     "_channels.tsv; dataset_description.json and README when missing; the "
                     "subject's row in participants.tsv and the recording's in "
                     "sub-<S>/[ses-<X>/]sub-<S>[_ses-<X>]_scans.tsv, each made if missing. Needs "
                     "--sample-rate, "
                     "--subject and --task. Several recordings take runs 1, 2, ... in the order "
                     "given")
          ->option_text("ROOT")
          ->group(bids_group);
  // An option of the BIDS group, shown with `text` for its value.
  const auto bids_option_of = [&](const char* name, std::string& value, const std::string& help,
                                  const char* text) {
    return app.add_option(name, value, help)->option_text(text)->group(bids_group);
  };
  CLI::Option* subject_option = bids_option_of("--subject", entities.subject,
                                               "The subject's label: letters and digits", "LABEL");
  CLI::Option* task_option = bids_option_of(
      "--task", entities.task, "The task's label (e.g. rest): letters and digits", "LABEL");
  CLI::Option* session_option =
      bids_option_of("--session", entities.session,
                     "The session's label: letters and digits. Default: no session", "LABEL");
  CLI::Option* run_option = bids_option_of("--run", entities.run,
                                           "The run's index (digits), for one recording. Default: "
                                           "no run for one recording, 1, 2, ... for several",
                                           "N");
  CLI::Option* line_option = bids_option_of("--line-freq", line_frequency,
                                            "The power line's frequency in Hz (50 or 60) for the "
                                            "sidecar's PowerLineFrequency. Default: n/a",
                                            "HZ");
  CLI::Option* reference_option = bids_option_of(
      "--reference", lab.reference,
      "The EEG reference, for the sidecars' EEGReference (e.g. Cz, \"linked mastoids\"). "
      "Default: n/a",
      "TEXT");
  CLI::Option* ground_option = bids_option_of(
      "--ground", lab.ground,
      "The ground electrode's place, for the sidecars' EEGGround (e.g. AFz). Default: left out",
      "TEXT");
  const std::string only_new =
      "of a new dataset_description.json; an existing one is never "
      "rewritten";
  CLI::Option* authors_option = bids_option_of(
      "--authors", authors,
      "The dataset's authors, separated by semicolons (\"A. Smith; B. Jones\"), for the Authors " +
          only_new,
      "\"A; B\"");
  CLI::Option* license_option = bids_option_of(
      "--license", lab.license,
      "The dataset's licence (e.g. CC0, CC-BY-4.0, PDDL), for the License " + only_new, "ID");
  const std::string events_group = "Events (EDF, BrainVision, BIDS)";
  std::string events_file;
  CLI::Option* events_option =
      app.add_option("--events", events_file,
                     "Export the events of FILE instead of those of each recording's sidecar "
                     "(rec01_eeg: rec01_events.tsv beside it, read by default): a sidecar, or a "
                     "BIDS-style table with onset and duration in seconds at the sample rate and "
                     "trial_type as the label, told apart by the header line")
          ->option_text("FILE")
          ->group(events_group);
  bool no_events = false;
  CLI::Option* no_events_option =
      app.add_flag("--no-events", no_events, "Export no events: not even the sidecar's")
          ->group(events_group);
  std::vector<std::string> detections;
  CLI::Option* detect_option =
      app.add_option("--detect-events", detections,
                     "Add an event wherever channel CHANNEL crosses LEVEL uV (rising when not "
                     "said), at least GAP seconds after the last one found (0), labelled LABEL "
                     "(\"<CHANNEL> <direction> <LEVEL> uV\"); may be given several times")
          ->allow_extra_args(false)
          ->option_text("CHANNEL,LEVEL[,rising|falling|both[,GAP[,LABEL]]]")
          ->group(events_group);
  app.add_flag("-q,--quiet", options->quiet, "No warnings and no progress display");
  app.set_version_flag("--version", std::string(kProgramName) + " " + VELBRIX_VERSION);
  app.add_option("RECORDING", recordings, "Recordings to convert");
  std::string list_file;
  CLI::Option* list_option =
      app.add_option("--recordings-from", list_file,
                     "Also convert the recordings that FILE names, one path a line (UTF-8), after "
                     "those of the command line; - reads standard input. Blank lines are skipped; "
                     "relative paths start from the current folder")
          ->option_text("FILE");
  std::string shard_text;
  CLI::Option* shard_option =
      app.add_option("--shard", shard_text,
                     "Convert only share K of N (1 <= K <= N) of the recordings: the K-th, then "
                     "every N-th after it, so that N processes given 1/N to N/N convert each "
                     "recording once between them. Every share checks the whole list (two "
                     "different recordings of one file name are refused by all alike), and with "
                     "--bids a recording takes the run it takes without --shard")
          ->option_text("K/N");
  // How many recordings are converted side by side.
  std::string jobs_text;
  CLI::Option* jobs_option =
      app.add_option("-j,--jobs", jobs_text,
                     "Convert N recordings side by side (1 to 256), each still written whole or "
                     "not at all; messages keep the order of the recordings, and the files are "
                     "the same as with --jobs 1. Default: the number of cores")
          ->option_text("N");
  app.footer(
      "Channels: " + ChannelNames() +
      "\n\nBIDS channel types: EEG for the 10-20 electrodes (A1, A2 and Oz included), ECG for "
      "EKG, MISC for BP1 to BP4, DC1 to DC3, PG1 and PG2."
      "\n\nTwo different recordings of the same file name in one call are refused (their files "
      "would replace each other); a recording named twice is converted once."
      "\n\nExit status: 0 every recording converted, 1 at least one failed, 2 usage error."
      "\n\nExamples:\n  " +
      kProgramName + " -d . -o out -c Fz -c Cz rec01_eeg rec02_eeg\n  " + kProgramName +
      " --format edf --sample-rate 256 --start \"2024-05-17 09:30:00\" rec01_eeg\n  " +
      kProgramName + " --format brainvision --sample-rate 256 -o out rec01_eeg\n  " + kProgramName +
      " --bids study --subject 01 --session 1 --task rest --sample-rate 256 --line-freq 50 "
      "rec01_eeg rec02_eeg");

  std::vector<const char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(argument.c_str());
  }
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      errno = 0;
      app.exit(e);  // --help or --version, on stdout
      std::cout.flush();
      if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno != 0 ? errno : EIO;
        std::fprintf(stderr, "%s: Cannot write to standard output: %s\n", kProgramName,
                     ErrnoReason(error).c_str());
        return kExitSomeFailed;
      }
      return kExitOk;
    }
    return UsageError(e.what());
  }

  if (recordings.empty() && list_option->count() == 0) {
    return UsageError("Name the recordings to convert, or give --recordings-from FILE");
  }
  options->shard = Shard();
  if (shard_option->count() > 0) {
    if (const std::optional<std::string> error = ParseShard(shard_text, &options->shard)) {
      return UsageError(*error);
    }
  }
  options->jobs = DefaultJobs();
  if (jobs_option->count() > 0) {
    if (const std::optional<std::string> error = ParseJobs(jobs_text, &options->jobs)) {
      return UsageError(*error);
    }
  }
  if (const std::optional<std::string> error = ToPositions(channels, &options->positions)) {
    return UsageError(*error);
  }
  const bool into_bids = bids_option->count() > 0;
  options->bids.reset();
  if (into_bids) {
    if (format_option->count() == 0) {
      format = "edf";
    } else if (format == "text") {
      return UsageError(
          "--bids writes EDF or BrainVision files: use --format edf (the default) or brainvision");
    }
    if (output_option->count() > 0) {
      return UsageError("--bids ROOT is where the files go: -o does not apply");
    }
    // Given but empty: refused with the reason, as any other bad label.
    if (session_option->count() > 0 && entities.session.empty()) {
      return UsageError(CheckBidsLabel("session", "").message());
    }
    if (run_option->count() > 0 && entities.run.empty()) {
      return UsageError(CheckBidsIndex("run", "").message());
    }
    for (const auto& [option, text] :
         {std::pair{reference_option, &lab.reference}, std::pair{ground_option, &lab.ground},
          std::pair{authors_option, &authors}, std::pair{license_option, &lab.license}}) {
      if (option->count() > 0 && text->find_first_not_of(" \t") == std::string::npos) {
        return UsageError(option->get_name() + " needs a text that is not empty");
      }
    }
    lab.authors = SplitBidsAuthors(authors);
    if (authors_option->count() > 0 && lab.authors.empty()) {
      return UsageError("--authors names no author: give them as \"A. Smith; B. Jones\"");
    }
    BidsOptions bids;
    bids.lab = std::move(lab);
    const std::optional<std::string> frequency =
        line_option->count() > 0 ? std::optional<std::string>(line_frequency) : std::nullopt;
    if (const std::optional<std::string> error =
            ToBidsOptions(bids_root, entities, frequency, &bids)) {
      return UsageError(*error);
    }
    options->bids = std::move(bids);
  } else if (subject_option->count() > 0 || task_option->count() > 0 ||
             session_option->count() > 0 || run_option->count() > 0 || line_option->count() > 0 ||
             reference_option->count() > 0 || ground_option->count() > 0 ||
             authors_option->count() > 0 || license_option->count() > 0) {
    return UsageError(
        "--subject, --task, --session, --run, --line-freq, --reference, --ground, --authors and "
        "--license apply to --bids only");
  }
  options->format.reset();
  if (format == "edf") {
    options->format = into_bids ? ExportFormat::kBidsEdf : ExportFormat::kEdf;
  } else if (format == "brainvision") {
    options->format = into_bids ? ExportFormat::kBidsBrainVision : ExportFormat::kBrainVision;
  }
  if (options->format) {
    if (separator_option->count() > 0) {
      return UsageError("--decimal-separator applies to --format text only");
    }
    if (rate_option->count() == 0) {
      return UsageError((into_bids ? std::string("--bids") : "--format " + format) +
                        " needs --sample-rate HZ: a recording does not hold its sample rate");
    }
    if (const Status status = ParseHertz(sample_rate, "sample rate", &options->sample_rate);
        !status.ok()) {
      return UsageError(status.message());
    }
    if (WritesEdf(*options->format)) {
      if (const Status status = ChooseEdfRecordLayout(
              options->sample_rate, options->positions.size(), &options->edf_layout);
          !status.ok()) {
        return UsageError(status.message());
      }
    }
    options->edf_start.reset();
    if (start_option->count() > 0) {
      EdfStart parsed;
      if (const Status status = ParseEdfStart(start, &parsed); !status.ok()) {
        return UsageError(status.message());
      }
      options->edf_start = parsed;
    }
    if (events_option->count() > 0 && no_events_option->count() > 0) {
      return UsageError("--events FILE and --no-events contradict each other: give one");
    }
    options->events = ExportEventsChoice();
    if (no_events_option->count() > 0) {
      options->events.source = ExportEventsSource::kNone;
    } else if (events_option->count() > 0) {
      if (events_file.empty()) {
        return UsageError("--events needs the file of the events");
      }
      options->events.source = ExportEventsSource::kFile;
      options->events.file = PathFromArgument(events_file);
    }
    for (const std::string& text : detections) {
      DetectionRule rule;
      if (const Status status = ParseDetectionRule(text, options->sample_rate, &rule);
          !status.ok()) {
        return UsageError(status.message());
      }
      options->events.detections.push_back(std::move(rule));
    }
  } else if (rate_option->count() > 0 || start_option->count() > 0) {
    return UsageError("--sample-rate and --start apply to --format edf or brainvision only");
  } else if (events_option->count() > 0 || no_events_option->count() > 0 ||
             detect_option->count() > 0) {
    return UsageError(
        "--events, --no-events and --detect-events apply to --format edf or brainvision and to "
        "--bids: the text conversion writes no events");
  } else if (separator_option->count() > 0) {
    if (const Status status = ValueLineTable::Check(separator); !status.ok()) {
      return UsageError(status.message());
    }
    options->decimal_separator = separator;
  } else {
    options->decimal_separator = LocaleDecimalSeparator();
  }
  options->output_dir.clear();
  if (output_option->count() > 0 && output_dir.empty()) {
    return UsageError("-o needs the folder for the output files");
  }
  if (!output_dir.empty()) {
    options->output_dir = PathFromArgument(output_dir);
    if (const std::optional<std::string> error = CheckOutputDir(options->output_dir)) {
      return UsageError(*error);
    }
  }
  options->recordings.clear();
  for (const std::string& recording : recordings) {
    options->recordings.push_back(PathFromArgument(recording));
  }
  if (list_option->count() > 0) {
    if (const std::optional<std::string> error =
            ReadRecordingList(list_file, &options->recordings)) {
      return UsageError(*error);
    }
    if (options->recordings.empty()) {
      return UsageError("There is no recording to convert: " +
                        (list_file == "-" ? std::string("standard input")
                                          : PathForDisplay(PathFromArgument(list_file))) +
                        " names none");
    }
  }
  if (const std::optional<std::string> error =
          CheckRecordingList(&options->recordings, !into_bids)) {
    return UsageError(*error);
  }
  if (into_bids && run_option->count() > 0 && options->recordings.size() > 1) {
    return UsageError(
        "--run applies to one recording: several recordings take runs 1, 2, ... in the order "
        "given");
  }
  if (const std::optional<std::string> error = CheckOutputNames(*options)) {
    return UsageError(*error);
  }
  return std::nullopt;
}

}  // namespace velbrix::cli
